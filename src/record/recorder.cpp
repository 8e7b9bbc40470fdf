#include "record/recorder.h"

#include "core/clock.h"
#include "core/forumslot.h"

#include <QTimer>

namespace kelvora {

Recorder::Recorder(const QString &path, const Clock &clock, int aliveEveryMs, QObject *parent)
    : QObject(parent), m_path(path), m_clock(clock), m_aliveTimer(new QTimer(this))
{
    m_aliveTimer->setObjectName(QStringLiteral("recordAlive"));
    m_aliveTimer->setInterval(aliveEveryMs);
    connect(m_aliveTimer, &QTimer::timeout, this, [this] {
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
    connect(&slot, &ForumSlot::reloaded, this, [this, index](const ReloadReport &report) {
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
    if (m_store)
        m_store->add({m_clock.wallMs(), slot, kind, detail});
}

} // namespace kelvora
