#include "platform/processsetup.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace kelvora {

void preparePlatformProcess();

ProgramArguments::ProgramArguments(int argc, char **argv)
{
    for (int i = 0; i < argc; ++i)
        m_arguments << QByteArray(argv[i]);
    // The engine takes only what follows this marker; everything before it is the program's.
    if (const QByteArrayList switches = engineSwitches(); !switches.isEmpty())
        m_arguments << QByteArrayLiteral("--webEngineArgs") << switches;
    for (QByteArray &argument : m_arguments)
        m_pointers.push_back(argument.data());
    m_pointers.push_back(nullptr);
    m_argc = static_cast<int>(m_arguments.size());
}

QByteArrayList ProgramArguments::engineSwitches()
{
    // None has earned its place: bench/RESULTS.md has what each one measured. What did is how
    // the pages are drawn (web/engine.h) and the pages sleeping between reloads. A switch that
    // measures well goes here, for the tuned build only (TunedBuild).
    return {};
}

void prepareProcess()
{
    // Every text of the program is Chinese; the engine's error pages and menus should be too.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::SimplifiedChineseScript, QLocale::China));
    preparePlatformProcess();
}

void installTranslations()
{
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const char *catalog : {"qtbase", "qtwebengine"}) {
        auto *translator = new QTranslator(QCoreApplication::instance());
        // Without the catalog installed, Qt's few built-in texts simply stay in English.
        if (translator->load(QLocale(), QLatin1String(catalog), QStringLiteral("_"), folder))
            QCoreApplication::installTranslator(translator);
        else
            delete translator;
    }
}

} // namespace kelvora
