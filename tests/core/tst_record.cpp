#include "core/period.h"
#include "core/record.h"
#include "core/runwatch.h"
#include "words/words.h"

#include <QDateTime>
#include <QTest>

#include <map>

using namespace kelvora;

namespace {

constexpr qint64 Minute = 60 * 1000;
constexpr qint64 Hour = 60 * Minute;
constexpr qint64 Day = 24 * Hour;
// A local midnight, so that "across midnight" means what the user sees.
const qint64 T0 = QDateTime(QDate(2026, 12, 1), QTime(0, 0)).toMSecsSinceEpoch();

/** A made-up record: changes at moments after T0, reload outcomes counted by the minute as the file keeps
 * them. */
struct History
{
    std::vector<RecordEvent> events;
    std::map<std::pair<qint64, int>, RecordMinute> minutes;

    History &at(qint64 ms, int slot, RecordKind kind)
    {
        events.push_back({T0 + ms, slot, kind, {}});
        return *this;
    }
    History &program(qint64 ms, RecordKind kind) { return at(ms, -1, kind); }
    /** Reloads every `every` ms in [from, to), each answered or failed. */
    History &reloads(int slot, qint64 from, qint64 to, qint64 every, bool answered,
                     const QString &reason = {})
    {
        for (qint64 ms = from; ms < to; ms += every) {
            const qint64 minute = (T0 + ms) / Minute;
            RecordMinute &m = minutes[{minute, slot}];
            m.slot = slot;
            m.minute = minute;
            (answered ? m.answered : m.failed) += 1;
            m.endedFailed = !answered;
            if (!answered)
                m.failure.words = reason;
        }
        return *this;
    }
    RecordData data() const
    {
        RecordData data;
        data.events = events;
        std::stable_sort(data.events.begin(), data.events.end(),
                         [](const RecordEvent &a, const RecordEvent &b) { return a.atMs < b.atMs; });
        for (const auto &entry : minutes)
            data.minutes.push_back(entry.second);
        return data;
    }
};

const char *stateName(RecordState state)
{
    const char *names[] = {"none", "off", "paused", "clock", "stopped", "online", "out", "failed"};
    return names[int(state)];
}

/** A strip as text, in minutes from T0: "stopped 0-60, online 60-120". */
QString spans(const RecordStrip &strip)
{
    QStringList parts;
    for (const RecordSpan &span : strip.spans)
        parts << QStringLiteral("%1 %2-%3")
                     .arg(QLatin1String(stateName(span.state)))
                     .arg((span.fromMs - T0) / Minute)
                     .arg((span.toMs - T0) / Minute);
    return parts.join(QStringLiteral(", "));
}

/**
 * One day of slot 0: it runs from 1:00, fails 2:00-2:10, is logged out 3:00-3:30, is stopped at
 * 4:00; the program ends at 5:00, runs 6:00-7:00 without the slot and is killed then, and comes
 * back at 8:00 with the slot resumed.
 */
History oneDay()
{
    History h;
    h.program(0, RecordKind::ProgramStarted)
        .at(1 * Hour, 0, RecordKind::Started)
        .reloads(0, 1 * Hour, 2 * Hour, Minute, true)
        .reloads(0, 2 * Hour, 2 * Hour + 10 * Minute, Minute, false, QStringLiteral("连接超时"))
        .reloads(0, 2 * Hour + 10 * Minute, 4 * Hour, Minute, true)
        .at(3 * Hour, 0, RecordKind::LoggedOut)
        .at(3 * Hour + 30 * Minute, 0, RecordKind::LoggedIn)
        .at(4 * Hour, 0, RecordKind::Stopped)
        .program(5 * Hour, RecordKind::ProgramEnded)
        .program(6 * Hour, RecordKind::ProgramStarted)
        .program(7 * Hour, RecordKind::ProgramAlive)
        .program(8 * Hour, RecordKind::ProgramStarted)
        .at(8 * Hour, 0, RecordKind::Resumed)
        .reloads(0, 8 * Hour, 8 * Hour + 30 * Minute, Minute, true)
        .program(8 * Hour + 30 * Minute, RecordKind::ProgramAlive);
    return h;
}

/**
 * A run as the recorder writes it, its moments read off both clocks: slot 0 runs from the start,
 * reloaded every minute and marked alive every 10 s, for `before` minutes; then the steady clock
 * moves on by `steadyJump` and the machine's by `wallJump` (beside the 10 s to the next mark); then
 * `after` minutes more, and the program ends.
 */
History runAcross(int before, qint64 steadyJump, qint64 wallJump, int after)
{
    History h;
    RunWatch watch(10'000 + 20'000, 5'000);
    qint64 steady = 0;
    qint64 wall = 0;
    auto mark = [&] {
        if (const std::optional<RunWatch::Break> found = watch.check(steady, wall)) {
            h.program(std::min(found->fromMs, found->toMs), found->kind);
            h.program(std::max(found->fromMs, found->toMs), RecordKind::Continued);
        }
        h.program(wall, RecordKind::ProgramAlive);
    };
    auto run = [&](int minutes) {
        for (int i = 0; i < minutes * 6; ++i, steady += 10'000, wall += 10'000) {
            mark();
            if (i % 6 == 0)
                h.reloads(0, wall, wall + 1, 1, true);
        }
        mark();
    };
    watch.check(steady, wall);
    h.program(0, RecordKind::ProgramStarted).at(0, 0, RecordKind::Started);
    run(before);
    steady += 10'000 + steadyJump;
    wall += 10'000 + wallJump;
    run(after);
    return h.program(wall, RecordKind::ProgramEnded);
}

} // namespace

Q_DECLARE_METATYPE(History)

// What the record window draws comes from the record's changes and minutes alone: these are the
// strips and totals a history gives, days long, built in a blink.
class TestRecord : public QObject
{
    Q_OBJECT

private slots:
    void stripFollowsTheSlotsLife_data()
    {
        QTest::addColumn<bool>("programRunsNow");
        QTest::addColumn<QString>("expected");
        const QString first = QStringLiteral("stopped 0-60, online 60-120, failed 120-130, online 130-180, "
                                             "out 180-210, online 210-240, stopped 240-300, off 300-360, "
                                             "stopped 360-420, off 420-480, online 480-");
        // The newest run goes on to now while the program runs; read after a crash, it ended at its
        // last recorded moment, as the killed run before it did.
        QTest::newRow("running now") << true << first + QStringLiteral("540");
        QTest::newRow("read later") << false << first + QStringLiteral("510, off 510-540");
    }
    void stripFollowsTheSlotsLife()
    {
        QFETCH(bool, programRunsNow);
        QFETCH(QString, expected);
        const RecordStrip strip = recordStrip(oneDay().data(), 0, T0, T0 + 9 * Hour, programRunsNow);
        QCOMPARE(spans(strip), expected);
        QCOMPARE(strip.totals.answered, 60 + 110 + 30);
        QCOMPARE(strip.totals.failed, 10);
        QCOMPARE(strip.totals.loggedOutSpans, 1);
        QCOMPARE(strip.totals.onlineMs, (programRunsNow ? 200 : 170) * Minute);
        QCOMPARE(strip.spanAt(T0 + 2 * Hour + 5 * Minute)->failure.words, QStringLiteral("连接超时"));
        QVERIFY(!strip.spanAt(T0 + 9 * Hour));
        // The other slots did nothing: grey all along, and not worth a row.
        const RecordStrip other = recordStrip(oneDay().data(), 3, T0, T0 + 9 * Hour, programRunsNow);
        QVERIFY(!other.used());
        QCOMPARE(spans(other).count(QStringLiteral("online")), 0);
    }

