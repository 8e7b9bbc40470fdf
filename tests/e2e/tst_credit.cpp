#include "common/forumwindow.h"

#include <QSignalSpy>

using namespace kelvora;
using kelvora::test::ForumServer;

// Forums that credit online time in steps, as most do: slots with late reloads earn every step,
// slots with exact timing only the share the steps leave them.
class TestCredit : public QObject
{
    Q_OBJECT

    // A minute of the slots' lasts 3.12 s here, and a second of the forums' 52 ms, so that a step
    // of one minute is the same for both (and the period longer than the few seconds that keep
    // exact timing).
    static constexpr int MinuteMs = 3120;
    static constexpr int SecondMs = MinuteMs / 60;

    // Slot `slot` at a period of one minute, late or exact, against a forum with a step of
    // `stepMinutes`; `formula` is the share exact timing gets: S / ((⌊S/p⌋ + 1) · p).
    struct Run
    {
        int slot;
        bool late;
        int stepMinutes;
        double formula;
    };
    Run m_runs[4] = {
        {0, true, 1, 0.5}, {1, true, 2, 2.0 / 3.0}, {2, false, 1, 0.5}, {3, false, 2, 2.0 / 3.0}};
    test::ForumWindow m_window;

    ForumServer &forum(const Run &run) const { return m_window.forum(run.slot + 2); }

private slots:
    void initTestCase()
    {
        test::SlotSetup setup;
        for (Run &run : m_runs) {
            forum(run).setCredit({run.stepMinutes * 60, SecondMs});
            setup.slotDescriptions[std::size_t(run.slot)].tickIntervalMs = MinuteMs;
        }
        QVERIFY(m_window.open(setup));
    }
    void cleanupTestCase() { m_window.close(); }

    void lateReloadsAreCreditedEveryStep()
    {
        for (const Run &run : m_runs) {
            m_window.runner(run.slot).setLateReloads(run.late);
            m_window.openAndStart(run.slot, forum(run).url(QStringLiteral("/thread?member=m")),
                                  QStringLiteral("1"));
        }
        // Nine periods each, all four at once; slot 1 is the one on screen.
        m_window->switchToSlot(0);
        QVERIFY(test::waitUntil(
            [this] {
                return std::all_of(std::begin(m_runs), std::end(m_runs), [this](const Run &run) {
                    return forum(run).pagesFor(QStringLiteral("m")).size() >= 10;
                });
            },
            60000));
        for (const Run &run : m_runs) {
            // Kept online from the first reload on: the open's page came at the user's moment.
            const double share = forum(run).creditedShare(QStringLiteral("m"), 1);
            const QString told = QStringLiteral("%1 reloads, step %2 periods: credited %3 (formula %4)")
                                     .arg(run.late ? "late" : "exact")
                                     .arg(run.stepMinutes)
                                     .arg(share, 0, 'f', 3)
                                     .arg(run.formula, 0, 'f', 3);
            qInfo().noquote() << told;
            if (run.late)
                QVERIFY2(share >= 0.9, qPrintable(told));
            else // no upper bound: on a busy machine a late tick crosses a step's edge and earns one more
                QVERIFY2(share >= run.formula - 0.05, qPrintable(told));
        }
    }
};

KELVORA_GUI_TEST_MAIN(TestCredit)
#include "tst_credit.moc"
