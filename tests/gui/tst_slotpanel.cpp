#include "common/fakes.h"
#include "common/guitest.h"
#include "core/clock.h"
#include "mainwin/mainwindow.h"
#include "session/slotrunner.h"
#include "views/slotpanel.h"
#include "web/webpage.h"
#include "widgets/controls.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFrame>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QToolButton>
#include <QWebEngineView>

using namespace kelvora;
using kelvora::test::child;

using kelvora::test::FakeClock;

class TestSlotPanel : public QObject
{
    Q_OBJECT

    FakeClock m_clock;
    test::SlotWindow m_window;
    test::MessageRecorder m_box;

    QWidget *slotOne() const { return m_window.panel(0); }
    /** The tool tip a widget shows when hovered now. */
    static QString hoverText(QWidget *widget)
    {
        QHelpEvent hover(QEvent::ToolTip, QPoint(2, 2), widget->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(widget, &hover);
        return widget->toolTip();
    }

    /** The slot's "自动登录" menu as it is filled when it opens. */
    QMenu *accountMenu(int slot) const
    {
        QMenu *menu = m_window.control<QToolButton>(slot, &SlotControlNames::accountButton)->menu();
        emit menu->aboutToShow();
        return menu;
    }
    QStringList menuEntries(int slot) const
    {
        QStringList texts;
        for (QAction *action : accountMenu(slot)->actions())
            texts << action->text();
        return texts;
    }
    QAction *menuAction(int slot, const QString &text) const
    {
        for (QAction *action : accountMenu(slot)->actions()) {
            if (action->text() == text)
                return action;
        }
        return nullptr;
    }
    static QWidget *topLevel(const QString &name)
    {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() == name && widget->isVisible())
                return widget;
        }
        return nullptr;
    }

