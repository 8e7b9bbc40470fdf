#pragma once

#include "core/record.h"

#include <QStringList>

namespace kelvora::test {

/** A slot's changes and the program's in the record, "slot:kind" each (-1 the program), alive marks left out.
 */
inline QString recordedChanges(const RecordData &data, int slot)
{
    QStringList changes;
    for (const RecordEvent &event : data.events) {
        if (event.kind != RecordKind::ProgramAlive && (event.slot == -1 || event.slot == slot))
            changes << QStringLiteral("%1:%2").arg(event.slot).arg(int(event.kind));
    }
    return changes.join(QLatin1Char(' '));
}

} // namespace kelvora::test
