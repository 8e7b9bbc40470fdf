#include "common/forumtestserver.h"
#include "common/guitest.h"
#include "mainwin/mainwindow.h"
#include "slots/slotpanel.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>

using namespace kelvora;
using kelvora::test::child;
using kelvora::test::ForumTestServer;

class TestSlotReload : public QObject
{
    Q_OBJECT

    static constexpr int TickMs = 250;

    test::TemporaryWebProfile m_profile;
    ForumTestServer m_server;
    std::unique_ptr<MainWindow> m_window;
    QElapsedTimer m_sinceStart;
    QList<qint64> m_requestTimes;

    QWidget *slotOne() const { return child<QWidget>(m_window.get(), QStringLiteral("Frame1")); }
    void click(const char *name)
    {
        QTest::mouseClick(child<QPushButton>(slotOne(), QLatin1String(name)), Qt::LeftButton);
    }
    qsizetype seen() const { return m_server.pageRequests().size(); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_server.listen(QHostAddress(QStringLiteral("127.0.0.1"))));
        m_server.setTitle(QStringLiteral("测试论坛"));
        connect(&m_server, &ForumTestServer::requestReceived, this,
                [this](const ForumTestServer::Request &r) {
                    if (r.path != QLatin1String("/favicon.ico"))
                        m_requestTimes << (m_sinceStart.isValid() ? m_sinceStart.elapsed() : -1);
                });
    }

    void init()
    {
        MainWindowSetup setup = test::windowSetup(m_profile.get());
        // A slot whose refresh ticks come every quarter second instead of every minute.
        setup.slotDescriptions[0].tickIntervalMs = TickMs;
        m_window = std::make_unique<MainWindow>(setup);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        m_server.clear();
        m_requestTimes.clear();
        m_sinceStart.invalidate();
    }
    void cleanup() { m_window.reset(); }

    void reloadsEveryPeriodWithTheLoginCookie()
    {
        child<QComboBox>(slotOne(), QStringLiteral("Combo4"))
            ->setEditText(m_server.url(QStringLiteral("/thread")).toString());
        click("Command1");
        QTRY_COMPARE(seen(), 1);
        const QString login = m_server.pageRequests().first().issuedCookie;
        QVERIFY(!login.isEmpty());

        child<QComboBox>(slotOne(), QStringLiteral("Combo1"))->setEditText(QStringLiteral("2"));
        m_sinceStart.start();
        m_requestTimes.clear();
        click("Command2");
        QTRY_VERIFY_WITH_TIMEOUT(seen() >= 5, 5000);

        // Reloads fall on every second tick after the start, never sooner.
        const QList<ForumTestServer::Request> requests = m_server.pageRequests();
        for (qsizetype i = 1; i < 5; ++i) {
            QCOMPARE(requests[i].path, QStringLiteral("/thread"));
            QCOMPARE(requests[i].cookie, login);
            QVERIFY(requests[i].issuedCookie.isEmpty());
            const qint64 expected = i * 2 * TickMs;
            const qint64 at = m_requestTimes[i - 1];
            QVERIFY2(at >= expected - 20 && at < expected + 200,
                     qPrintable(
                         QStringLiteral("reload %1 at %2 ms, expected %3 ms").arg(i).arg(at).arg(expected)));
        }

        // Stopped: no more reloads, while the refresh button still reloads at once.
        click("Command3");
        const qsizetype stoppedAt = seen();
        QTest::qWait(4 * TickMs);
        QCOMPARE(seen(), stoppedAt);
        click("Command4");
        QTRY_COMPARE(seen(), stoppedAt + 1);
        QCOMPARE(m_server.pageRequests().last().cookie, login);
    }
};

KELVORA_GUI_TEST_MAIN(TestSlotReload)
#include "tst_slotreload.moc"