    // The program's clock and the machine's read together: time the program did not run, or that
    // the machine's clock made up, is a break, never kept online, and counts for nothing.
    void breaksFollowTheProgramsOwnClock_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<qint64>("steadyJump");
        QTest::addColumn<qint64>("wallJump");
        QTest::addColumn<int>("after");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("onlineMinutes");
        QTest::newRow("a sleep of six minutes")
            << 10 << 6 * Minute << 6 * Minute << 4 << "online 0-10, paused 10-16, online 16-20, off 20-2880"
            << 14;
        QTest::newRow("a sleep of hours") << 10 << 5 * Hour << 5 * Hour << 4
                                          << "online 0-10, paused 10-310, online 310-314, off 314-2880" << 14;
        QTest::newRow("a sleep the program's clock did not count")
            << 10 << 0LL << 6 * Minute << 4 << "online 0-10, clock 10-16, online 16-20, off 20-2880" << 14;
        QTest::newRow("the clock a day forward")
            << 10 << 0LL << Day << 4 << "online 0-10, clock 10-1450, online 1450-1454, off 1454-2880" << 14;
        // Both accounts of the hour gone over again are a break.
        QTest::newRow("the clock an hour back")
            << 60 << 0LL << -Hour << 90 << "online 0-0, clock 0-60, online 60-90, off 90-2880" << 30;
        QTest::newRow("a mark late on a busy machine")
            << 10 << 15'000LL << 15'000LL << 4 << "online 0-14, off 14-2880" << 14;
        QTest::newRow("the clock set right by seconds")
            << 10 << 0LL << 3'000LL << 4 << "online 0-14, off 14-2880" << 14;
    }
    void breaksFollowTheProgramsOwnClock()
    {
        QFETCH(int, before);
        QFETCH(qint64, steadyJump);
        QFETCH(qint64, wallJump);
        QFETCH(int, after);
        QFETCH(QString, expected);
        QFETCH(int, onlineMinutes);
        const RecordData data = runAcross(before, steadyJump, wallJump, after).data();
        const RecordStrip strip = recordStrip(data, 0, T0, T0 + 2 * Day, false);
        QCOMPARE(spans(strip), expected);
        QCOMPARE(strip.totals.onlineMs / Minute, onlineMinutes);
        QCOMPARE(strip.totals.answered, before + after);
        // Pruned past the break's start, the strip after the cutoff is the same.
        const qint64 cutoff = T0 + before * Minute + Minute / 2;
        RecordData pruned = data;
        pruned.events = compactRecord(data.events, cutoff);
        const RecordStrip later = recordStrip(pruned, 0, cutoff, T0 + 2 * Day, false);
        QCOMPARE(spans(later), spans(recordStrip(data, 0, cutoff, T0 + 2 * Day, false)));
    }

