#pragma once

#include "core/record.h"

#include <QtGlobal>

#include <optional>

namespace kelvora {

/**
 * Tells from the program's own (steady) clock and the machine's clock, read together at each
 * moment the record notes something, when the program did not run: a gap of the steady clock
 * longer than the program ever leaves between two such moments (the machine slept, the program
 * was held), or the machine's clock moving otherwise than the steady one (set by hand or by the
 * network, or a sleep the steady clock did not count).
 */
class RunWatch
{
public:
    /** A stretch of the machine's clock the program did not run through. */
    struct Break
    {
        RecordKind kind = RecordKind::PausedFrom; ///< PausedFrom or ClockStepFrom
        qint64 fromMs = 0;                        ///< the last moment known to be run through
        qint64 toMs = 0;                          ///< now; before fromMs when the clock was set back
    };

    /**
     * `pauseAfterMs`: the longest the program leaves between two moments while it runs;
     * `stepAfterMs`: how far the two clocks may part between two moments before it is a step.
     */
    RunWatch(qint64 pauseAfterMs, qint64 stepAfterMs);

    /** A moment of both clocks; the break since the one before, if there was one. */
    std::optional<Break> check(qint64 steadyMs, qint64 wallMs);
    /**
     * The system said it slept: the break found next (the clock moved forward while the program's
     * clock stood, or both did) is a sleep, PausedFrom.
     */
    void noteSystemSleep() { m_systemSlept = true; }
    /** Forgets a sleep noted that no break came of. */
    void clearSystemSleep() { m_systemSlept = false; }

private:
    qint64 m_pauseAfterMs;
    qint64 m_stepAfterMs;
    std::optional<qint64> m_steadyMs;
    qint64 m_wallMs = 0;
    bool m_systemSlept = false;
};

} // namespace kelvora
