#include "app/application.h"
#include "common/forumserver.h"
#include "common/guitest.h"
#include "common/recordchanges.h"
#include "common/smalldisk.h"
#include "infowin/instructionswindow.h"
#include "record/recordstore.h"
#include "server/webservice.h"
#include "session/slotrunner.h"
#include "session/slotsession.h"
#include "urllist/urllisteditorwindow.h"
#include "webui/webconfig.h"
#include "widgets/controls.h"
#include "words/author.h"
#include "words/words.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

using namespace kelvora;
using kelvora::test::child;
using kelvora::test::ForumServer;

// The whole program in this process: the main window's extras, the windows it opens, and how it ends.
class TestApplication : public QObject
{
    Q_OBJECT

    QTemporaryDir m_folder;
    std::unique_ptr<test::MessageRecorder> m_box;
    std::unique_ptr<Application> m_app;
    QStringList m_opened;
    bool m_openerWorks = true;
    int m_quits = 0;
    int m_resumeSpacingMs = 100;

    QString listPath() const { return m_folder.filePath(QStringLiteral("userbbs.dat")); }
    QString statePath() const { return m_folder.filePath(QStringLiteral("slots.json")); }
    void startProgram()
    {
        ApplicationSetup setup = test::programSetup(m_folder.path(), &m_quits);
        setup.session.resumeSpacingMs = m_resumeSpacingMs;
        setup.openAddress = [this](const QString &address) {
            m_opened << address;
            return m_openerWorks;
        };
        m_app = std::make_unique<Application>(std::move(setup));
        m_app->start();
        QTRY_VERIFY(window() && window()->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(window()));
    }
    // Ends the program as "退出程序" does and starts it again, as after a restart of the machine.
    void restartProgram()
    {
        QVERIFY(quitsWhen([this] { m_app->exitAction()->trigger(); }));
        m_app.reset();
        startProgram();
    }
    MainWindow *window() const { return m_app->mainWindow(); }
    SlotRunner &runner(int index) const { return *m_app->session()->at(index); }
    const ForumSlot &slot(int index) const { return runner(index).slot(); }
    // One of a slot's controls in the main window, as the slot table names it.
    template <typename T> T *control(int index, QString SlotControlNames::*name) const
    {
        return child<T>(window(), slotTable()[std::size_t(index)].names.*name);
    }
    template <typename T> T *find(const QString &name) const { return child<T>(window(), name); }
    void click(QWidget *widget) { QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(3, 3)); }
    // Whether the forum has had a page for each of these paths: what was asked of it has arrived.
    static bool hasPagesFor(const ForumServer &forum, const QStringList &paths)
    {
        QStringList seen;
        for (const ForumServer::Request &r : forum.pageRequests())
            seen << r.path;
        return std::all_of(paths.begin(), paths.end(),
                           [&seen](const QString &p) { return seen.contains(p); });
    }
    // Runs the action; true once the program has asked to end its event loop. The loop itself goes
    // on: the web engine puts itself away for good when the application quits.
    bool quitsWhen(const std::function<void()> &action)
    {
        m_quits = 0;
        action();
        return test::waitUntil([this] { return m_quits > 0; }, 5000) && m_quits == 1;
    }
    static QString netWmState(const QWidget *w)
    {
        QProcess xprop;
        xprop.start(QStringLiteral("xprop"),
                    {QStringLiteral("-id"), QString::number(w->winId()), QStringLiteral("_NET_WM_STATE")});
        xprop.waitForFinished(5000);
        return QString::fromUtf8(xprop.readAllStandardOutput());
    }

