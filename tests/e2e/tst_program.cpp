#include "common/cookiefiles.h"
#include "common/forumserver.h"
#include "common/recordchanges.h"
#include "record/recordstore.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using kelvora::test::ForumServer;

// Starts the real program as a new user would, with a home of its own, and drives it from outside.
class TestProgram : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_home; ///< every test's own, so none sees what another left
    QProcess m_program;

    static bool xdotool(const QStringList &arguments, QString *output = nullptr)
    {
        QProcess tool;
        tool.start(QStringLiteral("xdotool"), arguments);
        const bool ok = tool.waitForFinished(10000) && tool.exitCode() == 0;
        if (output)
            *output = QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
        return ok;
    }
    static QString visibleWindow(const QString &name)
    {
        QString found;
        xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                 QStringLiteral("^%1$").arg(name)},
                &found);
        return found.section(QLatin1Char('\n'), 0, 0);
    }

    // Every process below `pid`, helpers of helpers included.
    static QList<qint64> descendants(qint64 pid)
    {
        QMultiHash<qint64, qint64> children;
        for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
            bool isPid = false;
            const qint64 child = entry.toLongLong(&isPid);
            QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
            if (!isPid || !stat.open(QIODevice::ReadOnly))
                continue;
            // The parent's pid is the second field after the command name in parentheses.
            const QByteArray line = stat.readAll();
            const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
            if (fields.size() > 1)
                children.insert(fields[1].toLongLong(), child);
        }
        QList<qint64> found;
        QList<qint64> pending{pid};
        while (!pending.isEmpty()) {
            const QList<qint64> next = children.values(pending.takeFirst());
            found += next;
            pending += next;
        }
        return found;
    }

    // Whether any of these processes still runs.
    static bool anyAlive(const QList<qint64> &pids)
    {
        return std::any_of(pids.begin(), pids.end(),
                           [](qint64 pid) { return QFile::exists(QStringLiteral("/proc/%1").arg(pid)); });
    }
    // A file in the program's data folder, where its address list, slots and browsers live.
    QString dataPath(const QString &name) const
    {
        return m_home->filePath(QStringLiteral("data/kelvora/kelvora/") + name);
    }

    [[nodiscard]] bool start()
    {
        m_program.setProcessEnvironment(environment());
        m_program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_program.start(QStringLiteral(KELVORA_EXECUTABLE), {});
        return m_program.waitForStarted();
    }
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_home->filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home->filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), m_home->filePath(QStringLiteral("cache")));
        // The one-instance channel lives here: a program the developer is running stays out of it.
        const QString runtime = m_home->filePath(QStringLiteral("runtime"));
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        return env;
    }

    // The main window's caption: the program's name, or the shown slot's and its page's.
    static QString mainWindowName() { return QStringLiteral("(Kelvora|论坛[^：]*：.*)"); }
    // Waits up to twenty seconds for the main window; empty when it does not come.
    static QString mainWindow()
    {
        QString window;
        if (!QTest::qWaitFor([&window] { return !(window = visibleWindow(mainWindowName())).isEmpty(); },
                             20000))
            qWarning("no main window came in twenty seconds");
        return window;
    }

    // Alt+F4 through the window manager, as a user closes a window; false when there is none.
    // A window manager that the desktop session has just started again takes a moment to take
    // the window back, so the activation is tried for a while.
    static bool closeByKeyboard(const QString &window)
    {
        if (!QTest::qWaitFor(
                [&window] {
                    return xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), window});
                },
                15000))
            return false;
        return xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("alt+F4")});
    }
    // The running window manager's name, or why there is none.
    static QString windowManager()
    {
        QProcess xprop;
        xprop.start(QStringLiteral("xprop"),
                    {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
        xprop.waitForFinished(5000);
        const QString check =
            QString::fromUtf8(xprop.readAllStandardOutput()).section(QLatin1Char('#'), 1).trimmed();
        if (check.isEmpty())
            return QStringLiteral("no window manager has announced itself");
        xprop.start(QStringLiteral("xprop"), {QStringLiteral("-id"), check, QStringLiteral("_NET_WM_NAME")});
        if (!xprop.waitForFinished(5000) || xprop.exitCode() != 0)
            return QStringLiteral("the window manager that announced itself is gone");
        return QString::fromUtf8(xprop.readAllStandardOutput()).section(QLatin1Char('='), 1).trimmed();
    }

    // Shows a slot's panel with its switch button, types an address into its address box and
    // presses its open button. The panels lie on one another, so the boxes are in one place.
    static void openInSlot(const QString &w, int slotIndex, const QString &address)
    {
        const int switchX = (1800 + 840 * slotIndex + 427) / 15;
        xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), w});
        clickAt(w, switchX, 16);
        clickAt(w, 227, 99);
        xdotool({QStringLiteral("key"), QStringLiteral("ctrl+a")});
        xdotool({QStringLiteral("type"), address});
        clickAt(w, 423, 103);
    }
    static void clickAt(const QString &w, int x, int y)
    {
        xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), w, QString::number(x),
                 QString::number(y), QStringLiteral("click"), QStringLiteral("1")});
    }
    // Every page the forum was asked for, with its query and login cookie, for a failure's message.
    static QString pagesAsked(const ForumServer &forum)
    {
        QStringList asked;
        for (const ForumServer::Request &r : forum.pageRequests())
            asked << QStringLiteral("%1?%2 (%3)").arg(r.path, r.query, r.cookie);
        return asked.join(QStringLiteral(", "));
    }
    // What the program kept of its slots when it ended, for a failure's message.
    QString slotsKept() const
    {
        QFile kept(dataPath(QStringLiteral("slots.json")));
        return kept.open(QIODevice::ReadOnly) ? QString::fromUtf8(kept.readAll()).simplified()
                                              : QStringLiteral("(nothing)");
    }
    // Whether slot `slotIndex`'s browser has a cookie of `host` in its cookie file.
    // Empty when slot `slotIndex`'s cookie file holds a cookie of `host`; otherwise why not.
    QString cookiesMissing(int slotIndex, const QString &host) const
    {
        QString folder = dataPath(QStringLiteral("webengine"));
        if (slotIndex > 0)
            folder += QStringLiteral("-%1").arg(slotIndex + 1);
        return kelvora::test::cookiesMissing(folder, host);
    }
    // The login cookie `member` was given, once the loaded page has sent it back: the browser holds it.
    static QString loginStoredBy(const ForumServer &forum, const QString &member)
    {
        for (const ForumServer::Request &r : forum.requests()) {
            if (r.path == u"/answer" && !r.cookie.isEmpty() && r.cookie.startsWith(member))
                return r.cookie;
        }
        return {};
    }
    // Closes the window as a user does; what went wrong, empty when the program ended cleanly.
    [[nodiscard]] QString stop(const QString &window)
    {
        if (!closeByKeyboard(window))
            return QStringLiteral("the window could not be closed with Alt+F4 (window manager: %1)")
                .arg(windowManager());
        if (!m_program.waitForFinished(20000))
            return QStringLiteral("the program did not end");
        if (m_program.exitStatus() != QProcess::NormalExit || m_program.exitCode() != 0)
            return QStringLiteral("the program ended with %1 (%2)")
                .arg(m_program.exitCode())
                .arg(m_program.exitStatus() == QProcess::CrashExit ? "crashed" : "normal exit");
        return {};
    }

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            QSKIP("xdotool is needed to drive the program from outside");
        if (!QFile::exists(QStringLiteral("/proc/self/stat")))
            QSKIP("helper processes are looked for in /proc");
    }

    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        QVERIFY(m_home->isValid());
    }

    void firstStartShowsSplashThenMainAndClosesCleanly()
    {
        QVERIFY(start());
        const QString listPath = dataPath(QStringLiteral("userbbs.dat"));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(listPath), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!visibleWindow(QStringLiteral("Form1")).isEmpty(), 10000);
        QVERIFY(visibleWindow(mainWindowName()).isEmpty());

        const QString window = mainWindow();
        QVERIFY(!window.isEmpty());
        QVERIFY(visibleWindow(QStringLiteral("Form1")).isEmpty());
        QCOMPARE(QFileInfo(listPath).size(), 409);

        // Let the browsers' helper processes come up, then close the window as a user would.
        QList<qint64> helpers;
        QTRY_VERIFY_WITH_TIMEOUT((helpers = descendants(m_program.processId())).size() >= 3, 20000);
        if (!closeByKeyboard(window))
            QSKIP(qPrintable(
                QStringLiteral("no window manager to ask the window to close: %1").arg(windowManager())));

        QVERIFY(m_program.waitForFinished(10000));
        QCOMPARE(m_program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_program.exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!anyAlive(helpers), 5000);
    }

    void twoMembersOfOneForumStayLoggedInAcrossARestart()
    {
        ForumServer forum;
        QVERIFY(forum.listen(QHostAddress(QStringLiteral("127.0.0.2"))));
        // Bob did not tick "remember me": his login is a session cookie, kept all the same.
        auto address = [&forum](const char *member) {
            return forum
                .url(QStringLiteral("/login.php?member=%1%2")
                         .arg(QLatin1String(member), qstrcmp(member, "bob") == 0 ? "&remember=0" : ""))
                .toString();
        };

        QVERIFY(start());
        QString window = mainWindow();
        QVERIFY(!window.isEmpty());
        openInSlot(window, 0, address("alice"));
        openInSlot(window, 1, address("bob"));
        QTRY_VERIFY_WITH_TIMEOUT(!loginStoredBy(forum, QStringLiteral("alice")).isEmpty(), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(!loginStoredBy(forum, QStringLiteral("bob")).isEmpty(), 20000);
        const QString alice = loginStoredBy(forum, QStringLiteral("alice"));
        const QString bob = loginStoredBy(forum, QStringLiteral("bob"));
        QCOMPARE(stop(window), QString());
        const QString host = forum.url(QStringLiteral("/")).host();
        QCOMPARE(cookiesMissing(0, host), QString());
        QCOMPARE(cookiesMissing(1, host), QString());

        forum.clear();
        QVERIFY(start());
        window = mainWindow();
        QVERIFY(!window.isEmpty());
        openInSlot(window, 0, forum.url(QStringLiteral("/thread")).toString());
        openInSlot(window, 1, forum.url(QStringLiteral("/thread")).toString());
        // The slots come back open on their login pages by themselves; the threads opened now count.
        const auto sentForThreads = [&forum] {
            QStringList sent;
            for (const ForumServer::Request &r : forum.pageRequests()) {
                if (r.path == u"/thread")
                    sent << r.cookie;
            }
            return sent;
        };
        QTRY_VERIFY2_WITH_TIMEOUT(sentForThreads().size() >= 2, qPrintable(pagesAsked(forum)), 20000);
        const QStringList sent = sentForThreads();
        const QString asked = pagesAsked(forum);
        QCOMPARE(stop(window), QString());
        QVERIFY2(sent == (QStringList{alice, bob}),
                 qPrintable(QStringLiteral("%1; the slots kept: %2").arg(asked, slotsKept())));
    }

    void aSignalEndsTheProgramWithItsLoginsSaved()
    {
        ForumServer forum;
        QVERIFY(forum.listen(QHostAddress(QStringLiteral("127.0.0.3"))));
        QVERIFY(start());
        QString window = mainWindow();
        QVERIFY(!window.isEmpty());
        openInSlot(window, 0, forum.url(QStringLiteral("/login.php?member=carol&remember=0")).toString());
        // The page has sent its new login back: the browser holds it. The signal comes at once.
        QTRY_VERIFY_WITH_TIMEOUT(!loginStoredBy(forum, QStringLiteral("carol")).isEmpty(), 20000);
        const QString login = loginStoredBy(forum, QStringLiteral("carol"));
        const QList<qint64> helpers = descendants(m_program.processId());
        m_program.terminate();
        QVERIFY(m_program.waitForFinished(20000));
        QCOMPARE(m_program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_program.exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!anyAlive(helpers), 5000);
        // The login is on disk before the program is gone.
        QCOMPARE(cookiesMissing(0, forum.url(QStringLiteral("/")).host()), QString());

        forum.clear();
        QVERIFY(start());
        window = mainWindow();
        QVERIFY(!window.isEmpty());
        openInSlot(window, 0, forum.url(QStringLiteral("/thread")).toString());
        QTRY_VERIFY_WITH_TIMEOUT(!forum.pageRequests().isEmpty(), 20000);
        const bool loggedIn = forum.pageRequests().first().cookie == login;
        const QString asked = pagesAsked(forum);
        QCOMPARE(stop(window), QString());
        QVERIFY2(loggedIn, qPrintable(QStringLiteral("%1; the slots kept: %2").arg(asked, slotsKept())));
    }

    void aRunningSlotGoesOnAfterARestart()
    {
        ForumServer forum;
        QVERIFY(forum.listen(QHostAddress(QStringLiteral("127.0.0.5"))));
        QVERIFY(start());
        QString window = mainWindow();
        QVERIFY(!window.isEmpty());
        // Slot 8, every 2 seconds.
        openInSlot(window, 7, forum.url(QStringLiteral("/kept?member=dora")).toString());
        clickAt(window, 147, 139);
        xdotool({QStringLiteral("key"), QStringLiteral("ctrl+a")});
        xdotool({QStringLiteral("type"), QStringLiteral("2")});
        clickAt(window, 431, 139);
        QTRY_VERIFY_WITH_TIMEOUT(forum.pagesFor(QStringLiteral("dora")).size() >= 3, 20000);

        // Ended by a signal, as a shutdown does, then started again: slot 8 runs on by itself.
        m_program.terminate();
        QVERIFY(m_program.waitForFinished(20000));
        QCOMPARE(m_program.exitCode(), 0);
        forum.clear();
        QVERIFY(start());
        window = mainWindow();
        QVERIFY(!window.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(forum.pagesFor(QStringLiteral("dora")).size() >= 3, 20000);
        const QList<ForumServer::Request> pages = forum.pagesFor(QStringLiteral("dora"));
        QCOMPARE(pages.first().path, QStringLiteral("/kept"));
        // Its period came back too: its reloads are two seconds apart, not one.
        QVERIFY(pages[2].elapsedMs - pages[1].elapsedMs > 1500);

        // Killed outright: the record still holds both runs, each reload answered in the second.
        m_program.kill();
        QVERIFY(m_program.waitForFinished(20000));
        const qsizetype reloaded =
            forum.pagesFor(QStringLiteral("dora")).size() - 1; // the first is the resume's open
        kelvora::RecordStore record(dataPath(kelvora::RecordStore::fileName()));
        QVERIFY(record.open());
        const kelvora::RecordData data = record.read(0);
        // This test's two runs, after the earlier tests' runs in the same home: started, slot 8
        // opened and started, ended; started, slot 8 resumed (an open and a start), and no end.
        const QString runs = kelvora::test::recordedChanges(data, 7);
        QVERIFY2(runs.endsWith(QStringLiteral("-1:2 -1:1 7:10 7:11 -1:2 -1:1 7:13 7:10 7:11")) ||
                     runs == QStringLiteral("-1:1 7:10 7:11 -1:2 -1:1 7:13 7:10 7:11"),
                 qPrintable(runs));
        int answered = 0;
        for (const kelvora::RecordMinute &minute : data.minutes)
            answered += minute.answered;
        QVERIFY2(answered >= reloaded - 1,
                 qPrintable(QStringLiteral("%1 of %2").arg(answered).arg(reloaded)));
        // The killed run ended at its last mark of being alive, not at some later start.
        const kelvora::RecordStrip strip = kelvora::recordStrip(data, 7, data.events.front().atMs,
                                                                QDateTime::currentMSecsSinceEpoch(), false);
        QCOMPARE(strip.spans.back().state, kelvora::RecordState::NotRunning);
    }

    void aQuestionOnScreenHoldsUpNoWayOut()
    {
        ForumServer forum;
        QVERIFY(forum.listen(QHostAddress(QStringLiteral("127.0.0.4"))));
        for (const bool bySignal : {true, false}) {
            QVERIFY(start());
            const QString window = mainWindow();
            QVERIFY(!window.isEmpty());
            // Slot 1 is on screen: its page's question is asked, for up to ten seconds.
            openInSlot(window, 0, forum.url(QStringLiteral("/confirm")).toString());
            QTRY_VERIFY_WITH_TIMEOUT(!visibleWindow(QStringLiteral("论坛一：网页消息")).isEmpty(), 20000);
            QElapsedTimer ending;
            ending.start();
            if (bySignal)
                m_program.terminate();
            else
                QVERIFY2(closeByKeyboard(window), qPrintable(windowManager()));
            QVERIFY(m_program.waitForFinished(20000));
            QCOMPARE(m_program.exitCode(), 0);
            // Well before the question's own ten seconds are up.
            QVERIFY2(ending.elapsed() < 9000, qPrintable(QString::number(ending.elapsed())));
        }
    }

    void aSecondStartBringsTheFirstForwardAndEnds()
    {
        QVERIFY(start());
        QString window = mainWindow();
        QVERIFY(!window.isEmpty());
        // Minimised, the window goes to the tray, as it does for a user who leaves it running.
        QVERIFY(xdotool({QStringLiteral("windowminimize"), QStringLiteral("--sync"), window}));
        QTRY_VERIFY2_WITH_TIMEOUT(visibleWindow(mainWindowName()).isEmpty(), qPrintable(windowManager()),
                                  10000);

        QProcess second;
        second.setProcessEnvironment(environment());
        second.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        second.start(QStringLiteral(KELVORA_EXECUTABLE), {});
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(!mainWindow().isEmpty());
        QCOMPARE(m_program.state(), QProcess::Running);

        // After a crash the channel is stale: the next start works at once all the same.
        m_program.kill();
        QVERIFY(m_program.waitForFinished(10000));
        QVERIFY(start());
        window = mainWindow();
        QVERIFY(!window.isEmpty());
        QCOMPARE(stop(window), QString());
    }

    // Whatever a test left running ends with it, so the next one starts afresh.
    void cleanup()
    {
        if (m_program.state() == QProcess::NotRunning)
            return;
        const QList<qint64> helpers = descendants(m_program.processId());
        m_program.kill();
        m_program.waitForFinished();
        for (const qint64 pid : helpers)
            QProcess::execute(QStringLiteral("kill"), {QStringLiteral("-9"), QString::number(pid)});
    }
};

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
