#pragma once

#include <QByteArray>
#include <QStringList>
#include <QVersionNumber>

namespace kelvora {

/**
 * How an engine's V8 frees the documents a reloaded page leaves behind, by Qt WebEngine's own
 * version (from 6.140 on, Qt WebEngine is numbered apart from Qt, after its Chromium).
 */
enum class EngineCollector
{
    /** 6.4 (Chromium 102): a full collection within seconds of each navigation, unasked. */
    Eager,
    /** 6.8 and 6.9, and 6.140 on: V8's memory reducer, which waits until the page allocates little. */
    MemoryReducer,
    /**
     * 6.10 and 6.11: V8 built without write barriers, so without a young generation, incremental
     * marking or the memory reducer; it collects only when the renderer is told of memory pressure.
     */
    PressureOnly,
};

EngineCollector engineCollector(const QVersionNumber &webEngineVersion);

/**
 * The Chromium switches the program gives its engine, chosen by Qt WebEngine's version (the one
 * place that tests it). Every switch here was measured to pay on the engines it is given to, and
 * none changes what a page's scripts can see or do.
 */
QStringList engineSwitches(const QVersionNumber &webEngineVersion);

/**
 * The program's command line with `switches` added where Qt WebEngine takes them: after its
 * `--webEngineArgs` marker (added when missing). A `--js-flags` already there keeps its flags and
 * gains ours, since the engine would heed only the last one.
 */
QStringList withEngineSwitches(QStringList arguments, const QStringList &switches);

/**
 * QTWEBENGINE_CHROMIUM_FLAGS with `switches` added. Where that variable is set, the engine takes
 * its switches from there alone and ignores those on the command line.
 */
QByteArray withEngineSwitches(const QByteArray &environmentFlags, const QStringList &switches);

} // namespace kelvora
