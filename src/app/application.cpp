#include "app/application.h"

#include "app/splashwindow.h"
#include "app/trayicon.h"
#include "core/clock.h"
#include "infowin/instructionswindow.h"
#include "mainwin/mainwindow.h"
#include "platform/accountstore.h"
#include "platform/autostart.h"
#include "platform/power.h"
#include "record/recorder.h"
#include "server/webservice.h"
#include "session/slotrunner.h"
#include "urllist/urllisteditorwindow.h"
#include "web/webprofile.h"
#include "widgets/controls.h"
#include "widgets/messagebox.h"
#include "words/author.h"
#include "words/words.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QSignalBlocker>

#include <utility>

namespace kelvora {
ApplicationSetup::ApplicationSetup(std::unique_ptr<SlotProfiles> slotProfiles, UrlListFile list)
    : profiles(std::move(slotProfiles)), urlList(std::move(list)),
      accounts(std::make_unique<SystemAccountStore>()), power(std::make_unique<SystemPower>())
{}

ApplicationSetup::ApplicationSetup(ApplicationSetup &&) noexcept = default;
ApplicationSetup::~ApplicationSetup() = default;

Application::Application(ApplicationSetup setup)
    : m_setup(std::move(setup)), m_addresses(m_setup.urlList),
      m_showAction(new QAction(QStringLiteral("显示程序"), this)),
      m_exitAction(new QAction(QStringLiteral("退出程序"), this)),
      m_resumeAction(new QAction(QStringLiteral("启动时恢复挂机"), this)),
      m_lateAction(new QAction(QStringLiteral("随机推迟几秒刷新"), this)),
      m_autostartAction(new QAction(QStringLiteral("开机自动启动"), this)),
      m_recordAction(new QAction(QStringLiteral("挂机记录"), this)),
      m_preventSleepAction(new QAction(QStringLiteral("挂机时阻止电脑睡眠"), this)),
      m_webPageAction(new QAction(QStringLiteral("手机/网页查看…"), this)),
      m_clock(m_setup.clock ? *m_setup.clock : SystemClock::instance())
{
    SessionSetup &session = m_setup.session;
    if (session.stateFile.isEmpty())
        session.stateFile = QFileInfo(m_setup.urlList.path()).dir().filePath(QStringLiteral("slots.json"));
    session.accounts = m_setup.accounts.get();
    session.power = m_setup.power.get();
    m_showAction->setObjectName(QStringLiteral("show"));
    m_exitAction->setObjectName(QStringLiteral("exit"));
    m_resumeAction->setObjectName(QStringLiteral("resume"));
    m_lateAction->setObjectName(QStringLiteral("lateReloads"));
    m_lateAction->setToolTip(
        QStringLiteral("每次刷新在刷新时间到后再随机推迟几秒，论坛按步长计算在线时间时每一步都能计入"));
    m_lateAction->setCheckable(true);
    m_lateAction->setChecked(true);
    m_autostartAction->setObjectName(QStringLiteral("autostart"));
    m_preventSleepAction->setObjectName(QStringLiteral("preventSleep"));
    m_preventSleepAction->setToolTip(QStringLiteral("有论坛在挂机时，电脑不会自动睡眠（显示器仍可关闭）"));
    m_preventSleepAction->setCheckable(true);
    m_preventSleepAction->setChecked(true);
    connect(m_preventSleepAction, &QAction::toggled, this, [this](bool on) {
        if (m_session)
            m_session->setPreventSleep(on);
    });
    m_webPageAction->setObjectName(QStringLiteral("webPage"));
    m_webPageAction->setToolTip(QStringLiteral("在手机或别的电脑的浏览器里查看和操作挂机"));
    connect(m_webPageAction, &QAction::triggered, this, &Application::openWebPage);
    m_recordAction->setObjectName(QStringLiteral("record"));
    connect(m_recordAction, &QAction::triggered, this, [this] { openRecord(-1); });
    m_resumeAction->setCheckable(true);
    m_resumeAction->setChecked(true);
    m_autostartAction->setCheckable(true);
    m_autostartAction->setChecked(startsWithSession());
    connect(m_showAction, &QAction::triggered, this, &Application::bringToFront);
    connect(m_exitAction, &QAction::triggered, this, &Application::requestEnd);
    connect(m_resumeAction, &QAction::toggled, this, [this](bool on) {
        if (m_session)
            m_session->setResumeOnStart(on);
    });
    connect(m_lateAction, &QAction::toggled, this, [this](bool on) {
        if (m_session)
            m_session->setLateReloads(on);
    });
    connect(m_autostartAction, &QAction::toggled, this, &Application::setStartsWithSession);
    // However the event loop comes to its end, the program ends in order on the way.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &Application::end);
}

Application::~Application()
{
    // Every view goes before the profiles it uses; the profiles go last, with the setup.
    delete m_editor;
    delete m_instructions;
    delete m_recordWindow;
    delete m_webDialog;
    delete m_splash;
    m_window.reset();
    m_tray.reset();
    m_web.reset();
    m_session.reset();
}

RecordStore *Application::record() const
{
    return m_session ? m_session->recorder()->store() : nullptr;
}

void Application::quit()
{
    if (m_setup.quit)
        m_setup.quit();
    else
        QApplication::quit();
}

void Application::start()
{
    m_splash = new SplashWindow(m_setup.splashTickMs);
    m_splash->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_splash, &SplashWindow::finished, this, &Application::showMainWindow);
    // When the list can't even be made, the user is told so once, here.
    m_listUsable = m_addresses.makeIfMissing(m_splash);
    m_splash->show();
}

