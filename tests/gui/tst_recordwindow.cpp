#include "common/widgettest.h"
#include "record/recordstore.h"
#include "recordwin/recordwindow.h"
#include "words/words.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

using namespace kelvora;
using kelvora::test::child;

namespace {

constexpr qint64 Minute = 60 * 1000;
constexpr qint64 Hour = 60 * Minute;

} // namespace

// The record as the file keeps it and the window draws it; a file that can't be used costs nothing
// but itself.
class TestRecordWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_folder;

    QString path() const { return m_folder.filePath(RecordStore::fileName()); }
    QStringList files() const { return QDir(m_folder.path()).entryList(QDir::Files); }

    /** The colour a strip is drawn in at a moment. */
    static QColor colourAt(RecordStripView *view, qint64 ms)
    {
        const RecordStrip &strip = view->strip();
        const int x = int(double(ms - strip.fromMs) / double(strip.toMs - strip.fromMs) * view->width());
        return view->grab().toImage().pixelColor(x, view->height() / 2);
    }
    static QString toolTipAt(RecordStripView *view, qint64 ms)
    {
        const RecordStrip &strip = view->strip();
        return view->toolTipAt(
            int(double(ms - strip.fromMs) / double(strip.toMs - strip.fromMs) * view->width()));
    }
    /** A window over the record in the file, as of `now`, with the program running. */
    static std::unique_ptr<RecordWindow> windowOver(RecordStore &store, qint64 now, const QString &where)
    {
        auto window = std::make_unique<RecordWindow>();
        window->showPicture(recordPicture(store.read(now - RecordWeekMs), now, true), where);
        window->show();
        return QTest::qWaitForWindowExposed(window.get()) ? std::move(window) : nullptr;
    }

