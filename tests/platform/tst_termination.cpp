#include "platform/termination.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <cstdio>

using namespace kelvora;

// The system asks a running program to end, as it does at a logoff or a shutdown: the program's
// own end, which takes its time as the browsers' writing out does, is over before the process is.
namespace {

constexpr char ChildVariable[] = "KELVORA_TERMINATION_CHILD";

void say(const char *line)
{
    std::printf("%s\n", line);
    std::fflush(stdout);
}

// A program as far as its end goes: asked to end, it writes its state a while later and only then
// quits. With "window" it shows a window, otherwise it lives in the tray alone.
int childProgram(const QString &how, const QString &stateFile)
{
    QObject program;
    QWidget window;
    window.setWindowTitle(QStringLiteral("child"));
    if (how == u"window")
        window.show();
    onTerminationRequest(&program, [&program, stateFile] {
        say("asked");
        QTimer::singleShot(800, &program, [stateFile] {
            QFile state(stateFile);
            if (state.open(QIODevice::WriteOnly))
                state.write("kept\n");
            state.close();
            QCoreApplication::quit();
        });
    });
    QTimer::singleShot(0, [] { say("ready"); });
    const int code = QApplication::exec();
    say("ended");
    return code;
}

bool onWindows()
{
    return QSysInfo::kernelType() == u"winnt";
}

} // namespace

class TestTermination : public QObject
{
    Q_OBJECT

private slots:
    void theProgramsEndIsOverBeforeTheProcessIs_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("a window shown") << QStringLiteral("window");
        // On Windows nothing but a top-level window hears the session's end.
        QTest::newRow("in the tray alone") << QStringLiteral("tray");
    }
    void theProgramsEndIsOverBeforeTheProcessIs()
    {
        QFETCH(QString, how);
        QTemporaryDir folder;
        const QString stateFile = folder.filePath(QStringLiteral("state"));
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QLatin1String(ChildVariable), how);
        env.insert(QStringLiteral("KELVORA_TERMINATION_STATE"), stateFile);
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {});
        QTRY_VERIFY_WITH_TIMEOUT(child.canReadLine(), 30000);
        QCOMPARE(child.readLine().trimmed(), QByteArray("ready"));

        if (onWindows()) {
            // The session's end as Windows makes it: WM_QUERYENDSESSION, WM_ENDSESSION to every
            // top-level window, then the process is ended if it still runs. Wine's wineboot does that.
            QProcess session;
            session.start(QStringLiteral("wineboot.exe"), {QStringLiteral("-e")});
            if (!session.waitForStarted(30000))
                QSKIP("ending the session needs Wine's wineboot");
            QVERIFY(session.waitForFinished(60000));
        } else {
            child.terminate(); // SIGTERM, as the session's end sends it
        }
        QVERIFY(child.state() == QProcess::NotRunning || child.waitForFinished(30000));
        QFile state(stateFile);
        QVERIFY2(state.open(QIODevice::ReadOnly), "the process ended before the program wrote its state");
        QCOMPARE(state.readAll(), QByteArray("kept\n"));
        QList<QByteArray> said = child.readAllStandardOutput().split('\n');
        for (QByteArray &line : said)
            line = line.trimmed(); // Windows ends them with \r\n
        QCOMPARE(said.count("asked"), 1);
        if (!onWindows()) {
            // Windows may end the process once it has answered; elsewhere main() returns.
            QCOMPARE(child.exitStatus(), QProcess::NormalExit);
            QCOMPARE(child.exitCode(), 0);
            QVERIFY(said.contains("ended"));
        }
    }
};

int main(int argc, char *argv[])
{
    const QString how = qEnvironmentVariable(ChildVariable);
    if (!how.isEmpty()) {
        QApplication app(argc, argv);
        return childProgram(how, qEnvironmentVariable("KELVORA_TERMINATION_STATE"));
    }
    QCoreApplication app(argc, argv);
    TestTermination test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_termination.moc"