void Application::showMainWindow()
{
    if (m_setup.tray) {
        m_tray = std::make_unique<TrayIcon>(
            QList<QAction *>{m_showAction, m_recordAction, m_webPageAction, m_resumeAction, m_lateAction,
                             m_preventSleepAction, m_autostartAction, m_exitAction});
        m_tray->show();
    }
    m_session = std::make_unique<SlotSession>(*m_setup.profiles, m_clock, m_setup.session);
    m_session->loadStartPage(m_setup.startPage);
    m_web = std::make_unique<WebPageService>(*m_session, nullptr, QFileInfo(stateFilePath()).absolutePath());
    MainWindowSetup setup;
    setup.session = m_session.get();
    setup.exitAction = m_exitAction;
    setup.mayHideWhenMinimised = [this] { return m_tray && m_tray->isAvailable(); };
    m_window = std::make_unique<MainWindow>(setup);
    MainWindow *window = m_window.get();
    connect(window, &MainWindow::editorRequested, this, &Application::openEditor);
    connect(window, &MainWindow::instructionsRequested, this, &Application::openInstructions);
    connect(window, &MainWindow::homePageRequested, this, [this, window] { openHomePage(window); });
    connect(window, &MainWindow::recordRequested, this, &Application::openRecord);
    if (m_listUsable)
        window->setAddresses(m_addresses.read(window));
    if (m_setup.startMinimised && m_tray && m_tray->isAvailable())
        window->hide(); // started with the session: it lives in the tray until asked for
    else if (m_setup.startMinimised)
        window->showMinimized();
    else
        window->show();
    followSession();
    m_session->start();
    serveWebPageAsKept();
}

