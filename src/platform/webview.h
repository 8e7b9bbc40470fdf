#pragma once

#include "core/browser.h"

#include <QWebEngineView>

class QWebEngineProfile;

namespace kelvora {

/** A forum slot's browser: a Qt WebEngine view on the program's shared profile. */
class WebView final : public QWebEngineView, public Browser
{
    Q_OBJECT

public:
    WebView(QWebEngineProfile *profile, QWidget *parent = nullptr);

    /** Turns what the user typed into an address, as a browser's address bar does. */
    static QUrl addressFromUserInput(const QString &text);

    void navigate(const QString &address) override;
    void refresh() override;
    void goBack() override;
    void goForward() override;
    QString locationName() const override;
    void setShown(bool shown) override;
    void place(const QRect &geometry) override;
};

} // namespace kelvora
