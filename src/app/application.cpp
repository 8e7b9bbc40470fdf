#include "app/application.h"

#include "app/splashwindow.h"
#include "core/author.h"
#include "infowin/instructionswindow.h"
#include "mainwin/mainwindow.h"
#include "platform/trayicon.h"
#include "urllist/urllisteditorwindow.h"
#include "web/webprofile.h"
#include "widgets/messagebox.h"

#include <QApplication>

namespace kelvora {
namespace {

// Brings an open window to the front, as reopening it does.
void raiseWindow(QWidget *window)
{
    window->show();
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->raise();
    window->activateWindow();
}

} // namespace

ApplicationSetup::ApplicationSetup(std::unique_ptr<SlotProfiles> slotProfiles, UrlListFile list)
    : profiles(std::move(slotProfiles)), urlList(std::move(list))
{}

ApplicationSetup::ApplicationSetup(ApplicationSetup &&) noexcept = default;
ApplicationSetup::~ApplicationSetup() = default;

Application::Application(ApplicationSetup setup) : m_setup(std::move(setup)) {}

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
    m_splash = new SplashWindow(m_setup.urlList, m_setup.splashTickMs);
    m_splash->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_splash, &SplashWindow::finished, this, &Application::showMainWindow);
    m_splash->show();
}

void Application::showMainWindow(bool listUsable)
{
    if (m_setup.tray)
        m_tray = std::make_unique<TrayIcon>();
    MainWindowSetup setup;
    setup.profiles = m_setup.profiles.get();
    setup.startPage = m_setup.startPage;
    setup.tray = m_tray.get();
    // When the list could not even be created, the user has been told once already.
    if (listUsable)
        setup.urlList = m_setup.urlList;
    m_window = std::make_unique<MainWindow>(setup);
    MainWindow *window = m_window.get();
    window->setExitGuard([this] { return mayEnd(); });
    connect(window, &MainWindow::editorRequested, this, &Application::openEditor);
    connect(window, &MainWindow::instructionsRequested, this, &Application::openInstructions);
    connect(window, &MainWindow::homePageRequested, this, [this, window] { openHomePage(window); });
    window->show();
}

void Application::endNow()
{
    if (m_editor)
        m_editor->discard();
    if (m_window)
        m_window->exitProgram(true);
    else
        QApplication::quit();
}

void Application::bringToFront()
{
    if (m_window)
        m_window->showFromTray();
}

bool Application::mayEnd()
{
    if (!m_editor)
        return true;
    if (!m_editor->mayDiscard())
        return false;
    // Given up: quitting closes every window, and the editor must not ask a second time.
    m_editor->discard();
    return true;
}

void Application::openEditor()
{
    if (m_editor) {
        raiseWindow(m_editor);
        return;
    }
    m_editor = new UrlListEditorWindow(m_setup.urlList);
    m_editor->show();
}

void Application::openInstructions()
{
    if (m_instructions) {
        raiseWindow(m_instructions);
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
