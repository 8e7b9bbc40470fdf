#include "session/slotsession.h"

#include "platform/memory.h"
#include "record/recorder.h"
#include "session/slotrunner.h"
#include "web/cookiewriter.h"
#include "web/webprofile.h"
#include "words/words.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <limits>

namespace kelvora {
namespace {
// Pages tend to fall asleep together (slots started together reload together): one release
// for the group is enough. The engine tears a page down over a second or so.
constexpr int MemoryReleaseDelayMs = 3000;

QString recordFileFor(const SessionSetup &setup)
{
    if (!setup.recordFile.isEmpty())
        return setup.recordFile;
    return QFileInfo(setup.stateFile).dir().filePath(RecordStore::fileName());
}

SleepInhibitor *sleepLockOf(const SessionSetup &setup)
{
    return setup.sleepInhibitor ? setup.sleepInhibitor : setup.power;
}
} // namespace

SlotSession::SlotSession(const SlotProfiles &profiles, const Clock &clock, SessionSetup setup,
                         QObject *parent)
    : QObject(parent), m_qtTimers(this),
      m_keepAwake(sleepLockOf(setup), setup.timers ? *setup.timers : m_qtTimers, setup.resumeSpacingMs,
                  sleepLockReason),
      m_stateFile(setup.stateFile), m_setup(std::move(setup)), m_saveTimer(new QTimer(this)),
      m_memoryRelease(new QTimer(this)),
      m_recorder(std::make_unique<Recorder>(recordFileFor(m_setup), clock, m_setup.aliveEveryMs)),
      m_cookies(std::make_unique<CookieWriter>(profiles.all()))
{
    m_saveTimer->setObjectName(QStringLiteral("save"));
    m_saveTimer->setSingleShot(true);
    m_saveTimer->setInterval(m_setup.saveDelayMs);
    connect(m_saveTimer, &QTimer::timeout, this, &SlotSession::saveNow);
    m_memoryRelease->setObjectName(QStringLiteral("memoryRelease"));
    m_memoryRelease->setSingleShot(true);
    m_memoryRelease->setInterval(MemoryReleaseDelayMs);
    connect(m_memoryRelease, &QTimer::timeout, this, [] { releaseFreedMemory(); });
    m_keepAwake.setWakeCallback([this](int slot) { at(slot)->systemWoke(); });
    for (int i = 0; i < SlotCount; ++i) {
        auto runner = std::make_unique<SlotRunner>(m_setup.descriptions[std::size_t(i)], profiles.profile(i),
                                                   clock, &m_questions, m_setup.timers);
        runner->setNextReloadQuery([this] { return msUntilAnyReload(); });
        runner->setLateReloads(m_lateReloads);
        runner->setLoadLimit(m_setup.loadLimitMs);
        const ForumSlot *slot = &runner->slot();
        // Started by the first page of a group, not pushed back by the next: pages that sleep
        // every few seconds must not put the release off for ever.
        connect(slot, &ForumSlot::pageSlept, m_memoryRelease, [this] {
            if (!m_memoryRelease->isActive())
                m_memoryRelease->start();
        });
        connect(slot, &ForumSlot::savedStateChanged, this, &SlotSession::saveSoon);
        connect(slot, &ForumSlot::runningChanged, this,
                [this, i](bool running) { m_keepAwake.setRunning(i, running); });
        connect(slot, &ForumSlot::loggedOutChanged, this, [this, i](bool loggedOut) {
            emit loggedOutChanged(i, loggedOut);
            // One that has an account tries to log in again at once: what comes of it is told.
            if (loggedOut && !at(i)->slot().accountUser())
                emit loggedOutForTheUser(i);
            const QList<int> now = loggedOutSlots();
            if (now != std::exchange(m_loggedOut, now))
                emit loggedOutSlotsChanged(now);
        });
        connect(slot, &ForumSlot::reloggedIn, this, [this, i] { emit reloggedIn(i); });
        connect(slot, &ForumSlot::reloginFailed, this, [this, i](ReloginPlan::Failure failure, bool givenUp) {
            emit reloginFailed(i, failure, givenUp);
        });
        runner->setAccountStore(m_setup.accounts, i);
        m_recorder->follow(i, runner->slot());
        m_runners[std::size_t(i)] = std::move(runner);
    }
    connect(m_recorder.get(), &Recorder::problem, this, &SlotSession::recordProblem);
    connect(m_recorder.get(), &Recorder::writeFailing, this, &SlotSession::recordWriteFailing);
    connect(m_cookies.get(), &CookieWriter::written, this, &SlotSession::ended);
    if (SystemPower *power = m_setup.power) {
        // The record hears of a wake first, so the break it writes is the sleep the system told of.
        connect(power, &SystemPower::sleeping, this, [this] {
            if (!m_ended)
                m_recorder->systemSleeping();
        });
        connect(power, &SystemPower::woke, this, [this] {
            if (m_ended)
                return;
            m_recorder->systemWoke();
            systemWoke();
        });
        connect(power, &SystemPower::refused, this, &SlotSession::sleepLockRefused);
    }
}

SlotSession::~SlotSession()
{
    m_keepAwake.end();
    // The record stops following before the slots it follows go.
    m_recorder.reset();
}

void SlotSession::start()
{
    m_recorder->open(); // or, where it can't be now, as soon as it can
    resumeKept();
}

void SlotSession::shutDown()
{
    if (std::exchange(m_ended, true))
        return;
    saveNow();
    m_keepAwake.end();
    m_recorder->close();
    // The logins go to disk now, while the engine runs in full; only then does the process end.
    m_cookies->write(m_setup.cookieWriteTimeoutMs);
}

QList<int> SlotSession::loggedOutSlots() const
{
    QList<int> out;
    for (int i = 0; i < SlotCount; ++i) {
        if (at(i)->slot().status() == SlotStatus::LoggedOut)
            out << i;
    }
    return out;
}

void SlotSession::loadStartPage(const QString &address)
{
    for (const auto &runner : m_runners)
        runner->load(address);
}

void SlotSession::resumeKept()
{
    const StateRead read = m_stateFile.read();
    if (read.problem != StateProblem::None && read.problem != StateProblem::Missing) {
        // The bad file stays for whoever wants to look at it; the program starts as it first did.
        emit stateUnusable(read, m_stateFile.setAside());
    }
    m_resumeOnStart = read.state.resumeOnStart;
    setLateReloads(read.state.lateReloads);
    m_keepAwake.setEnabled(read.state.preventSleep);
    m_stateRead = true;
    emit choicesRead();
    if (!m_resumeOnStart)
        return;

    m_toResume = read.state.entries;
    int delay = 0;
    int running = 0;
    for (int i = 0; i < SlotCount; ++i) {
        const std::optional<SavedSlot> &saved = read.state.entries[std::size_t(i)];
        if (!saved)
            continue;
        running += saved->running ? 1 : 0;
        QTimer::singleShot(delay, this, [this, i, saved = *saved] {
            m_toResume[std::size_t(i)].reset();
            // The user got to this slot first: what they opened, or are typing, stands.
            SlotRunner *runner = at(i);
            if (runner->slot().savedState() || runner->hasUserInput())
                return;
            runner->resume(saved);
            emit slotResumed(i);
        });
        delay += m_setup.resumeSpacingMs;
    }
    if (running > 0)
        emit resuming(running);
}

void SlotSession::saveSoon()
{
    // Changes that come together (a period typed key by key, slots resumed one after another) are
    // written together.
    if (!m_saveTimer->isActive())
        m_saveTimer->start(m_setup.saveDelayMs);
}

void SlotSession::saveNow()
{
    m_saveTimer->stop();
    if (!m_stateRead)
        return; // what is kept was not read yet: writing now would lose it
    SavedState state;
    state.resumeOnStart = m_resumeOnStart;
    state.lateReloads = m_lateReloads;
    state.preventSleep = m_keepAwake.isEnabled();
    for (int i = 0; i < SlotCount; ++i) {
        std::optional<SavedSlot> slot = at(i)->slot().savedState();
        state.entries[std::size_t(i)] = slot ? slot : m_toResume[std::size_t(i)];
    }
    QString error;
    const bool kept = m_stateFile.write(state, &error);
    if (!kept) {
        // The file stays as it was last written; the state is made anew from the slots at the
        // next try, so nothing of it is lost while the disk is full.
        m_saveTimer->start(m_setup.saveRetryMs);
    }
    if (kept == m_stateKept)
        return;
    m_stateKept = kept;
    if (!kept)
        qWarning("cannot keep the slots' state in %s: %s", qPrintable(m_stateFile.path()), qPrintable(error));
    emit stateKeptChanged(kept, error);
}

void SlotSession::setResumeOnStart(bool on)
{
    if (on == m_resumeOnStart)
        return;
    m_resumeOnStart = on;
    saveSoon();
}

void SlotSession::setPreventSleep(bool on)
{
    if (on == m_keepAwake.isEnabled())
        return;
    m_keepAwake.setEnabled(on);
    if (m_stateRead)
        saveSoon();
}

void SlotSession::setLateReloads(bool on)
{
    const bool changed = on != m_lateReloads;
    m_lateReloads = on;
    for (const auto &runner : m_runners)
        runner->setLateReloads(on);
    if (changed && m_stateRead)
        saveSoon();
}

qint64 SlotSession::msUntilAnyReload() const
{
    qint64 soonest = std::numeric_limits<qint64>::max();
    for (const auto &runner : m_runners)
        soonest = std::min(soonest, runner->msUntilReload());
    return soonest;
}

} // namespace kelvora
