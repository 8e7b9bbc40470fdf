#include "common/fakes.h"
#include "common/sessiontest.h"
#include "common/smalldisk.h"
#include "record/recorder.h"
#include "record/recordstore.h"
#include "web/cookiewriter.h"
#include "web/webpage.h"
#include "web/webprofile.h"
#include "words/words.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <functional>

using namespace kelvora;
using kelvora::test::ForumServer;

// The session keeps forums online with no window at all: a day of it on a fake clock, every
// slot's hourly page generated and recorded, and a restart that resumes all eight.
class TestSession : public QObject
{
    Q_OBJECT

    static constexpr qint64 Hour = 3600 * 1000;

    test::Forums m_forums;
    ForumServer &m_forum = m_forums.forum();
    QTemporaryDir m_folder;
    test::TemporaryProfiles m_profiles;
    test::FakeClock m_clock;
    test::FakeTimers m_timers{m_clock};
    test::FakeAccountStore m_accounts;
    test::FakeInhibitor m_sleepLock;

    std::unique_ptr<SlotSession> makeSession(const QString &stateFile = {},
                                             const SlotProfiles *profiles = nullptr)
    {
        SessionSetup setup;
        setup.stateFile = stateFile.isEmpty() ? m_folder.filePath(QStringLiteral("slots.json")) : stateFile;
        setup.saveRetryMs = 20;
        setup.resumeSpacingMs = 10;
        setup.saveDelayMs = 10;
        setup.timers = &m_timers;
        setup.accounts = &m_accounts;
        setup.sleepInhibitor = &m_sleepLock;
        auto session =
            std::make_unique<SlotSession>(profiles ? *profiles : *m_profiles.get(), m_clock, setup);
        session->loadStartPage(QStringLiteral("about:blank"));
        return session;
    }
    static QString member(int slot) { return QStringLiteral("m%1").arg(slot + 1); }
    // An hour in the slot's own unit: minutes, or seconds for slot 8.
    static int hourPeriod(int slot) { return int(Hour / slotTable()[std::size_t(slot)].tickIntervalMs); }
    // Every slot (of the first `count`) has had `pages` pages generated for its member, and waits for none.
    bool allHavePages(const SlotSession &session, qsizetype pages, int count = SlotCount) const
    {
        const bool all = test::waitUntil(
            [&] {
                for (int i = 0; i < count; ++i) {
                    if (m_forum.pagesFor(member(i)).size() < pages ||
                        session.at(i)->slot().isReloadPending() || session.at(i)->slot().isLoading())
                        return false;
                }
                return true;
            },
            20000);
        if (!all) {
            for (int i = 0; i < count; ++i)
                qWarning() << "slot" << i + 1 << m_forum.pagesFor(member(i)).size() << "pages, reload pending"
                           << session.at(i)->slot().isReloadPending() << "loading"
                           << session.at(i)->slot().isLoading() << "next in"
                           << session.at(i)->slot().msUntilReload();
        }
        return all;
    }

private slots:
    void initTestCase() { QVERIFY(m_folder.isValid()); }

