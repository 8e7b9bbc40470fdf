#include "common/forumserver.h"
#include "common/guitest.h"
#include "mainwin/mainwindow.h"

#include <set>

using namespace kelvora;
using kelvora::test::ForumServer;

// Eight forums on eight hosts, all kept online at once while seven of them are hidden.
class TestEightSlots : public QObject
{
    Q_OBJECT

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

        test::SlotSetup setup;
        // Minutes become 300 ms; slot 8 keeps its real one-second tick.
        for (int i = 0; i < SlotCount - 1; ++i)
            setup.slotDescriptions[static_cast<std::size_t>(i)].tickIntervalMs = 300;
        test::SlotWindow window;
        QVERIFY(window.open(setup));
        for (int i = 0; i < SlotCount; ++i) {
            const QUrl url = m_servers[static_cast<std::size_t>(i)]->url(QStringLiteral("/forum.php"));
            window.openAndStart(i, url, i == SlotCount - 1 ? QStringLiteral("1") : QStringLiteral("2"));
        }
        window->switchToSlot(0);

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
    }

    void cleanupTestCase() { m_servers.clear(); }
};

KELVORA_GUI_TEST_MAIN(TestEightSlots)
#include "tst_eightslots.moc"
