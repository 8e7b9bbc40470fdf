#include "common/fakes.h"
#include "common/guitest.h"
#include "core/clock.h"
#include "mainwin/mainwindow.h"
#include "slots/slotpanel.h"
#include "web/webview.h"
#include "widgets/controls.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QWebEngineView>

using namespace kelvora;
using kelvora::test::child;

using kelvora::test::FakeClock;

class TestSlotPanel : public QObject
{
    Q_OBJECT

    test::TemporaryProfiles m_profiles;
    FakeClock m_clock;
    std::unique_ptr<MainWindow> m_window;
    test::MessageRecorder m_box;

    QWidget *slotOne() const { return child<QWidget>(m_window.get(), QStringLiteral("Frame1")); }
    template <typename T> T *control(const char *name) const
    {
        return child<T>(slotOne(), QLatin1String(name));
    }

private slots:
    void init()
    {
        m_box.messages.clear();
        MainWindowSetup setup = test::windowSetup(m_profiles.get());
        setup.clock = &m_clock;
        // A web address as the start page, as the program has; nothing answers there.
        setup.startPage = QStringLiteral("http://127.0.0.1:9/");
        m_window = std::make_unique<MainWindow>(setup);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }
    void cleanup() { m_window.reset(); }

    void startsIdle()
    {
        QCOMPARE(control<QComboBox>("Combo4")->currentText(), QStringLiteral("http://"));
        QCOMPARE(control<QComboBox>("Combo1")->currentText(), QStringLiteral("1"));
        QCOMPARE(control<QComboBox>("Combo1")->count(), 40);
        QCOMPARE(control<QLabel>("Label5")->text(), QStringLiteral("1"));
        QCOMPARE(control<QLabel>("Label8")->text(), QStringLiteral("已停止"));
        QCOMPARE(textColor(control<QLabel>("Label8")), QColor(255, 0, 0));
        for (const char *name : {"Label11", "Label9", "Label10"}) {
            QCOMPARE(control<QLabel>(name)->text(), QStringLiteral("0"));
            QCOMPARE(textColor(control<QLabel>(name)), QColor(192, 0, 0));
        }
        QCOMPARE(control<QPushButton>("Command1")->toolTip(), QStringLiteral("打开网址"));
        QCOMPARE(control<QPushButton>("Command4")->toolTip(), QStringLiteral("刷新"));
        QCOMPARE(control<QPushButton>("Command2")->text(), QStringLiteral("开始"));
        QCOMPARE(control<QPushButton>("Command3")->text(), QStringLiteral("停止"));
        QCOMPARE(control<QTimer>("Timer1")->interval(), 60000);
        QCOMPARE(control<QTimer>("Timer2")->interval(), 1000);
        QVERIFY(!control<QTimer>("Timer1")->isActive());
        QVERIFY(!control<QTimer>("Timer2")->isActive());
        QVERIFY(!control<QWidget>("WebBrowser1")->isVisible());
        // The static captions, blanks and full-width colons as they stand.
        QStringList captions;
        for (const QLabel *label : slotOne()->findChildren<QLabel *>())
            captions << label->text();
        for (const char *caption :
             {"网    址：", "刷新时间：", "(每隔", "分刷新一次)", "状态:", "已上线:", "时", "秒"})
            QVERIFY2(captions.contains(QString::fromUtf8(caption)), caption);
    }

    void startAndStopSwitchTheRefreshTimerAndStatus()
    {
        auto *timer = control<QTimer>("Timer1");
        auto *status = control<QLabel>("Label8");
        control<QComboBox>("Combo1")->setEditText(QStringLiteral("7"));
        QTest::mouseClick(control<QPushButton>("Command2"), Qt::LeftButton);
        QVERIFY(timer->isActive());
        QCOMPARE(status->text(), QStringLiteral("运行中"));
        QCOMPARE(textColor(status), QColor(0, 0, 255));
        QCOMPARE(control<QLabel>("Label5")->text(), QStringLiteral("7"));
        // Start is not open: the clock stays put.
        QVERIFY(!control<QTimer>("Timer2")->isActive());

        QTest::mouseClick(control<QPushButton>("Command3"), Qt::LeftButton);
        QVERIFY(!timer->isActive());
        QCOMPARE(status->text(), QStringLiteral("已停止"));
        QCOMPARE(textColor(status), QColor(255, 0, 0));
        QVERIFY(m_box.messages.isEmpty());
    }

    void badPeriodShowsAMessageAndDoesNotStart()
    {
        control<QComboBox>("Combo1")->setEditText(QStringLiteral("2.5"));
        QTest::mouseClick(control<QPushButton>("Command2"), Qt::LeftButton);
        QCOMPARE(m_box.messages.size(), 1);
        QCOMPARE(m_box.messages[0].title, QStringLiteral("提示"));
        QCOMPARE(m_box.messages[0].text, QStringLiteral("刷新时间请输入整数时间。"));
        QCOMPARE(m_box.messages[0].icon, QMessageBox::Warning);
        QCOMPARE(m_box.messages[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QVERIFY(!control<QTimer>("Timer1")->isActive());
        QCOMPARE(control<QLabel>("Label8")->text(), QStringLiteral("已停止"));
        QCOMPARE(control<QLabel>("Label5")->text(), QStringLiteral("1"));

        // A page that is no web page has no forum to keep online.
        control<QComboBox>("Combo1")->setEditText(QStringLiteral("2"));
        control<QComboBox>("Combo4")->setEditText(QStringLiteral("about:blank"));
        QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
        QTest::mouseClick(control<QPushButton>("Command2"), Qt::LeftButton);
        QCOMPARE(m_box.messages.size(), 2);
        QCOMPARE(m_box.messages[1].text,
                 QStringLiteral("这里显示的不是论坛网页，请先输入论坛的网址并打开。"));
        QVERIFY(!control<QTimer>("Timer1")->isActive());
    }

    void periodLabelFollowsListChoicesNotTyping()
    {
        auto *box = control<QComboBox>("Combo1");
        auto *label = control<QLabel>("Label5");
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
        auto *address = control<QComboBox>("Combo4");
        address->setEditText(QStringLiteral("about:blank"));
        QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
        QVERIFY(control<QTimer>("Timer2")->isActive());
        QVERIFY(!control<QTimer>("Timer1")->isActive());
        QVERIFY(control<QWidget>("WebBrowser1")->isVisibleTo(slotOne()));
        // The partner's browser is shown too, though its panel stays hidden.
        auto *partner = child<QWidget>(m_window.get(), QStringLiteral("WebBrowser2"));
        QVERIFY(partner->isVisibleTo(partner->parentWidget()));
        QVERIFY(!child<QWidget>(m_window.get(), QStringLiteral("Frame2"))->isVisible());

        // One hour, two minutes and three seconds later, at the next real tick.
        m_clock.now += (3600 + 2 * 60 + 3) * 1000;
        QTRY_COMPARE_WITH_TIMEOUT(control<QLabel>("Label10")->text(), QStringLiteral("3"), 3000);
        QCOMPARE(control<QLabel>("Label9")->text(), QStringLiteral("2"));
        QCOMPARE(control<QLabel>("Label11")->text(), QStringLiteral("1"));
        QCOMPARE(control<QLabel>("Label8")->text(), QStringLiteral("已停止"));
    }
};

KELVORA_GUI_TEST_MAIN(TestSlotPanel)
#include "tst_slotpanel.moc"
