#include "app/application.h"
#include "platform/accountstore.h"
#include "platform/autostart.h"
#include "platform/desktop.h"
#include "platform/processsetup.h"
#include "platform/singleinstance.h"
#include "platform/terminal.h"
#include "platform/termination.h"
#include "platform/urllistlocation.h"
#include "server/headless.h"
#include "server/pagecheck.h"
#include "web/engine.h"
#include "web/webprofile.h"
#include "webui/webconfig.h"
#include "widgets/fonts.h"
#include "widgets/messagebox.h"
#include "words/words.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLoggingCategory>

#include <cstring>
#include <memory>

namespace {

bool hasOption(int argc, char *argv[], const char *name)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0)
            return true;
    }
    return false;
}

void nameTheProgram()
{
    QCoreApplication::setApplicationName(QStringLiteral("kelvora"));
    QCoreApplication::setOrganizationName(QStringLiteral("kelvora"));
}

QString dataFolder()
{
    return QFileInfo(kelvora::userUrlListFile().path()).absolutePath();
}

/** `kelvora --set-web-password`: asks for the page's password twice, and keeps its hash. */
int setWebPassword(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    nameTheProgram();
    const std::optional<QString> first = kelvora::readSecretLine(kelvora::webPasswordPromptText(false));
    const std::optional<QString> second =
        first ? kelvora::readSecretLine(kelvora::webPasswordPromptText(true)) : std::nullopt;
    const kelvora::WebPasswordChange change = kelvora::checkWebPassword(first, second);
    if (change != kelvora::WebPasswordChange::Set) {
        kelvora::tellOnConsole(kelvora::webPasswordChangeText(change, {}));
        return 1;
    }
    QDir().mkpath(dataFolder());
    const QString path = QDir(dataFolder()).filePath(kelvora::WebUiConfig::fileName());
    QString error;
    kelvora::WebUiConfig config = kelvora::WebUiConfig::read(path, &error);
    if (!error.isEmpty()) {
        kelvora::tellOnConsole(kelvora::webPasswordChangeText(kelvora::WebPasswordChange::NotKept, path));
        return 1;
    }
    config.passwordHash = kelvora::hashWebPassword(*first);
    if (!config.write(path, &error)) {
        kelvora::tellOnConsole(kelvora::webPasswordChangeText(kelvora::WebPasswordChange::NotKept, error));
        return 1;
    }
    kelvora::tellOnConsole(kelvora::webPasswordChangeText(kelvora::WebPasswordChange::Set, path));
    return 0;
}

/** `kelvora --forget-accounts`: every account the slots keep leaves the credential store (the uninstaller
 * asks for it). */
int forgetAccounts(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    nameTheProgram();
    kelvora::SystemAccountStore store;
    const int failed = kelvora::forgetEveryAccountNow(store, kelvora::SlotCount);
    kelvora::tellOnConsole(kelvora::accountsForgottenText(failed));
    return failed == 0 ? 0 : 1;
}

/** Before the application of a run with no window: whatever DISPLAY says, it draws nowhere. */
void prepareWindowlessProcess()
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_QUICK_BACKEND", "software");
    kelvora::prepareWebEngine();
}

/**
 * After it: the engine describes its graphics set-up when it finds no GPU, as here always, and the
 * forums' scripts talk to their console; a service's log has no use for either.
 */
void quietWindowlessLog()
{
    nameTheProgram();
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false\njs.*=false"));
}

/**
 * `kelvora --check-page ADDRESS [--check-seconds N]`: loads one page with no window and exits with
 * how it went (0 loaded, 1 failed, 2 nothing within the time limit, 60 s by default, 3 not an address).
 */
