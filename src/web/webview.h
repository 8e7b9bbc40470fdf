#pragma once

#include "core/browser.h"
#include "core/pageload.h"

#include <QWebEngineView>

class QWebEngineProfile;

namespace kelvora {

class WebPage;

/** A forum slot's browser: a Qt WebEngine view on the slot's own profile. */
class WebView final : public QWebEngineView, public Browser
{
    Q_OBJECT

public:
    WebView(QWebEngineProfile *profile, QWidget *parent = nullptr);

    WebPage *webPage() const { return m_page; }

    void navigate(const QString &address) override;
    void refresh(ReloadCause cause) override;
    void sleep() override;
    void wake() override;
    /** Steps back in history; does nothing when there is no page to go to. */
    void goBack();
    /** Steps forward in history; does nothing when there is no page to go to. */
    void goForward();

signals:
    void pageLoadStarted();
    void pageLoadFinished(const kelvora::PageLoad &load);
    /** The page's renderer process ended (crashed or killed). */
    void rendererGone();

private:
    WebPage *m_page = nullptr;
};

} // namespace kelvora