private slots:
    void cleanup()
    {
        for (const QString &name : files())
            QFile::remove(m_folder.filePath(name));
    }

    void showsTheRecordedStripsAndTotals()
    {
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        const qint64 base = now - 6 * Hour;
        {
            // Slot 3 runs from 6 hours ago: 30 minutes of failures at 2 hours, logged out from 4 to 5
            // hours, when the program logged it in again; slot 6 was only opened. Written as the program
            // writes it, then read back.
            RecordStore store(path());
            QVERIFY(store.open());
            store.add({base, -1, RecordKind::ProgramStarted, {}});
            store.add({base, 2, RecordKind::Started, {}});
            store.add({base + Hour, 5, RecordKind::Opened, QStringLiteral("http://127.0.0.1/")});
            for (qint64 at = base; at < now; at += Minute) {
                const bool failing = at >= base + 2 * Hour && at < base + 2 * Hour + 30 * Minute;
                store.addOutcome(2, at,
                                 failing ? ReloadResult{ReloadOutcome::HttpError, 503} : ReloadResult{});
            }
            store.add({base + 4 * Hour, 2, RecordKind::LoggedOut, {}});
            store.add({base + 5 * Hour, 2, RecordKind::LoggedIn, {}});
            store.add({base + 5 * Hour, 2, RecordKind::LoggedInAgain, {}});
        }
        RecordStore store(path());
        QVERIFY(store.open());
        const std::unique_ptr<RecordWindow> shown = windowOver(store, now, path());
        QVERIFY(shown);
        RecordWindow &window = *shown;

        QVERIFY(child<QLabel>(&window, QStringLiteral("slotCaption3")));
        QVERIFY(child<QLabel>(&window, QStringLiteral("slotCaption6")));
        QVERIFY(!window.findChild<QLabel *>(QStringLiteral("slotCaption1")));
        auto *day = child<RecordStripView>(&window, QStringLiteral("dayStrip3"));
        const std::pair<qint64, RecordState> places[] = {
            {base - Hour, RecordState::NotRecorded},
            {base + Hour, RecordState::Online},
            {base + 2 * Hour + 15 * Minute, RecordState::Failed},
            {base + 4 * Hour + 30 * Minute, RecordState::LoggedOut},
            {now - 10 * Minute, RecordState::Online},
        };
        for (const auto &[at, state] : places)
            QCOMPARE(colourAt(day, at), RecordStripView::colour(state));
        // The week's strip is mostly grey, green at its end.
        auto *week = child<RecordStripView>(&window, QStringLiteral("weekStrip3"));
        QCOMPARE(colourAt(week, now - 3 * 24 * Hour), RecordStripView::colour(RecordState::NotRecorded));
        QCOMPARE(colourAt(week, now - 30 * Minute), RecordStripView::colour(RecordState::Online));

        const int minutes = int((now - base + Minute - 1) / Minute);
        const QString totals =
            QStringLiteral("在线 4 小时 30 分　刷新成功 %1 次　失败 30 次　掉线 1 次（自动重新登录 1 次）")
                .arg(minutes - 30);
        QCOMPARE(child<QLabel>(&window, QStringLiteral("dayTotals3"))->text(), totals);
        QCOMPARE(child<QLabel>(&window, QStringLiteral("weekTotals3"))->text(), totals);
        const QString failed =
            day->toolTipAt(int(double(2 * Hour + 15 * Minute + 18 * Hour) / (24 * Hour) * day->width()));
        QVERIFY2(failed.contains(QStringLiteral("刷新失败，30 分\n原因：HTTP 503（服务暂时不可用）")),
                 qPrintable(failed));
        QVERIFY(day->toolTipAt(day->width() - 2)
                    .endsWith(QStringLiteral("在线，1 小时 0 分\n掉线后由程序自动重新登录")));
        QVERIFY(child<QLabel>(&window, QStringLiteral("where"))
                    ->text()
                    .contains(QDir::toNativeSeparators(path())));
        // Above them, the last hour: green throughout.
        auto *hour = child<RecordStripView>(&window, QStringLiteral("hourStrip3"));
        QCOMPARE(hour->strip().toMs - hour->strip().fromMs, Hour);
        QCOMPARE(colourAt(hour, now - 50 * Minute), RecordStripView::colour(RecordState::Online));
        QVERIFY(child<QLabel>(&window, QStringLiteral("hourTotals3"))
                    ->text()
                    .startsWith(QStringLiteral("在线 ")));
    }

    // A record begun 14 minutes ago fills the first strip; the 6 minutes the machine slept are grey,
    // told, and left out of the time online.
    void aRunOfMinutesIsSeenAndASleepIsNoTimeOnline()
    {
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        RecordStore store(path());
        QVERIFY(store.open());
        store.add({now - 14 * Minute, -1, RecordKind::ProgramStarted, {}});
        store.add({now - 14 * Minute, 0, RecordKind::Started, {}});
        store.add({now - 10 * Minute, -1, RecordKind::PausedFrom, {}});
        store.add({now - 4 * Minute, -1, RecordKind::Continued, {}});
        const std::unique_ptr<RecordWindow> window = windowOver(store, now, path());
        QVERIFY(window);
        auto *hour = child<RecordStripView>(window.get(), QStringLiteral("hourStrip1"));
        QCOMPARE(hour->strip().fromMs, now - 14 * Minute);
        QCOMPARE(colourAt(hour, now - 12 * Minute), RecordStripView::colour(RecordState::Online));
        QCOMPARE(colourAt(hour, now - 7 * Minute), RecordStripView::colour(RecordState::Paused));
        QCOMPARE(colourAt(hour, now - 2 * Minute), RecordStripView::colour(RecordState::Online));
        const QString slept = toolTipAt(hour, now - 7 * Minute);
        QVERIFY2(slept.endsWith(QStringLiteral("\n电脑休眠或程序被暂停，6 分")), qPrintable(slept));
        for (const char *name : {"hourTotals1", "dayTotals1"})
            QVERIFY(child<QLabel>(window.get(), QLatin1String(name))
                        ->text()
                        .startsWith(QStringLiteral("在线 8 分　")));
        const QList<QLabel *> labels = window->findChildren<QLabel *>();
        QVERIFY(std::any_of(labels.cbegin(), labels.cend(), [](const QLabel *label) {
            return label->text() == QStringLiteral("近 14 分钟");
        }));
    }

    void anAddressIsRecordedWithoutWhatItCarries()
    {
        const QString secret = QStringLiteral("hunter2");
        {
            RecordStore store(path());
            QVERIFY(store.open());
            store.add({1000, 0, RecordKind::Opened,
                       "http://ann:" + secret + "@127.0.0.2:8080/member.php?mod=logging&password=" + secret +
                           "#top"});
            store.add({2000, 1, RecordKind::Resumed, "bbs.example.cn/login.php?pw=" + secret});
            QCOMPARE(store.read(0).events.at(0).detail, QStringLiteral("http://127.0.0.2:8080/member.php"));
            QCOMPARE(store.read(0).events.at(1).detail, QStringLiteral("http://bbs.example.cn/login.php"));
        }
        for (const QString &name : files()) {
            QFile file(m_folder.filePath(name));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QVERIFY2(!file.readAll().contains(secret.toUtf8()), qPrintable(name));
        }
    }

    // A record of the first layout, which kept a failure's words, is read as it is and goes on
    // in the layout of outcomes.
    void aRecordOfTheFirstLayoutKeepsItsRowsAndGoesOn()
    {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("layout1"));
            db.setDatabaseName(path());
            QVERIFY(db.open());
            QSqlQuery query(db);
            for (const char *statement :
                 {"CREATE TABLE events(id INTEGER PRIMARY KEY, at INTEGER NOT NULL, slot INTEGER NOT NULL,"
                  " kind INTEGER NOT NULL, detail TEXT)",
                  "CREATE TABLE minutes(minute INTEGER NOT NULL, slot INTEGER NOT NULL,"
                  " answered INTEGER NOT NULL DEFAULT 0, failed INTEGER NOT NULL DEFAULT 0,"
                  " ended_failed INTEGER NOT NULL DEFAULT 0, reason TEXT, PRIMARY KEY(minute, slot)) WITHOUT "
                  "ROWID",
                  "INSERT INTO events(at, slot, kind) VALUES(60000, 0, 11)",
                  "INSERT INTO minutes VALUES(1, 0, 2, 1, 1, '连接超时')", "PRAGMA user_version=1"})
                QVERIFY2(query.exec(QString::fromUtf8(statement)), statement);
            query = QSqlQuery();
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("layout1"));

        RecordStore store(path());
        QSignalSpy problems(&store, &RecordStore::problem);
        QVERIFY(store.open());
        QCOMPARE(problems.size(), 0); // neither damaged nor set aside
        store.addOutcome(0, 3 * Minute, {ReloadOutcome::HttpError, 503});
        const RecordData data = store.read(0);
        QCOMPARE(data.events.size(), std::size_t(1));
        QCOMPARE(data.minutes.size(), std::size_t(2));
        QCOMPARE(recordFailureText(data.minutes[0].failure), QStringLiteral("连接超时"));
        QCOMPARE(data.minutes[0].answered, 2);
        QCOMPARE(data.minutes[1].failure.result, std::optional(ReloadResult{ReloadOutcome::HttpError, 503}));
        QCOMPARE(recordFailureText(data.minutes[1].failure), QStringLiteral("HTTP 503（服务暂时不可用）"));
        // A minute of the old layout that fails anew says the new outcome, not the old words.
        store.addOutcome(0, Minute + 10, {ReloadOutcome::NoAnswer, 0});
        QCOMPARE(recordFailureText(store.read(0).minutes[0].failure),
                 reloadResultText({ReloadOutcome::NoAnswer}));
        QVERIFY(files().filter(QStringLiteral(".bad")).isEmpty());
    }

    void saysWhenThereIsNoRecordYet()
    {
        RecordWindow window;
        window.showPicture({}, path());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(child<QLabel>(&window, QStringLiteral("noRecord"))->isVisible());
    }

    void aRecordThatCantBeUsedIsSetAsideOnce_data()
    {
        QTest::addColumn<bool>("newer");
        QTest::newRow("damaged") << false;
        QTest::newRow("from a newer program") << true;
    }
    void aRecordThatCantBeUsedIsSetAsideOnce()
    {
        QFETCH(bool, newer);
        QByteArray before(8192, 'x');
        if (newer) {
            { // a record as this program leaves it, its layout's version (at byte 60) then raised
                RecordStore made(path());
                QVERIFY(made.open());
            }
            QFile file(path());
            QVERIFY(file.open(QIODevice::ReadOnly));
            before = file.readAll();
            before[63] = char(RecordStore::Version + 1);
        }
        QFile file(path());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(before);
        file.close();

        RecordStore store(path());
        QSignalSpy problems(&store, &RecordStore::problem);
        QVERIFY(store.open());
        QCOMPARE(problems.size(), 1);
        QVERIFY2(recordProblemText(problems.first().first().value<RecordProblem>())
                     .contains(newer ? QStringLiteral("更新版本") : QStringLiteral("已损坏")),
                 qPrintable(recordProblemText(problems.first().first().value<RecordProblem>())));
        // What was there is kept as it was, under a name of its own; a new record goes on.
        const QStringList aside = QDir(m_folder.path()).entryList({QStringLiteral("record.sqlite.bad-*")});
        QCOMPARE(aside.size(), 1);
        QFile kept(m_folder.filePath(aside.first()));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), before);
        store.add({1000, -1, RecordKind::ProgramStarted, {}});
        QCOMPARE(store.read(0).events.size(), std::size_t(1));
        QCOMPARE(problems.size(), 1);
    }

    void aFolderThatCantBeWrittenStopsNothing()
    {
        // A file where the folder should be: no record can be made there, not even by root.
        QFile blocker(m_folder.filePath(QStringLiteral("folder")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        RecordStore store(m_folder.filePath(QStringLiteral("folder/") + RecordStore::fileName()));
        QSignalSpy problems(&store, &RecordStore::problem);
        QVERIFY(!store.open());
        QCOMPARE(problems.size(), 1);
        QVERIFY(recordProblemText(problems.first().first().value<RecordProblem>())
                    .contains(QStringLiteral("挂机照常进行")));
        store.add({1000, 0, RecordKind::Started, {}});
        store.addOutcome(0, 1000, {});
        store.markAlive(2000);
        QVERIFY(store.read(0).events.empty());
        QCOMPARE(problems.size(), 1);
    }
};

KELVORA_WIDGETS_TEST_MAIN(TestRecordWindow)
#include "tst_recordwindow.moc"
