#pragma once

#include "core/account.h"
#include "core/browser.h"
#include "core/clock.h"
#include "core/keepawake.h"
#include "core/timer.h"

#include <QList>
#include <QStringList>

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace kelvora::test {

/** A clock the test moves by hand. */
class FakeClock final : public Clock
{
public:
    qint64 steadyMs() const override { return now; }
    QDateTime wallTime() const override { return wallStart.addMSecs(now); }

    qint64 now = 1'000'000;
    QDateTime wallStart{QDate(2026, 12, 7), QTime(8, 0)};
};

/** Timers on a FakeClock: advance() moves the clock on and fires each timer as its moment comes. */
class FakeTimers final : public TimerFactory
{
public:
    explicit FakeTimers(FakeClock &clock) : m_clock(clock) {}

    class FakeTimer final : public Timer
    {
    public:
        FakeTimer(FakeTimers &owner, QString name) : m_owner(owner), m_name(std::move(name))
        {
            m_owner.m_timers.push_back(this);
        }
        ~FakeTimer() override { std::erase(m_owner.m_timers, this); }
        void start(qint64 ms) override { m_dueAt = m_owner.m_clock.now + std::max<qint64>(0, ms); }
        void stop() override { m_dueAt.reset(); }
        bool isActive() const override { return m_dueAt.has_value(); }
        qint64 remainingMs() const override
        {
            return m_dueAt ? std::max<qint64>(0, *m_dueAt - m_owner.m_clock.now) : 0;
        }
        const QString &name() const { return m_name; }

    private:
        friend class FakeTimers;
        FakeTimers &m_owner;
        QString m_name;
        std::optional<qint64> m_dueAt;
    };

    std::unique_ptr<Timer> makeTimer(const QString &name, qint64) override
    {
        return std::make_unique<FakeTimer>(*this, name);
    }

    /** Moves the clock on by `ms`, firing on the way every timer that falls due, in the order they do. */
    void advance(qint64 ms)
    {
        const qint64 end = m_clock.now + ms;
        for (;;) {
            FakeTimer *next = nullptr;
            for (FakeTimer *timer : m_timers) {
                if (timer->m_dueAt && *timer->m_dueAt <= end && (!next || *timer->m_dueAt < *next->m_dueAt))
                    next = timer;
            }
            if (!next)
                break;
            m_clock.now = std::max(m_clock.now, *next->m_dueAt);
            next->m_dueAt.reset();
            next->fire();
        }
        m_clock.now = end;
    }

    /** Fires the timer of that name now, running or not, as a timer that comes early or late does. */
    void fireNow(const QString &name)
    {
        for (FakeTimer *timer : m_timers) {
            if (timer->name() == name) {
                timer->m_dueAt.reset();
                timer->fire();
                return;
            }
        }
        qFatal("no timer named %s", qPrintable(name));
    }

    /** The timer of that name; null when there is none. */
    const FakeTimer *find(const QString &name) const
    {
        const auto it = std::find_if(m_timers.begin(), m_timers.end(),
                                     [&](const FakeTimer *t) { return t->name() == name; });
        return it == m_timers.end() ? nullptr : *it;
    }

private:
    FakeClock &m_clock;
    std::vector<FakeTimer *> m_timers;
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
            reloadMoments << clock->steadyMs();
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
    void submitLogin(const Account &account) override { submitted << account; }

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
    QList<Account> submitted; ///< the accounts login forms were filled with
};

/**
 * A credential store in memory. It answers in the event loop, as a real one does, unless
 * `atOnce`; with `available` false it answers as a machine without one.
 */
class FakeAccountStore final : public AccountStore
{
public:
    void read(int slot, QObject *context, Done done) override
    {
        const auto found = accounts.find(slot);
        Answer answer{found != accounts.end() ? Status::Done : Status::NotFound, {}, {}};
        if (found != accounts.end())
            answer.account = found->second;
        ++reads;
        answerLater(context, std::move(done), answer);
    }
    void write(int slot, const Account &account, QObject *context, Done done) override
    {
        if (available)
            accounts[slot] = account;
        answerLater(context, std::move(done), {});
    }
    void forget(int slot, QObject *context, Done done) override
    {
        accounts.erase(slot);
        answerLater(context, std::move(done), {});
    }

    std::map<int, Account> accounts;
    bool available = true;
    bool atOnce = false;
    int reads = 0;

private:
    void answerLater(QObject *context, Done done, Answer answer)
    {
        if (!available)
            answer = {Status::NoStore, {}, QStringLiteral("no store")};
        if (atOnce)
            done(answer);
        else
            QMetaObject::invokeMethod(
                context, [done = std::move(done), answer] { done(answer); }, Qt::QueuedConnection);
    }
};

/** The system's lock against sleeping, as a list of what was asked of it: "hold <why>", "release". */
struct FakeInhibitor final : SleepInhibitor
{
    void hold(const QString &why) override { calls << QStringLiteral("hold ") + why; }
    void release() override { calls << QStringLiteral("release"); }
    QStringList calls;
};

} // namespace kelvora::test