    void failuresLastUntilAReloadIsAnswered_data()
    {
        QTest::addColumn<History>("history");
        QTest::addColumn<QString>("expected");
        const auto running = [] {
            History h;
            h.program(0, RecordKind::ProgramStarted).at(0, 0, RecordKind::Started);
            return h;
        };
        // A five-minute period: the failure holds over the minutes with no reload in them.
        QTest::newRow("until answered") << running()
                                               .reloads(0, 0, 10 * Minute, 5 * Minute, false)
                                               .reloads(0, 10 * Minute, 20 * Minute, 5 * Minute, true)
                                        << QStringLiteral("failed 0-10, online 10-20");
        // Reloads every second that fail now and then: the minutes with a failure show, no more.
        History flapping = running().reloads(0, 0, 20 * Minute, 1000, true);
        flapping.reloads(0, 5 * Minute + 7000, 5 * Minute + 8000, 1000, false);
        flapping.minutes[{(T0 + 5 * Minute) / Minute, 0}].endedFailed = false;
        QTest::newRow("one second apart")
            << flapping << QStringLiteral("online 0-5, failed 5-6, online 6-20");
        // A stop ends it; reloads that end after the stop count for nothing.
        QTest::newRow("stopped") << running()
                                        .reloads(0, 0, 5 * Minute, Minute, false)
                                        .at(5 * Minute, 0, RecordKind::Stopped)
                                        .reloads(0, 6 * Minute, 7 * Minute, Minute, false)
                                 << QStringLiteral("failed 0-5, stopped 5-20");
        // Failing while logged out: the failure shows, and the logout around it is still one.
        QTest::newRow("logged out") << running()
                                           .at(0, 0, RecordKind::LoggedOut)
                                           .reloads(0, 5 * Minute, 6 * Minute, Minute, false)
                                           .reloads(0, 6 * Minute, 7 * Minute, Minute, true)
                                    << QStringLiteral("out 0-5, failed 5-6, out 6-20");
    }
    void failuresLastUntilAReloadIsAnswered()
    {
        QFETCH(History, history);
        QFETCH(QString, expected);
        QCOMPARE(spans(recordStrip(history.data(), 0, T0, T0 + 20 * Minute, true)), expected);
    }

