#pragma once

#include "core/browser.h"
#include "core/pageload.h"

#include <QPointer>
#include <QWebEngineView>

class QWebEngineLoadingInfo;
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
    void wakeAndReload() override;
    void reloadAside() override;
    bool isPageAnswered() const override;
    /** Steps back in history; does nothing when there is no page to go to. */
    void goBack();
    /** Steps forward in history; does nothing when there is no page to go to. */
    void goForward();

signals:
    void pageLoadStarted();
    void pageLoadFinished(const kelvora::PageLoad &load);
    /** The page's renderer process ended (crashed or killed). */
    void rendererGone();
    void pageUrlChanged(const QUrl &address);
    /** The page now holds text the user typed and did not send, or no longer does. */
    void pageInputChanged(bool holdsInput);
    /** The background reload (reloadAside()) has loaded, or failed. */
    void asideLoadFinished(const kelvora::PageLoad &load);

private:
    void finishLoad(const QWebEngineLoadingInfo &info);
    /** What identifies the history entry shown now, and when it was last committed. */
    QString committedEntry() const;

    WebPage *m_page = nullptr;
    QPointer<WebPage> m_aside;  ///< the background reload under way
    quint64 m_loadSerial = 0;   ///< counts loads, so a late answer about an earlier one is dropped
    QString m_entryAtLoadStart; ///< committedEntry() when the load under way was asked for or started
};

} // namespace kelvora
