#include "common/fakes.h"
#include "core/forumslot.h"
#include "core/relogin.h"
#include "core/relogintry.h"
#include "core/slotstate.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace kelvora;

namespace {

const LoginSigns Member{false, true};
const LoginSigns LoginForm{true, false};
const LoginSigns NoLogoutLink{false, false};
const QString ForumPage = QStringLiteral("http://bbs.example.cn/forum.php");
const Account TheAccount{QStringLiteral("member3"), QStringLiteral("s3cret!"),
                         QUrl(QStringLiteral("http://bbs.example.cn/member.php?mod=logging"))};

// A running slot of a member the forum is about to log out, on a fake clock, browser and store.
struct LoggedOutSlot
{
    test::FakeClock clock;
    test::FakeTimers timers{clock};
    test::FakeBrowser browser;
    test::FakeAccountStore store;
    ForumSlot slot{browser, clock, timers, slotTable()[2], nullptr, false};
    QSignalSpy relogged{&slot, &ForumSlot::reloggedIn};
    QSignalSpy failed{&slot, &ForumSlot::reloginFailed};

    explicit LoggedOutSlot(bool withAccount = true)
    {
        keep(withAccount, true);
        slot.open(ForumPage);
        loaded(Member);
        slot.setTypedPeriod(1);
        slot.start();
    }
    /** A slot going on after a restart as `saved` says, its account (if any) found in the store. */
    LoggedOutSlot(const SavedSlot &saved, bool withAccount)
    {
        keep(withAccount, false);
        slot.resume(saved);
    }
    void keep(bool withAccount, bool givenAnew)
    {
        store.atOnce = true;
        slot.setAccountStore(&store, 2);
        if (withAccount) {
            store.accounts[2] = TheAccount;
            slot.setAccount(TheAccount.userName, givenAnew);
        }
    }
    void loaded(const LoginSigns &signs, bool refused = false)
    {
        slot.pageLoadStarted();
        PageLoad load;
        load.signs = signs;
        load.loginRefused = refused;
        slot.pageLoadFinished(load);
    }
    // A period goes by and the slot's reload shows `signs`.
    void reloadShows(const LoginSigns &signs)
    {
        const int reloads = browser.reloads;
        timers.advance(qint64(slot.period()) * 60'000);
        QCOMPARE(browser.reloads, reloads + 1);
        loaded(signs);
    }
    ReloginPlan::Failure lastFailure() const { return failed.last().at(0).value<ReloginPlan::Failure>(); }
};

// The try to log in again on its own, its slot played by a host that writes down what it is asked.
struct TryHost final : ReloginHost
{
    const QUrl kept{QStringLiteral("http://127.0.0.2/forum.php")};
    QUrl shown = kept;
    bool formShown = false;
    bool loggedIn = false;
    QStringList calls;

    void loadForTry(const QUrl &address) override
    {
        shown = address;
        calls << (address == kept ? QStringLiteral("load kept") : QStringLiteral("load ") + address.path());
    }
    void fillLogin(const Account &account) override { calls << QStringLiteral("fill ") + account.userName; }
    std::optional<LoginSigns> loadedSigns() const override { return LoginSigns{formShown, false}; }
    bool memberLoggedIn() const override { return loggedIn; }
    QUrl keptPage() const override { return kept; }
    bool showsKeptPage() const override { return shown == kept; }
    void tryStarted() override { calls << QStringLiteral("started"); }
    void tryEnded(std::optional<ReloginPlan::Failure> failure, bool givenUp) override
    {
        calls << (failure ? QStringLiteral("failed %1%2").arg(int(*failure)).arg(givenUp ? " given up" : "")
                          : QStringLiteral("in"));
    }
};

} // namespace

// When a logged-out slot logs in again by itself, in steady-clock milliseconds.
class TestRelogin : public QObject
{
    Q_OBJECT

    static constexpr qint64 Minute = 60 * 1000;
    using State = ReloginPlan::State;

private slots:
    void aSlotWithoutAnAccountNeverTries()
    {
        ReloginPlan plan;
        plan.loggedOut();
        QCOMPARE(plan.state(), State::Idle);
        QVERIFY(!plan.nextTryAt(Minute));
        QVERIFY(!plan.startTry(10 * Minute, Minute));
        plan.setHasAccount(true);
        plan.setHasAccount(false); // forgotten again
        QVERIFY(!plan.startTry(20 * Minute, Minute));
    }

