#include "app/addresslist.h"
#include "app/splashwindow.h"
#include "common/guitest.h"
#include "core/urllistfile.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

using namespace kelvora;
using kelvora::test::child;

class TestSplashWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_folder;
    test::MessageRecorder m_box;

    UrlListFile list(const QString &name = QStringLiteral("userbbs.dat")) const
    {
        return {m_folder.filePath(name), TextEncoding::Utf8};
    }
    static QByteArray contents(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

private slots:
    void init() { m_box.messages.clear(); }

    void seedsAMissingListAndHandsOverOnTheSecondTick()
    {
        const UrlListFile file = list(QStringLiteral("new/userbbs.dat"));
        AddressList addresses(file);
        QVERIFY(addresses.makeIfMissing(nullptr));
        const QByteArray seeded = contents(file.path());
        QCOMPARE(seeded.size(), 409);
        QCOMPARE(seeded.count("\r\n"), 17);
        QCOMPARE(addresses.read(nullptr), defaultForumList());

        // A tick of 50 ms stands in for the real second.
        SplashWindow splash(50);

        QCOMPARE(splash.objectName(), QStringLiteral("Form1"));
        QVERIFY(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
        QCOMPARE(splash.size(), QSize(347, 195));
        QCOMPARE(splash.palette().color(QPalette::Window), QColor(255, 255, 128));
        QCOMPARE(child<QLabel>(&splash, QStringLiteral("Label2"))->text(), QStringLiteral("Tavren 制作"));

        auto *timer = child<QTimer>(&splash, QStringLiteral("Timer1"));
        QCOMPARE(timer->interval(), 50);
        QSignalSpy ticks(timer, &QTimer::timeout);
        QSignalSpy finished(&splash, &SplashWindow::finished);
        splash.show();
        QVERIFY(QTest::qWaitForWindowExposed(&splash));
        QVERIFY(finished.wait(4000));
        // Handed over on the second tick, once: the timer ends with it.
        QCOMPARE(ticks.count(), 2);
        QCOMPARE(finished.count(), 1);
        QVERIFY(!timer->isActive());
        QVERIFY(!splash.isVisible());
        QVERIFY(m_box.messages.isEmpty());
    }

    void leavesAnExistingListAlone()
    {
        const UrlListFile file = list(QStringLiteral("empty.dat"));
        QFile empty(file.path());
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        QVERIFY(AddressList(file).makeIfMissing(nullptr));
        QCOMPARE(contents(file.path()), QByteArray());
    }

    void reportsAListThatCannotBeCreated()
    {
        // A file stands where the list's folder should be.
        QFile blocker(m_folder.filePath(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const UrlListFile file = list(QStringLiteral("blocker/userbbs.dat"));
        QVERIFY(!AddressList(file).makeIfMissing(nullptr));
        QCOMPARE(m_box.messages.size(), 1);
        QCOMPARE(m_box.messages[0].title, QStringLiteral("提示"));
        QCOMPARE(m_box.messages[0].icon, QMessageBox::Warning);
        QVERIFY(m_box.messages[0].text.contains(QDir::toNativeSeparators(file.path())));
    }
};

KELVORA_GUI_TEST_MAIN(TestSplashWindow)
#include "tst_splashwindow.moc"
