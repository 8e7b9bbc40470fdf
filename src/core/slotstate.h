#pragma once

#include "core/relogin.h"
#include "core/slottable.h"

#include <QString>

#include <array>
#include <optional>

namespace kelvora {

/** What one slot was doing, kept so that it can go on after a restart. */
struct SavedSlot
{
    QString address;      ///< the page it keeps online
    int period = 1;       ///< in the slot's own unit
    bool running = false; ///< being reloaded, or only open
    /// How far the slot's tries to log in again went, so a refused password is not tried at every start.
    ReloginPlan::Kept relogin{};
    friend bool operator==(const SavedSlot &, const SavedSlot &) = default;
};

/** The slots' state and the choices that go with it, as kept between runs. */
struct SavedState
{
    /** Resume on start: the slots go on by themselves at the next start. */
    bool resumeOnStart = true;
    /** Late reloads: timer reloads come a moment after the period (see reloadDelayMs). */
    bool lateReloads = true;
    /** Prevent sleep: the machine is kept awake while a slot runs. */
    bool preventSleep = true;
    /** One entry per slot; none for a slot that was never opened. */
    std::array<std::optional<SavedSlot>, SlotCount> entries{};
    friend bool operator==(const SavedState &, const SavedState &) = default;
};

/** Why a kept state could not be used. */
enum class StateProblem
{
    None,
    Missing,    ///< no file: a first run
    Empty,      ///< a file with nothing in it
    Unreadable, ///< the file can't be opened
    Newer,      ///< written by a newer version of the program
    Damaged,    ///< not what this program writes
};

/** What is wrong with a damaged state file. */
enum class StateDamage
{
    None,
    NotJson,         ///< the parser's words in `detail`
    TooLarge,        ///< larger than the program ever writes
    NoVersionOrList, ///< no version or no list of slots
    IncompleteSlot,  ///< slot `detail` lacks its address or period
};

struct StateRead
{
    SavedState state;
    StateProblem problem = StateProblem::None;
    StateDamage damage = StateDamage::None;
    QString detail; ///< the system's or the parser's words, a version or a slot's number
};

/**
 * The slots' state file: a small JSON document, versioned, written whole and atomically, so that
 * a crash or a full disk leaves the last good one in place.
 */
class SlotStateFile
{
public:
    static constexpr int Version = 1;

    explicit SlotStateFile(QString path) : m_path(std::move(path)) {}
    const QString &path() const { return m_path; }

    /** The kept state; on any problem the state of a first run, and the problem. */
    StateRead read() const;
    /** Writes the state; false with the reason when it can't. */
    bool write(const SavedState &state, QString *error = nullptr) const;
    /**
     * Moves a file that could not be used out of the way, to "<name>.bad" (numbered when taken),
     * so the next write does not silently replace it. Returns where it went; empty when it stayed.
     */
    QString setAside() const;

private:
    QString m_path;
};

} // namespace kelvora
