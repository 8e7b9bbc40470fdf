#include "common/credit.h"
#include "common/fakes.h"
#include "core/forumslot.h"
#include "core/period.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include <optional>

using namespace kelvora;

namespace {

using test::FakeBrowser;
using test::FakeClock;
using test::FakeTimers;

ForumSlot::StartResult start(ForumSlot &slot, const QString &periodText)
{
    slot.setTypedPeriod(parsePeriod(periodText));
    return slot.start();
}

// Starts the slot on a forum page, as the user does after opening one.
bool startOnForum(ForumSlot &slot, const QString &period)
{
    slot.pageUrlChanged(QUrl(QStringLiteral("http://bbs.example.cn/forum.php")));
    return start(slot, period) == ForumSlot::StartResult::Started;
}

SlotDescription withTick(int tickMs)
{
    SlotDescription description = slotTable()[0];
    description.tickIntervalMs = tickMs;
    return description;
}

// Keeps a slot online for `hours`, its timers played on a fake clock, and returns the moments its
// page was reloaded.
QList<qint64> reloadMoments(int period, int tickMs, bool late, int hours)
{
    FakeClock clock;
    FakeTimers timers(clock);
    FakeBrowser browser;
    browser.clock = &clock;
    ForumSlot slot(browser, clock, timers, withTick(tickMs), nullptr, false);
    slot.setLateReloads(late);
    QRandomGenerator random(quint32(period * 7919 + tickMs));
    slot.setRandomSource([&random] { return random.generateDouble(); });
    startOnForum(slot, QString::number(period));
    timers.advance(qint64(hours) * 3600 * 1000);
    return browser.reloadMoments;
}

} // namespace

class TestForumSlot : public QObject
{
    Q_OBJECT

    FakeBrowser m_browser;
    FakeClock m_clock;
    FakeTimers m_timers{m_clock};
    const SlotDescription m_description = slotTable()[0];
    const int m_tickMs = m_description.tickIntervalMs;

    // The period box says `periodText`, and one tick of the period goes by.
    void tick(ForumSlot &slot, const QString &periodText)
    {
        slot.setTypedPeriod(parsePeriod(periodText));
        m_timers.advance(m_tickMs);
    }

    // Ticks until the browser has been reloaded `reloads` more times and returns the ticks that
    // took; gives up after `limit` ticks.
    int ticksUntilReloads(ForumSlot &slot, FakeBrowser &browser, const QString &period, int reloads = 1,
                          int limit = 1000)
    {
        const int target = browser.reloads + reloads;
        for (int ticks = 1; ticks <= limit; ++ticks) {
            tick(slot, period);
            if (browser.reloads == target)
                return ticks;
        }
        return -1;
    }

    // One beat of the online clock, whenever it comes.
    void clockTick() { m_timers.fireNow(m_description.names.clockTimer); }
    // The settling wait after a load is over.
    void settled() { m_timers.fireNow(QStringLiteral("settle")); }
    bool settling() const { return m_timers.find(QStringLiteral("settle"))->isActive(); }

private slots:
    void init()
    {
        m_browser = FakeBrowser();
        m_clock.now = 5'000'000;
    }