private slots:
    void init()
    {
        m_box = std::make_unique<test::MessageRecorder>(QMessageBox::No);
        m_opened.clear();
        m_openerWorks = true;
        QFile list(listPath());
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write("http://a/\r\n");
        list.close();
        for (const QString &name :
             QDir(m_folder.path()).entryList({QStringLiteral("slots.json*"), RecordStore::fileName() + u'*'}))
            QFile::remove(m_folder.filePath(name));
        startProgram();
    }
    void cleanup()
    {
        m_app.reset();
        m_box.reset();
    }

    // A disk that fills while the program runs: neither the slots' state nor the record can be
    // written, and one message says so, not one of each.
    void aDiskThatFillsIsToldInOneMessage()
    {
        test::SmallDisk disk;
        if (!disk.usable())
            QSKIP("no small file system can be made here");
        m_app.reset();
        const QString folder = disk.filePath(QStringLiteral("program"));
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QFile::copy(listPath(), QDir(folder).filePath(QStringLiteral("userbbs.dat"))));
        ApplicationSetup setup = test::programSetup(folder, &m_quits);
        setup.session.aliveEveryMs = 50;
        setup.session.saveDelayMs = 10;
        m_app = std::make_unique<Application>(std::move(setup));
        m_app->start();
        QTRY_VERIFY(m_app->record());
        QSignalSpy recordFailing(m_app->record(), &RecordStore::writeFailing);
        QSignalSpy stateFailing(m_app->session(), &SlotSession::stateKeptChanged);

        QVERIFY(disk.fill());
        m_app->resumeAction()->trigger(); // a change to keep
        QTRY_COMPARE(stateFailing.size(), 1);
        // The record writes into the room its log already has, until the slots' changes need more.
        for (int i = 0; i < 5000 && recordFailing.isEmpty(); ++i) {
            runner(0).open(QStringLiteral("http://forum-%1.example/").arg(i));
            if (i % 50 == 0)
                QTest::qWait(60);
        }
        QCOMPARE(recordFailing.size(), 1);
        QCOMPARE(m_box->messages.size(), 1);
        disk.free();
        m_app.reset();
    }

    void theEditorOpensOnceAndReadsTheFileAgainWhenReopened()
    {
        auto *add = find<QToolButton>(QStringLiteral("Command11"));
        QCOMPARE(add->text(), QStringLiteral("增 加"));
        QCOMPARE(add->toolTip(), QStringLiteral("增 加"));
        click(add);
        QTRY_VERIFY(m_app->editor() && m_app->editor()->isVisible());
        UrlListEditorWindow *editor = m_app->editor();
        auto *text = child<QPlainTextEdit>(editor, QStringLiteral("Text1"));
        QTest::mouseClick(child<QPushButton>(editor, QStringLiteral("Command1")), Qt::LeftButton);
        QTest::keyClicks(text, QStringLiteral("typed "));

        // Opened again while open: the same window, its edit and its state kept.
        QFile::remove(listPath());
        click(add);
        QCOMPARE(m_app->editor(), editor);
        QVERIFY(text->toPlainText().startsWith(QStringLiteral("typed ")));
        QVERIFY(!text->isReadOnly());

        m_box->answer = QMessageBox::Yes;
        editor->close();
        QTRY_VERIFY(!m_app->editor());
        // Opened after it was closed: the file is read anew (now it is gone, so it says so).
        m_box->messages.clear();
        click(add);
        QTRY_VERIFY(m_app->editor());
        QCOMPARE(child<QPlainTextEdit>(m_app->editor(), QStringLiteral("Text1"))->toPlainText(), QString());
        QCOMPARE(m_box->messages.size(), 1);
    }

    void endingTheProgramAsksForAnUnsavedEditFirst()
    {
        click(find<QToolButton>(QStringLiteral("Command11")));
        QTRY_VERIFY(m_app->editor());
        QTest::mouseClick(child<QPushButton>(m_app->editor(), QStringLiteral("Command1")), Qt::LeftButton);

        // No cancels the exit: everything goes on.
        window()->close();
        QCOMPARE(m_box->messages.size(), 1);
        QCOMPARE(m_box->messages[0].text, QStringLiteral("未保存，真的要退出吗？"));
        QVERIFY(window()->isVisible());
        QVERIFY(m_app->editor()->isVisible());

        // "退 出" asks the same; Yes ends the program.
        m_box->answer = QMessageBox::Yes;
        auto *exit = find<QToolButton>(QStringLiteral("Command12"));
        QCOMPARE(exit->text(), QStringLiteral("退 出"));
        QVERIFY(quitsWhen([this, exit] { click(exit); }));
        QCOMPARE(m_box->messages.size(), 2);
        QVERIFY(!window()->isVisible());
    }

    void aSignalEndsTheProgramWithoutAQuestion()
    {
        click(find<QToolButton>(QStringLiteral("Command11")));
        QTRY_VERIFY(m_app->editor());
        QTest::mouseClick(child<QPushButton>(m_app->editor(), QStringLiteral("Command1")), Qt::LeftButton);
        QVERIFY(quitsWhen([this] { m_app->endNow(); }));
        QVERIFY(m_box->messages.isEmpty());
    }

    void everyLinkOpensTheHomePageOnce()
    {
        auto *contact = find<QLabel>(QStringLiteral("Label17"));
        QCOMPARE(contact->text(), QStringLiteral("联系作者"));
        click(contact);
        QCOMPARE(m_opened, QStringList{authorHomePage()});
        click(find<QLabel>(QStringLiteral("Label23")));
        QCOMPARE(m_opened.size(), 2);

        auto *about = find<QLabel>(QStringLiteral("Label16"));
        QCOMPARE(about->text(), QStringLiteral("说明"));
        QCOMPARE(about->toolTip(), QStringLiteral("说 明"));
        click(about);
        QTRY_VERIFY(m_app->instructions() && m_app->instructions()->isVisible());
        InstructionsWindow *instructions = m_app->instructions();
        auto *link = child<QLabel>(instructions, QStringLiteral("Label2"));
        QCOMPARE(link->text(), authorHomePage() + QStringLiteral("   (单击进入)"));
        QCOMPARE(link->cursor().shape(), Qt::BitmapCursor);
        click(child<QLabel>(instructions, QStringLiteral("Label1")));
        QCOMPARE(m_opened.size(), 2); // the rest of the text is no link
        click(link);
        QCOMPARE(m_opened, QStringList(3, authorHomePage()));
        QVERIFY(instructions->isVisible());
        click(about);
        QCOMPARE(m_app->instructions(), instructions);

        // When no browser can be started, the user is told where to go.
        m_openerWorks = false;
        click(contact);
        QCOMPARE(m_box->messages.size(), 1);
        QVERIFY(m_box->messages[0].text.contains(authorHomePage()));
    }

    void theInstructionsSayTheirNineteenLines()
    {
        click(find<QLabel>(QStringLiteral("Label16")));
        QTRY_VERIFY(m_app->instructions());
        InstructionsWindow *w = m_app->instructions();
        QCOMPARE(w->objectName(), QStringLiteral("Form2"));
        QCOMPARE(w->windowTitle(), QStringLiteral("说明") + QString(17, u' ') + QStringLiteral("\r\n") +
                                       QString(19, u' ') + QStringLiteral("Tavren"));
        QCOMPARE(w->size(), QSize(433, 331));
        const QStringList lines =
            child<QLabel>(w, QStringLiteral("Label1"))->text().split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 19);
        QCOMPARE(lines[0], QStringLiteral("QQ空间:   "));
        QCOMPARE(lines[6], QStringLiteral("软件说明:"));
        QCOMPARE(lines[14], QStringLiteral("8、有任何不当之处联系 QQ:") + authorContactNumber());
        QCOMPARE(lines[17], QString(33, u' '));
        QCOMPARE(lines[18], QString(24, u' ') + QStringLiteral("by  Tavren"));
    }

    void slotsGoOnAfterARestartAsTheyWere()
    {
        ForumServer forum;
        QVERIFY(forum.listen(QHostAddress(QStringLiteral("127.0.0.6"))));
        test::openAndStart(*window(), 0, forum.url(QStringLiteral("/kept")), QStringLiteral("2"));
        test::openAndStart(*window(), 2, forum.url(QStringLiteral("/open")), QStringLiteral("3"));
        runner(2).stop();
        QTRY_VERIFY(m_app->session()->stateFile().read().state.entries[2].has_value());
        QVERIFY(!m_app->session()->stateFile().read().state.entries[2]->running);

        // A second apart, so the order in which the pages reach the forum is the slots' order even
        // when a browser takes its time to start. The forum counts afresh once the pages asked for
        // so far have come: the program would still serve them as it ends.
        QTRY_VERIFY(hasPagesFor(forum, {QStringLiteral("/kept"), QStringLiteral("/open")}));
        forum.clear();
        m_resumeSpacingMs = 1000;
        restartProgram();
        m_resumeSpacingMs = 100;
        const ForumSlot &kept = slot(0);
        const ForumSlot &open = slot(2);
        QTRY_COMPARE(kept.status(), SlotStatus::Running);
        // The window shows the first slot that went on, not the welcome.
        QCOMPARE(window()->switchedSlot(), 0);
        QVERIFY(control<QWidget>(0, &SlotControlNames::browser)->isVisible());
        QVERIFY(window()->windowTitle().startsWith(slotCaptionPrefix(0)));
        QTRY_VERIFY(open.isOpen());
        QCOMPARE(open.status(), SlotStatus::Stopped);
        QCOMPARE(kept.acceptedPeriod(), 2);
        QCOMPARE(control<QComboBox>(0, &SlotControlNames::periodBox)->currentText(), QStringLiteral("2"));
        QCOMPARE(control<QComboBox>(2, &SlotControlNames::addressBox)->currentText(),
                 forum.url(QStringLiteral("/open")).toString());
        // Both pages were asked of the forum again, the running slot's first: slots start one by one.
        QTRY_COMPARE(forum.pageRequests().size(), 2);
        QCOMPARE(forum.pageRequests()[0].path, QStringLiteral("/kept"));
        QVERIFY(!slot(1).savedState()); // never opened: still idle

        // The late reloads are on at first, and reach every slot.
        QVERIFY(m_app->lateReloadsAction()->isChecked() && slot(0).lateReloads() && slot(7).lateReloads());

        // Unticked, nothing goes on at the next start, and the choices themselves are kept.
        m_app->resumeAction()->setChecked(false);
        m_app->lateReloadsAction()->setChecked(false);
        QVERIFY(!slot(0).lateReloads() && !slot(7).lateReloads());
        restartProgram();
        QVERIFY(!m_app->resumeAction()->isChecked());
        QVERIFY(!m_app->lateReloadsAction()->isChecked() && !slot(0).lateReloads());
        QCoreApplication::processEvents();
        QCOMPARE(slot(0).status(), SlotStatus::Stopped);
    }

    void theRecordFollowsTheSlotsAndOpensFromTheTrayAndTheStatus()
    {
        ForumServer forum;
        QVERIFY(forum.listen(QHostAddress(QStringLiteral("127.0.0.6"))));
        // Slot 8, every second: its timer reloads are counted as they are answered.
        test::openAndStart(*window(), 7, forum.url(QStringLiteral("/kept")), QStringLiteral("1"));
        const auto answered = [this] {
            int count = 0;
            for (const RecordMinute &minute : m_app->record()->read(0).minutes)
                count += minute.slot == 7 ? minute.answered : 0;
            return count;
        };
        QTRY_VERIFY_WITH_TIMEOUT(answered() >= 2, 20000);
        runner(7).stop();
        // The program's start, slot 8 opened, started, stopped.
        QCOMPARE(test::recordedChanges(m_app->record()->read(0), 7), QStringLiteral("-1:1 7:10 7:11 7:12"));

        // One window, from the tray menu or a slot's status, at that slot.
        m_app->recordAction()->trigger();
        QTRY_VERIFY(m_app->recordWindow() && m_app->recordWindow()->isVisible());
        RecordWindow *record = m_app->recordWindow();
        QVERIFY(child<QLabel>(record, QStringLiteral("slotCaption8")));
        QVERIFY(child<QLabel>(record, QStringLiteral("dayTotals8"))
                    ->text()
                    .contains(QRegularExpression(QStringLiteral("刷新成功 [1-9]\\d* 次"))));
        record->hide();
        click(control<QLabel>(7, &SlotControlNames::statusLabel));
        QTRY_VERIFY(record->isVisible());
        QCOMPARE(m_app->recordWindow(), record);
    }

    // Changes are kept together a moment later, and at once when the program ends.
    void theStateIsWrittenAMomentAfterTheChangesAndAtTheEnd()
    {
        ForumServer forum;
        QVERIFY(forum.listen(QHostAddress(QStringLiteral("127.0.0.6"))));
        test::openAndStart(*window(), 0, forum.url(QStringLiteral("/kept")), QStringLiteral("2"));
        const auto keptPeriod = [this] {
            const std::optional<SavedSlot> kept = m_app->session()->stateFile().read().state.entries[0];
            return kept ? kept->period : 0;
        };
        QTRY_COMPARE(keptPeriod(), 2);
        auto *period = control<QComboBox>(0, &SlotControlNames::periodBox);
        period->setFocus();
        QTest::keyClicks(period, QStringLiteral("34"));
        QCOMPARE(keptPeriod(), 2); // not on each key
        QTRY_COMPARE(keptPeriod(), 234);
        QTest::keyClicks(period, QStringLiteral("5"));
        QVERIFY(quitsWhen([this] { m_app->exitAction()->trigger(); }));
        QCOMPARE(keptPeriod(), 2345);
    }

    void whatTheUserTypesBeforeASlotsTurnStands()
    {
        ForumServer forum;
        QVERIFY(forum.listen(QHostAddress(QStringLiteral("127.0.0.6"))));
        for (int i : {1, 2, 3, 4}) {
            test::openAndStart(*window(), i, forum.url(QStringLiteral("/slot%1").arg(i)),
                               QStringLiteral("3"));
            runner(i).stop();
        }
        QTRY_VERIFY(m_app->session()->stateFile().read().state.entries[4].has_value());

        // Slots come back a second apart; before their turns the user types in slot 2 and clicks
        // into slot 3's address box, about to select its text and type over it.
        QTRY_VERIFY(hasPagesFor(forum, {QStringLiteral("/slot1"), QStringLiteral("/slot2"),
                                        QStringLiteral("/slot3"), QStringLiteral("/slot4")}));
        forum.clear();
        m_resumeSpacingMs = 1000;
        restartProgram();
        m_resumeSpacingMs = 100;
        window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window()));
        window()->switchToSlot(2);
        auto *typedInto = control<QComboBox>(2, &SlotControlNames::addressBox);
        typedInto->lineEdit()->clear();
        QTest::keyClicks(typedInto->lineEdit(), QStringLiteral("bbs.example.cn"));
        window()->switchToSlot(3);
        auto *clickedInto = control<QComboBox>(3, &SlotControlNames::addressBox);
        const QString shownBefore = clickedInto->currentText();
        QTest::mouseClick(clickedInto->lineEdit(), Qt::LeftButton);
        QTest::keyClick(clickedInto->lineEdit(), Qt::Key_A, Qt::ControlModifier);
        QVERIFY(!slot(2).savedState()); // both before their turns
        QVERIFY(!slot(3).savedState());

        QTRY_VERIFY_WITH_TIMEOUT(slot(4).isOpen(), 10000);
        QCOMPARE(typedInto->currentText(), QStringLiteral("bbs.example.cn"));
        QCOMPARE(clickedInto->currentText(), shownBefore);
        QVERIFY(!slot(2).isOpen());
        QVERIFY(!slot(3).isOpen());
        QVERIFY(slot(1).isOpen());
        QTRY_COMPARE(forum.pageRequests().size(), 2);
        for (const ForumServer::Request &r : forum.pageRequests())
            QVERIFY(r.path == u"/slot1" || r.path == u"/slot4");
    }

    void aStateFileThatCantBeUsedIsKeptAsideAndTold()
    {
        QVERIFY(quitsWhen([this] { m_app->exitAction()->trigger(); }));
        m_app.reset();
        QFile bad(statePath());
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("{\"version\": 1, \"slots\": [ {\"slot\": ");
        bad.close();
        m_box->messages.clear();
        startProgram();
        QTRY_COMPARE(m_box->messages.size(), 1);
        QVERIFY(m_box->messages[0].text.contains(QStringLiteral("内容已损坏")));
        QVERIFY(
            m_box->messages[0].text.contains(QDir::toNativeSeparators(statePath() + QStringLiteral(".bad"))));
        QVERIFY(QFile::exists(statePath() + QStringLiteral(".bad")));
        QCOMPARE(slot(0).status(), SlotStatus::Stopped);
        // The address list is left as it was.
        QFile list(listPath());
        QVERIFY(list.open(QIODevice::ReadOnly));
        QCOMPARE(list.readAll(), QByteArray("http://a/\r\n"));
    }

    void alwaysOnTopTogglesWithoutAMove()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("xprop")).isEmpty())
            QSKIP("xprop reads the window manager's state");
        QProcess wm;
        wm.start(QStringLiteral("xprop"),
                 {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
        if (!wm.waitForFinished(5000) || !wm.readAllStandardOutput().contains("window id"))
            QSKIP("no window manager answers here: nobody keeps a window on top");
        auto *onTop = find<QCheckBox>(QStringLiteral("Check1"));
        QCOMPARE(onTop->text(), QStringLiteral("前端显示"));
        QVERIFY(!onTop->isChecked());
        const QRect before = window()->geometry();
        click(onTop);
        QVERIFY(onTop->isChecked());
        QTRY_VERIFY(netWmState(window()).contains(QStringLiteral("_NET_WM_STATE_ABOVE")));
        click(onTop);
        QTRY_VERIFY(!netWmState(window()).contains(QStringLiteral("_NET_WM_STATE_ABOVE")));
        QCOMPARE(window()->geometry(), before);
        QVERIFY(window()->isVisible());
    }

    // "手机/网页查看…": a password first, then the page is served where chosen, and again after a
    // restart; stopped, it is not.
    void theWebPageIsServedFromTheTrayOnlyWithAPassword()
    {
        QVERIFY(!m_app->webPage()->isServing()); // off by default
        m_app->webPageAction()->trigger();
        QTRY_VERIFY(m_app->webPageDialog() && m_app->webPageDialog()->isVisible());
        WebPageDialog *dialog = m_app->webPageDialog();
        auto *password = child<QLineEdit>(dialog, QStringLiteral("webPassword"));
        auto *again = child<QLineEdit>(dialog, QStringLiteral("webPasswordAgain"));
        auto *port = child<QSpinBox>(dialog, QStringLiteral("webPort"));
        auto *where = child<QLabel>(dialog, QStringLiteral("webWhere"));
        port->setValue(port->minimum() + int(QCoreApplication::applicationPid() % 20000));
        click(child<QPushButton>(dialog, QStringLiteral("webServe")));
        QCOMPARE(where->text(), webPasswordChangeText(WebPasswordChange::Empty, {}));
        QVERIFY(!m_app->webPage()->isServing());
        password->setText(QStringLiteral("a long password"));
        again->setText(QStringLiteral("a long passw0rd"));
        click(child<QPushButton>(dialog, QStringLiteral("webServe")));
        QCOMPARE(where->text(), webPasswordChangeText(WebPasswordChange::Differ, {}));
        again->setText(password->text());
        click(child<QPushButton>(dialog, QStringLiteral("webServe")));
        QTRY_VERIFY(m_app->webPage()->isServing());
        const QString address = m_app->webPage()->pageAddress();
        QCOMPARE(address, QStringLiteral("http://127.0.0.1:%1/").arg(port->value()));
        QVERIFY(where->text().contains(address));
        QVERIFY(password->text().isEmpty());
        QFile config(m_folder.filePath(WebUiConfig::fileName()));
        QVERIFY(config.open(QIODevice::ReadOnly) && !config.readAll().contains("a long password"));

        restartProgram();
        QTRY_VERIFY(m_app->webPage()->isServing());
        QCOMPARE(m_app->webPage()->pageAddress(), address);
        m_app->webPageAction()->trigger();
        QTRY_VERIFY(m_app->webPageDialog());
        click(child<QPushButton>(m_app->webPageDialog(), QStringLiteral("webStop")));
        QVERIFY(!m_app->webPage()->isServing());
        restartProgram();
        QVERIFY(!m_app->webPage()->isServing());
        QFile::remove(m_folder.filePath(WebUiConfig::fileName()));
    }

    void theBannerScrollsChangesColourAndGreets()
    {
        auto *banner = find<QLabel>(QStringLiteral("Label23"));
        auto *move = find<QTimer>(QStringLiteral("Timer5"));
        auto *text = find<QTimer>(QStringLiteral("Timer6"));
        QCOMPARE(move->interval(), 180);
        QCOMPARE(text->interval(), 500);
        QSignalSpy moved(move, &QTimer::timeout);
        QTRY_VERIFY(moved.count() >= 2);
        QVERIFY(banner->x() < 176);
        const QColor colour = textColor(banner);
        QVERIFY(colour == QColor(0, 0, 255) || colour == QColor(255, 0, 0));
        QTRY_COMPARE(banner->text(), QStringLiteral(" 再次祝福亲爱的Selvie永远幸福快乐！     by Tavren"));
        for (const char *line : {"Line1", "Line2", "Line3", "Line4"})
            QVERIFY(find<QWidget>(QLatin1String(line))->isVisible());
    }
};

KELVORA_GUI_TEST_MAIN(TestApplication)
#include "tst_application.moc"
