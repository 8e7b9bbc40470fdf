#include "common/forumwindow.h"
#include "mainwin/mainwindow.h"

#include <set>

using namespace kelvora;
using kelvora::test::ForumServer;

// Eight forums on eight hosts, all kept online at once while seven of them are hidden.
class TestEightSlots : public QObject
{
    Q_OBJECT

    test::ForumWindow m_window;

    ForumServer &forum(int slot) const { return m_window.forum(slot + 2); }

private slots:
    void everySlotReloadsItsOwnForumWithItsOwnLogin()
    {
        for (int i = 0; i < SlotCount; ++i)
            forum(i).setTitle(QStringLiteral("论坛 %1").arg(i + 1));

        test::SlotSetup setup;
        // Minutes become 300 ms; slot 8 keeps its real one-second tick.
        for (int i = 0; i < SlotCount - 1; ++i)
            setup.slotDescriptions[static_cast<std::size_t>(i)].tickIntervalMs = 300;
        test::ForumWindow &window = m_window;
        QVERIFY(window.open(setup));
        for (int i = 0; i < SlotCount; ++i) {
            const QUrl url = forum(i).url(QStringLiteral("/forum.php"));
            window.openAndStart(i, url, i == SlotCount - 1 ? QStringLiteral("1") : QStringLiteral("2"));
        }
        window->switchToSlot(0);

        // The first visit plus three reloads on every forum.
        auto allReloaded = [this] {
            for (int i = 0; i < SlotCount; ++i) {
                if (forum(i).pageRequests().size() < 4)
                    return false;
            }
            return true;
        };
        QTRY_VERIFY_WITH_TIMEOUT(allReloaded(), 15000);

        std::set<QString> logins;
        for (int slot = 0; slot < SlotCount; ++slot) {
            const ForumServer *server = &forum(slot);
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

    void cleanupTestCase() { m_window.close(); }
};

KELVORA_GUI_TEST_MAIN(TestEightSlots)
#include "tst_eightslots.moc"
