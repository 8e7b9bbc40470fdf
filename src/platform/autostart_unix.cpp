#include "platform/autostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

namespace kelvora {
namespace {

// An XDG autostart entry in the user's own config folder: every desktop that follows the
// freedesktop.org autostart rules starts it with the session.
QString entryPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/kelvora.desktop");
}

// An Exec argument with a blank or a special character in it is quoted, its quote, backquote,
// dollar and backslash escaped; a desktop file then escapes every backslash once more.
QString execArgument(const QString &argument)
{
    static const QString Special = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    if (std::none_of(argument.cbegin(), argument.cend(), [](QChar c) { return Special.contains(c); }))
        return argument;
    QString quoted;
    for (const QChar c : argument) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    QString field = QLatin1Char('"') + quoted + QLatin1Char('"');
    return field.replace(u'\\', QStringLiteral("\\\\"));
}

} // namespace

bool startsWithSession()
{
    return QFile::exists(entryPath());
}

bool setStartsWithSession(bool on, const QString &name, AutostartFailure *failure)
{
    const QString path = entryPath();
    if (!on) {
        if (!QFile::exists(path) || QFile::remove(path))
            return true;
        if (failure)
            *failure = {AutostartFailure::Kind::CannotRemove, path, {}};
        return false;
    }
    QDir().mkpath(QFileInfo(path).path());
    QSaveFile file(path);
    const QString entry =
        QStringLiteral("[Desktop Entry]\n"
                       "Type=Application\n"
                       "Name=%1\n"
                       "Exec=%2 %3\n"
                       "Icon=kelvora\n"
                       "X-GNOME-Autostart-enabled=true\n")
            .arg(name, execArgument(QCoreApplication::applicationFilePath()), minimisedOption());
    if (file.open(QIODevice::WriteOnly) && file.write(entry.toUtf8()) >= 0 && file.commit())
        return true;
    if (failure)
        *failure = {AutostartFailure::Kind::CannotWrite, path, file.errorString()};
    return false;
}

} // namespace kelvora