    void loggedOutAcrossMidnightIsOneSpan()
    {
        History h;
        h.program(0, RecordKind::ProgramStarted)
            .at(0, 0, RecordKind::Started)
            .at(23 * Hour, 0, RecordKind::LoggedOut)
            .at(Day + 1 * Hour, 0, RecordKind::LoggedIn);
        const RecordData data = h.data();
        // Each day's strip has its part of it, and counts it.
        const RecordStrip first = recordStrip(data, 0, T0, T0 + Day, true);
        const RecordStrip second = recordStrip(data, 0, T0 + Day, T0 + 2 * Day, true);
        QCOMPARE(first.spans.back().state, RecordState::LoggedOut);
        QCOMPARE(first.spans.back().fromMs, T0 + 23 * Hour);
        QCOMPARE(second.spans.front().state, RecordState::LoggedOut);
        QCOMPARE(second.spans.front().toMs, T0 + Day + 1 * Hour);
        QCOMPARE(first.totals.loggedOutSpans, 1);
        QCOMPARE(second.totals.loggedOutSpans, 1);
        QCOMPARE(first.totals.onlineMs + second.totals.onlineMs, 2 * Day - 2 * Hour);
        // Over both days it is one span of two hours.
        const RecordStrip both = recordStrip(data, 0, T0, T0 + 2 * Day, true);
        QCOMPARE(both.totals.loggedOutSpans, 1);
        QCOMPARE(both.spanAt(T0 + Day)->toMs - both.spanAt(T0 + Day)->fromMs, 2 * Hour);
    }

    // The program's own login after a logout begins an Online span of its own, told apart from the
    // user's, up to the first failure in it; a login by the user is no such span.
    void aLoginAgainByItselfIsToldApart()
    {
        History h;
        h.program(0, RecordKind::ProgramStarted)
            .at(0, 0, RecordKind::Started)
            .reloads(0, 0, 4 * Hour, Minute, true)
            .reloads(0, 2 * Hour, 2 * Hour + 5 * Minute, Minute, false, QStringLiteral("连接超时"))
            .at(1 * Hour, 0, RecordKind::LoggedOut)
            .at(1 * Hour + 20 * Minute, 0, RecordKind::LoggedIn)
            .at(1 * Hour + 20 * Minute, 0, RecordKind::LoggedInAgain)
            .at(3 * Hour, 0, RecordKind::LoggedOut)
            .at(3 * Hour + 10 * Minute, 0, RecordKind::LoggedIn);
        const RecordStrip strip = recordStrip(h.data(), 0, T0, T0 + 4 * Hour, true);
        QCOMPARE(spans(strip),
                 QStringLiteral("online 0-60, out 60-80, online 80-120, failed 120-125, online 125-180, "
                                "out 180-190, online 190-240"));
        QList<bool> again;
        for (const RecordSpan &span : strip.spans)
            again << span.loggedInAgain;
        QCOMPARE(again, (QList<bool>{false, false, true, false, false, false, false}));
        QCOMPARE(strip.totals.loggedOutSpans, 2);
        QCOMPARE(strip.totals.loggedInAgain, 1);
        QCOMPARE(strip.totals.onlineMs, 4 * Hour - 30 * Minute - 5 * Minute);
        // A strip that begins inside that span shows it, but does not count the login in it.
        QCOMPARE(recordStrip(h.data(), 0, T0 + 90 * Minute, T0 + 4 * Hour, true).totals.loggedInAgain, 0);
    }

