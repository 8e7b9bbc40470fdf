#pragma once

#include "core/reloadoutcome.h"

#include <QMetaType>
#include <QString>
#include <QtGlobal>

#include <optional>
#include <vector>

namespace kelvora {

/**
 * A change the record keeps: of the program's life, or of one slot's. The numbers are what the
 * record file stores; they never change meaning.
 */
enum class RecordKind
{
    ProgramStarted = 1,
    ProgramEnded = 2,
    /// The program still ran then; a run that was killed ends at its last such moment.
    ProgramAlive = 3,
    /// From here the program did not run: the machine slept or the program was held (its own
    /// clock saw the time go by). Written once it runs again, with a Continued at that moment.
    PausedFrom = 4,
    /// From here the machine's clock moved as the program's own did not (set by hand or by the
    /// network, or a sleep the program's clock did not count). Followed by a Continued.
    ClockStepFrom = 5,
    /// The program runs again after a PausedFrom or a ClockStepFrom. A clock set back puts the
    /// step's two moments the other way round: the stretch both accounts speak of is the break.
    Continued = 6,
    Opened = 10,
    Started = 11,
    Stopped = 12,
    Resumed = 13,
    LoggedOut = 14,
    LoggedIn = 15,
    /// The program logged the member in again by itself, just after the LoggedIn it led to.
    LoggedInAgain = 16,
};

struct RecordEvent
{
    qint64 atMs = 0; ///< milliseconds since the epoch
    int slot = -1;   ///< zero-based; -1 for the program's own changes
    RecordKind kind = RecordKind::ProgramAlive;
    QString detail; ///< the address a slot opened
};

/**
 * Why reloads failed, as the record keeps it: the outcome, or in a record written before outcomes
 * were kept, the words the program showed then.
 */
struct RecordFailure
{
    std::optional<ReloadResult> result;
    QString words;

    bool isEmpty() const { return !result && words.isEmpty(); }
    friend bool operator==(const RecordFailure &, const RecordFailure &) = default;
};

/** One slot's reload outcomes in one minute: what a reload every second leaves of itself. */
struct RecordMinute
{
    int slot = 0;
    qint64 minute = 0; ///< minutes since the epoch
    int answered = 0;
    int failed = 0;
    bool endedFailed = false; ///< the minute's last reload failed
    RecordFailure failure;    ///< why the minute's last failed reload failed
};

/** The record as read: events in the order they came, minutes in time order. */
struct RecordData
{
    std::vector<RecordEvent> events;
    std::vector<RecordMinute> minutes;
};

enum class RecordState
{
    NotRecorded, ///< before anything was recorded
    NotRunning,  ///< the program did not run
    Paused,      ///< the machine slept or the program was held
    ClockStep,   ///< the clock was moved, or the machine slept where the program could not tell
    Stopped,     ///< the slot was not kept online
    Online,      ///< kept online: reloads answered, the member logged in
    LoggedOut,   ///< reloaded, but the forum no longer knew the member
    Failed,      ///< reloads failed
};

struct RecordSpan
{
    qint64 fromMs = 0;
    qint64 toMs = 0;
    RecordState state = RecordState::NotRecorded;
    RecordFailure failure;      ///< why reloads failed
    bool loggedInAgain = false; ///< an Online span begun by the program's own login after a logout
};

struct RecordTotals
{
    qint64 onlineMs = 0;
    int answered = 0;
    int failed = 0;
    int loggedOutSpans = 0;
    int loggedInAgain = 0; ///< times the program logged the member in again by itself
};

/** One slot's life over a stretch of time: spans that cover it end to end, and their totals. */
struct RecordStrip
{
    qint64 fromMs = 0;
    qint64 toMs = 0;
    std::vector<RecordSpan> spans;
    RecordTotals totals;
    bool changed = false; ///< the slot was opened, started, stopped … in this stretch

    /** The span at a moment; null outside the strip. */
    const RecordSpan *spanAt(qint64 ms) const;
    /** Whether the slot was opened, ran or reloaded in this stretch at all. */
    bool used() const;
};

/**
 * Slot `slot`'s strip over [fromMs, toMs). A run of the program that has no end ended at its last
 * recorded moment, except the newest one while `programRunsNow`: that one runs to toMs.
 */
RecordStrip recordStrip(const RecordData &data, int slot, qint64 fromMs, qint64 toMs, bool programRunsNow);

/** How long the record keeps what happened. */
inline constexpr qint64 RecordKeptMs = 30LL * 24 * 60 * 60 * 1000;
/** The longest stretch the record window shows. */
inline constexpr qint64 RecordWeekMs = 7LL * 24 * 60 * 60 * 1000;

/**
 * What pruning leaves of the events: all since `cutoffMs`, and in place of the older ones the
 * state they had led to, as events at the cutoff, so strips drawn after it do not change.
 */
std::vector<RecordEvent> compactRecord(const std::vector<RecordEvent> &events, qint64 cutoffMs);

/** The shortest stretch a strip shows: a run of seconds still has a strip to be seen in. */
inline constexpr qint64 RecordShortestMs = 60LL * 1000;
/** The stretch of the record's first strip: its last hour, or the time since it began if shorter. */
inline constexpr qint64 RecordHourMs = 60LL * 60 * 1000;

/** One slot as the record window shows it: its last hour, its last 24 hours and its last 7 days. */
struct RecordSlotPicture
{
    int slot = 0;
    RecordStrip hour; ///< the last hour, or the time since the record began where that is shorter
    RecordStrip day;
    RecordStrip week;
};

/** Every slot that was used in the last 7 days, as of `nowMs`, in slot order. */
std::vector<RecordSlotPicture> recordPicture(const RecordData &data, qint64 nowMs, bool programRunsNow);

/** Something the user should know of the record's file. */
struct RecordProblem
{
    enum class Cause
    {
        CannotOpen, ///< the file can't be opened or made (`error` says why)
        Damaged,    ///< SQLite finds the file damaged
        Newer,      ///< a newer program's layout
    };
    /** What became of a damaged or newer file. */
    enum class Fate
    {
        NotKept,  ///< it stays, and nothing is recorded in this run
        SetAside, ///< moved to `asidePath`, and a new record begun
        Deleted,  ///< removed, and a new record begun
    };
    Cause cause = Cause::CannotOpen;
    Fate fate = Fate::NotKept;
    QString path;
    QString asidePath;
    QString error;
};

} // namespace kelvora

Q_DECLARE_METATYPE(kelvora::RecordProblem)