    void aDayKeptOnlineWithoutAWindowThenAllGoOnAfterARestart()
    {
        std::unique_ptr<SlotSession> session = makeSession();
        session->resumeKept(); // a first run: nothing kept
        session->setLateReloads(false);
        Recorder recorder(m_folder.filePath(RecordStore::fileName()), m_clock, 60000);
        QVERIFY(recorder.open());
        for (int i = 0; i < SlotCount; ++i) {
            recorder.follow(i, session->at(i)->slot());
            session->at(i)->open(m_forum.url(QStringLiteral("/thread?member=") + member(i)).toString());
        }
        QVERIFY(allHavePages(*session, 1));
        for (int i = 0; i < SlotCount; ++i) {
            session->at(i)->setTypedPeriod(hourPeriod(i));
            QCOMPARE(session->at(i)->start(), ForumSlot::StartResult::Started);
        }
        for (int hour = 1; hour <= 24; ++hour) {
            m_timers.advance(Hour);
            QVERIFY2(allHavePages(*session, 1 + hour), qPrintable(QStringLiteral("hour %1").arg(hour)));
        }
        for (int i = 0; i < SlotCount; ++i) {
            const ForumSlot &slot = session->at(i)->slot();
            QCOMPARE(m_forum.pagesFor(member(i)).size(), 25); // the open's, then one an hour: no more
            QCOMPARE(slot.onlineTime(), (OnlineTime{24, 0, 0}));
            QVERIFY(slot.lastReload().result.answered());
            QCOMPARE(slot.msUntilReload(), Hour);
        }
        // The record has each slot's 24 reloads, stamped with the session's clock.
        int answered = 0;
        for (const RecordMinute &minute : recorder.read(0).minutes)
            answered += minute.answered;
        QCOMPARE(answered, 24 * SlotCount);
        recorder.close();

        // The program ends and starts again: every slot goes on as it was, on its page.
        session->saveNow();
        session.reset();
        session = makeSession();
        QSignalSpy resumed(session.get(), &SlotSession::slotResumed);
        QSignalSpy resuming(session.get(), &SlotSession::resuming);
        session->resumeKept();
        QCOMPARE(resuming.size(), 1);
        QCOMPARE(resuming.first().first().toInt(), SlotCount);
        QTRY_COMPARE(resumed.size(), SlotCount);
        QVERIFY(allHavePages(*session, 26));
        for (int i = 0; i < SlotCount; ++i) {
            const ForumSlot &slot = session->at(i)->slot();
            QVERIFY(slot.isRunning());
            QCOMPARE(slot.acceptedPeriod(), hourPeriod(i));
            QCOMPARE(m_forum.pagesFor(member(i)).last().cookie,
                     m_forum.pagesFor(member(i)).first().issuedCookie);
        }
        m_timers.advance(Hour); // and on the hour, as the kept state has it
        QVERIFY(allHavePages(*session, 27));

        // Kept awake while they run; after a sleep, every one is back at its forum within moments.
        QCOMPARE(m_sleepLock.calls.last(), QStringLiteral("hold 正在挂机：8 个论坛保持在线"));
        session->systemWoke();
        m_timers.advance(SlotCount * 10);
        QVERIFY(allHavePages(*session, 28));
        for (const auto &runner : *session)
            runner->stop();
        QCOMPARE(m_sleepLock.calls.last(), QStringLiteral("release"));
    }

