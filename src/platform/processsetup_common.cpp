#include "core/tuning.h"
#include "platform/processsetup.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace kelvora {

bool platformNeedsSandboxOff();

ProgramArguments::ProgramArguments(int argc, char **argv)
{
    for (int i = 0; i < argc; ++i)
        m_arguments << QByteArray(argv[i]);
    m_arguments << engineSwitches();
    for (QByteArray &argument : m_arguments)
        m_pointers.push_back(argument.data());
    m_pointers.push_back(nullptr);
    m_argc = static_cast<int>(m_arguments.size());
}

QByteArrayList ProgramArguments::engineSwitches()
{
    // None has earned its place yet: bench/RESULTS.md has what each one measured. ("--disable-gpu"
    // looked like 60 MB less in a short run with other work alongside; a clean run showed no gain.)
    if (!TunedBuild)
        return {};
    return {};
}

void prepareProcess()
{
    // Qt WebEngine shares GL contexts with the widgets; it must be set before the application exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // Every text of the program is Chinese; the engine's error pages and menus should be too.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::SimplifiedChineseScript, QLocale::China));
    if (platformNeedsSandboxOff())
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
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
