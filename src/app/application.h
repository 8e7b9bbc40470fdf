#pragma once

#include "app/addresslist.h"
#include "app/splashwindow.h"
#include "app/webpagedialog.h"
#include "core/slotstate.h"
#include "core/slottable.h"
#include "core/urllistfile.h"
#include "infowin/instructionswindow.h"
#include "recordwin/recordwindow.h"
#include "session/slotsession.h"
#include "urllist/urllisteditorwindow.h"

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class QAction;
class QTimer;

namespace kelvora {

class AccountStore;
class Clock;
class MainWindow;
class RecordStore;
class SlotProfiles;
class SystemPower;
class TrayIcon;
class WebPageService;

/** What the program is made of; tests put in-memory profiles and a blank start page in. */
struct ApplicationSetup
{
    ApplicationSetup(std::unique_ptr<SlotProfiles> profiles, UrlListFile urlList);
    ApplicationSetup(ApplicationSetup &&) noexcept;
    ~ApplicationSetup();

    std::unique_ptr<SlotProfiles> profiles;
    UrlListFile urlList;
    QString startPage = startPageAddress();
    bool tray = true;
    int splashTickMs = 1000;
    /**
     * What keeps the forums online; its state file, when not given, is next to the address list,
     * and its accounts and power are the ones below.
     */
    SessionSetup session;
    /** Started with the session: the window goes straight to the tray. */
    bool startMinimised = false;
    /** The program's time: steady for the slots' periods, wall time for what the user reads and the record.
     */
    const Clock *clock = nullptr;
    /** Hands a web address to the desktop's browser; false when that failed. */
    std::function<bool(const QString &)> openAddress;
    /** Ends the event loop once everything is put away; by default QApplication::quit. */
    std::function<void()> quit;
    /** Where the slots' accounts are kept; by default the system's credential store. */
    std::unique_ptr<AccountStore> accounts;
    /** The system's power management; by default the system's own. */
    std::unique_ptr<SystemPower> power;
};

/**
 * The program: the splash, then the main window, the tray icon, the browser profiles, the
 * address list, and the editor and instructions windows, opened on demand. Its commands ("显示程序",
 * "退出程序") are one action each, whoever offers them. It owns the program's one orderly end:
 * asked for from a window or the tray, it goes once an unsaved edit was kept or given up; by a
 * signal or the end of the session it goes at once.
 */
class Application : public QObject
{
    Q_OBJECT

public:
    explicit Application(ApplicationSetup setup);
    ~Application() override;

    /** Shows the splash; the rest follows from there. */
    void start();
    /** Ends the program once an unsaved edit, if any, may go; otherwise everything goes on. */
    void requestEnd();
    /** Ends the program without asking anything: a signal, the end of the desktop session. */
    void endNow();
    /** Shows the main window in front at its normal size, back from the tray if need be. */
    void bringToFront();

    MainWindow *mainWindow() const { return m_window.get(); }
    /** The running slots; none before the main window is first shown. */
    const SlotSession *session() const { return m_session.get(); }
    UrlListEditorWindow *editor() const { return m_editor; }
    InstructionsWindow *instructions() const { return m_instructions; }
    RecordWindow *recordWindow() const { return m_recordWindow; }
    /** The record; none before the main window is first shown, nor after the end. */
    RecordStore *record() const;
    /** "挂机记录", as the tray menu offers it. */
    QAction *recordAction() const { return m_recordAction; }
    TrayIcon *tray() const { return m_tray.get(); }
    /** "显示程序" and "退出程序", as the tray menu offers them. */
    QAction *showAction() const { return m_showAction; }
    QAction *exitAction() const { return m_exitAction; }
    /** "启动时恢复挂机", "随机推迟几秒刷新" and "开机自动启动", checkable. */
    QAction *resumeAction() const { return m_resumeAction; }
    QAction *lateReloadsAction() const { return m_lateAction; }
    QAction *autostartAction() const { return m_autostartAction; }
    /** "挂机时阻止电脑睡眠", checkable. */
    QAction *preventSleepAction() const { return m_preventSleepAction; }
    /** "手机/网页查看…". */
    QAction *webPageAction() const { return m_webPageAction; }
    /** The web page over the session; none before the main window is first shown. */
    WebPageService *webPage() const { return m_web.get(); }
    WebPageDialog *webPageDialog() const { return m_webDialog; }
    SystemPower *power() const { return m_setup.power.get(); }
    /** Where the slots' state is kept. */
    const QString &stateFilePath() const { return m_setup.session.stateFile; }

private:
    void showMainWindow();
    void openEditor();
    void openInstructions();
    void openHomePage(QWidget *from);
    /** Opens the record window, at a slot's strips unless `slot` is -1. */
    void openRecord(int slot);
    void openWebPage();
    /** Serves the web page again where the user left it served. */
    void serveWebPageAsKept();
    void showRecord();
    /**
     * The one orderly end, whichever way it was asked for; what runs after the first call does
     * nothing. The event loop ends once the browsers have written their cookies.
     */
    void end();
    /** Tells that the kept state could not be used, and where it went. */
    void tellStateUnusable(const StateRead &read, const QString &asidePath);
    void setStartsWithSession(bool on);
    void tellStateKept(bool kept, const QString &error);
    /** Shows, in the tray icon's tool tip, which slots' members are logged out now. */
    void showLoggedOut(const QList<int> &indexes);
    /** Connects what the session tells to the windows and the tray. */
    void followSession();
    /** Ends the event loop. */
    void quit();
    /**
     * Tells that what the program keeps (the state, the record) can't be written now: one message
     * while it lasts, however many of them fail; the one still open takes in what follows.
     */
    void tellNotKept(const QString &text);

    ApplicationSetup m_setup;
    AddressList m_addresses;
    bool m_listUsable = true;
    bool m_ended = false;
    QAction *m_showAction = nullptr;
    QAction *m_exitAction = nullptr;
    QAction *m_resumeAction = nullptr;
    QAction *m_lateAction = nullptr;
    QAction *m_autostartAction = nullptr;
    QAction *m_recordAction = nullptr;
    QAction *m_preventSleepAction = nullptr;
    QAction *m_webPageAction = nullptr;
    bool m_notKeptTold = false;
    QPointer<QMessageBox> m_notKeptBox;
    const Clock &m_clock;
    std::unique_ptr<TrayIcon> m_tray;
    std::unique_ptr<SlotSession> m_session;
    std::unique_ptr<WebPageService> m_web;
    std::unique_ptr<MainWindow> m_window;
    QPointer<SplashWindow> m_splash;
    QPointer<UrlListEditorWindow> m_editor;
    QPointer<InstructionsWindow> m_instructions;
    QPointer<RecordWindow> m_recordWindow;
    QPointer<WebPageDialog> m_webDialog;
};

} // namespace kelvora
