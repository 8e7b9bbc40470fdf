#include "platform/autostart.h"
#include "platform/urllistlocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

#include <windows.h>

using namespace kelvora;

// What the program does its own way on Windows, run as a Windows program (under Wine here, in a
// Wine prefix made for the run): the Run key, and where the address list lives and in which code
// page it is written.
class TestWindows : public QObject
{
    Q_OBJECT

    const QString RunKey =
        QStringLiteral("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");

private slots:
    void theRunKeyStartsTheProgramMinimisedUntilTurnedOff()
    {
        QString error;
        QVERIFY(!startsWithSession());
        QVERIFY2(setStartsWithSession(true, &error), qPrintable(error));
        QVERIFY(startsWithSession());
        // Quoted, as the path may hold spaces ("C:\Program Files\…").
        const QString expected = QStringLiteral("\"%1\" --minimized")
                                     .arg(QDir::toNativeSeparators(QCoreApplication::applicationFilePath()));
        QCOMPARE(QSettings(RunKey, QSettings::NativeFormat).value(QStringLiteral("Kelvora")).toString(),
                 expected);
        QVERIFY2(setStartsWithSession(false, &error), qPrintable(error));
        QVERIFY(!startsWithSession());
        QVERIFY(!QSettings(RunKey, QSettings::NativeFormat).contains(QStringLiteral("Kelvora")));
        QVERIFY(setStartsWithSession(false, &error)); // off again is no fault
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
            QVERIFY2(written.ok(), qPrintable(written.error));
            QCOMPARE(bytes, QByteArray("http://\xC2\xDB\xCC\xB3.example.cn/\r\n"));
            QCOMPARE(list.readEntries().entries, QStringList{chinese});
        } else {
            QCOMPARE(GetACP(), UINT(1252));
            QVERIFY(!written.ok());
            QCOMPARE(bytes, earlier);
        }
    }
};

QTEST_GUILESS_MAIN(TestWindows)
#include "tst_windows.moc"