void Application::followSession()
{
    SlotSession *session = m_session.get();
    connect(session, &SlotSession::ended, this, &Application::quit);
    connect(session, &SlotSession::recordProblem, this, [this](const RecordProblem &problem) {
        MessageBox::showWithoutWaiting(m_window.get(), {QMessageBox::Warning, QStringLiteral("提示"),
                                                        recordProblemText(problem), QMessageBox::Ok});
    });
    connect(session, &SlotSession::recordWriteFailing, this, [this](const QString &error) {
        tellNotKept(
            QStringLiteral("挂机记录无法写入（%1）。挂机照常进行，能写入时会自动继续记录。").arg(error));
    });
    connect(session, &SlotSession::sleepLockRefused, this,
            [this](SystemPower::Refusal why, const QString &detail) {
                if (m_tray)
                    m_tray->showMessage(sleepLockRefusedText(why == SystemPower::Refusal::NoService,
                                                             why == SystemPower::Refusal::NotAllowed,
                                                             detail));
            });
    connect(session, &SlotSession::stateUnusable, this, &Application::tellStateUnusable);
    connect(session, &SlotSession::choicesRead, this, [this, session] {
        const QSignalBlocker quietResume(m_resumeAction);
        const QSignalBlocker quietLate(m_lateAction);
        const QSignalBlocker quietSleep(m_preventSleepAction);
        m_resumeAction->setChecked(session->resumeOnStart());
        m_lateAction->setChecked(session->lateReloads());
        m_preventSleepAction->setChecked(session->preventSleep());
    });
    connect(session, &SlotSession::resuming, this, [this](int running) {
        if (m_tray)
            m_tray->showMessage(QStringLiteral("已恢复 %1 个论坛的挂机").arg(running));
    });
    // The window shows the first slot that went on, unless the user has chosen one.
    connect(session, &SlotSession::slotResumed, this, [this](int index) {
        if (m_window && m_window->switchedSlot() < 0)
            m_window->switchToSlot(index);
    });
    connect(session, &SlotSession::loggedOutForTheUser, this, [this](int index) {
        if (m_tray)
            m_tray->showMessage(QStringLiteral("%1：账号已掉线，请在程序中重新登录").arg(slotCaption(index)));
    });
    connect(session, &SlotSession::loggedOutSlotsChanged, this, &Application::showLoggedOut);
    connect(session, &SlotSession::reloggedIn, this, [this](int index) {
        if (m_tray)
            m_tray->showMessage(QStringLiteral("%1：已自动重新登录").arg(slotCaption(index)));
    });
    connect(session, &SlotSession::reloginFailed, this,
            [this](int index, ReloginPlan::Failure failure, bool givenUp) {
                if (m_tray && givenUp)
                    m_tray->showMessage(QStringLiteral("%1：自动登录失败：%2，请在程序中重新登录")
                                            .arg(slotCaption(index), reloginFailureText(failure)));
            });
    connect(session, &SlotSession::stateKeptChanged, this, &Application::tellStateKept);
}

void Application::tellStateUnusable(const StateRead &read, const QString &asidePath)
{
    MessageBox::showWithoutWaiting(
        m_window.get(),
        {QMessageBox::Warning, QStringLiteral("提示"),
         QStringLiteral("上次保存的挂机状态无法使用（%1），本次将不恢复挂机。%2")
             .arg(stateProblemText(read),
                  asidePath.isEmpty()
                      ? QString()
                      : QStringLiteral("原文件已另存为 %1。").arg(QDir::toNativeSeparators(asidePath))),
         QMessageBox::Ok});
}

void Application::tellStateKept(bool kept, const QString &error)
{
    if (kept) {
        m_notKeptTold = false;
        if (m_tray)
            m_tray->showMessage(QStringLiteral("挂机状态已能再次保存"));
        return;
    }
    // The forums' own cookie store shares the disk: a login made now may not be kept either.
    tellNotKept(
        QStringLiteral("挂机状态无法保存（%1）：各论坛的网址、刷新时间、是否挂机和新的登录可能不会保存。"
                       "挂机照常进行，能保存时会自动补存。")
            .arg(error));
}

void Application::tellNotKept(const QString &text)
{
    if (m_notKeptBox) {
        if (!m_notKeptBox->text().contains(text))
            m_notKeptBox->setText(m_notKeptBox->text() + QStringLiteral("\n\n") + text);
        return;
    }
    if (std::exchange(m_notKeptTold, true))
        return;
    m_notKeptBox = MessageBox::showWithoutWaiting(
        m_window.get(), {QMessageBox::Warning, QStringLiteral("提示"), text, QMessageBox::Ok});
}

