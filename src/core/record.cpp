#include "core/record.h"

#include "core/slottable.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <limits>
#include <optional>

namespace kelvora {
namespace {

constexpr qint64 MinuteMs = 60 * 1000;
constexpr qint64 DayMs = 24 * 60 * MinuteMs;
constexpr qint64 Always = std::numeric_limits<qint64>::max();
constexpr qint64 Never = std::numeric_limits<qint64>::min();

bool keptOnline(RecordState state)
{
    return state == RecordState::Online || state == RecordState::LoggedOut;
}

/** A slot's state as the changes before a moment left it. */
struct SlotWalk
{
    bool recorded = false;
    bool program = false;
    bool running = false;
    bool loggedOut = false;
    RecordState pause = RecordState::Online; ///< Paused or ClockStep while the program did not run

    /** Takes in one change of the program's or of the slot's own. */
    void apply(RecordKind kind)
    {
        switch (kind) {
        case RecordKind::ProgramStarted:
            recorded = program = true;
            running = loggedOut = false; // slots wait for their resume
            pause = RecordState::Online;
            break;
        case RecordKind::ProgramEnded:
            recorded = true;
            program = running = loggedOut = false;
            pause = RecordState::Online;
            break;
        case RecordKind::PausedFrom:
            pause = RecordState::Paused;
            break;
        case RecordKind::ClockStepFrom:
            pause = RecordState::ClockStep;
            break;
        case RecordKind::Continued:
            pause = RecordState::Online;
            break;
        case RecordKind::Started:
        case RecordKind::Resumed:
            running = true;
            loggedOut = false;
            break;
        case RecordKind::Stopped:
            running = loggedOut = false;
            break;
        case RecordKind::LoggedOut:
            loggedOut = true;
            break;
        case RecordKind::LoggedIn:
        case RecordKind::LoggedInAgain:
            loggedOut = false;
            break;
        case RecordKind::ProgramAlive:
        case RecordKind::Opened:
            break;
        }
    }