    // Once a period, three times an hour, two failures in a row and no more; a login resets it.
    void triesAreSpacedAndStopAfterTwoFailures()
    {
        ReloginPlan plan;
        plan.setHasAccount(true);
        QCOMPARE(plan.state(), State::Idle); // logged in: nothing to do
        QVERIFY(!plan.startTry(0, Minute));

        plan.loggedOut();
        QCOMPARE(plan.nextTryAt(Minute), qint64(0)); // at once
        QVERIFY(plan.startTry(0, Minute));
        QCOMPARE(plan.state(), State::Trying);
        QVERIFY(!plan.startTry(Minute / 2, Minute)); // one at a time
        plan.tryFailed(ReloginPlan::Failure::StillLoggedOut);
        QCOMPARE(plan.state(), State::Waiting);
        QVERIFY(!plan.startTry(Minute - 1, Minute)); // once a period
        QVERIFY(plan.startTry(Minute, Minute));
        plan.tryFailed(ReloginPlan::Failure::WrongPassword);
        QCOMPARE(plan.state(), State::GivenUp);
        QCOMPARE(plan.lastFailure(), ReloginPlan::Failure::WrongPassword);
        QVERIFY(!plan.nextTryAt(Minute));
        QVERIFY(!plan.startTry(30 * Minute, Minute));

        plan.loggedIn(); // the user logged in
        QCOMPARE(plan.state(), State::Idle);
        QVERIFY(!plan.lastFailure());
        plan.loggedOut();
        QVERIFY(plan.startTry(31 * Minute, Minute)); // the third this hour
        plan.loggedIn();                             // and it worked
        plan.loggedOut();
        QCOMPARE(plan.nextTryAt(Minute), 60 * Minute); // a fourth only when the first is an hour old
        QVERIFY(!plan.startTry(59 * Minute, Minute));
        QVERIFY(plan.startTry(60 * Minute, Minute));
        plan.tryFailed(ReloginPlan::Failure::NoAccount);
        QCOMPARE(plan.nextTryAt(Minute), 61 * Minute); // the try at 1 minute is an hour old then

        plan.tryFailed(ReloginPlan::Failure::NoForm); // no try under way: nothing counts
        QCOMPARE(plan.failuresInARow(), 1);
        plan.setHasAccount(true); // the account given anew: tried again, however it fared
        QCOMPARE(plan.failuresInARow(), 0);
        QCOMPARE(plan.state(), State::Waiting);
    }

