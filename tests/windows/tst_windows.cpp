#include "platform/autostart.h"
#include "platform/power.h"
#include "platform/urllistlocation.h"
#include "record/recordstore.h"
#include "words/words.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <windows.h>

using namespace kelvora;

// What the program does its own way on Windows, run as a Windows program (under Wine here, in a
// Wine prefix made for the run): the Run key, where the address list lives and in which code page
// it is written, the record's file under Windows' rules for a file another program holds, and the
// power request that keeps the machine awake with the wake Windows tells of.
class TestWindows : public QObject
{
    Q_OBJECT

    const QString RunKey =
        QStringLiteral("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");

private slots:
    // Wine 8 has no power requests (PowerCreateRequest answers ERROR_CALL_NOT_IMPLEMENTED): what is
    // tested here is the way the program then takes, SetThreadExecutionState, held and let go, and
    // that the hidden window hears Windows' word of a suspend and a resume.
    void aPowerRequestIsHeldAndAResumeIsHeard()
    {
        SystemPower power;
        QSignalSpy refused(&power, &SystemPower::refused);
        QSignalSpy woke(&power, &SystemPower::woke);
        QSignalSpy sleeping(&power, &SystemPower::sleeping);
        power.hold(QStringLiteral("正在挂机：2 个论坛保持在线"));
        QVERIFY(power.isHeld());
        power.hold(QStringLiteral("正在挂机：1 个论坛保持在线")); // a new reason: a new request
        QVERIFY(power.isHeld());
        power.release();
        QVERIFY(!power.isHeld());
        QCOMPARE(refused.size(), 0);

        const HWND window = FindWindowW(L"KelvoraPower", nullptr);
        QVERIFY(window);
        PostMessageW(window, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
        PostMessageW(window, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
        QTRY_COMPARE(woke.size(), 1);
        QCOMPARE(sleeping.size(), 1);
    }

    void theRunKeyStartsTheProgramMinimisedUntilTurnedOff()
    {
        AutostartFailure failure;
        const QString name = autostartEntryName();
        QVERIFY(!startsWithSession());
        QVERIFY2(setStartsWithSession(true, name, &failure), qPrintable(autostartFailureText(failure)));
        QVERIFY(startsWithSession());
        // Quoted, as the path may hold spaces ("C:\Program Files\…").
        const QString expected = QStringLiteral("\"%1\" --minimized")
                                     .arg(QDir::toNativeSeparators(QCoreApplication::applicationFilePath()));
        QCOMPARE(QSettings(RunKey, QSettings::NativeFormat).value(QStringLiteral("Kelvora")).toString(),
                 expected);
        QVERIFY2(setStartsWithSession(false, name, &failure), qPrintable(autostartFailureText(failure)));
        QVERIFY(!startsWithSession());
        QVERIFY(!QSettings(RunKey, QSettings::NativeFormat).contains(QStringLiteral("Kelvora")));
        QVERIFY(setStartsWithSession(false, name, &failure)); // off again is no fault
    }

    // The list an earlier version left in the user's VirtualStore seeds the one in AppData, once,
    // and the list is read and written in the ANSI code page: Chinese in GBK under 936, refused
    // (the file kept as it was) under 1252.
    void theAddressListLivesInAppDataInTheAnsiCodePage()
    {
        const QString appData = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        const QString store = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                              QStringLiteral("/VirtualStore/Windows/System32");
        QVERIFY(QDir().mkpath(store));
        const QByteArray earlier = "http://bbs.example.cn/\r\nhttp://127.0.0.1/\r\n";
        {
            QFile file(store + QStringLiteral("/userbbs.dat"));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(earlier);
        }
        QFile::remove(appData + QStringLiteral("/userbbs.dat"));
        const UrlListFile list = userUrlListFile();
        QCOMPARE(QDir::cleanPath(list.path()), QDir::cleanPath(appData + QStringLiteral("/userbbs.dat")));
        QCOMPARE(list.readEntries().entries, (QStringList{QStringLiteral("http://bbs.example.cn/"),
                                                          QStringLiteral("http://127.0.0.1/")}));
        QVERIFY(QFile::remove(store + QStringLiteral("/userbbs.dat")));
        QVERIFY(userUrlListFile().exists()); // seeded once: it stays

        // The run says which code page it is made in: a Wine that kept the Western one for both runs
        // would test one of them twice.
        if (const int asked = qEnvironmentVariableIntValue("KELVORA_CODE_PAGE"))
            QCOMPARE(GetACP(), UINT(asked));
        const QString chinese = QStringLiteral("http://论坛.example.cn/");
        const UrlListResult written = list.seed({chinese});
        QFile file(list.path());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        if (GetACP() == 936) {
            QVERIFY2(written.ok(), qPrintable(urlListErrorText(written.error)));
            QCOMPARE(bytes, QByteArray("http://\xC2\xDB\xCC\xB3.example.cn/\r\n"));
            QCOMPARE(list.readEntries().entries, QStringList{chinese});
        } else {
            QCOMPARE(GetACP(), UINT(1252));
            QVERIFY(!written.ok());
            QCOMPARE(bytes, earlier);
        }
    }

    // A backup or a virus scanner holds the record open. What it lets others do decides what the
    // program may: nothing of the file is lost, and it is told once, truly.
    void aRecordAnotherProgramHoldsIsKept_data()
    {
        QTest::addColumn<bool>("damaged");
        QTest::addColumn<uint>("sharing");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<QString>("told");
        QTest::newRow("a record, held for itself alone")
            << false << uint(0) << false << QStringLiteral("无法建立挂机记录");
        QTest::newRow("a damaged record, held so that it may be read")
            << true << uint(FILE_SHARE_READ | FILE_SHARE_WRITE) << false
            << QStringLiteral("且正被其他程序占用");
        QTest::newRow("a damaged record, held so that it may be moved")
            << true << uint(FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE) << true
            << QStringLiteral("已另存为");
    }
    void aRecordAnotherProgramHoldsIsKept()
    {
        QFETCH(bool, damaged);
        QFETCH(uint, sharing);
        QFETCH(bool, opens);
        QFETCH(QString, told);
        QTemporaryDir folder;
        const QString path = folder.filePath(RecordStore::fileName());
        if (damaged) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(8192, 'x'));
        } else {
            RecordStore made(path);
            QVERIFY(made.open());
            made.add({1000, -1, RecordKind::ProgramStarted, {}});
        }
        const QByteArray before = [&] {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }();

        const HANDLE held = CreateFileW(reinterpret_cast<const wchar_t *>(path.utf16()), GENERIC_READ,
                                        sharing, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        QVERIFY(held != INVALID_HANDLE_VALUE);
        {
            RecordStore store(path);
            QSignalSpy problems(&store, &RecordStore::problem);
            QCOMPARE(store.open(), opens);
            QCOMPARE(problems.size(), 1);
            QVERIFY2(recordProblemText(problems.first().first().value<RecordProblem>()).contains(told),
                     qPrintable(recordProblemText(problems.first().first().value<RecordProblem>())));
        }
        CloseHandle(held);

        const QStringList aside = QDir(folder.path()).entryList({QStringLiteral("*.bad-*")});
        QFile kept(opens ? folder.filePath(aside.value(0)) : path);
        QCOMPARE(aside.size(), opens ? 1 : 0);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), before);
        kept.close(); // a file held open, this time by the test
        // Let go, the record is the program's again: what it held is read, or a damaged one set aside.
        RecordStore again(path);
        QSignalSpy problems(&again, &RecordStore::problem);
        QVERIFY2(again.open(),
                 qPrintable(recordProblemText(problems.value(0).value(0).value<RecordProblem>())));
        QCOMPARE(again.read(0).events.size(), std::size_t(damaged ? 0 : 1));
    }
};

QTEST_GUILESS_MAIN(TestWindows)
#include "tst_windows.moc"