private slots:
    void init()
    {
        m_box.messages.clear();
        test::SlotSetup setup;
        setup.clock = &m_clock;
        // A web address as the start page, as the program has; nothing answers there.
        setup.startPage = QStringLiteral("http://127.0.0.1:9/");
        QVERIFY(m_window.open(setup));
    }
    void cleanup() { m_window.close(); }

    void startsIdle()
    {
        QCOMPARE(m_window.control<QComboBox>(0, &SlotControlNames::addressBox)->currentText(),
                 QStringLiteral("http://"));
        QCOMPARE(m_window.control<QComboBox>(0, &SlotControlNames::periodBox)->currentText(),
                 QStringLiteral("1"));
        QCOMPARE(m_window.control<QComboBox>(0, &SlotControlNames::periodBox)->count(), 40);
        QCOMPARE(m_window.control<QLabel>(0, &SlotControlNames::periodLabel)->text(), QStringLiteral("1"));
        QCOMPARE(m_window.control<QLabel>(0, &SlotControlNames::statusLabel)->text(),
                 QStringLiteral("已停止"));
        QCOMPARE(textColor(m_window.control<QLabel>(0, &SlotControlNames::statusLabel)), QColor(255, 0, 0));
        for (const test::SlotWindow::Control name :
             {&SlotControlNames::hoursLabel, &SlotControlNames::minutesLabel,
              &SlotControlNames::secondsLabel}) {
            QCOMPARE(m_window.control<QLabel>(0, name)->text(), QStringLiteral("0"));
            QCOMPARE(textColor(m_window.control<QLabel>(0, name)), QColor(192, 0, 0));
        }
        QCOMPARE(m_window.control<QPushButton>(0, &SlotControlNames::openButton)->toolTip(),
                 QStringLiteral("打开网址"));
        QCOMPARE(m_window.control<QPushButton>(0, &SlotControlNames::refreshButton)->toolTip(),
                 QStringLiteral("刷新"));
        QCOMPARE(m_window.control<QPushButton>(0, &SlotControlNames::startButton)->text(),
                 QStringLiteral("开始"));
        QCOMPARE(m_window.control<QPushButton>(0, &SlotControlNames::stopButton)->text(),
                 QStringLiteral("停止"));
        QCOMPARE(m_window.timer(0, &SlotControlNames::refreshTimer)->interval(), 60000);
        QCOMPARE(m_window.timer(0, &SlotControlNames::clockTimer)->interval(), 1000);
        QVERIFY(!m_window.timer(0, &SlotControlNames::refreshTimer)->isActive());
        QVERIFY(!m_window.timer(0, &SlotControlNames::clockTimer)->isActive());
        QVERIFY(!m_window.control<QWidget>(0, &SlotControlNames::browser)->isVisible());
        // The static captions, blanks and full-width colons as they stand.
        QStringList captions;
        for (const QLabel *label : slotOne()->findChildren<QLabel *>())
            captions << label->text();
        for (const char *caption :
             {"网    址：", "刷新时间：", "(每隔", "分刷新一次)", "状态:", "已上线:", "时", "秒"})
            QVERIFY2(captions.contains(QString::fromUtf8(caption)), caption);
    }

    void startAndStopSwitchTheReloadTimerAndStatus()
    {
        auto *timer = m_window.timer(0, &SlotControlNames::refreshTimer);
        auto *status = m_window.control<QLabel>(0, &SlotControlNames::statusLabel);
        m_window.control<QComboBox>(0, &SlotControlNames::periodBox)->setEditText(QStringLiteral("7"));
        QTest::mouseClick(m_window.control<QPushButton>(0, &SlotControlNames::startButton), Qt::LeftButton);
        QVERIFY(timer->isActive());
        QCOMPARE(status->text(), QStringLiteral("运行中"));
        QCOMPARE(textColor(status), QColor(0, 0, 255));
        QCOMPARE(m_window.control<QLabel>(0, &SlotControlNames::periodLabel)->text(), QStringLiteral("7"));
        // Start is not open: the clock stays put.
        QVERIFY(!m_window.timer(0, &SlotControlNames::clockTimer)->isActive());
        // The status and the slot's switch button tell, as they are hovered, when the next reload comes.
        auto *switchButton = child<QPushButton>(m_window.window(), slotTable()[0].names.switchButton);
        const QRegularExpression countdown(QStringLiteral("\n下次刷新：(7 分 00|6 分 5\\d) 秒后(\n|$)"));
        for (QWidget *widget : std::initializer_list<QWidget *>{status, switchButton})
            QVERIFY2(hoverText(widget).contains(countdown), qPrintable(widget->toolTip()));

        QTest::mouseClick(m_window.control<QPushButton>(0, &SlotControlNames::stopButton), Qt::LeftButton);
        QVERIFY(!timer->isActive());
        QCOMPARE(status->text(), QStringLiteral("已停止"));
        QCOMPARE(textColor(status), QColor(255, 0, 0));
        QVERIFY(m_box.messages.isEmpty());
        QVERIFY(!hoverText(status).contains(QStringLiteral("下次刷新")));
    }

    void badPeriodShowsAMessageAndDoesNotStart()
    {
        m_window.control<QComboBox>(0, &SlotControlNames::periodBox)->setEditText(QStringLiteral("2.5"));
        QTest::mouseClick(m_window.control<QPushButton>(0, &SlotControlNames::startButton), Qt::LeftButton);
        QCOMPARE(m_box.messages.size(), 1);
        QCOMPARE(m_box.messages[0].title, QStringLiteral("提示"));
        QCOMPARE(m_box.messages[0].text, QStringLiteral("刷新时间请输入整数时间。"));
        QCOMPARE(m_box.messages[0].icon, QMessageBox::Warning);
        QCOMPARE(m_box.messages[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QVERIFY(!m_window.timer(0, &SlotControlNames::refreshTimer)->isActive());
        QCOMPARE(m_window.control<QLabel>(0, &SlotControlNames::statusLabel)->text(),
                 QStringLiteral("已停止"));
        QCOMPARE(m_window.control<QLabel>(0, &SlotControlNames::periodLabel)->text(), QStringLiteral("1"));

        // A page that is no web page has no forum to keep online.
        m_window.control<QComboBox>(0, &SlotControlNames::periodBox)->setEditText(QStringLiteral("2"));
        m_window.control<QComboBox>(0, &SlotControlNames::addressBox)
            ->setEditText(QStringLiteral("about:blank"));
        QTest::mouseClick(m_window.control<QPushButton>(0, &SlotControlNames::openButton), Qt::LeftButton);
        QTest::mouseClick(m_window.control<QPushButton>(0, &SlotControlNames::startButton), Qt::LeftButton);
        QCOMPARE(m_box.messages.size(), 2);
        QCOMPARE(m_box.messages[1].text,
                 QStringLiteral("这里显示的不是论坛网页，请先输入论坛的网址并打开。"));
        QVERIFY(!m_window.timer(0, &SlotControlNames::refreshTimer)->isActive());
    }

    void periodLabelFollowsListChoicesNotTyping()
    {
        auto *box = m_window.control<QComboBox>(0, &SlotControlNames::periodBox);
        auto *label = m_window.control<QLabel>(0, &SlotControlNames::periodLabel);
        box->setFocus();
        QTest::keyClicks(box, QStringLiteral("5"));
        QCOMPARE(label->text(), QStringLiteral("1"));
        box->setCurrentIndex(8);
        QTest::keyClick(box, Qt::Key_Down);
        QCOMPARE(box->currentText(), QStringLiteral("10"));
        QCOMPARE(label->text(), QStringLiteral("10"));
    }

    void openStartsTheClockAndShowsTheBrowsers()
    {
        auto *address = m_window.control<QComboBox>(0, &SlotControlNames::addressBox);
        address->setEditText(QStringLiteral("about:blank"));
        QTest::mouseClick(m_window.control<QPushButton>(0, &SlotControlNames::openButton), Qt::LeftButton);
        QVERIFY(m_window.timer(0, &SlotControlNames::clockTimer)->isActive());
        QVERIFY(!m_window.timer(0, &SlotControlNames::refreshTimer)->isActive());
        QVERIFY(m_window.control<QWidget>(0, &SlotControlNames::browser)->isVisibleTo(slotOne()));
        // The partner's browser is shown too, though its panel stays hidden.
        auto *partner = child<QWidget>(m_window.window(), QStringLiteral("WebBrowser2"));
        QVERIFY(partner->isVisibleTo(partner->parentWidget()));
        QVERIFY(!child<QWidget>(m_window.window(), QStringLiteral("Frame2"))->isVisible());

        // One hour, two minutes and three seconds later, at the next real tick.
        m_clock.now += (3600 + 2 * 60 + 3) * 1000;
        QTRY_COMPARE_WITH_TIMEOUT(m_window.control<QLabel>(0, &SlotControlNames::secondsLabel)->text(),
                                  QStringLiteral("3"), 3000);
        QCOMPARE(m_window.control<QLabel>(0, &SlotControlNames::minutesLabel)->text(), QStringLiteral("2"));
        QCOMPARE(m_window.control<QLabel>(0, &SlotControlNames::hoursLabel)->text(), QStringLiteral("1"));
        QCOMPARE(m_window.control<QLabel>(0, &SlotControlNames::statusLabel)->text(),
                 QStringLiteral("已停止"));
    }

    // The window is only a view: it goes and comes back while the slot runs on, and the new one
    // shows the slot as it is.
    void aNewWindowShowsTheRunningSlot()
    {
        m_window.type(0, &SlotControlNames::addressBox, QStringLiteral("http://127.0.0.1:9/kept"));
        m_window.type(0, &SlotControlNames::periodBox, QStringLiteral("7"));
        m_window.click(0, &SlotControlNames::openButton);
        m_window.click(0, &SlotControlNames::startButton);
        const qint64 dueBefore = m_window.slot(0).msUntilReload();
        m_window.closeWindow();
        QVERIFY(m_window.timer(0, &SlotControlNames::refreshTimer)->isActive());
        QVERIFY(m_window.timer(0, &SlotControlNames::clockTimer)->isActive());
        QVERIFY(!m_window.runner(0).isPageSeen());
        QCOMPARE(m_window.slot(0).msUntilReload(), dueBefore); // the period goes on without a window

        m_clock.now += 65 * 1000;
        QVERIFY(m_window.openWindow());
        QTRY_COMPARE_WITH_TIMEOUT(m_window.control<QLabel>(0, &SlotControlNames::secondsLabel)->text(),
                                  QStringLiteral("5"), 3000);
        QCOMPARE(m_window.control<QLabel>(0, &SlotControlNames::minutesLabel)->text(), QStringLiteral("1"));
        QCOMPARE(m_window.control<QLabel>(0, &SlotControlNames::statusLabel)->text(),
                 QStringLiteral("运行中"));
        QCOMPARE(m_window.control<QLabel>(0, &SlotControlNames::periodLabel)->text(), QStringLiteral("7"));
        QCOMPARE(m_window.control<QComboBox>(0, &SlotControlNames::periodBox)->currentText(),
                 QStringLiteral("7"));
        QCOMPARE(m_window.control<QComboBox>(0, &SlotControlNames::addressBox)->currentText(),
                 QStringLiteral("http://127.0.0.1:9/kept"));
        // Switched to, the slot's page shows in the new window and counts as seen.
        m_window->switchToSlot(0);
        QTRY_VERIFY(m_window.runner(0).isPageSeen());
    }

    // The slot's own "自动登录" menu gives an account, with the page shown as its login page, and
    // forgets it; where no credential store answers, it says so and offers nothing.
    void anAccountIsGivenAndForgottenInTheSlot()
    {
        m_window.close();
        test::FakeAccountStore store;
        test::SlotSetup setup;
        setup.clock = &m_clock;
        setup.startPage = QStringLiteral("http://127.0.0.1:9/");
        setup.accounts = &store;
        QVERIFY(m_window.open(setup));
        auto *status = m_window.control<QLabel>(0, &SlotControlNames::statusLabel);

        QTRY_COMPARE(m_window.runner(0).page()->url(), QUrl(setup.startPage));
        QVERIFY(menuEntries(0).contains(QStringLiteral("记住账号……")));
        menuAction(0, QStringLiteral("记住账号……"))->trigger();
        QDialog *dialog = nullptr;
        QTRY_VERIFY(dialog = qobject_cast<QDialog *>(topLevel(QStringLiteral("accountDialog"))));
        auto *ok = dialog->findChild<QDialogButtonBox *>()->buttons().first();
        QCOMPARE(ok->text(), QStringLiteral("记住"));
        child<QLineEdit>(dialog, QStringLiteral("userName"))->setText(QStringLiteral("  会员一 "));
        QVERIFY(!ok->isEnabled()); // no password yet
        child<QLineEdit>(dialog, QStringLiteral("password"))->setText(QStringLiteral("pw one"));
        QVERIFY(ok->isEnabled());
        ok->click();
        QTRY_COMPARE(store.accounts.count(0), std::size_t(1));
        QCOMPARE(store.accounts[0], (Account{QStringLiteral("会员一"), QStringLiteral("pw one"),
                                             QUrl(QStringLiteral("http://127.0.0.1:9/"))}));
        QTRY_COMPARE(m_window.slot(0).accountUser(), QStringLiteral("会员一"));
        QVERIFY(hoverText(status).contains(QStringLiteral("掉线后自动重新登录（账号：会员一）")));
        QCOMPARE(menuEntries(0), (QStringList{QStringLiteral("已记住账号：会员一"),
                                              QStringLiteral("更换账号……"), QStringLiteral("忘记账号")}));

        menuAction(0, QStringLiteral("忘记账号"))->trigger();
        QTRY_VERIFY(store.accounts.empty());
        QTRY_VERIFY(!m_window.slot(0).accountUser());
        auto *bar = m_window.control<QFrame>(0, &SlotControlNames::offerBar);
        QCOMPARE(bar->findChild<QLabel *>()->text(), QStringLiteral("已忘记账号"));
        QVERIFY(!hoverText(status).contains(QStringLiteral("自动重新登录")));

        // No store: the menu only says so, and the slot has nothing to forget.
        m_window.close();
        store.available = false;
        QVERIFY(m_window.open(setup));
        QTRY_VERIFY(!m_window.runner(0).canKeepAccounts());
        const QStringList entries = menuEntries(0);
        QCOMPARE(entries.size(), 1);
        QVERIFY(entries.first().contains(QStringLiteral("无法记住账号")));
        QVERIFY(!menuAction(0, entries.first())->isEnabled());
    }
};

KELVORA_GUI_TEST_MAIN(TestSlotPanel)
#include "tst_slotpanel.moc"