    // The whole try: the form on the page filled with the account, the forum's answer, then the
    // slot's own page again, judged by the login watch; the account is held only until it is sent.
    void aLoggedOutSlotLogsInAgainByItself()
    {
        LoggedOutSlot s;
        s.reloadShows(LoginForm);
        QCOMPARE(s.slot.status(), SlotStatus::LoggedOut);
        QCOMPARE(s.browser.submitted, QList<Account>{TheAccount});
        QCOMPARE(s.slot.report().relogin, State::Trying);
        s.slot.loginSubmitted(LoginFill::Submitted);
        s.loaded(NoLogoutLink); // "登录成功，正在跳转……"
        QCOMPARE(s.browser.loads.last(), ForumPage);
        // A reload that falls due meanwhile waits: the try ends on the slot's page, loaded afresh.
        const int reloads = s.browser.reloads;
        s.timers.advance(60'000);
        QCOMPARE(s.browser.reloads, reloads);
        s.loaded(Member);
        QCOMPARE(s.relogged.size(), 1);
        QCOMPARE(s.slot.status(), SlotStatus::Running);
        QCOMPARE(s.slot.report().relogin, State::Idle);
        QCOMPARE(s.slot.savedState()->address, ForumPage);
        // The slot reloads its own page again, each period.
        s.reloadShows(Member);
        QCOMPARE(s.failed.size(), 0);
    }

    // Why a try fails, and whether the slot tries once more a period later or gives up at once.
    void aFailedTryIsToldAndLimited_data()
    {
        QTest::addColumn<bool>("formOnPage");      // the logged-out page shows the login form
        QTest::addColumn<bool>("formOnLoginPage"); // the page the account was given on does
        QTest::addColumn<int>("fill");             // LoginFill, or -1 when there is no form to fill
        QTest::addColumn<bool>("refused");         // the forum's answer says the password is wrong
        QTest::addColumn<bool>("inStore");
        QTest::addColumn<ReloginPlan::Failure>("failure");
        // A refused password or a picture code is not tried a second time: the forum may lock the account.
        QTest::addColumn<bool>("triedAgain");
        using F = ReloginPlan::Failure;
        QTest::newRow("changed password")
            << true << true << int(LoginFill::Submitted) << true << true << F::WrongPassword << false;
        QTest::newRow("picture code")
            << true << true << int(LoginFill::PersonNeeded) << false << true << F::PersonNeeded << false;
        QTest::newRow("form of another site")
            << false << true << int(LoginFill::NoForm) << false << true << F::NoForm << true;
        QTest::newRow("account gone from the store")
            << true << true << -1 << false << false << F::NoAccount << true;
    }
    void aFailedTryIsToldAndLimited()
    {
        QFETCH(bool, formOnPage);
        QFETCH(bool, formOnLoginPage);
        QFETCH(int, fill);
        QFETCH(bool, refused);
        QFETCH(bool, inStore);
        QFETCH(ReloginPlan::Failure, failure);
        QFETCH(bool, triedAgain);
        LoggedOutSlot s;
        if (!inStore)
            s.store.accounts.clear();
        int submits = 0;
        const auto oneTry = [&] {
            s.reloadShows(formOnPage ? LoginForm : NoLogoutLink);
            const bool toLoginPage = !formOnPage && inStore;
            if (toLoginPage) { // the login page the account was given on
                QCOMPARE(s.browser.loads.last(), TheAccount.loginPage.toString());
                s.loaded(formOnLoginPage ? LoginForm : NoLogoutLink);
            }
            if (fill >= 0) {
                QCOMPARE(s.browser.submitted.size(), ++submits);
                s.slot.loginSubmitted(LoginFill(fill));
            }
            if (fill == int(LoginFill::Submitted)) {
                s.loaded(LoginForm, refused);
                QCOMPARE(s.browser.loads.last(), ForumPage);
                s.loaded(LoginForm);
            } else if (toLoginPage) { // back to the slot's own page
                QCOMPARE(s.browser.loads.last(), ForumPage);
                s.loaded(NoLogoutLink);
            }
        };
        oneTry();
        QCOMPARE(s.lastFailure(), failure);
        QCOMPARE(s.slot.status(), SlotStatus::LoggedOut);
        QCOMPARE(s.slot.report().reloginFailure, failure);
        // The slot goes on with its own page, never with a login page or the form's answer.
        QCOMPARE(s.browser.loads.last(), ForumPage);
        QCOMPARE(s.slot.savedState()->address, ForumPage);
        if (triedAgain) {
            QCOMPARE(s.failed.last().at(1).toBool(), false);
            oneTry(); // once more, a period later
        }
        QCOMPARE(s.failed.last().at(1).toBool(), true); // given up: told so
        const int told = int(s.failed.size());
        const int reads = s.store.reads;
        for (int period = 0; period < 5; ++period)
            s.reloadShows(formOnPage ? LoginForm : NoLogoutLink);
        QCOMPARE(s.store.reads, reads);
        QCOMPARE(s.failed.size(), told);
        QCOMPARE(s.slot.report().relogin, State::GivenUp);

        // The user logs in by hand: the next logout is tried again.
        s.loaded(Member);
        QCOMPARE(s.slot.status(), SlotStatus::Running);
        QVERIFY(!s.slot.report().reloginFailure);
        s.store.accounts[2] = TheAccount;
        s.reloadShows(LoginForm);
        QCOMPARE(s.slot.report().relogin, State::Trying);
    }

    // A slot kept running goes on after a restart on a page with a login form: the member was
    // logged out while the program did not run. It is 已掉线, never green, and logs in again by
    // itself when it has an account.
    void aSlotResumedOnALoginPageIsLoggedOutAndLogsInAgain_data()
    {
        QTest::addColumn<bool>("withAccount");
        QTest::newRow("with an account") << true;
        QTest::newRow("without one") << false;
    }
    void aSlotResumedOnALoginPageIsLoggedOutAndLogsInAgain()
    {
        QFETCH(bool, withAccount);
        LoggedOutSlot s({ForumPage, 5, true}, withAccount);
        QSignalSpy loggedOut(&s.slot, &ForumSlot::loggedOutChanged);
        s.loaded(LoginForm);
        QCOMPARE(s.slot.status(), SlotStatus::LoggedOut);
        QCOMPARE(loggedOut.size(), 1);
        QCOMPARE(s.slot.report().loggedOutReason, LoginWatch::Reason::WhileNotRunning);
        QVERIFY(!s.slot.report().startedLoggedOut);
        QCOMPARE(s.browser.submitted.size(), withAccount ? 1 : 0);
        if (!withAccount)
            return;
        s.slot.loginSubmitted(LoginFill::Submitted);
        s.loaded(Member); // the forum's answer
        s.loaded(Member); // the slot's own page, logged in
        QCOMPARE(s.slot.status(), SlotStatus::Running);
        QCOMPARE(loggedOut.size(), 2);
        // From here it is watched as any slot: a lost logout link is a logout again.
        s.loaded(NoLogoutLink);
        QCOMPARE(s.slot.report().loggedOutReason, LoginWatch::Reason::LogoutLinkGone);
    }

    // A refused password is tried once, and not again at the next start: the limits go with the
    // slot's kept state (and through its file), until the account is given anew.
    void theLimitsOutliveARestartAndGoWithANewAccount()
    {
        SavedSlot kept;
        {
            LoggedOutSlot s;
            s.reloadShows(LoginForm);
            s.slot.loginSubmitted(LoginFill::Submitted);
            s.loaded(LoginForm, true);
            s.loaded(LoginForm);
            QCOMPARE(s.slot.report().relogin, State::GivenUp);
            kept = *s.slot.savedState();
            QCOMPARE(kept.relogin.failuresInARow, ReloginPlan::FailuresToGiveUp);
            QCOMPARE(kept.relogin.triesAtMs.size(), std::size_t(1));
        }
        QTemporaryDir folder;
        const SlotStateFile file(folder.filePath(QStringLiteral("slots.json")));
        SavedState state;
        state.entries[2] = kept;
        QVERIFY(file.write(state));
        QCOMPARE(file.read().state.entries[2], std::optional(kept));

        LoggedOutSlot s(*file.read().state.entries[2], true);
        s.loaded(LoginForm);
        s.timers.advance(5 * Minute);
        s.loaded(LoginForm);
        QCOMPARE(s.slot.status(), SlotStatus::LoggedOut);
        QCOMPARE(s.slot.report().relogin, State::GivenUp);
        QCOMPARE(s.slot.report().reloginFailure, ReloginPlan::Failure::WrongPassword);
        QVERIFY(s.browser.submitted.isEmpty());

        // Given anew, say with the new password: tried at once, not at the next reload.
        s.slot.setAccount(TheAccount.userName);
        QTRY_COMPARE(s.browser.submitted.size(), 1);
        QCOMPARE(s.slot.savedState()->relogin.failuresInARow, 0);
    }

    void aSlotWithoutAnAccountLeavesTheFormAlone()
    {
        LoggedOutSlot s(false);
        for (int period = 0; period < 3; ++period)
            s.reloadShows(LoginForm);
        QCOMPARE(s.slot.status(), SlotStatus::LoggedOut);
        QVERIFY(s.browser.submitted.isEmpty());
        QCOMPARE(s.store.reads, 0);
        QCOMPARE(s.slot.report().relogin, State::Idle);
        // Given now, it is tried at the next reload; taken away in the middle, the try ends.
        s.slot.setAccount(TheAccount.userName);
        s.store.accounts[2] = TheAccount;
        s.reloadShows(LoginForm);
        QCOMPARE(s.browser.submitted.size(), 1);
        s.slot.setAccount(std::nullopt);
        s.slot.loginSubmitted(LoginFill::Submitted);
        s.loaded(Member);
        QCOMPARE(s.relogged.size(), 0);
        QCOMPARE(s.browser.loads.last(), ForumPage); // from the open: nothing more was loaded
    }

    // The order of a try's steps, where the rows above do not show it (they judge by what the slot
    // tells). Each row: whether the page shows a form, whether the store has the account, what the page
    // and the forum do (fill:<LoginFill>, load:form, load:page, load:refused, inplace, in, out,
    // timeout), and what the slot was asked, in order.
    void aTryGoesThroughItsStepsAndEndsOnTheKeptPage_data()
    {
        QTest::addColumn<bool>("formShown");
        QTest::addColumn<bool>("hasAccount");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QStringList>("calls");
        using F = ReloginPlan::Failure;
        const auto failed = [](F failure, bool givenUp = false) {
            return QStringLiteral("failed %1%2").arg(int(failure)).arg(givenUp ? " given up" : "");
        };
        QTest::newRow("the form on the page") << true << true << QStringList{"fill:0", "load:page", "in"}
                                              << QStringList{"started", "fill m1", "load kept", "in"};
        QTest::newRow("the login page's form")
            << false << true << QStringList{"load:form", "fill:0", "load:page", "in"}
            << QStringList{"started", "load /login.php", "fill m1", "load kept", "in"};
        QTest::newRow("refused in place before the word it was sent")
            << true << true << QStringList{"inplace", "fill:0", "out"}
            << QStringList{"started", "fill m1", "load kept", failed(F::WrongPassword, true)};
        QTest::newRow("still logged out")
            << true << true << QStringList{"fill:0", "load:page", "out"}
            << QStringList{"started", "fill m1", "load kept", failed(F::StillLoggedOut)};
        QTest::newRow("no form anywhere")
            << false << true << QStringList{"load:page"}
            << QStringList{"started", "load /login.php", "load kept", failed(F::NoForm)};
        QTest::newRow("the page's form is another site's, the login page has one")
            << true << true << QStringList{"fill:1", "load:form", "fill:0", "load:page", "in"}
            << QStringList{"started", "fill m1", "load /login.php", "fill m1", "load kept", "in"};
        QTest::newRow("the forum never answers")
            << true << true << QStringList{"fill:0", "timeout"}
            << QStringList{"started", "fill m1", failed(F::StillLoggedOut)};
        QTest::newRow("the login page never comes")
            << false << true << QStringList{"timeout"}
            << QStringList{"started", "load /login.php", "load kept", failed(F::NoForm)};
    }
    void aTryGoesThroughItsStepsAndEndsOnTheKeptPage()
    {
        QFETCH(bool, formShown);
        QFETCH(bool, hasAccount);
        QFETCH(QStringList, events);
        QFETCH(QStringList, calls);
        test::FakeClock clock;
        test::FakeTimers timers{clock};
        test::FakeAccountStore store;
        store.atOnce = true;
        if (hasAccount)
            store.accounts[0] = Account{QStringLiteral("m1"), QStringLiteral("pw-1"),
                                        QUrl(QStringLiteral("http://127.0.0.2/login.php"))};
        TryHost host;
        host.formShown = formShown;
        ReloginTry relogin(host, timers);
        relogin.setAccountStore(&store, 0);
        QVERIFY(relogin.setAccount(QStringLiteral("m1"), true));
        relogin.plan().loggedOut();
        relogin.startIfDue(clock.now, Minute, 0);
        const auto loaded = [&](bool form, bool refused) {
            PageLoad load{PageLoad::Outcome::Succeeded, 0};
            load.signs = LoginSigns{form, !form};
            load.loginRefused = refused;
            relogin.loadFinished(load);
        };
        for (const QString &event : events) {
            if (event.startsWith(u"fill:"))
                relogin.loginSubmitted(LoginFill(event.mid(5).toInt()));
            else if (event == u"load:form" || event == u"load:page" || event == u"load:refused")
                loaded(event == u"load:form", event == u"load:refused");
            else if (event == u"inplace")
                relogin.refusedInPlace();
            else if (event == u"in" || event == u"out") {
                host.loggedIn = event == u"in";
                loaded(false, false);
            } else if (event == u"timeout")
                timers.advance(90'000);
        }
        QCOMPARE(host.calls, calls);
        QVERIFY(!relogin.isUnderWay());
        // The password went no further than the form.
        QVERIFY(!host.calls.join(u' ').contains(u"pw-1"));
    }
};

QTEST_APPLESS_MAIN(TestRelogin)
#include "tst_relogin.moc"
