#include "platform/autostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>

namespace kelvora {
namespace {

// The user's own Run key: Windows starts what it names at every logon of this user.
const QString RunKey = QStringLiteral("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
const QString ValueName = QStringLiteral("Kelvora");

} // namespace

bool startsWithSession()
{
    return QSettings(RunKey, QSettings::NativeFormat).contains(ValueName);
}

bool setStartsWithSession(bool on, const QString & /*name: the Run value is the program's path*/,
                          AutostartFailure *failure)
{
    QSettings run(RunKey, QSettings::NativeFormat);
    if (on)
        run.setValue(ValueName, QStringLiteral("\"%1\" %2")
                                    .arg(QDir::toNativeSeparators(QCoreApplication::applicationFilePath()),
                                         minimisedOption()));
    else
        run.remove(ValueName);
    run.sync();
    if (run.status() == QSettings::NoError)
        return true;
    if (failure)
        *failure = {AutostartFailure::Kind::RegistryNotWritten, {}, {}};
    return false;
}

} // namespace kelvora
