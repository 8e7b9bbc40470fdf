#include "record/recorder.h"

#include "core/clock.h"
#include "core/forumslot.h"

#include <QTimer>

#include <algorithm>

namespace kelvora {

namespace {

// How late the alive mark may come on a busy machine before the time is taken as not run through,
// and how far the machine's clock may part from the program's before it counts as moved.
constexpr qint64 LateMarkMs = 20000;
constexpr qint64 ClockStepMs = 5000;

} // namespace

Recorder::Recorder(const QString &path, const Clock &clock, int aliveEveryMs, QObject *parent)
    : QObject(parent), m_path(path), m_clock(clock), m_aliveTimer(new QTimer(this)),
      m_runWatch(aliveEveryMs + LateMarkMs, ClockStepMs)
{
    m_aliveTimer->setObjectName(QStringLiteral("recordAlive"));
    m_aliveTimer->setInterval(aliveEveryMs);
    connect(m_aliveTimer, &QTimer::timeout, this, [this] {
        if (!m_store) {
            openStore(false); // a full disk may have room by now
            return;
        }
        noteBreak();
        m_store->markAlive(stamp());
    });
}

Recorder::~Recorder() = default;

bool Recorder::open()
{
    m_aliveTimer->start();
    return openStore(true);
}

bool Recorder::openStore(bool first)
{
    m_store = std::make_unique<RecordStore>(m_path);
    // Trying again, what goes wrong was told the first time.
    if (first)
        connect(m_store.get(), &RecordStore::problem, this, &Recorder::problem);
    connect(m_store.get(), &RecordStore::writeFailing, this, &Recorder::writeFailing);
    if (!m_store->open()) {
        m_store.reset();
        return false;
    }
    if (!first)
        connect(m_store.get(), &RecordStore::problem, this, &Recorder::problem);
    m_runWatch.check(m_clock.steadyMs(), m_clock.wallMs());
    // A run recorded with the clock ahead: this one goes on from its end, not before it.
    m_lastStampMs = std::max(m_lastStampMs, m_store->lastMomentMs());
    add(-1, RecordKind::ProgramStarted);
    // Opened late, the record starts from how the slots are now.
    for (const auto &[index, slot] : m_followed) {
        if (slot->isRunning())
            add(index, RecordKind::Started);
        if (slot->status() == SlotStatus::LoggedOut)
            add(index, RecordKind::LoggedOut);
    }
    m_store->markAlive(stamp());
    return true;
}

void Recorder::follow(int index, const ForumSlot &slot)
{
    m_followed.emplace_back(index, &slot);
    connect(&slot, &ForumSlot::resumed, this,
            [this, index](const SavedSlot &saved) { add(index, RecordKind::Resumed, saved.address); });
    connect(&slot, &ForumSlot::opened, this,
            [this, index](const QString &address) { add(index, RecordKind::Opened, address); });
    connect(&slot, &ForumSlot::runningChanged, this,
            [this, index](bool running) { add(index, running ? RecordKind::Started : RecordKind::Stopped); });
    connect(&slot, &ForumSlot::loggedOutChanged, this, [this, index](bool loggedOut) {
        add(index, loggedOut ? RecordKind::LoggedOut : RecordKind::LoggedIn);
    });
    connect(&slot, &ForumSlot::reloggedIn, this, [this, index] { add(index, RecordKind::LoggedInAgain); });
    connect(&slot, &ForumSlot::reloaded, this, [this, index](const ReloadReport &report) {
        noteBreak();
        if (m_store)
            m_store->addOutcome(index, std::max(report.at.toMSecsSinceEpoch(), stamp()), report.result);
    });
}

void Recorder::systemSleeping()
{
    m_runWatch.noteSystemSleep();
}

void Recorder::systemWoke()
{
    m_runWatch.noteSystemSleep();
    noteBreak();
    m_runWatch.clearSystemSleep();
}

qint64 Recorder::nowMs() const
{
    return std::max(m_lastStampMs, m_clock.wallMs());
}

qint64 Recorder::stamp()
{
    m_lastStampMs = nowMs();
    return m_lastStampMs;
}

void Recorder::close()
{
    add(-1, RecordKind::ProgramEnded);
    m_aliveTimer->stop();
    m_store.reset();
}

RecordData Recorder::read(qint64 sinceMs) const
{
    return m_store ? m_store->read(sinceMs) : RecordData{};
}

void Recorder::add(int slot, RecordKind kind, const QString &detail)
{
    noteBreak();
    if (m_store)
        m_store->add({stamp(), slot, kind, detail});
}

void Recorder::noteBreak()
{
    const std::optional<RunWatch::Break> found = m_runWatch.check(m_clock.steadyMs(), m_clock.wallMs());
    if (!found || !m_store)
        return;
    // From the last moment recorded to now, on the record's clock. Set back, the clock would go
    // over a stretch already recorded: that stays as it was, and the run goes on from its end
    // once the machine's clock is past it again; until then what happens is written at its end.
    const qint64 from = std::max(found->fromMs, m_lastStampMs);
    m_store->add({from, -1, found->kind, {}});
    m_store->add({std::max(from, stamp()), -1, RecordKind::Continued, {}});
}

} // namespace kelvora
