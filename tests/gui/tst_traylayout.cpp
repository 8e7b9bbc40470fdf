#include "app/application.h"
#include "app/trayicon.h"
#include "common/guitest.h"
#include "core/twips.h"
#include "core/windowlayout.h"
#include "mainwin/mainwindow.h"
#include "widgets/controls.h"

#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTemporaryDir>

using namespace kelvora;
using kelvora::test::child;

// QSKIP has to stand in the test function itself.
#define REQUIRE_TRAY()                                                                                       \
    if (!QSystemTrayIcon::isSystemTrayAvailable())                                                           \
    QSKIP("this desktop has no notification area")

class TestTrayLayout : public QObject
{
    Q_OBJECT

    QTemporaryDir m_folder;
    std::unique_ptr<Application> m_app;
    MainWindow *m_window = nullptr;
    TrayIcon *m_tray = nullptr;
    int m_quits = 0;

    // The whole program, with its tray icon or without.
    void openWindow(bool trayIcon)
    {
        ApplicationSetup setup = test::programSetup(m_folder.path(), &m_quits);
        setup.tray = trayIcon;
        m_app = std::make_unique<Application>(std::move(setup));
        m_app->start();
        QTRY_VERIFY((m_window = m_app->mainWindow()) != nullptr);
        m_tray = m_app->tray();
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
    }
    // The icon Qt draws into an X11 notification area: one widget, found by the program's own
    // test, so that a Qt release that renames its class fails here.
    static QWidget *trayIconWidget()
    {
        QWidget *found = nullptr;
        for (QWidget *widget : QApplication::allWidgets()) {
            if (isQtDrawnTrayIcon(widget)) {
                if (found)
                    qFatal("two tray icon widgets");
                found = widget;
            }
        }
        return found;
    }

private slots:
    void cleanup()
    {
        m_app.reset();
        m_window = nullptr;
        m_tray = nullptr;
    }

    void resizePlacesEveryPanelAndBrowser()
    {
        openWindow(false);
        child<QPushButton>(m_window, QStringLiteral("Command10b"))->click(); // slot 6 shown
        m_window->resize(1000, 700);
        QTRY_COMPARE(m_window->size(), QSize(1000, 700));
        const QRect panel = twipsToPixels(panelRectTwips(1000 * TwipsPerPixel, 700 * TwipsPerPixel));
        const QRect browser = twipsToPixels(browserRectTwips(1000 * TwipsPerPixel, 700 * TwipsPerPixel));
        for (const SlotDescription &d : slotTable()) {
            QCOMPARE(child<QWidget>(m_window, d.names.panel)->geometry(), panel);
            QCOMPARE(child<QWidget>(m_window, d.names.browser)->geometry(), browser);
            // The top strip keeps its design place.
            QCOMPARE(child<QWidget>(m_window, d.names.switchButton)->geometry(),
                     twipsRect(d.switchButtonLeftTwips, 0, 855, 495));
        }
        QCOMPARE(child<QWidget>(m_window, QStringLiteral("Command13"))->geometry(),
                 twipsRect(0, 0, 855, 495));
        QCOMPARE(child<QWidget>(m_window, QStringLiteral("Command14"))->geometry(),
                 twipsRect(840, 0, 855, 495));
    }

    void minimisingHidesIntoTheTrayAndShowComesBackNormal()
    {
        REQUIRE_TRAY();
        openWindow(true);
        QTRY_VERIFY(m_tray->isAvailable());
        m_window->showMaximized();
        QTRY_VERIFY(m_window->isMaximized());
        m_window->showMinimized();
        QTRY_VERIFY(!m_window->isVisible());

        // Everything keeps going while hidden; the menu brings the window back at normal size.
        m_app->showAction()->trigger();
        QTRY_VERIFY(m_window->isVisible());
        QTRY_VERIFY(!m_window->isMinimized());
        QVERIFY(!m_window->isMaximized());
    }

