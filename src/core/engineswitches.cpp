#include "core/engineswitches.h"

#include "core/tuning.h"

namespace kelvora {

namespace {

const QString Marker = QStringLiteral("--webEngineArgs");
const QString JsFlags = QStringLiteral("--js-flags=");

QString switchName(const QString &argument)
{
    return argument.section(QLatin1Char('='), 0, 0);
}

} // namespace

QStringList engineSwitches(const QVersionNumber &qtVersion)
{
    if (!TunedBuild)
        return {};
    QStringList switches;
    // A reloaded page leaves its old document behind as garbage that only a full collection frees.
    // Qt 6.4's V8 makes one within two seconds of each navigation, so a page reloaded every
    // second costs no more than one. Qt 6.8's leaves that to its memory reducer, which acts only
    // once the page allocates little, which a page reloaded every second never does: the old
    // documents pile up for half a minute. These let the reducer act as it would for a page in the
    // background, a second after the old document is let go. (Qt 6.10 and 6.11 build V8 without
    // the incremental marking the reducer needs: there these change nothing.)
    if (qtVersion >= QVersionNumber(6, 8) && qtVersion < QVersionNumber(6, 10))
        switches << JsFlags + QStringLiteral("--optimize-for-size --gc-memory-reducer-start-delay-ms=1000");
    return switches;
}

QStringList withEngineSwitches(QStringList arguments, const QStringList &switches)
{
    if (switches.isEmpty())
        return arguments;
    qsizetype marker = arguments.indexOf(Marker);
    if (marker < 0) {
        arguments << Marker;
        marker = arguments.size() - 1;
    }
    for (const QString &added : switches) {
        qsizetype same = -1;
        for (qsizetype i = marker + 1; i < arguments.size(); ++i) {
            if (switchName(arguments.at(i)) == switchName(added))
                same = i;
        }
        if (same < 0)
            arguments << added;
        else if (added.startsWith(JsFlags)) // V8's flags add up; the rest keep the user's choice
            arguments[same] += QLatin1Char(' ') + added.mid(JsFlags.size());
    }
    return arguments;
}

QByteArray withEngineSwitches(const QByteArray &environmentFlags, const QStringList &switches)
{
    QByteArray flags = environmentFlags;
    for (const QString &added : switches) {
        // What the user set there stands; our flags join only where the switch is not named.
        if (flags.contains(switchName(added).toUtf8()))
            continue;
        QByteArray value = added.toUtf8();
        if (value.contains(' '))
            value = '"' + value + '"';
        flags += (flags.isEmpty() ? "" : " ") + value;
    }
    return flags;
}

} // namespace kelvora
