#include "common/forumwindow.h"
#include "mainwin/mainwindow.h"

#include <QSignalSpy>
#include <QTimer>

using namespace kelvora;
using kelvora::test::ForumServer;

// Slot 1 keeps a forum online with its login; slot 2, on another forum, is the clock that shows
// that time went by while slot 1 was stopped.
class TestSlotReload : public QObject
{
    Q_OBJECT

    static constexpr int TickMs = 250;

    test::ForumWindow m_window;

private slots:
    void initTestCase()
    {
        test::SlotSetup setup;
        // Reload ticks every quarter second instead of every minute.
        setup.slotDescriptions[0].tickIntervalMs = TickMs;
        setup.slotDescriptions[1].tickIntervalMs = TickMs;
        QVERIFY(m_window.open(setup));
    }
    void cleanupTestCase() { m_window.close(); }

    void reloadsEveryPeriodWithTheLoginUntilStopped()
    {
        QSignalSpy ticks(m_window.timer(0, &SlotControlNames::refreshTimer), &QTimer::timeout);
        m_window.openAndStart(0, m_window.forum().url(QStringLiteral("/thread")), QStringLiteral("2"));
        QTRY_VERIFY_WITH_TIMEOUT(m_window.forum().pageRequests().size() >= 5, 10000);
        QList<ForumServer::Request> requests = m_window.forum().pageRequests();
        // The reload timer fires once a period, two ticks, and each time reloads once: never more
        // pages than its timeouts. (Timers come late on a busy machine, and pages late behind
        // them, so the requests' times prove nothing.)
        QVERIFY2(
            requests.size() - 1 <= ticks.size(),
            qPrintable(QStringLiteral("%1 pages after %2 timeouts").arg(requests.size()).arg(ticks.size())));
        QVERIFY(m_window.slot(0).msUntilReload() <= 2 * TickMs);
        const QString login = requests.first().issuedCookie;
        QVERIFY(!login.isEmpty());
        for (qsizetype i = 1; i < requests.size(); ++i) {
            QCOMPARE(requests[i].path, QStringLiteral("/thread"));
            QCOMPARE(requests[i].cookie, login);
            QVERIFY(requests[i].issuedCookie.isEmpty());
        }

        m_window.click(0, &SlotControlNames::stopButton);
        QVERIFY(!m_window.timer(0, &SlotControlNames::refreshTimer)->isActive());
        const qsizetype stoppedAt = m_window.forum().pageRequests().size();
        // While slot 2 reloads four times, about eight of slot 1's ticks go by: none reloads.
        m_window.openAndStart(1, m_window.forum(3).url(QStringLiteral("/witness")), QStringLiteral("1"));
        QTRY_VERIFY_WITH_TIMEOUT(m_window.forum(3).pageRequests().size() >= 5, 10000);
        QCOMPARE(m_window.forum().pageRequests().size(), stoppedAt);

        // The refresh button reloads at once, with the login, stopped or not.
        m_window->switchToSlot(0);
        m_window.click(0, &SlotControlNames::refreshButton);
        QTRY_COMPARE(m_window.forum().pageRequests().size(), stoppedAt + 1);
        QCOMPARE(m_window.forum().pageRequests().last().cookie, login);
    }
};

KELVORA_GUI_TEST_MAIN(TestSlotReload)
#include "tst_slotreload.moc"