    void withoutATrayMinimisingOnlyMinimises()
    {
        openWindow(false);
        m_window->showMinimized();
        QTRY_VERIFY(m_window->isMinimized());
        // A hide would be queued behind the state change: let every queued call run first.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        QVERIFY(m_window->isVisible());
    }

    void releasingAButtonOnTheIconOpensTheMenu()
    {
        REQUIRE_TRAY();
        openWindow(true);
        QWidget *icon = nullptr;
        QTRY_VERIFY((icon = trayIconWidget()) != nullptr);
        QMenu *menu = m_tray->menu();
        // The program's own commands, the very ones the window's buttons use.
        QCOMPARE(menu->actions(), (QList<QAction *>{m_app->showAction(), m_app->recordAction(),
                                                    m_app->webPageAction(), m_app->resumeAction(),
                                                    m_app->lateReloadsAction(), m_app->preventSleepAction(),
                                                    m_app->autostartAction(), m_app->exitAction()}));
        QStringList items;
        for (const QAction *action : menu->actions())
            items << action->text() + (action->isCheckable() ? (action->isChecked() ? "☑" : "☐") : "");
        QCOMPARE(items,
                 (QStringList{QStringLiteral("显示程序"), QStringLiteral("挂机记录"),
                              QStringLiteral("手机/网页查看…"), QStringLiteral("启动时恢复挂机☑"),
                              QStringLiteral("随机推迟几秒刷新☑"), QStringLiteral("挂机时阻止电脑睡眠☑"),
                              QStringLiteral("开机自动启动☐"), QStringLiteral("退出程序")}));
        QCOMPARE(m_tray->findChild<QSystemTrayIcon *>()->toolTip(), QStringLiteral(" Tavren软件"));

        for (const Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) {
            QTest::mousePress(icon, button);
            QCoreApplication::processEvents();
            QVERIFY(!menu->isVisible());
            QTest::mouseRelease(icon, button);
            QTRY_VERIFY(menu->isVisible());
            menu->hide();
        }
        // A pointer movement over the window never opens it, wherever it is.
        QTest::mouseMove(m_window, QPoint(514, 600));
        QTest::mouseMove(m_window, QPoint(517, 600));
        QCoreApplication::processEvents();
        QVERIFY(!menu->isVisible());
    }

    void exitFromTheMenuEndsTheProgramAndTakesTheIcon()
    {
        REQUIRE_TRAY();
        openWindow(true);
        m_quits = 0;
        m_app->exitAction()->trigger();
        QVERIFY(!m_window->isVisible());
        QVERIFY(!m_tray->isAvailable());
        // The event loop ends once the browsers have written their cookies.
        QTRY_COMPARE(m_quits, 1);
    }

    void movingOverTheWindowResetsTheLinks()
    {
        openWindow(false);
        QList<QLabel *> links;
        for (const char *name : {"Label16", "Label17"})
            links << child<QLabel>(m_window, QLatin1String(name));
        // A hover highlights a link: red, underlined, bold.
        QMouseEvent hover(QEvent::MouseMove, QPointF(3, 3), links[0]->mapToGlobal(QPointF(3, 3)),
                          Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(links[0], &hover);
        QVERIFY(links[0]->font().underline());
        QVERIFY(links[0]->font().bold());
        QCOMPARE(textColor(links[0]), QColor(Qt::red));
        QCOMPARE(textColor(links[1]), QColor(192, 0, 192));
        // Moving on over the window's own surface turns both plain and black.
        QTest::mouseMove(m_window, QPoint(60, 40));
        for (QLabel *link : links) {
            QTRY_VERIFY(!link->font().underline());
            QVERIFY(!link->font().bold());
            QCOMPARE(textColor(link), QColor(Qt::black));
        }
    }
};

KELVORA_GUI_TEST_MAIN(TestTrayLayout)
#include "tst_traylayout.moc"
