#pragma once

#include <QByteArray>
#include <QStringList>
#include <QVersionNumber>

namespace kelvora {

/**
 * The Chromium switches the program gives its engine, chosen by the engine's Qt version (the one
 * place that tests it). Every switch here was measured to pay on the engines it is given to, and
 * none changes what a page's scripts can see or do.
 */
QStringList engineSwitches(const QVersionNumber &qtVersion);

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
