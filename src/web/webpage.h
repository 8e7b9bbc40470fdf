#pragma once

#include "core/pagedialog.h"

#include <QWebEnginePage>

#include <functional>

namespace kelvora {

/** A dialog the page opened, for the slot to decide on. */
struct PageDialogRequest
{
    PageDialogKind kind = PageDialogKind::Alert;
    QString message;
    QString defaultText;            ///< a prompt's suggested answer
    bool duringTimerReload = false; ///< the question comes from the slot's own timed reload
};

struct PageDialogAnswer
{
    bool accepted = false;
    QString text; ///< a prompt's answer
};

/**
 * A slot's page. Its JavaScript dialogs go to the slot's dialog handler, which must answer
 * without a long wait: the engine calls in here in the middle of its own work, and no page of
 * any slot moves on until the answer is back.
 */
class WebPage final : public QWebEnginePage
{
    Q_OBJECT

public:
    using DialogHandler = std::function<PageDialogAnswer(const PageDialogRequest &)>;

    explicit WebPage(QWebEngineProfile *profile, QObject *parent = nullptr);

    /** Without a handler, alerts are acknowledged and questions answered "cancel" at once. */
    void setDialogHandler(DialogHandler handler) { m_dialogHandler = std::move(handler); }

    /** Reloads for the slot's refresh timer: a "leave this page?" question is answered "leave". */
    void reloadForTimer();
    /** Wakes a sleeping (discarded) page for the slot's refresh timer: the page comes back from the
     * forum, not from the cache, and in the history entry it had. */
    void wakeForTimerReload();

signals:
    /** The page now holds text the user typed and did not send (in a field or an editable area), or no longer
     * does. */
    void inputChanged(bool holdsInput);

protected:
    void javaScriptAlert(const QUrl &securityOrigin, const QString &message) override;
    bool javaScriptConfirm(const QUrl &securityOrigin, const QString &message) override;
    bool javaScriptPrompt(const QUrl &securityOrigin, const QString &message, const QString &defaultValue,
                          QString *result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message, int lineNumber,
                                  const QString &sourceID) override;

private:
    PageDialogAnswer ask(PageDialogKind kind, const QString &message, const QString &defaultText = {});

    class ForumFetch;
    ForumFetch *m_forumFetch = nullptr;
    DialogHandler m_dialogHandler;
    bool m_timerReloadPending = false;
    bool m_holdsInput = false;
};

} // namespace kelvora
