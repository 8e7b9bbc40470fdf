#include "platform/processsetup.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace kelvora {

void preparePlatformProcess();

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
