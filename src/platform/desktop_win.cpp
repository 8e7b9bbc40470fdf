#include "platform/desktop.h"

#include <QProcess>
#include <QWidget>

#include <windows.h>

namespace kelvora {

bool openInWebBrowser(const QString &address)
{
    // The shell opens the address in the user's browser, as a double-click on a link would.
    return QProcess::startDetached(QStringLiteral("explorer.exe"), {address});
}

void setStaysOnTop(QWidget *window, bool onTop)
{
    SetWindowPos(reinterpret_cast<HWND>(window->winId()), onTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE);
}

} // namespace kelvora
