#include "core/relogin.h"

#include <QTest>

using namespace kelvora;

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
        plan.tryFailed(ReloginPlan::Failure::PersonNeeded);
        QCOMPARE(plan.nextTryAt(Minute), 61 * Minute); // the try at 1 minute is an hour old then

        plan.tryFailed(ReloginPlan::Failure::NoForm); // no try under way: nothing counts
        QCOMPARE(plan.failuresInARow(), 1);
        plan.setHasAccount(true); // the account given anew: tried again, however it fared
        QCOMPARE(plan.failuresInARow(), 0);
        QCOMPARE(plan.state(), State::Waiting);
    }
};

QTEST_APPLESS_MAIN(TestRelogin)
#include "tst_relogin.moc"
