#pragma once

#include "app/splashwindow.h"
#include "core/urllistfile.h"
#include "infowin/instructionswindow.h"
#include "urllist/urllisteditorwindow.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

namespace kelvora {

class MainWindow;
class SlotProfiles;
class TrayIcon;

/** What the program is made of; tests put in-memory profiles and a blank start page in. */
struct ApplicationSetup
{
    ApplicationSetup(std::unique_ptr<SlotProfiles> profiles, UrlListFile urlList);
    ApplicationSetup(ApplicationSetup &&) noexcept;
    ~ApplicationSetup();

    std::unique_ptr<SlotProfiles> profiles;
    UrlListFile urlList;
    QString startPage = QStringLiteral("www.baidu.com");
    bool tray = true;
    int splashTickMs = 1000;
    /** Hands a web address to the desktop's browser; false when that failed. */
    std::function<bool(const QString &)> openAddress;
};

/**
 * The program: the splash, then the main window, the tray icon, the browser profiles, the
 * address list, and the editor and instructions windows, opened on demand. It decides how the
 * program ends: from the main window only once an unsaved edit was kept or given up; by a
 * signal or the end of the session at once.
 */
class Application : public QObject
{
    Q_OBJECT

public:
    explicit Application(ApplicationSetup setup);
    ~Application() override;

    /** Shows the splash; the rest follows from there. */
    void start();
    /** Ends the program without asking anything. */
    void endNow();
    /** Shows the main window in front, back from the tray if need be. */
    void bringToFront();

    MainWindow *mainWindow() const { return m_window.get(); }
    UrlListEditorWindow *editor() const { return m_editor; }
    InstructionsWindow *instructions() const { return m_instructions; }

private:
    void showMainWindow(bool listUsable);
    void openEditor();
    void openInstructions();
    void openHomePage(QWidget *from);
    bool mayEnd();

    ApplicationSetup m_setup;
    std::unique_ptr<TrayIcon> m_tray;
    std::unique_ptr<MainWindow> m_window;
    QPointer<SplashWindow> m_splash;
    QPointer<UrlListEditorWindow> m_editor;
    QPointer<InstructionsWindow> m_instructions;
};

} // namespace kelvora
