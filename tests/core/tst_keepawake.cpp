#include "common/fakes.h"
#include "core/forumslot.h"
#include "core/keepawake.h"

#include <QSignalSpy>
#include <QTest>

#include <array>

using namespace kelvora;

namespace {

constexpr qint64 Second = 1000;
constexpr qint64 Minute = 60 * Second;
constexpr qint64 Spacing = 1500;

/** Eight running slots on one fake clock, kept awake as the session keeps them. */
struct Machine
{
    test::FakeClock clock;
    test::FakeTimers timers{clock};
    test::FakeInhibitor inhibitor;
    KeepAwake awake{&inhibitor, timers, Spacing, [](int n) { return QString::number(n); }};
    std::array<test::FakeBrowser, SlotCount> browsers{};
    std::vector<std::unique_ptr<ForumSlot>> forums;

    Machine()
    {
        for (int i = 0; i < SlotCount; ++i) {
            browsers[std::size_t(i)].clock = &clock;
            forums.push_back(std::make_unique<ForumSlot>(browsers[std::size_t(i)], clock, timers,
                                                         slotTable()[std::size_t(i)], nullptr, false));
            QObject::connect(forums.back().get(), &ForumSlot::runningChanged,
                             [this, i](bool running) { awake.setRunning(i, running); });
        }
        awake.setWakeCallback([this](int i) { forums[std::size_t(i)]->systemWoke(); });
    }
    ForumSlot &slot(int i) { return *forums[std::size_t(i)]; }
    void start(int i, int period = 5)
    {
        slot(i).open(QStringLiteral("http://127.0.0.1/forum%1").arg(i));
        load(i, true);
        slot(i).setTypedPeriod(period);
        QCOMPARE(slot(i).start(), ForumSlot::StartResult::Started);
    }
    void load(int i, bool answered, const LoginSigns &signs = {false, true})
    {
        slot(i).pageLoadStarted();
        PageLoad load{answered ? PageLoad::Outcome::Succeeded : PageLoad::Outcome::NetworkError,
                      answered ? 0 : -105};
        if (answered)
            load.signs = signs;
        slot(i).pageLoadFinished(load);
    }
};

} // namespace

// The machine is kept awake exactly while some slot keeps its forum online, and a wake brings every
// running slot back at once; on a fake clock.
class TestKeepAwake : public QObject
{
    Q_OBJECT

private slots:
    void theLockIsHeldExactlyWhileASlotRuns()
    {
        Machine m;
        QVERIFY(m.inhibitor.calls.isEmpty()); // nothing runs: nothing held
        m.start(0);
        m.start(3);
        QCOMPARE(m.inhibitor.calls, QStringList({"hold 1", "hold 2"})); // the reason tells how many
        QVERIFY(m.awake.isHeld());

        m.load(3, true, {true, false}); // logged out: still reloaded, still held
        QCOMPARE(m.slot(3).status(), SlotStatus::LoggedOut);
        m.slot(0).stop();
        QCOMPARE(m.inhibitor.calls.last(), QStringLiteral("hold 1"));
        m.slot(3).stop(); // every slot stopped
        QCOMPARE(m.inhibitor.calls.last(), QStringLiteral("release"));
        QVERIFY(!m.awake.isHeld());

        m.start(5);
        m.awake.setEnabled(false); // the user's switch
        QCOMPARE(m.inhibitor.calls.last(), QStringLiteral("release"));
        m.start(6);
        QCOMPARE(m.inhibitor.calls.last(), QStringLiteral("release")); // off: no lock for a new slot either
        m.awake.setEnabled(true);
        QCOMPARE(m.inhibitor.calls.last(), QStringLiteral("hold 2"));
        const qsizetype before = m.inhibitor.calls.size();
        m.slot(5).setTypedPeriod(7); // nothing that changes the count asks the system again
        QCOMPARE(m.inhibitor.calls.size(), before);

        m.awake.end(); // the program's end, slots still running
        QCOMPARE(m.inhibitor.calls.last(), QStringLiteral("release"));
        m.start(1);
        QCOMPARE(m.inhibitor.calls.last(), QStringLiteral("release"));
    }

    void aWakeReloadsEveryRunningSlotOnceSpacedAndCountsThePeriodFromThere()
    {
        Machine m;
        for (int i : {0, 2, 7})
            m.start(i, i == 7 ? 90 : 30);
        m.start(4);
        m.slot(4).stop();
        m.timers.advance(20 * Minute + 10 * Second); // slot 8, at 90 seconds, reloaded 13 times meanwhile
        std::array<int, SlotCount> before{};
        for (int i = 0; i < SlotCount; ++i)
            before[std::size_t(i)] = m.browsers[std::size_t(i)].reloads;
        m.awake.systemWoke();
        m.timers.advance(2 * Spacing + 10);
        for (int i = 0; i < SlotCount; ++i)
            QCOMPARE(m.browsers[std::size_t(i)].reloads - before[std::size_t(i)],
                     (i == 0 || i == 2 || i == 7) ? 1 : 0);
        QCOMPARE(m.browsers[0].reloadMoments.last() + Spacing, m.browsers[2].reloadMoments.last());
        QCOMPARE(m.browsers[2].reloadMoments.last() + Spacing, m.browsers[7].reloadMoments.last());
        // The period starts over at the wake: slot 1's next reload comes 30 minutes after it, not 20.
        const qint64 wokeAt = m.browsers[0].reloadMoments.last();
        QVERIFY(m.slot(0).msUntilReload() >= 30 * Minute - (m.clock.now - wokeAt) - Second);
    }

    // Just after a wake the network may not be back: a reload that finds none is tried again a few
    // seconds later and not told; one that fails later than half a minute after it is.
    void failuresJustAfterAWakeAreRetriedQuietly()
    {
        Machine m;
        m.slot(0).setLateReloads(false);
        m.start(0, 1);
        QSignalSpy reported(&m.slot(0), &ForumSlot::reloaded);
        m.awake.systemWoke();
        QCOMPARE(m.browsers[0].reloads, 1);
        m.load(0, false);
        m.timers.advance(3 * Second);
        QCOMPARE(m.browsers[0].reloads, 2);
        m.load(0, false);
        QCOMPARE(reported.size(), 0);
        m.timers.advance(3 * Second);
        m.load(0, true);
        QCOMPARE(reported.size(), 1);
        QVERIFY(m.slot(0).lastReload().result.answered());

        m.timers.advance(Minute); // the next period's reload, long after the wake: a failure is told
        QCOMPARE(m.browsers[0].reloads, 4);
        m.load(0, false);
        QCOMPARE(reported.size(), 2);
        QCOMPARE(m.slot(0).lastReload().result.outcome, ReloadOutcome::NetworkError);
    }
};

QTEST_GUILESS_MAIN(TestKeepAwake)
#include "tst_keepawake.moc"
