#include "common/forumwindow.h"
#include "mainwin/mainwindow.h"
#include "views/slotpanel.h"
#include "web/webpage.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTimer>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineView>

using namespace kelvora;
using kelvora::test::ForumServer;

// A forum credits a member's time only for the pages it generates for them: every period of a
// running slot must make the forum generate its page once, whether the slot's page sleeps, lives
// on screen or came back from a crash, and whatever the page's cache headers say.
class TestGeneratedPages : public QObject
{
    Q_OBJECT

    // Longer than the settling a loaded page gets, so pages nobody sees sleep between reloads.
    static constexpr int TickMs = 3000;
    static constexpr int Periods = 5;

    test::ForumWindow m_window;

    QTimer *refreshTimer(int index) const { return m_window.timer(index, &SlotControlNames::refreshTimer); }

    /** A slot running at a period of one tick, with what it has done since it started. */
    struct Run
    {
        int index;
        QString member;
        qsizetype pagesBefore; ///< the member's pages before the slot was opened
        int historyAtStart;    ///< entries in the slot's history once its page was open
        std::unique_ptr<QSignalSpy> ticks;
        std::unique_ptr<QSignalSpy> sleeps;
    };

    // Opens the page for the member (who is logged in by that), and once it has loaded, starts the slot.
    Run start(int index, const QString &path, const QString &member)
    {
        const qsizetype before = m_window.forum().pagesFor(member).size();
        if (!m_window.openAndWait(index, m_window.forum().url(path + QStringLiteral("?member=") + member)))
            qWarning("slot %d did not open its page", index + 1);
        m_window.type(index, &SlotControlNames::periodBox, QStringLiteral("1"));
        m_window.click(index, &SlotControlNames::startButton);
        return {index,
                member,
                before,
                m_window.page(index)->history()->count(),
                std::make_unique<QSignalSpy>(refreshTimer(index), &QTimer::timeout),
                std::make_unique<QSignalSpy>(&m_window.slot(index), &ForumSlot::pageSlept)};
    }

    // Stops the slot once it has reloaded `Periods` times or more, and checks that the forum
    // generated one page for its member (after the open's) in each of those periods.
    bool finish(Run &run, int timeoutMs)
    {
        if (!test::waitUntil([&run] { return run.ticks->size() >= Periods; }, timeoutMs))
            return false;
        const qsizetype reloads = run.ticks->size(); // every tick reloads at a period of one
        m_window.click(run.index, &SlotControlNames::stopButton);
        // The last reload may still be on its way to the forum.
        if (!test::waitUntil(
                [&] {
                    return !m_window.slot(run.index).isReloadPending() &&
                           m_window.forum().pagesFor(run.member).size() >= run.pagesBefore + 1 + reloads;
                },
                10000))
            qWarning("slot %d's last reload did not reach the forum", run.index + 1);
        const int periodMs = m_window.runner(run.index).description().tickIntervalMs; // a period of one tick
        return onePagePerPeriod(m_window.forum().pagesFor(run.member).mid(run.pagesBefore + 1), reloads,
                                periodMs);
    }

    // One generated page per period: as many as reloads, none of them two in one period.
    static bool onePagePerPeriod(const QList<ForumServer::Request> &pages, qsizetype periods, int periodMs)
    {
        if (pages.size() != periods) {
            qWarning() << pages.size() << "pages in" << periods << "periods";
            return false;
        }
        for (qsizetype i = 1; i < pages.size(); ++i) {
            if (pages[i].elapsedMs - pages[i - 1].elapsedMs < periodMs / 2) {
                qWarning() << "two pages in one period:" << pages[i - 1].serial << pages[i].serial;
                return false;
            }
        }
        return true;
    }

private slots:
    void initTestCase()
    {
        test::SlotSetup setup;
        for (int i = 0; i < SlotCount - 1; ++i)
            setup.slotDescriptions[std::size_t(i)].tickIntervalMs = TickMs;
        QVERIFY(m_window.open(setup));
    }
    void cleanupTestCase() { m_window.close(); }

