#pragma once

#include "core/forumslot.h"
#include "core/slottable.h"

#include <QGroupBox>

class QComboBox;
class QLabel;
class QPushButton;
class QTimer;
class QWebEngineProfile;

namespace kelvora {

class MonotonicClock;
class WebView;

/**
 * One forum slot on screen: its address and period boxes, buttons, status, online clock,
 * timers and browser, named and placed from the slot's description.
 */
class SlotPanel : public QGroupBox
{
    Q_OBJECT

public:
    SlotPanel(const SlotDescription &description, QWebEngineProfile *profile, const MonotonicClock &clock,
              QWidget *parent = nullptr);

    const SlotDescription &description() const { return m_description; }
    ForumSlot &slot() { return m_slot; }
    WebView *browser() const { return m_browser; }
    QComboBox *addressBox() const { return m_addressBox; }

signals:
    /** The open button was pressed and the page asked for; the window shows the pair's browsers. */
    void opened();

private:
    void buildControls();
    void openPage();
    void startKeepingOnline();
    void showStatus(SlotStatus status);
    void showOnlineTime(const OnlineTime &time);

    SlotDescription m_description;
    WebView *m_browser = nullptr;
    ForumSlot m_slot;
    QComboBox *m_addressBox = nullptr;
    QComboBox *m_periodBox = nullptr;
    QLabel *m_periodLabel = nullptr;
    QLabel *m_statusLabel = nullptr;
    QLabel *m_hoursLabel = nullptr;
    QLabel *m_minutesLabel = nullptr;
    QLabel *m_secondsLabel = nullptr;
    QPushButton *m_openButton = nullptr;
    QPushButton *m_refreshButton = nullptr;
    QPushButton *m_startButton = nullptr;
    QPushButton *m_stopButton = nullptr;
    QTimer *m_refreshTimer = nullptr;
    QTimer *m_clockTimer = nullptr;
};

} // namespace kelvora