    RecordState state() const
    {
        if (!recorded)
            return RecordState::NotRecorded;
        if (!program)
            return RecordState::NotRunning;
        if (pause != RecordState::Online)
            return pause;
        if (!running)
            return RecordState::Stopped;
        return loggedOut ? RecordState::LoggedOut : RecordState::Online;
    }
};

/**
 * The events with an end put in for every run that has none: it ended at its last recorded
 * moment. The newest run is left open while the program runs now.
 */
std::vector<RecordEvent> withRunEnds(const std::vector<RecordEvent> &events, bool programRunsNow)
{
    std::vector<RecordEvent> out;
    out.reserve(events.size() + 1);
    bool running = false;
    qint64 lastSeen = 0;
    for (const RecordEvent &event : events) {
        if (event.kind == RecordKind::ProgramStarted && running)
            out.push_back({lastSeen, -1, RecordKind::ProgramEnded, {}});
        if (event.kind == RecordKind::ProgramStarted || event.kind == RecordKind::ProgramEnded)
            running = event.kind == RecordKind::ProgramStarted;
        lastSeen = std::max(lastSeen, event.atMs);
        out.push_back(event);
    }
    if (running && !programRunsNow)
        out.push_back({lastSeen, -1, RecordKind::ProgramEnded, {}});
    return out;
}

bool concerns(const RecordEvent &event, int slot)
{
    return event.slot == slot || event.slot < 0;
}

/** The slot's states without the reloads' outcomes, from the beginning of time to its end. */
std::vector<RecordSpan> changeSpans(const std::vector<RecordEvent> &events, int slot)
{
    std::vector<RecordSpan> spans;
    SlotWalk walk;
    RecordSpan current{Never, Always, walk.state(), {}};
    for (const RecordEvent &event : events) {
        if (!concerns(event, slot))
            continue;
        walk.apply(event.kind);
        if (walk.state() != current.state) {
            current.toMs = event.atMs;
            spans.push_back(current);
            current = {event.atMs, Always, walk.state(), {}};
        }
        if (event.kind == RecordKind::LoggedInAgain && current.state == RecordState::Online)
            current.loggedInAgain = true;
    }
    spans.push_back(current);
    return spans;
}

/**
 * When the slot's reloads failed: from the first minute with a failure until a minute whose last
 * reload was answered, and never past the stretch of keeping online the failure came in.
 */
std::vector<RecordSpan> failureSpans(const std::vector<RecordMinute> &minutes, int slot,
                                     const std::vector<RecordSpan> &changes)
{
    std::vector<RecordSpan> failures;
    std::size_t change = 0;
    auto keptOnlineUntil = [&](qint64 ms) -> std::optional<qint64> {
        while (changes[change].toMs <= ms)
            ++change;
        if (!keptOnline(changes[change].state))
            return std::nullopt;
        std::size_t last = change;
        while (last + 1 < changes.size() && keptOnline(changes[last + 1].state))
            ++last;
        return changes[last].toMs;
    };
    std::optional<RecordSpan> failing;
    for (const RecordMinute &m : minutes) {
        if (m.slot != slot)
            continue;
        const qint64 start = m.minute * MinuteMs;
        if (failing && failing->toMs <= start) {
            failures.push_back(*failing); // the stretch ended under it
            failing.reset();
        }
        if (m.failed > 0 && !failing) {
            if (const std::optional<qint64> until = keptOnlineUntil(start))
                failing = RecordSpan{start, *until, RecordState::Failed, {}};
        }
        if (!failing)
            continue;
        if (!m.failure.isEmpty())
            failing->failure = m.failure;
        if (!m.endedFailed) {
            failing->toMs = std::min(failing->toMs, m.failed > 0 ? start + MinuteMs : start);
            failures.push_back(*failing);
            failing.reset();
        }
    }
    if (failing)
        failures.push_back(*failing);
    return failures;
}

/** Adds a span to the strip, clipped to it and joined to the one before when they are alike. */
void addSpan(RecordStrip &strip, RecordSpan span)
{
    span.fromMs = std::max(span.fromMs, strip.fromMs);
    span.toMs = std::min(span.toMs, strip.toMs);
    if (span.fromMs >= span.toMs)
        return;
    if (!strip.spans.empty()) {
        RecordSpan &last = strip.spans.back();
        if (last.state == span.state && last.failure == span.failure && !span.loggedInAgain &&
            last.toMs == span.fromMs) {
            last.toMs = span.toMs;
            return;
        }
    }
    strip.spans.push_back(std::move(span));
}

} // namespace

const RecordSpan *RecordStrip::spanAt(qint64 ms) const
{
    auto it = std::upper_bound(spans.begin(), spans.end(), ms,
                               [](qint64 at, const RecordSpan &span) { return at < span.toMs; });
    return it != spans.end() && it->fromMs <= ms ? &*it : nullptr;
}

bool RecordStrip::used() const
{
    return changed || totals.answered + totals.failed > 0 ||
           std::any_of(spans.begin(), spans.end(), [](const RecordSpan &span) {
               return keptOnline(span.state) || span.state == RecordState::Failed;
           });
}

RecordStrip recordStrip(const RecordData &data, int slot, qint64 fromMs, qint64 toMs, bool programRunsNow)
{
    RecordStrip strip;
    strip.fromMs = fromMs;
    strip.toMs = toMs;
    const std::vector<RecordEvent> events = withRunEnds(data.events, programRunsNow);
    const std::vector<RecordSpan> changes = changeSpans(events, slot);
    const std::vector<RecordSpan> failures = failureSpans(data.minutes, slot, changes);

    std::size_t f = 0;
    for (const RecordSpan &change : changes) {
        if (change.toMs <= fromMs || change.fromMs >= toMs)
            continue;
        if (change.state == RecordState::LoggedOut)
            ++strip.totals.loggedOutSpans;
        if (change.loggedInAgain && change.fromMs >= fromMs)
            ++strip.totals.loggedInAgain;
        if (!keptOnline(change.state)) {
            addSpan(strip, change);
            continue;
        }
        qint64 at = change.fromMs;
        for (; f < failures.size() && failures[f].fromMs < change.toMs; ++f) {
            const RecordSpan &failure = failures[f];
            if (failure.toMs <= at)
                continue;
            const qint64 failedFrom = std::max(at, failure.fromMs);
            addSpan(strip, {at, failedFrom, change.state, {}, at == change.fromMs && change.loggedInAgain});
            at = std::min(failure.toMs, change.toMs);
            addSpan(strip, {failedFrom, at, RecordState::Failed, failure.failure});
            if (failure.toMs > change.toMs)
                break; // it goes on into the next change
        }
        addSpan(strip, {at, change.toMs, change.state, {}, at == change.fromMs && change.loggedInAgain});
    }
    for (const RecordSpan &span : strip.spans) {
        if (span.state == RecordState::Online)
            strip.totals.onlineMs += span.toMs - span.fromMs;
    }
    for (const RecordMinute &m : data.minutes) {
        if (m.slot == slot && m.minute * MinuteMs >= fromMs && m.minute * MinuteMs < toMs) {
            strip.totals.answered += m.answered;
            strip.totals.failed += m.failed;
        }
    }
    strip.changed = std::any_of(data.events.begin(), data.events.end(), [&](const RecordEvent &event) {
        return event.slot == slot && event.atMs >= fromMs && event.atMs < toMs;
    });
    return strip;
}

std::vector<RecordEvent> compactRecord(const std::vector<RecordEvent> &events, qint64 cutoffMs)
{
    // The state at the cutoff is judged with the ends of killed runs in place, so that a run that
    // ended before it is not taken for one that goes on.
    bool program = false;
    bool older = false;
    std::array<SlotWalk, SlotCount> walks{};
    for (const RecordEvent &event : withRunEnds(events, false)) {
        if (event.atMs >= cutoffMs)
            break;
        older = true;
        if (event.kind == RecordKind::ProgramStarted || event.kind == RecordKind::ProgramEnded)
            program = event.kind == RecordKind::ProgramStarted;
        for (int i = 0; i < SlotCount; ++i) {
            if (concerns(event, i))
                walks[std::size_t(i)].apply(event.kind);
        }
    }
    std::vector<RecordEvent> kept;
    if (older && !program)
        kept.push_back({cutoffMs, -1, RecordKind::ProgramEnded, {}});
    if (program) {
        kept.push_back({cutoffMs, -1, RecordKind::ProgramStarted, {}});
        for (int i = 0; i < SlotCount; ++i) {
            if (walks[std::size_t(i)].running)
                kept.push_back({cutoffMs, i, RecordKind::Started, {}});
            if (walks[std::size_t(i)].loggedOut)
                kept.push_back({cutoffMs, i, RecordKind::LoggedOut, {}});
        }
        // A break under way at the cutoff, the same in every slot's walk.
        if (walks[0].pause == RecordState::Paused)
            kept.push_back({cutoffMs, -1, RecordKind::PausedFrom, {}});
        else if (walks[0].pause == RecordState::ClockStep)
            kept.push_back({cutoffMs, -1, RecordKind::ClockStepFrom, {}});
    }
    std::copy_if(events.begin(), events.end(), std::back_inserter(kept),
                 [cutoffMs](const RecordEvent &event) { return event.atMs >= cutoffMs; });
    return kept;
}

std::vector<RecordSlotPicture> recordPicture(const RecordData &data, qint64 nowMs, bool programRunsNow)
{
    std::vector<RecordSlotPicture> picture;
    // A record begun minutes ago fills its first strip: the minutes are there to be seen.
    qint64 hourFrom = nowMs - RecordHourMs;
    if (!data.events.empty())
        hourFrom = std::min(std::max(hourFrom, data.events.front().atMs), nowMs - RecordShortestMs);
    for (int i = 0; i < SlotCount; ++i) {
        RecordStrip week = recordStrip(data, i, nowMs - RecordWeekMs, nowMs, programRunsNow);
        if (!week.used())
            continue;
        picture.push_back({i, recordStrip(data, i, hourFrom, nowMs, programRunsNow),
                           recordStrip(data, i, nowMs - DayMs, nowMs, programRunsNow), std::move(week)});
    }
    return picture;
}

} // namespace kelvora
