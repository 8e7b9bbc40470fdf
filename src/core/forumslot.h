#pragma once

#include <QObject>
#include <QString>

namespace kelvora {

class Browser;
class MonotonicClock;

/** Hours, minutes and seconds of a slot's online clock. Hours count on without a day carry. */
struct OnlineTime
{
    qint64 hours = 0;
    int minutes = 0;
    int seconds = 0;

    static OnlineTime fromSeconds(qint64 totalSeconds);
    friend bool operator==(const OnlineTime &, const OnlineTime &) = default;
};

enum class SlotStatus
{
    Stopped, ///< "已停止": the page is not being reloaded
    Running, ///< "运行中": the page is reloaded every period
};

/** The status label's text for a status. */
QString statusText(SlotStatus status);

/**
 * One forum slot's behaviour: the refresh counter, the online clock and the status.
 *
 * Time reaches it only as ticks (refreshTick, clockTick) and through the injected
 * monotonic clock, so the widgets own the real timers and tests can run days in a blink.
 * It tells the widgets which of its two timers should run through the *ActiveChanged signals.
 */
class ForumSlot : public QObject
{
    Q_OBJECT

public:
    ForumSlot(Browser &browser, const MonotonicClock &clock, QObject *parent = nullptr);

    /** Loads the address in the browser and starts the online clock if it is not running yet. */
    void open(const QString &address);
    /**
     * Starts keeping the page online with the period typed in the period box.
     * Returns false, changing nothing, when the text is not a whole number of 1 or more.
     */
    bool start(const QString &periodText);
    void stop();
    /** Reloads the page at once; the counter and the timers are left alone. */
    void refreshNow();
    /** An item was picked from the period box's list: it becomes the shown period. */
    void choosePeriod(const QString &periodText);

    /** One tick of the refresh timer, with the period box's current text. */
    void refreshTick(const QString &periodText);
    /** One tick of the clock timer. */
    void clockTick();

    bool isRefreshTimerActive() const { return m_refreshActive; }
    bool isClockTimerActive() const { return m_clockActive; }
    SlotStatus status() const { return m_refreshActive ? SlotStatus::Running : SlotStatus::Stopped; }
    int refreshCounter() const { return m_counter; }
    /** The period used when the period box holds no valid number; it is what the period label shows. */
    int acceptedPeriod() const { return m_acceptedPeriod; }
    OnlineTime onlineTime() const { return OnlineTime::fromSeconds(m_onlineSeconds); }

signals:
    void refreshTimerActiveChanged(bool active);
    void clockTimerActiveChanged(bool active);
    void statusChanged(kelvora::SlotStatus status);
    void periodLabelChanged(const QString &text);
    void onlineTimeChanged(const kelvora::OnlineTime &time);

private:
    void setRefreshActive(bool active);

    Browser &m_browser;
    const MonotonicClock &m_clock;
    bool m_refreshActive = false;
    bool m_clockActive = false;
    int m_counter = 0;
    int m_acceptedPeriod = 1;
    qint64 m_openedAtMs = 0;
    qint64 m_onlineSeconds = 0;
};

} // namespace kelvora
