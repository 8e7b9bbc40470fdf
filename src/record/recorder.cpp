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
        noteBreak();
        if (m_store)
            m_store->markAlive(m_clock.wallMs());
    });
}

Recorder::~Recorder() = default;

bool Recorder::open()
{
    m_store = std::make_unique<RecordStore>(m_path);
    connect(m_store.get(), &RecordStore::problem, this, &Recorder::problem);
    if (!m_store->open()) {
        m_store.reset();
        return false;
    }
    m_runWatch.check(m_clock.steadyMs(), m_clock.wallMs());
    add(-1, RecordKind::ProgramStarted);
    m_store->markAlive(m_clock.wallMs());
    m_aliveTimer->start();
    return true;
}

void Recorder::follow(int index, const ForumSlot &slot)
{
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
            m_store->addOutcome(index, report.at.toMSecsSinceEpoch(), report.result);
    });
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
        m_store->add({m_clock.wallMs(), slot, kind, detail});
}

void Recorder::noteBreak()
{
    const std::optional<RunWatch::Break> found = m_runWatch.check(m_clock.steadyMs(), m_clock.wallMs());
    if (!found || !m_store)
        return;
    // Set back, the clock goes over a stretch already recorded: that stretch is the break, as
    // neither account of it can be told as true.
    m_store->add({std::min(found->fromMs, found->toMs), -1, found->kind, {}});
    m_store->add({std::max(found->fromMs, found->toMs), -1, RecordKind::Continued, {}});
}

} // namespace kelvora