    void sleepingPagesAreGeneratedOncePerPeriodWhateverTheirCacheHeaders()
    {
        // Pages as forums serve them, and with each kind of cache header: every one in a slot
        // nobody sees, which sleeps between its reloads. Slot 6's renderer is killed on the way.
        std::vector<Run> runs;
        runs.push_back(start(0, QStringLiteral("/thread"), QStringLiteral("plain")));
        runs.push_back(start(1, QStringLiteral("/lm-thread"), QStringLiteral("modified")));
        runs.push_back(start(2, QStringLiteral("/etag-thread"), QStringLiteral("tagged")));
        runs.push_back(start(3, QStringLiteral("/maxage-thread"), QStringLiteral("cached")));
        runs.push_back(start(5, QStringLiteral("/thread"), QStringLiteral("crashed")));
        // Slot 8 reloads every second: too often to sleep, it stays live.
        runs.push_back(start(7, QStringLiteral("/thread"), QStringLiteral("eighth")));
        m_window->switchToSlot(4);

        QTRY_VERIFY_WITH_TIMEOUT(runs[4].ticks->size() >= 1, 2 * TickMs);
        QTRY_VERIFY(!m_window.slot(5).isReloadPending());
        m_window.page(5)->load(QUrl(QStringLiteral("chrome://crash")));
        QTRY_VERIFY(m_window.slot(5).lastReload().result.outcome == ReloadOutcome::RendererGone);

        for (Run &run : runs) {
            QVERIFY2(finish(run, (Periods + 2) * TickMs), qPrintable(run.member));
            // It really slept: between most of its reloads (a machine busy with other work may
            // bring a reload before one sleep comes).
            if (run.index != 7)
                QVERIFY2(run.sleeps->size() >= Periods - 2, qPrintable(run.member));
            QVERIFY2(m_window.slot(run.index).lastReload().result.answered(), qPrintable(run.member));
        }
        // Reloads, woken or not, add nothing to a slot's history (the crash's page aside).
        for (const Run &run : runs) {
            if (run.member != QStringLiteral("crashed"))
                QCOMPARE(m_window.page(run.index)->history()->count(), run.historyAtStart);
        }
    }

    void pagesOnScreenAndInAMinimisedWindowAreGeneratedOncePerPeriod()
    {
        // On screen, the page never sleeps: it may hold what the user types.
        Run shown = start(4, QStringLiteral("/maxage-shown"), QStringLiteral("shown"));
        QVERIFY(finish(shown, (Periods + 2) * TickMs));
        QCOMPARE(shown.sleeps->size(), 0);

        // Minimised, nobody sees it: it sleeps, and the forum still sees every period.
        Run minimised = start(6, QStringLiteral("/thread-minimised"), QStringLiteral("minimised"));
        m_window->showMinimized();
        if (!test::waitUntil([this] { return m_window->isMinimized(); }, 5000))
            QSKIP("the window manager does not minimise windows here");
        const bool generated = finish(minimised, (Periods + 2) * TickMs);
        m_window->showNormal();
        QVERIFY(generated);
        QVERIFY(minimised.sleeps->size() >= Periods - 1);
    }

    void aReplyTypedOnScreenSurvivesTheReloadsAndTheForumStillCounts()
    {
        Run run = start(4, QStringLiteral("/reply"), QStringLiteral("shown")); // slot 5 is logged in so
        auto *view = m_window.control<QWebEngineView>(4, &SlotControlNames::browser);
        QSignalSpy holding(m_window.runner(4).page(), &WebPage::inputChanged);
        const auto evaluate = [this](const QString &script) { return m_window.evaluate(4, script); };
        // The user writes a reply: real key presses, in the page on screen.
        evaluate(QStringLiteral("document.getElementById('post').focus()"));
        QTest::keyClicks(view->focusProxy(), QStringLiteral("my reply"));
        QTRY_COMPARE(evaluate(QStringLiteral("document.getElementById('post').value")).toString(),
                     QStringLiteral("my reply"));
        QTRY_VERIFY(!holding.isEmpty() && holding.last().first().toBool());
        const QString generatedOnScreen =
            evaluate(QStringLiteral("document.getElementById('generated').textContent")).toString();

        // Three reloads later the reply is still there, in the very page it was typed into, and the
        // forum generated the member's page once in each period all the same.
        const qsizetype ticks = run.ticks->size();
        QVERIFY(test::waitUntil([&] { return run.ticks->size() >= ticks + 3; }, 5 * TickMs));
        QCOMPARE(evaluate(QStringLiteral("document.getElementById('post').value")).toString(),
                 QStringLiteral("my reply"));
        QCOMPARE(evaluate(QStringLiteral("document.getElementById('generated').textContent")).toString(),
                 generatedOnScreen);
        QVERIFY(m_window.control<QLabel>(4, &SlotControlNames::statusLabel)
                    ->toolTip()
                    .contains(QStringLiteral("尚未发送的输入")));
        QVERIFY(finish(run, 3 * TickMs));
    }
};

KELVORA_GUI_TEST_MAIN(TestGeneratedPages)
#include "tst_generatedpages.moc"