    void parsesPeriods_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected"); // 0: rejected
        QTest::newRow("plain") << "5" << 5;
        QTest::newRow("blanks around") << " 5 " << 5;
        QTest::newRow("leading zero") << "05" << 5;
        QTest::newRow("largest list item") << "300" << 300;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("blanks only") << "   " << 0;
        QTest::newRow("letters") << "abc" << 0;
        QTest::newRow("decimal") << "2.5" << 0;
        QTest::newRow("zero") << "0" << 0;
        QTest::newRow("negative") << "-3" << 0;
        QTest::newRow("inner blank") << "1 0" << 0;
        QTest::newRow("full-width digit") << QStringLiteral("５") << 0;
        QTest::newRow("overflow") << "99999999999" << 0;
    }
    void parsesPeriods()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        QCOMPARE(parsePeriod(text).value_or(0), expected);
    }

    void firstReloadComesOnePeriodAfterStart()
    {
        ForumSlot slot(m_browser, m_clock, m_timers, m_description);
        slot.open(QStringLiteral("bbs.example.org"));
        slot.pageLoadFinished({});
        QVERIFY(startOnForum(slot, QStringLiteral("1")));
        QCOMPARE(ticksUntilReloads(slot, m_browser, QStringLiteral("1")), 1);
        QCOMPARE(ticksUntilReloads(slot, m_browser, QStringLiteral("1")), 1);
        QCOMPARE(ticksUntilReloads(slot, m_browser, QStringLiteral("5")), 5);
        QCOMPARE(slot.msUntilReload(), 5 * m_tickMs);
        QCOMPARE(m_browser.loads, QStringList{QStringLiteral("bbs.example.org")});
    }

    void stopAndStartKeepTheCounter()
    {
        ForumSlot slot(m_browser, m_clock, m_timers, m_description);
        QVERIFY(startOnForum(slot, QStringLiteral("5")));
        for (int i = 0; i < 3; ++i)
            tick(slot, QStringLiteral("5"));
        slot.stop();
        QCOMPARE(slot.status(), SlotStatus::Stopped);
        QVERIFY(!slot.isRunning());
        QVERIFY(startOnForum(slot, QStringLiteral("5")));
        QCOMPARE(slot.msUntilReload(), 2 * m_tickMs); // the period goes on from its third tick
        QCOMPARE(ticksUntilReloads(slot, m_browser, QStringLiteral("5")), 2);
    }

    void periodChangedWhileRunning()
    {
        ForumSlot slot(m_browser, m_clock, m_timers, m_description);
        QVERIFY(startOnForum(slot, QStringLiteral("10")));
        for (int i = 0; i < 7; ++i)
            tick(slot, QStringLiteral("10"));
        QCOMPARE(m_browser.reloads, 0);

        // Lowered below the counter: reload at the very next tick instead of never again.
        tick(slot, QStringLiteral("5"));
        QCOMPARE(m_browser.reloads, 1);
        QCOMPARE(slot.msUntilReload(), 5 * m_tickMs);

        // Raised: the new period counts from the last reload.
        QCOMPARE(ticksUntilReloads(slot, m_browser, QStringLiteral("10")), 10);
        // Typed with blanks or a leading zero: still a number.
        QCOMPARE(ticksUntilReloads(slot, m_browser, QStringLiteral(" 03")), 3);
    }

    void invalidPeriodDoesNotStart_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("letters") << "abc";
        QTest::newRow("decimal") << "2.5";
        QTest::newRow("zero") << "0";
    }
    void invalidPeriodDoesNotStart()
    {
        QFETCH(QString, text);
        ForumSlot slot(m_browser, m_clock, m_timers, m_description);
        QSignalSpy timerSpy(&slot, &ForumSlot::runningChanged);
        QSignalSpy labelSpy(&slot, &ForumSlot::periodChanged);
        QVERIFY(!startOnForum(slot, text));
        QCOMPARE(slot.status(), SlotStatus::Stopped);
        QVERIFY(!slot.isRunning());
        QCOMPARE(timerSpy.count(), 0);
        QCOMPARE(labelSpy.count(), 0);

        // A running slot stays as it was when a bad period is pressed in.
        QVERIFY(startOnForum(slot, QStringLiteral("4")));
        QVERIFY(!startOnForum(slot, text));
        QCOMPARE(slot.status(), SlotStatus::Running);
        QCOMPARE(slot.acceptedPeriod(), 4);
    }

    void badPeriodWhileRunningUsesTheAcceptedOne()
    {
        ForumSlot slot(m_browser, m_clock, m_timers, m_description);
        QSignalSpy labelSpy(&slot, &ForumSlot::periodChanged);
        QVERIFY(startOnForum(slot, QStringLiteral("3")));
        QCOMPARE(labelSpy.takeFirst().at(0).toInt(), 3);
        QCOMPARE(ticksUntilReloads(slot, m_browser, QStringLiteral("abc")), 3);
        QCOMPARE(ticksUntilReloads(slot, m_browser, QString()), 3);

        // An item picked from the list becomes the fallback even before the next start.
        slot.choosePeriod(2);
        QCOMPARE(labelSpy.takeFirst().at(0).toInt(), 2);
        QCOMPARE(ticksUntilReloads(slot, m_browser, QStringLiteral("x")), 2);
    }

    void startWithoutOpenReloadsButLeavesTheClock()
    {
        ForumSlot slot(m_browser, m_clock, m_timers, m_description);
        QVERIFY(startOnForum(slot, QStringLiteral("2")));
        QVERIFY(slot.isRunning());
        QVERIFY(!slot.isOpen());
        QCOMPARE(ticksUntilReloads(slot, m_browser, QStringLiteral("2")), 2);
        m_clock.now += 10'000;
        clockTick();
        QCOMPARE(slot.onlineTime(), OnlineTime{});
    }

    void openTwiceLoadsTwiceAndKeepsTheClock()
    {
        ForumSlot slot(m_browser, m_clock, m_timers, m_description);
        slot.open(QStringLiteral("a"));
        m_clock.now += 7'000;
        clockTick();
        slot.open(QStringLiteral("b"));
        m_clock.now += 1'000;
        clockTick();
        QCOMPARE(m_browser.loads, (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
        QVERIFY(slot.isOpen());
        QCOMPARE(slot.onlineTime().seconds, 8);
    }

    void stopLeavesTheClockRunning()
    {
        ForumSlot slot(m_browser, m_clock, m_timers, m_description);
        slot.open(QStringLiteral("a"));
        QVERIFY(startOnForum(slot, QStringLiteral("1")));
        slot.stop();
        QVERIFY(slot.isOpen());
        m_clock.now += 2'000;
        clockTick();
        QCOMPARE(slot.onlineTime().seconds, 2);
    }

    void clockCarriesIntoMinutesAndHours()
    {
        ForumSlot slot(m_browser, m_clock, m_timers, m_description);
        QSignalSpy spy(&slot, &ForumSlot::onlineTimeChanged);
        slot.open(QStringLiteral("a"));
        for (int s = 1; s <= 3599; ++s) {
            m_clock.now += 1000;
            clockTick();
        }
        QCOMPARE(slot.onlineTime(), (OnlineTime{0, 59, 59}));
        m_clock.now += 1000;
        clockTick();
        QCOMPARE(slot.onlineTime(), (OnlineTime{1, 0, 0}));
        QCOMPARE(spy.count(), 3600);
        QCOMPARE(spy.last().at(0).value<OnlineTime>(), (OnlineTime{1, 0, 0}));
    }

    void clockRunsTwentyFiveHours()
    {
        ForumSlot slot(m_browser, m_clock, m_timers, m_description);
        slot.open(QStringLiteral("a"));
        for (int s = 1; s <= 25 * 3600; ++s) {
            // Timers fire a little early or late; none of it may show on the clock.
            m_clock.now += 1000 + ((s % 7) - 3) * 40;
            clockTick();
        }
        QCOMPARE(slot.onlineTime(), (OnlineTime{25, 0, 0}));
    }

    void clockCatchesUpAfterLateTicks()
    {
        ForumSlot slot(m_browser, m_clock, m_timers, m_description);
        slot.open(QStringLiteral("a"));
        m_clock.now += 1000;
        clockTick();
        // The event loop was busy for 4.2 seconds: one late tick shows all of it.
        m_clock.now += 4200;
        clockTick();
        QCOMPARE(slot.onlineTime().seconds, 5);
        // A tick that comes early after a late one never moves the clock backwards.
        m_clock.now += 100;
        clockTick();
        QCOMPARE(slot.onlineTime().seconds, 5);
        // A long stall (the machine was suspended) is counted in whole hours too.
        m_clock.now += qint64(30) * 24 * 3600 * 1000;
        clockTick();
        QCOMPARE(slot.onlineTime().hours, qint64(720));
    }

    void timerReloadsAndButtonReloadsAreToldApart()
    {
        ForumSlot slot(m_browser, m_clock, m_timers, m_description);
        QVERIFY(startOnForum(slot, QStringLiteral("1")));
        tick(slot, QStringLiteral("1"));
        slot.reloadNow();
        QCOMPARE(m_browser.causes, (QList<ReloadCause>{ReloadCause::Timer, ReloadCause::User}));
    }

    void theReportTellsWhatTheSlotsOwnReloadsReached()
    {
        ForumSlot slot(m_browser, m_clock, m_timers, m_description);
        QSignalSpy reports(&slot, &ForumSlot::reportChanged);
        QVERIFY(!slot.lastReload().at.isValid());

        // The open and the start page are no reload: a slot that never reloaded says so.
        slot.open(QStringLiteral("bbs.example.cn"));
        slot.pageLoadStarted();
        slot.pageLoadFinished({});
        QVERIFY(!slot.lastReload().at.isValid());

        slot.reloadNow();
        slot.pageLoadStarted();
        slot.pageLoadFinished({PageLoad::Outcome::NetworkError, -101});
        QCOMPARE(slot.lastReload().at, QDateTime(QDate(2026, 12, 7), QTime(9, 23, 20)));
        QCOMPARE(slot.lastReload().result, (ReloadResult{ReloadOutcome::NetworkError, -101}));

        // A load given up for a newer one says nothing; the newer one does.
        m_clock.now += 2000;
        slot.reloadNow();
        slot.pageLoadStarted();
        slot.pageLoadFinished({PageLoad::Outcome::Stopped, 0});
        QCOMPARE(reports.size(), 1);
        slot.pageLoadFinished({PageLoad::Outcome::HttpError, 503});
        QCOMPARE(slot.lastReload().result, (ReloadResult{ReloadOutcome::HttpError, 503}));

        m_clock.now += 1000;
        slot.reloadNow();
        slot.pageLoadStarted();
        slot.pageLoadFinished({PageLoad::Outcome::Succeeded, 0});
        QCOMPARE(slot.lastReload().result.answered(), true);
        QCOMPARE(slot.lastReload().at, QDateTime(QDate(2026, 12, 7), QTime(9, 23, 23)));

        // A page from the cache, or no web page at all, never reached a forum.
        slot.reloadNow();
        slot.pageLoadStarted();
        slot.pageLoadFinished({.outcome = PageLoad::Outcome::Succeeded, .fromCache = true});
        QCOMPARE(slot.lastReload().result.outcome, ReloadOutcome::FromCache);
        slot.reloadNow();
        slot.pageLoadStarted();
        slot.pageLoadFinished({.outcome = PageLoad::Outcome::Succeeded, .webPage = false});
        QCOMPARE(slot.lastReload().result.outcome, ReloadOutcome::NotForumPage);

        // The user's own step in the page changes nothing.
        const qsizetype told = reports.size();
        slot.pageLoadStarted();
        slot.pageLoadFinished({});
        QCOMPARE(reports.size(), told);

        slot.pageRendererGone();
        QCOMPARE(slot.lastReload().result.outcome, ReloadOutcome::RendererGone);
    }

    void keepsWhatItDoesForTheNextStart()
    {
        ForumSlot slot(m_browser, m_clock, m_timers, m_description);
        QSignalSpy changed(&slot, &ForumSlot::savedStateChanged);
        QVERIFY(!slot.savedState()); // never opened: nothing to keep

        slot.open(QStringLiteral("bbs.example.cn/forum.php"));
        const SavedSlot open{QStringLiteral("http://bbs.example.cn/forum.php"), 1, false};
        QCOMPARE(slot.savedState(), std::optional(open));
        QVERIFY(start(slot, QStringLiteral("5")) == ForumSlot::StartResult::Started);
        QCOMPARE(slot.savedState(), std::optional(SavedSlot{open.address, 5, true}));

        // The forum moved the page on a reload: the slot keeps it where the reload found it.
        slot.reloadNow();
        slot.pageLoadStarted();
        slot.pageUrlChanged(QUrl(QStringLiteral("http://bbs.example.cn/forum.php?page=2")));
        slot.pageLoadFinished({});
        QCOMPARE(slot.savedState()->address, QStringLiteral("http://bbs.example.cn/forum.php?page=2"));
        // A page the user wandered to that never reloaded is not what the slot keeps online.
        slot.pageUrlChanged(QUrl(QStringLiteral("http://bbs.example.cn/space.php")));
        QCOMPARE(slot.savedState()->address, QStringLiteral("http://bbs.example.cn/forum.php?page=2"));

        slot.stop();
        QCOMPARE(slot.savedState()->running, false);
        const qsizetype told = changed.size();
        QVERIFY(told >= 4);
        slot.stop();
        QCOMPARE(changed.size(), told); // nothing changed, nothing told

        // Another slot goes on from there after a restart.
        FakeBrowser browser;
        ForumSlot resumed(browser, m_clock, m_timers, m_description);
        resumed.resume({QStringLiteral("http://bbs.example.cn/t/7"), 3, true});
        QCOMPARE(browser.loads, QStringList{QStringLiteral("http://bbs.example.cn/t/7")});
        QVERIFY(resumed.isRunning() && resumed.isOpen());
        QCOMPARE(resumed.acceptedPeriod(), 3);
        resumed.pageLoadFinished({});
        QCOMPARE(ticksUntilReloads(resumed, browser, QStringLiteral("3")), 3);
    }

    void knowsWhenTheMemberIsLoggedOutAndBackIn()
    {
        const LoginSigns member{false, true};
        const LoginSigns loginForm{true, false};
        const LoginSigns noLogoutLink{false, false};
        const auto load = [](ForumSlot &slot, const LoginSigns &signs) {
            slot.pageLoadStarted();
            PageLoad loaded;
            loaded.signs = signs;
            slot.pageLoadFinished(loaded);
        };

        ForumSlot slot(m_browser, m_clock, m_timers, m_description);
        QSignalSpy changes(&slot, &ForumSlot::loggedOutChanged);
        slot.open(QStringLiteral("bbs.example.cn"));
        load(slot, member);
        QVERIFY(start(slot, QStringLiteral("1")) == ForumSlot::StartResult::Started);
        load(slot, member);
        QCOMPARE(slot.status(), SlotStatus::Running);

        // The forum put its login form where the member bar stood: logged out, and told once.
        m_timers.advance(60'000);
        load(slot, loginForm);
        QCOMPARE(slot.status(), SlotStatus::LoggedOut);
        QVERIFY(slot.report().loggedOut);
        QCOMPARE(slot.report().loggedOutSince, QDateTime(QDate(2026, 12, 7), QTime(9, 24, 20)));
        QCOMPARE(slot.report().loggedOutReason, LoginWatch::Reason::LoginForm);
        load(slot, loginForm);
        QCOMPARE(changes.size(), 1);
        QCOMPARE(changes.last().first().toBool(), true);
        // The reloads go on.
        const int reloads = m_browser.reloads;
        tick(slot, QStringLiteral("1"));
        QCOMPARE(m_browser.reloads, reloads + 1);

        // Logged in again inside the slot: running again, by itself.
        load(slot, member);
        QCOMPARE(slot.status(), SlotStatus::Running);
        QCOMPARE(changes.size(), 2);
        QVERIFY(!slot.report().loggedOut);

        // A logout link that is gone says the same, without any form.
        load(slot, noLogoutLink);
        QCOMPARE(slot.status(), SlotStatus::LoggedOut);
        QCOMPARE(slot.report().loggedOutReason, LoginWatch::Reason::LogoutLinkGone);
        slot.stop();
        QCOMPARE(slot.status(), SlotStatus::Stopped);
        QCOMPARE(changes.last().first().toBool(), false);

        // Started on a page that asks to log in: a warning, and no judging for that run.
        load(slot, loginForm);
        QVERIFY(start(slot, QStringLiteral("1")) == ForumSlot::StartResult::Started);
        QVERIFY(slot.report().startedLoggedOut);
        load(slot, noLogoutLink);
        load(slot, loginForm);
        QCOMPARE(slot.status(), SlotStatus::Running);

        // Started while its page still loads: the page it then shows is what it started on.
        FakeBrowser browser;
        ForumSlot early(browser, m_clock, m_timers, m_description);
        early.open(QStringLiteral("bbs.example.cn"));
        early.pageLoadStarted();
        QVERIFY(start(early, QStringLiteral("1")) == ForumSlot::StartResult::Started);
        PageLoad first;
        first.signs = noLogoutLink;
        early.pageLoadFinished(first);
        load(early, noLogoutLink);
        QCOMPARE(early.status(), SlotStatus::Running);
        load(early, loginForm);
        QCOMPARE(early.status(), SlotStatus::LoggedOut);
    }

    void typedTextOnScreenIsKeptAndTheForumStillGetsItsPage()
    {
        ForumSlot slot(m_browser, m_clock, m_timers, m_description, nullptr, true);
        QVERIFY(startOnForum(slot, QStringLiteral("1")));
        slot.setPageSeen(true);
        slot.pageInputChanged(true);
        tick(slot, QStringLiteral("1"));
        QCOMPARE(m_browser.asideReloads, 1);
        QCOMPARE(m_browser.reloads, 0);
        slot.asideLoadFinished({});
        QVERIFY(slot.lastReload().result.answered());
        QVERIFY(slot.report().keptForInput);

        // Sent or cleared, or the user switched away: normal reloads again.
        slot.pageInputChanged(false);
        tick(slot, QStringLiteral("1"));
        QCOMPARE(m_browser.reloads, 1);
        slot.pageInputChanged(true);
        slot.setPageSeen(false);
        tick(slot, QStringLiteral("1"));
        QCOMPARE(m_browser.reloads, 2);
        QCOMPARE(m_browser.asideReloads, 1);
    }

    void onlyAWebPageCanBeKeptOnline()
    {
        ForumSlot slot(m_browser, m_clock, m_timers, m_description);
        for (const QString &typed : {QString(), QStringLiteral("   "), QStringLiteral("http://"),
                                     QStringLiteral("about:blank"), QStringLiteral("chrome://gpu")}) {
            slot.open(typed);
            QCOMPARE(start(slot, QStringLiteral("1")), ForumSlot::StartResult::NoWebPage);
        }
        slot.pageUrlChanged(QUrl(QStringLiteral("data:text/html,hi")));
        QCOMPARE(start(slot, QStringLiteral("1")), ForumSlot::StartResult::NoWebPage);
        QVERIFY(!slot.isRunning());
        slot.open(QStringLiteral("bbs.example.cn"));
        QCOMPARE(start(slot, QStringLiteral("x")), ForumSlot::StartResult::BadPeriod);
        QCOMPARE(start(slot, QStringLiteral("1")), ForumSlot::StartResult::Started);
    }

    void aReloadDueWhileTheLastOneWaitsTellsOfNoAnswer()
    {
        ForumSlot slot(m_browser, m_clock, m_timers, m_description);
        QVERIFY(startOnForum(slot, QStringLiteral("2")));
        slot.pageLoadStarted();
        tick(slot, QStringLiteral("2"));
        QVERIFY(!slot.lastReload().at.isValid()); // still within the period
        tick(slot, QStringLiteral("2"));
        QCOMPARE(m_browser.reloads, 1);
        QCOMPARE(slot.lastReload().result.answered(), false);
        QCOMPARE(slot.lastReload().result.outcome, ReloadOutcome::NoAnswer);

        // The forum answered, but the page never finished (a script that never ends).
        m_browser.answered = true;
        tick(slot, QStringLiteral("2"));
        tick(slot, QStringLiteral("2"));
        QCOMPARE(slot.lastReload().result.outcome, ReloadOutcome::Unfinished);
    }

    // A forum slower than the period: a timer reload waits for the page under way and comes the
    // moment it has finished; a page that never comes is given up after a minute.
    void aReloadWaitsForThePageUnderWay()
    {
        FakeTimers timers(m_clock);
        ForumSlot slot(m_browser, m_clock, timers, withTick(1000));
        QVERIFY(startOnForum(slot, QStringLiteral("1")));
        timers.advance(1000);
        QCOMPARE(m_browser.reloads, 1);
        slot.pageLoadStarted();
        timers.advance(2500); // the forum works on the page through two periods and more
        QCOMPARE(m_browser.reloads, 1);
        QVERIFY(!slot.lastReload().at.isValid()); // nothing failed
        slot.pageLoadFinished({});
        QCOMPARE(m_browser.reloads, 2); // at once
        QVERIFY(slot.lastReload().result.answered());
        QCOMPARE(slot.report().slowPageMs, std::optional<qint64>(2500));

        slot.pageLoadStarted();
        timers.advance(59'000);
        QCOMPARE(m_browser.reloads, 2);
        timers.advance(1'000);
        QCOMPARE(m_browser.reloads, 3);
        QCOMPARE(slot.lastReload().result, (ReloadResult{ReloadOutcome::NoAnswer, 60}));
        QCOMPARE(slot.report().slowPageMs, std::optional<qint64>(2500)); // as the last page found it

        // A page within its period is no slow forum; a stop drops the reload that waited.
        slot.pageLoadStarted();
        slot.pageLoadFinished({});
        QVERIFY(!slot.report().slowPageMs);
        timers.advance(1000);
        slot.pageLoadStarted();
        timers.advance(1000);
        const int reloads = m_browser.reloads;
        slot.stop();
        slot.pageLoadFinished({});
        QCOMPARE(m_browser.reloads, reloads);
        timers.advance(120'000);
        QCOMPARE(m_browser.reloads, reloads);
    }

    // Whatever end the engine tells of, it tells of no other load under way: a load asked while
    // another was loading may end unannounced (Qt 6.8 does so for an open during the start page).
    void aLoadEndingUnannouncedHoldsUpNoReload_data()
    {
        QTest::addColumn<bool>("stopped");
        QTest::newRow("the start page ends after the open") << false;
        QTest::newRow("a load stopped with none after it") << true;
    }
    void aLoadEndingUnannouncedHoldsUpNoReload()
    {
        QFETCH(bool, stopped);
        FakeTimers timers(m_clock);
        ForumSlot slot(m_browser, m_clock, timers, withTick(1000));
        slot.pageLoadStarted();
        slot.open(QStringLiteral("bbs.example.cn/forum.php"));
        QCOMPARE(start(slot, QStringLiteral("1")), ForumSlot::StartResult::Started);
        slot.pageUrlChanged(QUrl(QStringLiteral("http://bbs.example.cn/forum.php")));
        PageLoad end;
        end.webPage = false;
        if (stopped)
            end = {PageLoad::Outcome::Stopped, 0};
        timers.advance(500);
        slot.pageLoadFinished(end); // and the opened page never tells of its own
        timers.advance(500);
        QCOMPARE(m_browser.reloads, 1);
        QVERIFY(!slot.lastReload().at.isValid());
        // Owed while loading, a reload comes the moment any end is told.
        slot.pageLoadStarted();
        timers.advance(1000);
        QCOMPARE(m_browser.reloads, 1);
        slot.pageLoadFinished({PageLoad::Outcome::Stopped, 0});
        QCOMPARE(m_browser.reloads, 2);
    }

    void aReloadBeforeTheOpenedPageCameAsksForItAgain()
    {
        ForumSlot slot(m_browser, m_clock, m_timers, m_description);
        slot.open(QStringLiteral("bbs.example.cn/forum.php"));
        QCOMPARE(start(slot, QStringLiteral("1")), ForumSlot::StartResult::Started);
        // The start page ends after the open was asked for: no page of the forum's, no reload.
        slot.pageUrlChanged(QUrl(QStringLiteral("about:blank")));
        PageLoad startPage;
        startPage.webPage = false;
        slot.pageLoadFinished(startPage);
        QVERIFY(!slot.lastReload().at.isValid());
        QCOMPARE(slot.savedState()->address, QStringLiteral("http://bbs.example.cn/forum.php"));

        // The reload due meanwhile asks for the forum's page, not for the start page again.
        tick(slot, QStringLiteral("1"));
        QCOMPARE(m_browser.reloads, 0);
        QCOMPARE(m_browser.loads, (QStringList{QStringLiteral("bbs.example.cn/forum.php"),
                                               QStringLiteral("http://bbs.example.cn/forum.php")}));
        // Once the forum's page has come, even before it has loaded, reloads are reloads again.
        slot.pageUrlChanged(QUrl(QStringLiteral("http://bbs.example.cn/forum.php")));
        tick(slot, QStringLiteral("1"));
        QCOMPARE(m_browser.reloads, 1);
        QCOMPARE(m_browser.loads.size(), 2);
        slot.pageLoadFinished({});
        QVERIFY(slot.lastReload().result.answered());
    }

    void dialogsAnsweredForTheUserAreCounted()
    {
        ForumSlot slot(m_browser, m_clock, m_timers, m_description);
        slot.pageDialogAnswered();
        slot.pageDialogAnswered();
        QCOMPARE(slot.report().answeredDialogs, 2);
    }

    void knowsWhenItsNextReloadFallsDue()
    {
        FakeTimers timers(m_clock);
        ForumSlot slot(m_browser, m_clock, timers, withTick(1000));
        QVERIFY(slot.msUntilReload() > qint64(1) << 40); // stopped
        QVERIFY(startOnForum(slot, QStringLiteral("3")));
        timers.advance(600);
        QCOMPARE(slot.msUntilReload(), 2400);
        timers.advance(1000);
        QCOMPARE(slot.msUntilReload(), 1400);
        // Past a lowered period, the very next tick reloads; a bad text keeps the accepted period.
        slot.setTypedPeriod(1);
        QCOMPARE(slot.msUntilReload(), 400);
        slot.setTypedPeriod(std::nullopt);
        QCOMPARE(slot.msUntilReload(), 1400);
        QCOMPARE(m_browser.reloads, 0);
        timers.advance(1400);
        QCOMPARE(m_browser.reloads, 1);
        QCOMPARE(slot.msUntilReload(), 3000);
    }

    void aHiddenRunningPageSleepsBetweenReloads()
    {
        ForumSlot slot(m_browser, m_clock, m_timers, m_description, nullptr, true);
        QVERIFY(startOnForum(slot, QStringLiteral("2")));
        slot.pageLoadStarted();
        slot.pageLoadFinished({});
        QVERIFY(settling());
        settled();
        QCOMPARE(m_browser.sleeps, 1);
        QVERIFY(slot.isPageAsleep());

        // The next reload wakes it by reloading it, once: never a restore with a reload on top.
        tick(slot, QStringLiteral("2"));
        tick(slot, QStringLiteral("2"));
        QCOMPARE(m_browser.wakeReloads, 1);
        QCOMPARE(m_browser.reloads, 1);
        QCOMPARE(m_browser.wakes, 0);
        QVERIFY(!slot.isPageAsleep());
        slot.pageLoadStarted();
        slot.pageLoadFinished({});
        settled();
        QCOMPARE(m_browser.sleeps, 2);
    }

    void aPageSeenOrOfAStoppedSlotNeverSleeps()
    {
        ForumSlot slot(m_browser, m_clock, m_timers, m_description, nullptr, true);
        slot.pageLoadFinished({}); // stopped: it may hold what the user typed
        QVERIFY(!settling());
        QVERIFY(startOnForum(slot, QStringLiteral("1")));
        slot.setPageSeen(true);
        slot.pageLoadFinished({});
        QVERIFY(!settling());
        settled();
        QCOMPARE(m_browser.sleeps, 0);
        tick(slot, QStringLiteral("1"));
        QCOMPARE(m_browser.reloads, 1);
    }

    void showingOrStoppingASleepingPageWakesItOnce()
    {
        ForumSlot slot(m_browser, m_clock, m_timers, m_description, nullptr, true);
        QVERIFY(startOnForum(slot, QStringLiteral("5")));
        slot.pageLoadFinished({});
        settled();
        QVERIFY(slot.isPageAsleep());
        slot.setPageSeen(true);
        slot.setPageSeen(true);
        QCOMPARE(m_browser.wakes, 1);

        // Hidden again (the window minimised), it sleeps after its next load; stopping wakes it.
        slot.setPageSeen(false);
        slot.pageLoadFinished({});
        settled();
        QVERIFY(slot.isPageAsleep());
        slot.stop();
        QCOMPARE(m_browser.wakes, 2);
        QVERIFY(!slot.isPageAsleep());
    }

    void aLoadDuringTheGraceKeepsThePageAwake()
    {
        ForumSlot slot(m_browser, m_clock, m_timers, m_description, nullptr, true);
        QVERIFY(startOnForum(slot, QStringLiteral("5")));
        slot.pageLoadFinished({});
        slot.pageLoadStarted(); // the page went on to another address by itself
        settled();
        QCOMPARE(m_browser.sleeps, 0);
        // Shown during the grace: no sleep either.
        slot.pageLoadFinished({});
        slot.setPageSeen(true);
        settled();
        QCOMPARE(m_browser.sleeps, 0);
    }

    void thePlainBuildKeepsEveryPageLive()
    {
        ForumSlot slot(m_browser, m_clock, m_timers, m_description, nullptr, false);
        QVERIFY(startOnForum(slot, QStringLiteral("1")));
        slot.pageLoadFinished({});
        QVERIFY(!settling());
        settled();
        QCOMPARE(m_browser.sleeps, 0);
    }

    // A day kept online at every period of both lists, against forums that credit a step of 1 to
    // 60 minutes for the first page more than one step after the last credited one.
    void reloadsComeLateEnoughToEarnEveryStep_data()
    {
        QTest::addColumn<int>("period");
        QTest::addColumn<int>("tickMs");
        QTest::addColumn<int>("stepMinutes");
        for (const SlotDescription &d : {slotTable()[0], slotTable()[7]}) {
            for (const QString &period : d.periods) {
                for (const int step : {1, 2, 5, 10, 30, 60}) {
                    QTest::addRow("%s %s, step %d min", qPrintable(period), d.inSeconds ? "s" : "min", step)
                        << period.toInt() << d.tickIntervalMs << step;
                }
            }
        }
    }
    void reloadsComeLateEnoughToEarnEveryStep()
    {
        QFETCH(int, period);
        QFETCH(int, tickMs);
        QFETCH(int, stepMinutes);
        const test::StepCredit forum{stepMinutes * 60};
        const qint64 periodMs = qint64(period) * tickMs;
        const QList<qint64> exact = reloadMoments(period, tickMs, false, 24);
        const QList<qint64> late = reloadMoments(period, tickMs, true, 24);
        // Late, never early and never by more than 3 s: periods in minutes a period and a second
        // apart at least, periods of 3 s and less on the dot.
        const qint64 least = tickMs == 60000 ? 1000 : 0;
        for (qsizetype i = 1; i < late.size(); ++i) {
            const qint64 apart = late[i] - late[i - 1];
            QVERIFY2(apart >= periodMs + least && apart <= periodMs + 3000,
                     qPrintable(QString::number(apart)));
        }
        if (periodMs <= 3000)
            QCOMPARE(late, exact);

        // Wherever the period divides the step, the lateness carries the reloads past the step's
        // edge; elsewhere it can cost no more than its own share of the period.
        const double exactShare = forum.share(exact);
        const double lateShare = forum.share(late);
        const QString shares = QStringLiteral("exact %1, late %2").arg(exactShare).arg(lateShare);
        if (qint64(stepMinutes) * 60000 % periodMs == 0)
            QVERIFY2(lateShare >= 0.95 && lateShare >= exactShare, qPrintable(shares));
        else
            QVERIFY2(lateShare >=
                         exactShare * double(periodMs) / double(periodMs + reloadDelayMs(periodMs, 1)),
                     qPrintable(shares));
    }

    void aStopWhileTheLateReloadWaitsTakesItBack()
    {
        ForumSlot slot(m_browser, m_clock, m_timers, m_description, nullptr, false);
        slot.setLateReloads(true);
        QVERIFY(startOnForum(slot, QStringLiteral("1")));
        m_timers.advance(m_tickMs);
        QCOMPARE(m_browser.reloads, 0);
        QVERIFY(slot.msUntilReload() >= 1500 && slot.msUntilReload() <= 3000);
        slot.stop();
        m_timers.advance(3000);
        QCOMPARE(m_browser.reloads, 0);
        // Started again, the period counts afresh: the one that was over had its reload taken back.
        QVERIFY(startOnForum(slot, QStringLiteral("1")));
        QCOMPARE(slot.msUntilReload(), m_tickMs);
    }

    void hoursDoNotOverflow()
    {
        ForumSlot slot(m_browser, m_clock, m_timers, m_description);
        slot.open(QStringLiteral("a"));
        m_clock.now += qint64(3'000'000'000) * 3600 * 1000;
        clockTick();
        QCOMPARE(slot.onlineTime().hours, qint64(3'000'000'000));
    }
};

QTEST_GUILESS_MAIN(TestForumSlot)
#include "tst_forumslot.moc"
