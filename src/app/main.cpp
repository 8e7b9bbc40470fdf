#include "mainwin/mainwindow.h"
#include "platform/processsetup.h"
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

    // The profile must outlive every view that uses it, so it is created first and deleted last.
    std::unique_ptr<QWebEngineProfile> profile(kelvora::createWebProfile(kelvora::defaultWebProfileFolder()));
    int exitCode = 0;
    {
        kelvora::MainWindowSetup setup;
        setup.profile = profile.get();
        kelvora::MainWindow window(setup);
        window.show();
        exitCode = QApplication::exec();
    }
    return exitCode;
}
