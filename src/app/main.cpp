#include "app/splashwindow.h"
#include "mainwin/mainwindow.h"
#include "platform/processsetup.h"
#include "platform/termination.h"
#include "platform/urllistlocation.h"
#include "web/webprofile.h"
#include "widgets/fonts.h"

#include <QApplication>
#include <QSessionManager>

#include <memory>

int main(int argc, char *argv[])
{
    kelvora::prepareProcess();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kelvora"));
    QApplication::setOrganizationName(QStringLiteral("kelvora"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/kelvora-32.png")));
    kelvora::installTranslations();
    QApplication::setFont(kelvora::songFont(9));
    // The main window appears only after the splash has closed: that must not end the program.
    QApplication::setQuitOnLastWindowClosed(false);

    // The profiles must outlive every view that uses them, so they are created first and deleted last.
    const std::unique_ptr<kelvora::SlotProfiles> profiles =
        kelvora::SlotProfiles::onDisk(kelvora::defaultWebProfileFolder());
    const kelvora::UrlListFile urlList = kelvora::userUrlListFile();

    std::unique_ptr<kelvora::MainWindow> window;
    // A signal or the end of the desktop session ends the program as "退出程序" does, so the
    // browsers write out their cookies on the way.
    auto endProgram = [&window] {
        if (window)
            window->exitProgram();
        else
            QApplication::quit();
    };
    kelvora::onTerminationRequest(&app, endProgram);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &app, [endProgram](QSessionManager &) {
        QMetaObject::invokeMethod(qApp, endProgram, Qt::QueuedConnection);
    });

    auto *splash = new kelvora::SplashWindow(urlList);
    splash->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(splash, &kelvora::SplashWindow::finished, [&window, &profiles, &urlList, splash] {
        kelvora::MainWindowSetup setup;
        setup.profiles = profiles.get();
        // When the list could not even be created, the user has been told once already.
        if (!splash->seedFailed())
            setup.urlList = urlList;
        window = std::make_unique<kelvora::MainWindow>(setup);
        window->show();
    });
    splash->show();

    const int exitCode = QApplication::exec();
    window.reset();
    return exitCode;
}
