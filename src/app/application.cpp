#include "app/application.h"

#include "app/splashwindow.h"
#include "app/trayicon.h"
#include "core/author.h"
#include "infowin/instructionswindow.h"
#include "mainwin/mainwindow.h"
#include "urllist/urllisteditorwindow.h"
#include "web/webprofile.h"
#include "widgets/controls.h"
#include "widgets/messagebox.h"

#include <QAction>
#include <QApplication>

#include <utility>

namespace kelvora {
ApplicationSetup::ApplicationSetup(std::unique_ptr<SlotProfiles> slotProfiles, UrlListFile list)
    : profiles(std::move(slotProfiles)), urlList(std::move(list))
{}

ApplicationSetup::ApplicationSetup(ApplicationSetup &&) noexcept = default;
ApplicationSetup::~ApplicationSetup() = default;

Application::Application(ApplicationSetup setup)
    : m_setup(std::move(setup)), m_addresses(m_setup.urlList),
      m_showAction(new QAction(QStringLiteral("显示程序"), this)),
      m_exitAction(new QAction(QStringLiteral("退出程序"), this))
{
    m_showAction->setObjectName(QStringLiteral("show"));
    m_exitAction->setObjectName(QStringLiteral("exit"));
    connect(m_showAction, &QAction::triggered, this, &Application::bringToFront);
    connect(m_exitAction, &QAction::triggered, this, &Application::requestEnd);
    // However the event loop comes to its end, the program ends in order on the way.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &Application::end);
}

Application::~Application()
{
    // Every view goes before the profiles it uses; the profiles go last, with the setup.
    delete m_editor;
    delete m_instructions;
    delete m_splash;
    m_window.reset();
    m_tray.reset();
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
        m_tray = std::make_unique<TrayIcon>(QList<QAction *>{m_showAction, m_exitAction});
        m_tray->show();
    }
    MainWindowSetup setup;
    setup.profiles = m_setup.profiles.get();
    setup.startPage = m_setup.startPage;
    setup.mayHideWhenMinimised = [this] { return m_tray && m_tray->isAvailable(); };
    m_window = std::make_unique<MainWindow>(setup);
    MainWindow *window = m_window.get();
    connect(window, &MainWindow::exitRequested, this, &Application::requestEnd);
    connect(window, &MainWindow::editorRequested, this, &Application::openEditor);
    connect(window, &MainWindow::instructionsRequested, this, &Application::openInstructions);
    connect(window, &MainWindow::homePageRequested, this, [this, window] { openHomePage(window); });
    if (m_listUsable)
        window->setAddresses(m_addresses.read(window));
    window->show();
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
    if (m_window)
        m_window->hide();
    if (m_tray)
        m_tray->remove();
    QApplication::quit();
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

void Application::openHomePage(QWidget *from)
{
    const QString address = authorHomePage();
    if (m_setup.openAddress && m_setup.openAddress(address))
        return;
    MessageBox::warning(
        from, QStringLiteral("无法打开网页浏览器。请在浏览器中手动打开作者主页：\n%1").arg(address));
}

} // namespace kelvora