    // The state file cannot be written for a while (its folder gone, as on a disk that is full or
    // taken away): the file kept is left whole, the user is told once, and what changed meanwhile
    // is written as soon as it can be, and told.
    void aStateThatCannotBeWrittenIsKeptUntilItCan()
    {
        const QString data = m_folder.filePath(QStringLiteral("data"));
        const QString away = m_folder.filePath(QStringLiteral("away"));
        QVERIFY(QDir().mkpath(data));
        const QString path = data + QStringLiteral("/slots.json");
        std::unique_ptr<SlotSession> session = makeSession(path);
        QSignalSpy told(session.get(), &SlotSession::stateKeptChanged);
        session->resumeKept();
        const auto open = [&](int slot) {
            session->at(slot)->open(m_forum.url(QStringLiteral("/thread?member=") + member(slot)).toString());
            QCOMPARE(session->at(slot)->start(), ForumSlot::StartResult::Started);
        };
        open(0);
        session->saveNow();
        QFile kept(path);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        const QByteArray before = kept.readAll();
        kept.close();

        QVERIFY(QDir().rename(data, away));
        QFile blocker(data); // where the folder was, a file: nothing can be written under it
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        open(1);
        open(2);
        QTRY_COMPARE(told.size(), 1);
        QCOMPARE(told.first().at(0).toBool(), false);
        QVERIFY(!told.first().at(1).toString().isEmpty());
        QTest::qWait(100); // tried again meanwhile, and told no more
        QCOMPARE(told.size(), 1);

        QVERIFY(QFile::remove(data));
        QVERIFY(QDir().rename(away, data));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), before); // left whole
        kept.close();
        QTRY_COMPARE(told.size(), 2);
        QCOMPARE(told.last().at(0).toBool(), true);
        const StateRead read = SlotStateFile(path).read();
        for (int slot = 0; slot < 3; ++slot)
            QVERIFY2(read.state.entries[std::size_t(slot)] && read.state.entries[std::size_t(slot)]->running,
                     qPrintable(QString::number(slot)));
    }

    // Four slots run, their members logged in; the disk fills and the program ends on it. With
    // room again, the next start resumes all four, each member still logged in.
    // A slot logs in again by itself, and the program ends: the password is in none of the files the
    // program and its browsers left, whatever form it would take there.
    void aLoginAgainLeavesThePasswordInNoFile()
    {
        QTemporaryDir folder;
        const QString password = QStringLiteral("Pw-ein-密码-7731");
        const QString member = QStringLiteral("relogged"); // a member of its own: its password stays
        m_forum.clear();
        m_forum.setPassword(member, password);
        m_accounts.accounts[0] = {member, password, m_forum.url(QStringLiteral("/loginpage"))};
        auto profiles = SlotProfiles::onDisk(folder.filePath(QStringLiteral("webengine")));
        auto cookies = std::make_unique<CookieWriter>(profiles->all());
        std::unique_ptr<SlotSession> session =
            makeSession(folder.filePath(QStringLiteral("slots.json")), profiles.get());
        session->resumeKept();
        session->setLateReloads(false);
        const ForumSlot &slot = session->at(0)->slot();
        QSignalSpy relogged(&slot, &ForumSlot::reloggedIn);
        session->at(0)->open(m_forum.url(QStringLiteral("/thread?member=") + member).toString());
        QVERIFY(test::waitUntil(
            [&] { return !m_forum.pagesFor(member).isEmpty() && !session->at(0)->slot().isLoading(); },
            20000));
        session->at(0)->setTypedPeriod(1);
        QCOMPARE(session->at(0)->start(), ForumSlot::StartResult::Started);
        QTRY_COMPARE(slot.accountUser(), member);

        m_forum.logOut(member);
        m_timers.advance(60000);
        QTRY_COMPARE_WITH_TIMEOUT(relogged.size(), 1, 20000);
        QVERIFY(!m_forum.isLoggedOut(member));
        QCOMPARE(slot.status(), SlotStatus::Running);
        m_timers.advance(60000);
        QTRY_VERIFY_WITH_TIMEOUT(
            !m_forum.pagesFor(member).isEmpty() && m_forum.pagesFor(member).last().loggedIn, 20000);

        session->saveNow();
        QSignalSpy written(cookies.get(), &CookieWriter::written);
        cookies->write(60000);
        QTRY_COMPARE_WITH_TIMEOUT(written.size(), 1, 10000);
        cookies.reset();
        session.reset();
        profiles.reset();
        m_accounts.accounts.clear();

        const QList<QByteArray> forms{
            password.toUtf8(), QUrl::toPercentEncoding(password),
            QByteArray(reinterpret_cast<const char *>(password.utf16()), password.size() * 2)};
        int files = 0;
        QDirIterator it(folder.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            if (!file.open(QIODevice::ReadOnly)) {
                QVERIFY2(!file.exists(), qPrintable(file.fileName())); // the engine's passing temporary files
                continue;
            }
            const QByteArray content = file.readAll();
            ++files;
            for (const QByteArray &form : forms)
                QVERIFY2(!content.contains(form), qPrintable(file.fileName()));
        }
        QVERIFY(files > 5); // the state, the cookies, the engine's own files
    }

    // The forum logs a member out while the program is off (a reboot overnight): the slot goes on
    // logged out, says so, and logs in again by itself, credited again. A password changed
    // meanwhile, refused in the page as Discuz! X's ajax login refuses it, is tried once, and not
    // again at the next start.
    void aMemberLoggedOutWhileTheProgramWasOffIsBackByItself()
    {
        QTemporaryDir folder;
        const QString stateFile = folder.filePath(QStringLiteral("slots.json"));
        const QString member = QStringLiteral("away"), password = QStringLiteral("pw-away-1");
        m_forum.clear();
        m_forum.setPassword(member, password);
        m_forum.setAjaxLogin(true);
        m_accounts.accounts[1] = {member, password, m_forum.url(QStringLiteral("/loginpage"))};
        const auto attempts = [&] {
            const QList<ForumServer::LoginAttempt> all = m_forum.loginAttempts();
            return std::count_if(all.begin(), all.end(), [&](const auto &a) { return a.member == member; });
        };
        // Profiles of its own, that no other member's cookie is in, kept on disk between the runs.
        auto profiles = SlotProfiles::onDisk(folder.filePath(QStringLiteral("webengine")));
        const auto run = [&](const std::function<void(SlotSession &)> &meanwhile) {
            std::unique_ptr<SlotSession> session = makeSession(stateFile, profiles.get());
            session->resumeKept();
            meanwhile(*session);
            session->saveNow();
        };
        run([&](SlotSession &session) {
            session.at(1)->open(m_forum.url(QStringLiteral("/thread?member=") + member).toString());
            QVERIFY(test::waitUntil(
                [&] { return !m_forum.pagesFor(member).isEmpty() && !session.at(1)->slot().isLoading(); },
                20000));
            session.at(1)->setTypedPeriod(1);
            QCOMPARE(session.at(1)->start(), ForumSlot::StartResult::Started);
        });

        m_forum.logOut(member);
        run([&](SlotSession &session) {
            const ForumSlot &slot = session.at(1)->slot();
            QSignalSpy relogged(&slot, &ForumSlot::reloggedIn);
            QTRY_COMPARE_WITH_TIMEOUT(relogged.size(), 1, 20000);
            QCOMPARE(attempts(), 1);
            m_timers.advance(60000);
            QTRY_VERIFY_WITH_TIMEOUT(!m_forum.pagesFor(member).isEmpty() &&
                                         m_forum.pagesFor(member).last().loggedIn &&
                                         m_forum.pagesFor(member).last().path == u"/thread",
                                     20000);
            QCOMPARE(slot.status(), SlotStatus::Running);
        });

        m_forum.logOut(member);
        m_forum.setPassword(member, QStringLiteral("pw-away-2")); // changed on the forum's site
        run([&](SlotSession &session) {
            const ForumSlot &slot = session.at(1)->slot();
            QSignalSpy failed(&slot, &ForumSlot::reloginFailed);
            QTRY_COMPARE_WITH_TIMEOUT(failed.size(), 1, 20000);
            QCOMPARE(failed.first().at(0).value<ReloginPlan::Failure>(), ReloginPlan::Failure::WrongPassword);
            QVERIFY(failed.first().at(1).toBool()); // given up at once
            QCOMPARE(slot.status(), SlotStatus::LoggedOut);
        });
        run([&](SlotSession &session) {
            const ForumSlot &slot = session.at(1)->slot();
            QTRY_COMPARE_WITH_TIMEOUT(slot.status(), SlotStatus::LoggedOut, 20000);
            m_timers.advance(2 * 60000);
            QTRY_VERIFY_WITH_TIMEOUT(
                m_forum.pagesFor(member).size() >= 2 && !session.at(1)->slot().isLoading(), 20000);
            QCOMPARE(slot.report().relogin, ReloginPlan::State::GivenUp);
        });
        QCOMPARE(attempts(), 2); // the first login, and the refused one: never again
        m_forum.setAjaxLogin(false);
        m_accounts.accounts.clear();
    }

    // The record on a disk that is full from the start, and one that fills: each told once, and
    // written by itself as soon as there is room, beginning with the slots as they are then.
    void theRecordGoesOnOnceAFullDiskHasRoom()
    {
        test::SmallDisk disk;
        if (!disk.usable())
            QSKIP("no small file system can be made here");
        test::FakeBrowser browser;
        ForumSlot slot{browser, m_clock, m_timers, slotTable()[0], nullptr, false};
        slot.open(QStringLiteral("http://127.0.0.1/forum"));
        slot.start();
        QVERIFY(disk.fill());
        Recorder recorder(disk.filePath(QStringLiteral("record-full.sqlite")), m_clock, 50);
        QSignalSpy problems(&recorder, &Recorder::problem);
        QSignalSpy failing(&recorder, &Recorder::writeFailing);
        recorder.follow(0, slot);
        QVERIFY(!recorder.open());
        QTest::qWait(200); // tried again meanwhile
        QCOMPARE(problems.size(), 1);
        disk.free();
        QTRY_VERIFY(recorder.store());
        const auto running = [&] {
            const RecordData data = recorder.read(0);
            return recordStrip(data, 0, data.events.front().atMs, recorder.nowMs() + 1, true)
                       .spans.back()
                       .state == RecordState::Online;
        };
        QVERIFY(running());

        QVERIFY(disk.fill());
        const qint64 before = recorder.nowMs();
        for (int i = 0; i < 200 && failing.isEmpty(); ++i) { // until the log needs a page more
            slot.stop();
            slot.start();
        }
        QCOMPARE(failing.size(), 1);
        slot.stop();
        disk.free();
        slot.start();
        const RecordData data = recorder.read(0);
        QVERIFY(data.events.back().atMs >= before);
        QCOMPARE(data.events.back().kind, RecordKind::Started);
        QCOMPARE(failing.size(), 1); // told once
        QCOMPARE(problems.size(), 1);
    }

    void aQuitOnAFullDiskResumesEverySlotLoggedIn()
    {
        test::SmallDisk disk;
        if (!disk.usable())
            QSKIP("no small file system can be made here");
        m_forum.clear();
        constexpr int Running = 4;
        const QString path = disk.filePath(QStringLiteral("slots.json"));
        auto profiles = SlotProfiles::onDisk(disk.filePath(QStringLiteral("webengine")));
        auto cookies = std::make_unique<CookieWriter>(profiles->all());
        std::unique_ptr<SlotSession> session = makeSession(path, profiles.get());
        QSignalSpy told(session.get(), &SlotSession::stateKeptChanged);
        session->resumeKept();
        for (int i = 0; i < Running; ++i) {
            session->at(i)->open(m_forum.url(QStringLiteral("/thread?member=") + member(i)).toString());
            QCOMPARE(session->at(i)->start(), ForumSlot::StartResult::Started);
        }
        QVERIFY(allHavePages(*session, 1, Running));
        const auto save = [&] {
            session->saveNow();
            QSignalSpy written(cookies.get(), &CookieWriter::written);
            cookies->write(60000);
            QTRY_COMPARE_WITH_TIMEOUT(written.size(), 1, 10000);
        };
        save(); // the state and the logins on disk, as half a minute after a change

        QVERIFY(disk.fill());
        save(); // and the end
        cookies.reset();
        session.reset();
        profiles.reset();
        QCOMPARE(told.size(), 1); // the end's state could not be written: the one before it stands
        disk.free();
        profiles = SlotProfiles::onDisk(disk.filePath(QStringLiteral("webengine")));
        session = makeSession(path, profiles.get());
        QSignalSpy resumed(session.get(), &SlotSession::slotResumed);
        session->resumeKept();
        QTRY_COMPARE(resumed.size(), Running);
        QVERIFY(allHavePages(*session, 2, Running));
        for (int i = 0; i < Running; ++i) {
            QVERIFY(session->at(i)->slot().isRunning());
            QCOMPARE(m_forum.pagesFor(member(i)).last().cookie,
                     m_forum.pagesFor(member(i)).first().issuedCookie);
        }
        session.reset();
    }
};

KELVORA_SESSION_TEST_MAIN(TestSession)
#include "tst_session.moc"
