#include "app/application.h"
#include "platform/autostart.h"
#include "platform/desktop.h"
#include "platform/processsetup.h"
#include "platform/singleinstance.h"
#include "platform/termination.h"
#include "platform/urllistlocation.h"
#include "web/engine.h"
#include "web/webprofile.h"
#include "widgets/fonts.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    kelvora::prepareProcess();
    kelvora::prepareWebEngine();
    kelvora::EngineCommandLine commandLine(argc, argv);
    QApplication app(commandLine.argc(), commandLine.argv());
    QApplication::setApplicationName(QStringLiteral("kelvora"));
    QApplication::setOrganizationName(QStringLiteral("kelvora"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/kelvora-32.png")));
    kelvora::installTranslations();
    QApplication::setFont(kelvora::songFont(9));
    // The main window appears only after the splash has closed: that must not end the program.
    QApplication::setQuitOnLastWindowClosed(false);

    // A second start only brings the running program forward: two would share the browsers' data.
    kelvora::SingleInstance instance;
    if (!instance.claim())
        return 0;

    kelvora::ApplicationSetup setup{kelvora::SlotProfiles::onDisk(kelvora::defaultWebProfileFolder()),
                                    kelvora::userUrlListFile()};
    setup.openAddress = kelvora::openInWebBrowser;
    // Started with the session: straight to the tray.
    setup.startMinimised = QCoreApplication::arguments().contains(kelvora::minimisedOption());
    kelvora::Application program(std::move(setup));

    // A signal or the end of the desktop session ends the program as "退出程序" does, unasked,
    // so the browsers write out their cookies on the way.
    kelvora::onTerminationRequest(&program, [&program] { program.endNow(); });

    QObject::connect(&instance, &kelvora::SingleInstance::showRequested, &program,
                     &kelvora::Application::bringToFront);

    program.start();
    return QApplication::exec();
}
