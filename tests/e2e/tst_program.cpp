#include "common/forumserver.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using kelvora::test::ForumServer;

// Starts the real program as a new user would, with a home of its own, and drives it from outside.
class TestProgram : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
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

    void start()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_home.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), m_home.filePath(QStringLiteral("cache")));
        m_program.setProcessEnvironment(env);
        m_program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_program.start(QStringLiteral(KELVORA_EXECUTABLE), {});
        QVERIFY(m_program.waitForStarted());
    }

    // Waits up to ten seconds for the main window; empty when it does not come.
    static QString mainWindow()
    {
        QElapsedTimer waited;
        waited.start();
        QString window;
        while ((window = visibleWindow(QStringLiteral("Kelvora"))).isEmpty() && waited.elapsed() < 10000)
            QTest::qWait(100);
        return window;
    }

    // Alt+F4 through the window manager, as a user closes a window; false when there is none.
    static bool closeByKeyboard(const QString &window)
    {
        if (!xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), window}))
            return false;
        return xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("alt+F4")});
    }

    // Types an address into slot 1's address box and presses its open button.
    static void openInSlotOne(const QString &w, const QString &address)
    {
        xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), w});
        xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), w, QStringLiteral("227"),
                 QStringLiteral("99"), QStringLiteral("click"), QStringLiteral("1")});
        xdotool({QStringLiteral("key"), QStringLiteral("ctrl+a")});
        xdotool({QStringLiteral("type"), address});
        xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), w, QStringLiteral("423"),
                 QStringLiteral("103"), QStringLiteral("click"), QStringLiteral("1")});
    }

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            QSKIP("xdotool is needed to drive the program from outside");
        if (!QFile::exists(QStringLiteral("/proc/self/stat")))
            QSKIP("helper processes are looked for in /proc");
    }

    void firstStartShowsSplashThenMainAndClosesCleanly()
    {
        start();
        const QString listPath = m_home.filePath(QStringLiteral("data/kelvora/kelvora/userbbs.dat"));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(listPath), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!visibleWindow(QStringLiteral("Form1")).isEmpty(), 10000);
        QVERIFY(visibleWindow(QStringLiteral("Kelvora")).isEmpty());

        const QString window = mainWindow();
        QVERIFY(!window.isEmpty());
        QVERIFY(visibleWindow(QStringLiteral("Form1")).isEmpty());
        QCOMPARE(QFileInfo(listPath).size(), 409);

        // Let the browsers' helper processes come up, then close the window as a user would.
        QTRY_VERIFY_WITH_TIMEOUT(!descendants(m_program.processId()).isEmpty(), 10000);
        QTest::qWait(1000);
        const QList<qint64> helpers = descendants(m_program.processId());
        if (!closeByKeyboard(window))
            QSKIP("no window manager to ask the window to close");

        QVERIFY(m_program.waitForFinished(10000));
        QCOMPARE(m_program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_program.exitCode(), 0);
        auto anyAlive = [&helpers] {
            return std::any_of(helpers.begin(), helpers.end(),
                               [](qint64 pid) { return QFile::exists(QStringLiteral("/proc/%1").arg(pid)); });
        };
        QTRY_VERIFY_WITH_TIMEOUT(!anyAlive(), 5000);
    }

    void loginSurvivesARestart()
    {
        ForumServer forum;
        QVERIFY(forum.listen(QHostAddress(QStringLiteral("127.0.0.1"))));
        const QString address = forum.url(QStringLiteral("/login.php")).toString();

        start();
        QString window = mainWindow();
        QVERIFY(!window.isEmpty());
        openInSlotOne(window, address);
        QTRY_VERIFY_WITH_TIMEOUT(!forum.pageRequests().isEmpty(), 10000);
        const QString login = forum.pageRequests().first().issuedCookie;
        QVERIFY(!login.isEmpty());
        if (!closeByKeyboard(window))
            QSKIP("no window manager to ask the window to close");
        QVERIFY(m_program.waitForFinished(10000));

        start();
        window = mainWindow();
        QVERIFY(!window.isEmpty());
        openInSlotOne(window, address);
        QTRY_VERIFY_WITH_TIMEOUT(forum.pageRequests().size() >= 2, 10000);
        QCOMPARE(forum.pageRequests().last().cookie, login);
        QVERIFY(closeByKeyboard(window));
        QVERIFY(m_program.waitForFinished(10000));
    }

    void cleanupTestCase()
    {
        if (m_program.state() != QProcess::NotRunning) {
            m_program.kill();
            m_program.waitForFinished();
        }
    }
};

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
