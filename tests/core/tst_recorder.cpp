#include "common/fakes.h"
#include "core/forumslot.h"
#include "record/recorder.h"

#include <QTemporaryDir>
#include <QTest>

using namespace kelvora;

namespace {

constexpr qint64 Minute = 60 * 1000;
constexpr qint64 Hour = 60 * Minute;
constexpr qint64 Day = 24 * Hour;

enum class Step
{
    WallOnly,    ///< the machine's clock moved, the program's did not: set by hand, or a sleep on Linux
    SystemSleep, ///< the same, and the system said it slept
};

} // namespace

Q_DECLARE_METATYPE(Step)

// The record as the program writes it, on a fake clock whose two faces can part: what the window
// draws of a run across a moved clock or a sleep.
class TestRecorder : public QObject
{
    Q_OBJECT

private slots:
    void aRunAcrossAStepIsDrawnTrue_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<qint64>("wallJump");
        QTest::addColumn<Step>("step");
        QTest::addColumn<int>("after");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("onlineMinutes");
        // Seen at the next moment the record notes (a reload here, the alive mark at most 10 s on).
        QTest::newRow("the clock a day forward")
            << 10 << Day << Step::WallOnly << 4 << "online 0-10, clock 10-1451, online 1451-1454" << 13;
        QTest::newRow("a sleep the system told of")
            << 10 << 6 * Minute << Step::SystemSleep << 4 << "online 0-10, paused 10-16, online 16-20" << 14;
        // What was recorded before stays; the hour the clock goes over again has no room of its own.
        QTest::newRow("the clock an hour back") << 60 << -Hour << Step::WallOnly << 90 << "online 0-90" << 90;
    }
    void aRunAcrossAStepIsDrawnTrue()
    {
        QFETCH(int, before);
        QFETCH(qint64, wallJump);
        QFETCH(Step, step);
        QFETCH(int, after);
        QFETCH(QString, expected);
        QFETCH(int, onlineMinutes);

        QTemporaryDir folder;
        test::FakeClock clock;
        test::FakeTimers timers{clock};
        test::FakeBrowser browser;
        ForumSlot slot{browser, clock, timers, slotTable()[0], nullptr, false};
        const qint64 t0 = clock.wallMs();
        auto recorder =
            std::make_unique<Recorder>(folder.filePath(QStringLiteral("record.sqlite")), clock, int(Day));
        QVERIFY(recorder->open());
        recorder->follow(0, slot);
        slot.open(QStringLiteral("http://127.0.0.1/forum"));
        slot.setTypedPeriod(1);
        slot.start();
        const auto run = [&](int minutes) {
            for (int i = 0; i < minutes; ++i) {
                timers.advance(Minute);
                slot.pageLoadStarted();
                slot.pageLoadFinished(PageLoad{});
            }
        };
        run(before);
        if (step == Step::SystemSleep)
            recorder->systemSleeping();
        clock.wallStart = clock.wallStart.addMSecs(wallJump);
        if (step == Step::SystemSleep)
            recorder->systemWoke();
        run(after);
        const qint64 end = recorder->nowMs();
        const RecordData data = recorder->read(t0 - Day);
        const RecordStrip strip = recordStrip(data, 0, t0, end, true);
        QStringList spans;
        const char *names[] = {"none", "off", "paused", "clock", "stopped", "online", "out", "failed"};
        for (const RecordSpan &span : strip.spans)
            spans << QStringLiteral("%1 %2-%3")
                         .arg(QLatin1String(names[int(span.state)]))
                         .arg((span.fromMs - t0) / Minute)
                         .arg((span.toMs - t0) / Minute);
        QCOMPARE(spans.join(QStringLiteral(", ")), expected);
        QCOMPARE(strip.totals.onlineMs / Minute, onlineMinutes);
        QCOMPARE(strip.totals.answered, before + after); // no reload recorded is lost

        // Started again, with the clock still behind what was recorded: the record goes on from its end.
        recorder->close();
        recorder =
            std::make_unique<Recorder>(folder.filePath(QStringLiteral("record.sqlite")), clock, int(Day));
        QVERIFY(recorder->open());
        QVERIFY(recorder->nowMs() >= end);
        QCOMPARE(recorder->read(t0 - Day).events.back().atMs, recorder->nowMs());
    }
};

QTEST_GUILESS_MAIN(TestRecorder)
#include "tst_recorder.moc"
