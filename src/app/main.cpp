#include "app/splashwindow.h"
#include "mainwin/mainwindow.h"
#include "platform/fonts.h"
#include "platform/processsetup.h"
#include "platform/urllistlocation.h"
#include "platform/webprofile.h"

#include <QApplication>
#include <QWebEngineProfile>

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

    // The profile must outlive every view that uses it, so it is created first and deleted last.
    const std::unique_ptr<QWebEngineProfile> profile(
        kelvora::createWebProfile(kelvora::defaultWebProfileFolder()));
    const kelvora::UrlListFile urlList = kelvora::userUrlListFile();

    std::unique_ptr<kelvora::MainWindow> window;
    auto *splash = new kelvora::SplashWindow(urlList);
    splash->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(splash, &kelvora::SplashWindow::finished, [&window, &profile, &urlList, splash] {
        kelvora::MainWindowSetup setup;
        setup.profile = profile.get();
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
