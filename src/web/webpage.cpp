#include "web/webpage.h"

#include <QCoreApplication>

namespace kelvora {
namespace {

// The engine asks its "leave this page?" question through javaScriptConfirm, with this text.
QString leavePageQuestion()
{
    return QCoreApplication::translate(
        "QWebEnginePage",
        "Are you sure you want to leave this page? Changes that you made may not be saved.");
}

} // namespace

WebPage::WebPage(QWebEngineProfile *profile, QObject *parent) : QWebEnginePage(profile, parent)
{
    connect(this, &QWebEnginePage::loadStarted, this, [this] { m_timerReloadPending = false; });
}

void WebPage::reloadForTimer()
{
    m_timerReloadPending = true;
    triggerAction(QWebEnginePage::Reload);
}

void WebPage::javaScriptAlert(const QUrl &, const QString &message)
{
    ask(PageDialogKind::Alert, message);
}

bool WebPage::javaScriptConfirm(const QUrl &, const QString &message)
{
    const bool leaving = message == leavePageQuestion();
    return ask(leaving ? PageDialogKind::LeavePage : PageDialogKind::Confirm, message).accepted;
}

bool WebPage::javaScriptPrompt(const QUrl &, const QString &message, const QString &defaultValue,
                               QString *result)
{
    const PageDialogAnswer answer = ask(PageDialogKind::Prompt, message, defaultValue);
    if (answer.accepted && result)
        *result = answer.text;
    return answer.accepted;
}

PageDialogAnswer WebPage::ask(PageDialogKind kind, const QString &message, const QString &defaultText)
{
    const bool duringTimerReload = kind == PageDialogKind::LeavePage && m_timerReloadPending;
    // A question waits in an event loop of its own. One asked while another still waits, of this
    // page or any other, would stack a loop on that one and hold it up: it is answered at once.
    static int questionsOpen = 0;
    if (!m_dialogHandler || questionsOpen > 0)
        return {kind == PageDialogKind::Alert || duringTimerReload, {}};
    ++questionsOpen;
    const PageDialogAnswer answer = m_dialogHandler({kind, message, defaultText, duringTimerReload});
    --questionsOpen;
    return answer;
}

} // namespace kelvora
