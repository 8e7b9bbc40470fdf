#include "platform/singleinstance.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

using namespace kelvora;

// Starts of the program at once, as real processes: exactly one keeps running, and it hears every
// other one ask it to show itself.
namespace {

// A start of the program, as far as the single instance goes: it says whether it is the one that
// runs, then, if it is, each request to show itself; it ends when its input closes.
int childStart()
{
    SingleInstance instance;
    const bool owner = instance.claim();
    std::printf("%s\n", owner ? "owner" : "second");
    std::fflush(stdout);
    if (!owner)
        return 0;
    QObject::connect(&instance, &SingleInstance::showRequested, [] {
        std::printf("shown\n");
        std::fflush(stdout);
    });
    std::thread([] {
        while (std::getchar() != EOF) {
        }
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    }).detach();
    return QCoreApplication::exec();
}

} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void oneOfThreeStartsAtOnceRunsAndHearsTheOthers()
    {
        std::vector<std::unique_ptr<QProcess>> starts;
        for (int i = 0; i < 3; ++i) {
            auto start = std::make_unique<QProcess>();
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("KELVORA_INSTANCE_CHILD"), QStringLiteral("1"));
            start->setProcessEnvironment(env);
            start->start(QCoreApplication::applicationFilePath(), {});
            starts.push_back(std::move(start));
        }
        QStringList said;
        QProcess *owner = nullptr;
        for (auto &start : starts) {
            QTRY_VERIFY_WITH_TIMEOUT(start->canReadLine(), 30000);
            said << QString::fromUtf8(start->readLine()).trimmed();
            if (said.last() == u"owner")
                owner = start.get();
        }
        said.sort();
        QCOMPARE(said,
                 (QStringList{QStringLiteral("owner"), QStringLiteral("second"), QStringLiteral("second")}));
        QByteArray heard;
        QTRY_COMPARE_WITH_TIMEOUT((heard += owner->readAll()).count("shown"), 2, 30000);
        for (auto &start : starts) {
            start->closeWriteChannel();
            QVERIFY(start->state() == QProcess::NotRunning || start->waitForFinished(30000));
            QCOMPARE(start->exitCode(), 0);
        }
    }
};

int main(int argc, char *argv[])
{
    // Each run listens where no other run of the tests, and no running program, does.
    QTemporaryDir runtime;
    if (!qEnvironmentVariableIsSet("KELVORA_INSTANCE_CHILD")) {
        QFile::setPermissions(runtime.path(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    }
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("KELVORA_INSTANCE_CHILD"))
        return childStart();
    TestSingleInstance test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_singleinstance.moc"
