#pragma once

#include "core/browser.h"
#include "core/clock.h"

#include <QList>
#include <QStringList>

namespace kelvora::test {

/** A clock the test moves by hand. */
class FakeClock final : public Clock
{
public:
    qint64 nowMs() const override { return now; }
    QDateTime localTime() const override { return wallStart.addMSecs(now); }

    qint64 now = 1'000'000;
    QDateTime wallStart{QDate(2026, 12, 7), QTime(8, 0)};
};

/** A browser that only remembers what it was asked to do. */
class FakeBrowser final : public Browser
{
public:
    void load(const QString &address) override { loads << address; }
    void reload(ReloadCause cause) override
    {
        ++reloads;
        causes << cause;
        if (clock)
            reloadMoments << clock->nowMs();
    }

    void sleep() override
    {
        asleep = true;
        ++sleeps;
    }
    void wake() override
    {
        asleep = false;
        ++wakes;
    }
    void wakeAndReload() override
    {
        asleep = false;
        ++wakeReloads;
        ++reloads;
        causes << ReloadCause::Timer;
    }
    bool isPageAnswered() const override { return answered; }
    void reloadAside() override { ++asideReloads; }

    const Clock *clock = nullptr; ///< when set, the moment of each reload is kept
    QList<qint64> reloadMoments;
    QStringList loads;
    int reloads = 0;
    QList<ReloadCause> causes;
    bool asleep = false;
    int sleeps = 0;
    int wakes = 0;
    int wakeReloads = 0; ///< of the reloads, those that woke a sleeping page
    bool answered = false;
    int asideReloads = 0;
};

} // namespace kelvora::test
