#pragma once

#include "core/forumslot.h"
#include "core/qttimer.h"
#include "core/slottable.h"

#include <QObject>

#include <functional>
#include <optional>

class QWebEngineProfile;

namespace kelvora {

class AccountStore;
class Clock;
class QuestionGate;
class WebPage;

/**
 * One forum slot at work, apart from any window: its ForumSlot with its timers, and its page.
 * What changes is told by slot()'s signals; windows show it through views of their own and send
 * every command of the user's here, and may come and go while the slot runs on.
 */
class SlotRunner : public QObject
{
    Q_OBJECT

public:
    /**
     * `gate`: lets one question of any slot's page wait for the user at a time; `timers`: where the
     * slot's timers come from, QTimers of the runner's own when none.
     */
    SlotRunner(const SlotDescription &description, QWebEngineProfile *profile, const Clock &clock,
               QuestionGate *gate, TimerFactory *timers = nullptr, QObject *parent = nullptr);
    ~SlotRunner() override;

    const SlotDescription &description() const { return m_description; }
    const ForumSlot &slot() const { return m_slot; }
    WebPage *page() const { return m_page; }

    /** The user's open: the address loads and the online clock starts. */
    void open(const QString &address);
    /** Loads an address without opening the slot: where the idle slot waits. */
    void load(const QString &address);
    /** Goes on as the slot was before a restart: opened, and started if it ran. */
    void resume(const SavedSlot &saved);
    ForumSlot::StartResult start() { return m_slot.start(); }
    void stop() { m_slot.stop(); }
    void reloadNow() { m_slot.reloadNow(); }
    /** The machine woke from a sleep (see ForumSlot::systemWoke). */
    void systemWoke() { m_slot.systemWoke(); }
    void setTypedPeriod(std::optional<int> period) { m_slot.setTypedPeriod(period); }
    void choosePeriod(int period) { m_slot.choosePeriod(period); }
    void setLateReloads(bool on) { m_slot.setLateReloads(on); }
    void setLoadLimit(qint64 ms) { m_slot.setLoadLimit(ms); }
    /** A question of the page's was answered for the user, who could not see it. */
    void noteDialogAnswered() { m_slot.pageDialogAnswered(); }

    /** The title of the page the slot holds. */
    QString pageTitle() const;
    /** The address the slot was last opened with, as given; empty before. */
    const QString &openedAddress() const { return m_openedAddress; }

    /**
     * The user went into the slot's boxes or chose from them: a resume would overwrite what they
     * are doing. Told by the slot's view.
     */
    void noteUserInput() { m_userInput = true; }
    bool hasUserInput() const { return m_userInput; }

    /** Whether the user can see the slot's page now; told by the view that shows it. */
    void setPageSeen(bool seen);
    bool isPageSeen() const { return m_pageSeen; }

    /** How long until the slot's next timer reload; very large while it is stopped. */
    qint64 msUntilReload() const { return m_slot.msUntilReload(); }
    /** How long until any slot reloads, this one's included: what a question from the page may take. */
    qint64 msUntilAnyReload() const { return m_nextReloadQuery ? m_nextReloadQuery() : msUntilReload(); }
    void setNextReloadQuery(std::function<qint64()> query) { m_nextReloadQuery = std::move(query); }

    /**
     * Where the slot's account is kept, `index` the slot's own (zero-based). It is looked up at
     * once, so the slot knows whether it has one; its password is read again only for a try.
     */
    void setAccountStore(AccountStore *store, int index);
    /** Keeps the account for logging in again, in place of any other; accountKept() tells how it went. */
    void rememberAccount(const Account &account);
    void forgetAccount();
    /** The login the user just made in the page, while it is offered (see accountOffered()). */
    std::optional<QString> offeredUser() const;
    /** "记住" or "不用" for the login offered. */
    void answerOffer(bool remember);
    /** False once the store said this machine has none: nothing can be remembered here. */
    bool canKeepAccounts() const { return m_accounts && !m_noStore; }

signals:
    /**
     * The user logged in in the page with an account the slot does not have: whether to remember
     * it for logging in again is to be asked, without holding anything up.
     */
    void accountOffered(const QString &userName);
    /** The offer was answered, or it lapsed. */
    void offerWithdrawn();
    /** What came of remembering or forgetting the account. */
    void accountKept(bool remembered, kelvora::AccountStore::Status status);
    /** The slot went on as kept: its address and period are these now. */
    void resumed(const kelvora::SavedSlot &saved);
    /** The page the slot holds has a new title. */
    void pageTitleChanged(const QString &title);

private:
    void noteLoginSent(const Account &account);
    void judgeLoginSent(const PageLoad &load);
    void withdrawOffer();

    SlotDescription m_description;
    WebPage *m_page = nullptr;
    QtTimerFactory m_qtTimers;
    ForumSlot m_slot;
    QString m_openedAddress;
    bool m_pageSeen = false;
    bool m_userInput = false;
    std::function<qint64()> m_nextReloadQuery;
    AccountStore *m_accounts = nullptr;
    int m_index = -1;
    bool m_noStore = false;
    /// A login the user sent in the page, until its page shows whether it logged in.
    std::optional<Account> m_sent;
    bool m_sentAfterGivingUp = false; ///< sent while the slot's own try had given up
    int m_loadsSinceSent = 0;
    std::optional<Account> m_offer; ///< the login offered to be remembered, until answered
    QTimer *m_offerLapse = nullptr;
};

} // namespace kelvora