int checkPage(int argc, char *argv[])
{
    prepareWindowlessProcess();
    kelvora::EngineCommandLine commandLine(argc, argv);
    QGuiApplication app(commandLine.argc(), commandLine.argv());
    quietWindowlessLog();
    QCommandLineParser parser;
    const QCommandLineOption address(QStringLiteral("check-page"), QString(), QStringLiteral("address"));
    const QCommandLineOption seconds(QStringLiteral("check-seconds"), QString(), QStringLiteral("seconds"));
    parser.addOptions({address, seconds});
    parser.parse(QCoreApplication::arguments());
    bool ok = true;
    const int limit =
        parser.isSet(seconds) ? parser.value(seconds).toInt(&ok) : kelvora::PageCheck::DefaultLimitMs / 1000;
    if (!ok || limit < 1 || limit > 3600) {
        kelvora::tellOnConsole(kelvora::badOptionText(parser.value(seconds)));
        return kelvora::PageCheck::BadAddress;
    }
    kelvora::PageCheck check(limit * 1000);
    int outcome = kelvora::PageCheck::TimedOut;
    QObject::connect(&check, &kelvora::PageCheck::finished, &app,
                     [&outcome](int result, const QString &told) {
                         outcome = result;
                         kelvora::tellOnConsole(told);
                         QCoreApplication::quit();
                     });
    check.start(parser.value(address));
    QGuiApplication::exec();
    return outcome;
}

/** `kelvora --headless`: the session alone, on its web page, with no window and no display. */
int runHeadless(int argc, char *argv[])
{
    prepareWindowlessProcess();
    kelvora::EngineCommandLine commandLine(argc, argv);
    QGuiApplication app(commandLine.argc(), commandLine.argv());
    quietWindowlessLog();

    QCommandLineParser parser;
    const QCommandLineOption headless(QStringLiteral("headless"));
    const QCommandLineOption address(QStringLiteral("web-address"), QString(), QStringLiteral("address"));
    const QCommandLineOption port(QStringLiteral("web-port"), QString(), QStringLiteral("port"));
    parser.addOptions({headless, address, port});
    parser.parse(QCoreApplication::arguments());
    kelvora::HeadlessSetup setup(kelvora::SlotProfiles::onDisk(kelvora::defaultWebProfileFolder()),
                                 dataFolder());
    if (parser.isSet(address)) {
        const QHostAddress given(parser.value(address));
        if (given.isNull()) {
            kelvora::tellOnConsole(kelvora::badOptionText(parser.value(address)));
            return 2;
        }
        setup.webAddress = given;
    }
    if (parser.isSet(port)) {
        bool ok = false;
        const uint given = parser.value(port).toUInt(&ok);
        if (!ok || given > 65535) {
            kelvora::tellOnConsole(kelvora::badOptionText(parser.value(port)));
            return 2;
        }
        setup.webPort = quint16(given);
    }
    setup.interactive = kelvora::consoleIsTerminal();

    kelvora::SingleInstance instance;
    if (!instance.claim()) {
        kelvora::tellOnConsole(kelvora::alreadyRunningText(instance.otherRunsAs()));
        return 1;
    }
    kelvora::HeadlessProgram program(std::move(setup));
    kelvora::onTerminationRequest(&program, [&program] { program.endNow(); });
    program.start();
    instance.setRunningAs(QStringLiteral("headless ") + program.pageAddress());
    return QGuiApplication::exec();
}

} // namespace

int main(int argc, char *argv[])
{
    kelvora::prepareProcess();
    if (hasOption(argc, argv, "--forget-accounts"))
        return forgetAccounts(argc, argv);
    if (hasOption(argc, argv, "--set-web-password"))
        return setWebPassword(argc, argv);
    if (hasOption(argc, argv, "--check-page"))
        return checkPage(argc, argv);
    if (hasOption(argc, argv, "--headless"))
        return runHeadless(argc, argv);

    kelvora::prepareWebEngine();
    kelvora::EngineCommandLine commandLine(argc, argv);
    QApplication app(commandLine.argc(), commandLine.argv());
    nameTheProgram();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/kelvora-32.png")));
    kelvora::installTranslations();
    QApplication::setFont(kelvora::songFont(9));
    // The main window appears only after the splash has closed: that must not end the program.
    QApplication::setQuitOnLastWindowClosed(false);

    // A second start only brings the running program forward: two would share the browsers' data.
    // One with no window has nothing to bring forward: the user is told where its page is.
    kelvora::SingleInstance instance;
    if (!instance.claim()) {
        const QString other = instance.otherRunsAs();
        if (other.startsWith(QStringLiteral("headless")))
            kelvora::MessageBox::show(nullptr, {QMessageBox::Information, QStringLiteral("Kelvora"),
                                                kelvora::runsHeadlessText(other.section(QLatin1Char(' '), 1)),
                                                QMessageBox::Ok});
        return 0;
    }

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
