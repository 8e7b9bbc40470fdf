#include "slots/slotrunner.h"

#include "core/period.h"
#include "platform/memory.h"
#include "web/webpage.h"
#include "web/webprofile.h"

#include <QTimer>

#include <algorithm>
#include <limits>

namespace kelvora {
namespace {

constexpr int ClockIntervalMs = 1000;
// How long a loaded page is left to run its scripts and store its cookies before it may sleep.
constexpr int SettleMs = 2000;
// Pages tend to fall asleep together (slots started together reload together): one release
// for the group is enough. The engine tears a page down over a second or so.
constexpr int MemoryReleaseDelayMs = 3000;

QTimer *makeTimer(QObject *parent, const QString &objectName, int intervalMs)
{
    auto *timer = new QTimer(parent);
    timer->setObjectName(objectName);
    timer->setInterval(intervalMs);
    // Slots run for days; coarse timers may drift by up to 5 % per tick.
    timer->setTimerType(Qt::PreciseTimer);
    return timer;
}

} // namespace

SlotRunner::SlotRunner(const SlotDescription &description, QWebEngineProfile *profile, const Clock &clock,
                       QObject *parent)
    : QObject(parent), m_description(description), m_page(new WebPage(profile, this)),
      m_slot(*m_page, clock, this),
      m_reloadTimer(makeTimer(this, description.names.refreshTimer, description.tickIntervalMs)),
      m_clockTimer(makeTimer(this, description.names.clockTimer, ClockIntervalMs)),
      m_settleTimer(new QTimer(this)), m_lateReloadTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("slot%1").arg(description.number));
    connect(m_reloadTimer, &QTimer::timeout, &m_slot, &ForumSlot::reloadTick);
    connect(m_clockTimer, &QTimer::timeout, &m_slot, &ForumSlot::clockTick);
    // Starting a timer that already runs would restart its period and delay the next tick.
    connect(&m_slot, &ForumSlot::reloadTimerActiveChanged, m_reloadTimer,
            [timer = m_reloadTimer](bool active) { active ? timer->start() : timer->stop(); });
    connect(&m_slot, &ForumSlot::clockTimerActiveChanged, m_clockTimer,
            [timer = m_clockTimer](bool active) { active ? timer->start() : timer->stop(); });

    m_slot.setTickInterval(description.tickIntervalMs);
    m_lateReloadTimer->setObjectName(QStringLiteral("lateReload"));
    m_lateReloadTimer->setSingleShot(true);
    m_lateReloadTimer->setTimerType(Qt::PreciseTimer);
    connect(&m_slot, &ForumSlot::reloadDelayed, m_lateReloadTimer, qOverload<int>(&QTimer::start));
    connect(m_lateReloadTimer, &QTimer::timeout, &m_slot, &ForumSlot::delayedReloadDue);
    // The next period counts from the late reload.
    connect(&m_slot, &ForumSlot::reloadTimerRestartRequested, m_reloadTimer, qOverload<>(&QTimer::start));

    m_settleTimer->setSingleShot(true);
    m_settleTimer->setInterval(SettleMs);
    connect(&m_slot, &ForumSlot::settleRequested, m_settleTimer, qOverload<>(&QTimer::start));
    connect(m_settleTimer, &QTimer::timeout, &m_slot, &ForumSlot::settled);

    connect(m_page, &WebPage::pageLoadStarted, &m_slot, &ForumSlot::pageLoadStarted);
    connect(m_page, &WebPage::pageLoadFinished, &m_slot, &ForumSlot::pageLoadFinished);
    connect(m_page, &WebPage::rendererGone, &m_slot, &ForumSlot::pageRendererGone);
    connect(m_page, &QWebEnginePage::titleChanged, &m_slot, &ForumSlot::pageTitleChanged);
    connect(m_page, &QWebEnginePage::titleChanged, this, &SlotRunner::pageTitleChanged);
    connect(m_page, &QWebEnginePage::urlChanged, &m_slot, &ForumSlot::pageUrlChanged);
    connect(m_page, &WebPage::inputChanged, &m_slot, &ForumSlot::pageInputChanged);
    connect(m_page, &WebPage::asideLoadFinished, &m_slot, &ForumSlot::asideLoadFinished);
}

SlotRunner::~SlotRunner()
{
    // The page goes while the slot it reports to is still whole.
    delete m_page;
}

void SlotRunner::open(const QString &address)
{
    m_openedAddress = address;
    m_slot.open(address);
}

void SlotRunner::load(const QString &address)
{
    m_slot.load(address);
}

void SlotRunner::resume(const SavedSlot &saved)
{
    m_openedAddress = saved.address;
    m_slot.resume(saved);
    emit resumed(saved);
}

QString SlotRunner::pageTitle() const
{
    return m_page->title();
}

void SlotRunner::setPageSeen(bool seen)
{
    if (seen == m_pageSeen)
        return;
    m_pageSeen = seen;
    m_slot.setPageSeen(seen);
}

qint64 SlotRunner::msUntilReload() const
{
    if (m_lateReloadTimer->isActive())
        return m_lateReloadTimer->remainingTime();
    const qint64 nextTick = m_reloadTimer->isActive() ? m_reloadTimer->remainingTime() : 0;
    return m_slot.msUntilReload(nextTick, m_reloadTimer->interval());
}

QString SlotRunner::reportWithCountdown() const
{
    const QString report = m_slot.reportText();
    return m_slot.isReloadTimerActive() ? report + QLatin1Char('\n') + nextReloadText(msUntilReload())
                                        : report;
}

SlotRunners::SlotRunners(const SlotProfiles &profiles, const Clock &clock,
                         const std::array<SlotDescription, SlotCount> &descriptions, QObject *parent)
    : QObject(parent), m_memoryRelease(new QTimer(this))
{
    m_memoryRelease->setObjectName(QStringLiteral("memoryRelease"));
    m_memoryRelease->setSingleShot(true);
    m_memoryRelease->setInterval(MemoryReleaseDelayMs);
    connect(m_memoryRelease, &QTimer::timeout, this, [] { releaseFreedMemory(); });
    for (int i = 0; i < SlotCount; ++i) {
        auto runner = std::make_unique<SlotRunner>(descriptions[std::size_t(i)], profiles.profile(i), clock);
        runner->setNextReloadQuery([this] { return msUntilAnyReload(); });
        // Started by the first page of a group, not pushed back by the next: pages that sleep
        // every few seconds must not put the release off for ever.
        connect(&runner->slot(), &ForumSlot::pageSlept, m_memoryRelease, [this] {
            if (!m_memoryRelease->isActive())
                m_memoryRelease->start();
        });
        m_runners[std::size_t(i)] = std::move(runner);
    }
}

SlotRunners::~SlotRunners() = default;

void SlotRunners::loadStartPage(const QString &address)
{
    for (const auto &runner : m_runners)
        runner->load(address);
}

void SlotRunners::setLateReloads(bool on)
{
    for (const auto &runner : m_runners)
        runner->slot().setLateReloads(on);
}

qint64 SlotRunners::msUntilAnyReload() const
{
    qint64 soonest = std::numeric_limits<qint64>::max();
    for (const auto &runner : m_runners)
        soonest = std::min(soonest, runner->msUntilReload());
    return soonest;
}

} // namespace kelvora
