#include "common/cookiefiles.h"
#include "common/forumserver.h"
#include "common/guitest.h"
#include "common/smalldisk.h"
#include "web/cookiewriter.h"
#include "web/webprofile.h"

#include <QNetworkCookie>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWebEngineCookieStore>
#include <QWebEnginePage>
#include <QWebEngineProfile>

using namespace kelvora;
using kelvora::test::ForumServer;

// A login made a moment before the program ends is on disk before the engine goes down, and
// comes back in the next run.
class TestCookieWriter : public QObject
{
    Q_OBJECT

    ForumServer m_forum;

    // The login the forum gets from slot `slot` in the next run of the program on `folder`.
    QString loginInTheNextRun(const QString &folder, int slot)
    {
        m_forum.clear();
        const std::unique_ptr<SlotProfiles> profiles = SlotProfiles::onDisk(folder);
        QWebEnginePage page(profiles->profile(slot));
        page.load(m_forum.url(QStringLiteral("/thread")));
        if (!test::waitUntil([this] { return !m_forum.pageRequests().isEmpty(); }, 20000))
            return QStringLiteral("(no page)");
        return m_forum.pageRequests().first().cookie;
    }

private slots:
    void initTestCase() { QVERIFY(m_forum.listen(QHostAddress(QStringLiteral("127.0.0.8")))); }

    void aFreshLoginIsOnDiskAtOnceAndComesBack()
    {
        QTemporaryDir home;
        const QString folder = home.filePath(QStringLiteral("webengine"));
        const QString slotFolder = SlotProfiles::slotFolder(folder, 1);
        const QString host = m_forum.url(QStringLiteral("/")).host();
        QString login;
        {
            const std::unique_ptr<SlotProfiles> profiles = SlotProfiles::onDisk(folder);
            CookieWriter writer(profiles->all());
            QSignalSpy written(&writer, &CookieWriter::written);
            QWebEnginePage page(profiles->profile(1));
            QSignalSpy added(page.profile()->cookieStore(), &QWebEngineCookieStore::cookieAdded);
            // Without "remember me": a cookie for the session, which is kept all the same.
            page.load(m_forum.url(QStringLiteral("/login.php?member=erin&remember=0")));
            QTRY_VERIFY_WITH_TIMEOUT(!added.isEmpty(), 20000);
            login = QString::fromUtf8(added.first().first().value<QNetworkCookie>().value());

            // Each browser it asked answered, well before the time given: what it set for that is gone.
            writer.write(60000);
            QTRY_COMPARE_WITH_TIMEOUT(written.size(), 1, 10000);
            // The engine writes it in the background at once; on its own it waits half a minute.
            QTRY_COMPARE_WITH_TIMEOUT(test::cookiesMissing(slotFolder, host), QString(), 5000);
            QVERIFY(!test::cookiesMissing(SlotProfiles::slotFolder(folder, 2), host).isEmpty());
        }

        QCOMPARE(loginInTheNextRun(folder, 1), login);
    }

    // A member logs in while the disk is full. The engine's write of the login fails, and it never
    // tries again: once there is room, the writer has it written, well before any end.
    void aLoginOnAFullDiskIsWrittenOnceThereIsRoom()
    {
        test::SmallDisk disk;
        if (!disk.usable())
            QSKIP("no small file system can be made here");
        const QString folder = disk.filePath(QStringLiteral("webengine"));
        const QString host = m_forum.url(QStringLiteral("/")).host();
        QString login;
        {
            const std::unique_ptr<SlotProfiles> profiles = SlotProfiles::onDisk(folder);
            CookieWriter writer(profiles->all(), 50);
            QSignalSpy written(&writer, &CookieWriter::written);
            QWebEnginePage page(profiles->profile(0));
            // The cookie file open, as in a run, with no login yet.
            m_forum.clear();
            page.load(m_forum.url(QStringLiteral("/static/logo.gif")));
            QTRY_VERIFY_WITH_TIMEOUT(!m_forum.requests().isEmpty(), 20000);

            QVERIFY(disk.fill());
            page.load(m_forum.url(QStringLiteral("/login.php?member=erin")));
            QTRY_VERIFY_WITH_TIMEOUT(!m_forum.pageRequests().isEmpty(), 20000);
            login = m_forum.pageRequests().last().issuedCookie;
            writer.write(60000); // the engine tries now, and finds no room
            QTRY_COMPARE_WITH_TIMEOUT(written.size(), 1, 10000);
            // Its write goes on in the background, unseen. Passing does not hang on this wait: it
            // lets the write fail before there is room again, so that a writer that does nothing
            // more is caught.
            QTest::qWait(1000);
            QVERIFY(!test::cookiesMissing(folder, host).isEmpty());

            disk.free();
            QTRY_COMPARE_WITH_TIMEOUT(test::cookiesMissing(folder, host), QString(), 5000);
        }
        QCOMPARE(loginInTheNextRun(folder, 0), login);
    }
};

KELVORA_GUI_TEST_MAIN(TestCookieWriter)
#include "tst_cookiewriter.moc"
