#pragma once

#include "core/browser.h"
#include "core/pagedialog.h"
#include "core/pageload.h"
#include "web/enginequirks.h"

#include <QPointer>
#include <QWebEnginePage>

#include <functional>

class QWebEngineLoadingInfo;
class QWebEngineProfile;

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
 * What the page's input watcher calls, from the script world of our own, through the web channel
 * of that world: the page's own scripts cannot reach it.
 */
class PageInputChannel final : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

public slots:
    void setHoldsInput(bool holds) { emit holdsInputChanged(holds); }
    void sendLogin(const QString &user, const QString &password) { emit loginSent(user, password); }

signals:
    void holdsInputChanged(bool holds);
    void loginSent(const QString &user, const QString &password);
};

/**
 * A slot's page, on the slot's own profile: what the slot's browser does (see Browser), carried
 * out on Qt WebEngine. It lives apart from any view: a view shows it while there is one.
 *
 * Its JavaScript dialogs go to the slot's dialog handler, which must answer without a long wait:
 * the engine calls in here in the middle of its own work, and no page of any slot moves on until
 * the answer is back.
 */
class WebPage final : public QWebEnginePage, public Browser
{
    Q_OBJECT

public:
    using DialogHandler = std::function<PageDialogAnswer(const PageDialogRequest &)>;

    explicit WebPage(QWebEngineProfile *profile, QObject *parent = nullptr);

    /** Without a handler, alerts are acknowledged and questions answered "cancel" at once. */
    void setDialogHandler(DialogHandler handler) { m_dialogHandler = std::move(handler); }
    /** Lets one question of any page wait for the user at a time; without one, none waits. */
    void setQuestionGate(QuestionGate *gate) { m_questions = gate; }
    /**
     * Tells whether a view that shows the page is on screen now, where there is one: the page is
     * shown again when it wakes. Without it the page has no view.
     */
    void setViewShownQuery(std::function<bool()> query) { m_viewShown = std::move(query); }

    using QWebEnginePage::load;
    void load(const QString &address) override;
    void reload(ReloadCause cause) override;
    void sleep() override;
    void wake() override;
    void wakeAndReload() override;
    void reloadAside() override;
    bool isPageAnswered() const override;
    /** The result comes as loginFilled(); only on a page of the site the account was given on. */
    void submitLogin(const Account &account) override;
    /** One step back or forward in history; nothing when there is nowhere to go. */
    void stepHistory(bool back);

signals:
    void pageLoadStarted();
    void pageLoadFinished(const kelvora::PageLoad &load);
    /** The page's renderer process ended (crashed or killed). */
    void rendererGone();
    /** The page now holds text the user typed and did not send (in a field or an editable area), or no longer
     * does. */
    void inputChanged(bool holdsInput);
    /** The background reload (reloadAside()) has loaded, or failed. */
    void asideLoadFinished(const kelvora::PageLoad &load);
    /** What came of submitLogin(). */
    void loginFilled(kelvora::LoginFill fill);
    /** The forum refused the login sent, in the page itself, without a new page (an ajax login). */
    void loginRefusedInPlace();
    /**
     * The user sent a login form they filled in: its user name and password, and the page it was
     * on. Held by whoever takes it only as long as it must be.
     */
    void loginSent(const kelvora::Account &account);

protected:
    void javaScriptAlert(const QUrl &securityOrigin, const QString &message) override;
    bool javaScriptConfirm(const QUrl &securityOrigin, const QString &message) override;
    bool javaScriptPrompt(const QUrl &securityOrigin, const QString &message, const QString &defaultValue,
                          QString *result) override;

private:
    class ForumFetch;

    PageDialogAnswer ask(PageDialogKind kind, const QString &message, const QString &defaultText = {});
    void finishLoad(const QWebEngineLoadingInfo &info);
    void setHoldsInput(bool holds);
    /** Shows the page again if a view that shows it is on screen. */
    void showIfViewShown();

    ForumFetch *m_forumFetch = nullptr;
    DialogHandler m_dialogHandler;
    std::function<bool()> m_viewShown;
    bool m_timerReloadPending = false;
    bool m_holdsInput = false;
    QPointer<WebPage> m_aside; ///< the background reload under way
    /** Looks for the forum's refusal of the login sent in load `serial`, now and then. */
    void watchLoginAnswer(quint64 serial, int checksLeft);
    static constexpr int LoginAnswerCheckMs = 500;
    static constexpr int LoginAnswerChecks = 30;

    quint64 m_loadSerial = 0;     ///< counts loads, so a late answer about an earlier one is dropped
    engine::AnswerWatch m_answer; ///< whether the forum has answered the load under way
    engine::FirstLoadGate m_firstLoad;
    QuestionGate *m_questions = nullptr;
};

} // namespace kelvora
