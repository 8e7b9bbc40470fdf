#include "common/forumserver.h"
#include "common/guitest.h"
#include "mainwin/mainwindow.h"

#include <QComboBox>
#include <QPushButton>

#include <set>

using namespace kelvora;
using kelvora::test::child;
using kelvora::test::ForumServer;

// Eight forums on eight hosts, all kept online at once while seven of them are hidden.
class TestEightSlots : public QObject
{
    Q_OBJECT

    test::TemporaryProfiles m_profiles;
    std::vector<std::unique_ptr<ForumServer>> m_servers;

private slots:
    void everySlotReloadsItsOwnForumWithItsOwnLogin()
    {
        for (int i = 0; i < SlotCount; ++i) {
            auto server = std::make_unique<ForumServer>();
            QVERIFY(server->listen(QHostAddress(QStringLiteral("127.0.0.%1").arg(i + 2))));
            server->setTitle(QStringLiteral("论坛 %1").arg(i + 1));
            m_servers.push_back(std::move(server));
        }

        MainWindowSetup setup = test::windowSetup(m_profiles.get());
        // Minutes become 300 ms; slot 8 keeps its real one-second tick.
        for (int i = 0; i < SlotCount - 1; ++i)
            setup.slotDescriptions[static_cast<std::size_t>(i)].tickIntervalMs = 300;
        MainWindow window(setup);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        for (const SlotDescription &d : slotTable()) {
            QTest::mouseClick(child<QPushButton>(&window, d.names.switchButton), Qt::LeftButton);
            auto *panel = child<QWidget>(&window, d.names.panel);
            const QUrl url =
                m_servers[static_cast<std::size_t>(d.number - 1)]->url(QStringLiteral("/forum.php"));
            child<QComboBox>(panel, d.names.addressBox)->setEditText(url.toString());
            child<QComboBox>(panel, d.names.periodBox)
                ->setEditText(d.number == 8 ? QStringLiteral("1") : QStringLiteral("2"));
            QTest::mouseClick(child<QPushButton>(panel, d.names.openButton), Qt::LeftButton);
            QTest::mouseClick(child<QPushButton>(panel, d.names.startButton), Qt::LeftButton);
        }
        QTest::mouseClick(child<QPushButton>(&window, slotTable()[0].names.switchButton), Qt::LeftButton);

        // The first visit plus three reloads on every forum.
        auto allReloaded = [this] {
            return std::all_of(m_servers.begin(), m_servers.end(),
                               [](const auto &server) { return server->pageRequests().size() >= 4; });
        };
        QTRY_VERIFY_WITH_TIMEOUT(allReloaded(), 15000);

        std::set<QString> logins;
        for (const auto &server : m_servers) {
            const QList<ForumServer::Request> requests = server->pageRequests();
            const QString login = requests.first().issuedCookie;
            QVERIFY(!login.isEmpty());
            logins.insert(login);
            for (qsizetype i = 1; i < requests.size(); ++i) {
                QCOMPARE(requests[i].path, QStringLiteral("/forum.php"));
                QCOMPARE(requests[i].cookie, login);
                QCOMPARE(requests[i].host, server->url().authority());
            }
        }
        QCOMPARE(logins.size(), std::size_t(SlotCount));
        window.hide();
    }

    void cleanupTestCase() { m_servers.clear(); }
};

KELVORA_GUI_TEST_MAIN(TestEightSlots)
#include "tst_eightslots.moc"
