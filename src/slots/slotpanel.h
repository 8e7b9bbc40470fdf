#pragma once

#include "core/forumslot.h"
#include "core/slottable.h"

#include <QGroupBox>
#include <QPointer>

#include <functional>

class QComboBox;
class QLabel;
class QMessageBox;
class QPushButton;
class QTimer;
class QWebEngineProfile;

namespace kelvora {

class Clock;
struct PageDialogAnswer;
struct PageDialogRequest;
class WebView;

/**
 * One forum slot on screen: its address and period boxes, buttons, status, online clock,
 * timers and browser, named and placed from the slot's description.
 */
class SlotPanel : public QGroupBox
{
    Q_OBJECT

public:
    SlotPanel(const SlotDescription &description, QWebEngineProfile *profile, const Clock &clock,
              QWidget *parent = nullptr);
    ~SlotPanel() override;

    const SlotDescription &description() const { return m_description; }
    ForumSlot &slot() { return m_slot; }
    QComboBox *addressBox() const { return m_addressBox; }

    void showBrowser(bool shown);
    /** Places the browser inside the panel, in pixels. */
    void placeBrowser(const QRect &geometry);
    /** One step back or forward in the browser's history; nothing when there is nowhere to go. */
    void stepHistory(bool back);
    /** The title of the page the browser holds. */
    QString pageTitle() const;
    /** Goes on as the slot was before a restart: its address and period in their boxes, opened, started if it
     * ran. */
    void resume(const SavedSlot &saved);
    /** Whether the user has gone into the slot's boxes or chosen from them: a resume would overwrite it. */
    bool hasUserInput() const { return m_userInput; }
    /** Tells the browser where the program's first page is; the idle slot waits there. */
    void sendBrowserTo(const QString &address);

    /** Whether the user can see the slot's page now: its browser shown, the window not minimised. */
    bool isPageSeen() const;
    /** How long until the refresh timer reloads the page; very large while the slot is stopped. */
    qint64 msUntilReload() const;
    /**
     * Where a question from the page learns how long until any slot reloads (its own included),
     * so it answers itself before then. Without one, only this slot's own reloads count.
     */
    void setNextReloadQuery(std::function<qint64()> query) { m_nextReloadQuery = std::move(query); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    /** The open button was pressed and the page asked for; the window shows the pair's browsers. */
    void opened();
    /** What the status label's tool tip says now: the last reload and how it went. */
    void reportChanged(const QString &text);
    /** The page in the browser has a new title. */
    void pageTitleChanged(const QString &title);

private:
    void buildControls();
    void connectBrowser();
    void openPage();
    void startKeepingOnline();
    void showStatus(SlotStatus status);
    void showOnlineTime(const OnlineTime &time);
    void showReport(const QString &text);
    PageDialogAnswer answerDialog(const PageDialogRequest &request);
    void dismissPageMessage();
    void updatePageSeen();

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
    QTimer *m_settleTimer = nullptr;
    bool m_pageSeen = false;
    bool m_userInput = false;
    QPointer<QMessageBox> m_pageMessage; ///< the page's last alert, while it is shown
    std::function<qint64()> m_nextReloadQuery;
};

} // namespace kelvora
