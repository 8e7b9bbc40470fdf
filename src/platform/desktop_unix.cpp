#include "platform/desktop.h"

#include <QDesktopServices>
#include <QUrl>
#include <QWidget>
#include <QWindow>

namespace kelvora {

bool openInWebBrowser(const QString &address)
{
    return QDesktopServices::openUrl(QUrl(address));
}

void setStaysOnTop(QWidget *window, bool onTop)
{
    // On the native window alone: changing the widget's flags would recreate it, hidden and moved.
    if (QWindow *handle = window->windowHandle())
        handle->setFlag(Qt::WindowStaysOnTopHint, onTop);
}

} // namespace kelvora
