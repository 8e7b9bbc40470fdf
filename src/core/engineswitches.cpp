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

EngineCollector engineCollector(const QVersionNumber &webEngineVersion)
{
    if (webEngineVersion < QVersionNumber(6, 8))
        return EngineCollector::Eager;
    // Qt WebEngine's own numbering goes from 6.11 to 6.140, whose V8 is reported to have its
    // write barriers back.
    if (webEngineVersion >= QVersionNumber(6, 10) && webEngineVersion < QVersionNumber(6, 140))
        return EngineCollector::PressureOnly;
    return EngineCollector::MemoryReducer;
}

QStringList engineSwitches(const QVersionNumber &webEngineVersion)
{
    if (!TunedBuild)
        return {};
    // A reloaded page leaves its old document behind as garbage that only a full collection frees.
    switch (engineCollector(webEngineVersion)) {
    case EngineCollector::Eager:
        // One comes within two seconds of each navigation: a page reloaded every second costs no
        // more than one.
        return {};
    case EngineCollector::MemoryReducer:
        // The reducer acts only once the page allocates little, which a page reloaded every second
        // never does: the old documents pile up for half a minute. These let it act as it would
        // for a page in the background, a second after the old document is let go.
        return {QStringLiteral("--js-flags=--optimize-for-size --gc-memory-reducer-start-delay-ms=1000")};
    case EngineCollector::PressureOnly:
        // With no memory pressure, nothing collects until V8's own heap reaches its limit, which
        // V8 sizes from the heap's maximum (hundreds of megabytes) and sets back at every
        // navigation; the documents piling up in Blink's heap are not counted against it.
        // Starting it at 4 MB has a full collection come every few reloads.
        return {QStringLiteral("--js-flags=--initial-old-space-size=4")};
    }
    return {};
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
