#include "platform/webview.h"

#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineProfile>

namespace kelvora {

WebView::WebView(QWebEngineProfile *profile, QWidget *parent) : QWebEngineView(parent)
{
    // The page is parented to the view, so it goes before the profile that outlives every view.
    setPage(new QWebEnginePage(profile, this));
}

QUrl WebView::addressFromUserInput(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return {QStringLiteral("about:blank")};
    QUrl url = QUrl::fromUserInput(trimmed);
    // An address with a scheme but nothing behind it ("http://") cannot be loaded; a blank page
    // tells the user that nothing was there rather than an engine error page.
    if (!url.isValid() || (url.host().isEmpty() && (url.scheme() == u"http" || url.scheme() == u"https")))
        return {QStringLiteral("about:blank")};
    return url;
}

void WebView::navigate(const QString &address)
{
    load(addressFromUserInput(address));
}

void WebView::refresh()
{
    reload();
}

void WebView::goBack()
{
    if (history()->canGoBack())
        back();
}

void WebView::goForward()
{
    if (history()->canGoForward())
        forward();
}

QString WebView::locationName() const
{
    return title();
}

void WebView::setShown(bool shown)
{
    setVisible(shown);
}

void WebView::place(const QRect &geometry)
{
    setGeometry(geometry);
}

} // namespace kelvora