    void pruningKeepsWhatTheStripsShow_data()
    {
        QTest::addColumn<History>("history");
        // 40 days of running without a change since the start: the start itself is pruned.
        History steady;
        steady.program(0, RecordKind::ProgramStarted)
            .at(Hour, 0, RecordKind::Started)
            .at(Hour, 1, RecordKind::Started);
        steady.at(2 * Day, 1, RecordKind::LoggedOut).program(40 * Day - Minute, RecordKind::ProgramAlive);
        QTest::newRow("running for weeks") << steady;
        // A run killed before the cutoff must not come back as one that went on.
        History killed;
        killed.program(0, RecordKind::ProgramStarted).at(0, 2, RecordKind::Started);
        killed.program(3 * Day, RecordKind::ProgramAlive).program(35 * Day, RecordKind::ProgramStarted);
        killed.at(35 * Day, 2, RecordKind::Resumed).program(40 * Day - Minute, RecordKind::ProgramAlive);
        QTest::newRow("killed long ago") << killed;
    }
    void pruningKeepsWhatTheStripsShow()
    {
        QFETCH(History, history);
        const qint64 now = T0 + 40 * Day;
        RecordData pruned = history.data();
        pruned.events = compactRecord(pruned.events, now - RecordKeptMs);
        QVERIFY(std::all_of(pruned.events.begin(), pruned.events.end(),
                            [&](const RecordEvent &e) { return e.atMs >= now - RecordKeptMs; }));
        for (int slot = 0; slot < 3; ++slot) {
            for (const qint64 span : {Day, RecordWeekMs, RecordKeptMs}) {
                for (const bool runsNow : {true, false}) {
                    QCOMPARE(spans(recordStrip(pruned, slot, now - span, now, runsNow)),
                             spans(recordStrip(history.data(), slot, now - span, now, runsNow)));
                }
            }
        }
        // Pruning what was pruned already changes nothing.
        QCOMPARE(compactRecord(pruned.events, now - RecordKeptMs).size(), pruned.events.size());
    }

    void pictureShowsTheSlotsUsedThisWeek()
    {
        History h;
        h.program(0, RecordKind::ProgramStarted)
            .at(Hour, 4, RecordKind::Started)
            .at(2 * Hour, 4, RecordKind::Stopped);
        h.at(8 * Day, 6, RecordKind::Opened).at(9 * Day, 1, RecordKind::Started);
        const auto picture = recordPicture(h.data(), T0 + 10 * Day, true);
        // Slot 5 ran ten days ago only; slot 7 was opened but never started, slot 2 runs.
        QCOMPARE(picture.size(), std::size_t(2));
        QCOMPARE(picture[0].slot, 1);
        QCOMPARE(slotCaption(picture[0].slot), QStringLiteral("论坛二"));
        QCOMPARE(picture[0].day.totals.onlineMs, Day);
        QCOMPARE(picture[0].week.totals.onlineMs, Day);
        QCOMPARE(picture[1].slot, 6);
        QCOMPARE(picture[1].week.spans.back().state, RecordState::Stopped);
    }
};

QTEST_GUILESS_MAIN(TestRecord)
#include "tst_record.moc"