void Application::showLoggedOut(const QList<int> &indexes)
{
    if (!m_tray)
        return;
    QStringList out;
    for (const int index : indexes)
        out << slotCaption(index);
    const QString name = QStringLiteral(" %1软件").arg(authorName());
    m_tray->setToolTip(out.isEmpty() ? name
                                     : name + QStringLiteral("\n已掉线：") + out.join(QStringLiteral("、")));
}

void Application::setStartsWithSession(bool on)
{
    AutostartFailure failure;
    if (kelvora::setStartsWithSession(on, autostartEntryName(), &failure))
        return;
    const QSignalBlocker quiet(m_autostartAction);
    m_autostartAction->setChecked(!on);
    MessageBox::warning(m_window.get(),
                        QStringLiteral("无法设置开机自动启动：%1").arg(autostartFailureText(failure)));
}

void Application::requestEnd()
{
    if (m_editor && !m_editor->mayDiscard())
        return;
    end();
}

void Application::endNow()
{
    end();
}

void Application::end()
{
    if (std::exchange(m_ended, true))
        return;
    // The edit was given up (or nobody could be asked): the editor must not ask a second time.
    if (m_editor)
        m_editor->discard();
    // The session writes what it keeps and the logins; the event loop ends once they are written.
    if (m_web)
        m_web->stop();
    if (m_session)
        m_session->shutDown();
    else
        QMetaObject::invokeMethod(this, &Application::quit, Qt::QueuedConnection);
    if (m_window)
        m_window->hide();
    if (m_tray)
        m_tray->remove();
}

void Application::bringToFront()
{
    if (!m_window)
        return;
    m_window->showNormal();
    kelvora::bringToFront(m_window.get());
}

void Application::openEditor()
{
    if (m_editor) {
        kelvora::bringToFront(m_editor);
        return;
    }
    m_editor = new UrlListEditorWindow(m_addresses.file());
    m_editor->show();
}

void Application::openInstructions()
{
    if (m_instructions) {
        kelvora::bringToFront(m_instructions);
        return;
    }
    m_instructions = new InstructionsWindow;
    connect(m_instructions, &InstructionsWindow::homePageRequested, this,
            [this] { openHomePage(m_instructions); });
    m_instructions->show();
}

void Application::openRecord(int slot)
{
    if (!m_recordWindow) {
        m_recordWindow = new RecordWindow;
        connect(m_recordWindow, &RecordWindow::updateRequested, this, &Application::showRecord);
        showRecord();
    }
    kelvora::bringToFront(m_recordWindow);
    if (slot >= 0)
        m_recordWindow->showSlot(slot);
}

void Application::showRecord()
{
    const Recorder *recorder = m_session ? m_session->recorder() : nullptr;
    const qint64 now = recorder ? recorder->nowMs() : m_clock.wallMs();
    const RecordData data = recorder ? recorder->read(now - RecordWeekMs) : RecordData{};
    m_recordWindow->showPicture(
        recordPicture(data, now, true),
        recorder ? recorder->path() : QFileInfo(stateFilePath()).dir().filePath(RecordStore::fileName()));
}

void Application::openWebPage()
{
    if (!m_web)
        return;
    if (!m_webDialog)
        m_webDialog = new WebPageDialog(*m_web);
    kelvora::bringToFront(m_webDialog);
}

void Application::serveWebPageAsKept()
{
    const WebUiConfig config = m_web->readConfig();
    if (!config.servedByDesktop || config.passwordHash.isEmpty())
        return;
    for (const QString &line : m_web->serve(config, false))
        qInfo("%s", qUtf8Printable(line));
}

void Application::openHomePage(QWidget *from)
{
    const QString address = authorHomePage();
    if (m_setup.openAddress && m_setup.openAddress(address))
        return;
    MessageBox::warning(
        from, QStringLiteral("无法打开网页浏览器。请在浏览器中手动打开作者主页：\n%1").arg(address));
}

} // namespace kelvora
