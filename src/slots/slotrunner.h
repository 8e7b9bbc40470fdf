#pragma once

#include "core/forumslot.h"
#include "core/slottable.h"

#include <QObject>

#include <array>
#include <functional>
#include <memory>

class QTimer;
class QWebEngineProfile;

namespace kelvora {

class Clock;
class SlotProfiles;
class WebPage;

/**
 * One forum slot at work, apart from any window: its ForumSlot, its reload, clock and settle
 * timers, and its page. What changes is told by slot()'s signals; windows show it through views of
 * their own and send the user's commands here, and may come and go while the slot runs on.
 */
class SlotRunner : public QObject
{
    Q_OBJECT

public:
    SlotRunner(const SlotDescription &description, QWebEngineProfile *profile, const Clock &clock,
               QObject *parent = nullptr);
    ~SlotRunner() override;

    const SlotDescription &description() const { return m_description; }
    const ForumSlot &slot() const { return m_slot; }
    ForumSlot &slot() { return m_slot; }
    WebPage *page() const { return m_page; }

    /** The user's open: the address loads and the online clock starts. */
    void open(const QString &address);
    /** Loads an address without opening the slot: where the idle slot waits. */
    void load(const QString &address);
    /** Goes on as the slot was before a restart: opened, and started if it ran. */
    void resume(const SavedSlot &saved);
    /** The title of the page the slot holds. */
    QString pageTitle() const;
    /** The address the slot was last opened with, as given; empty before. */
    const QString &openedAddress() const { return m_openedAddress; }

    /**
     * The user went into the slot's boxes or chose from them: a resume would overwrite what they
     * are doing. Told by the slot's view.
     */
    void noteUserInput() { m_userInput = true; }
    bool hasUserInput() const { return m_userInput; }

    /** Whether the user can see the slot's page now; told by the view that shows it. */
    void setPageSeen(bool seen);
    bool isPageSeen() const { return m_pageSeen; }

    /** How long until the reload timer reloads the page; very large while the slot is stopped. */
    qint64 msUntilReload() const;
    /** How long until any slot reloads, this one's included: what a question from the page may take. */
    qint64 msUntilAnyReload() const { return m_nextReloadQuery ? m_nextReloadQuery() : msUntilReload(); }
    void setNextReloadQuery(std::function<qint64()> query) { m_nextReloadQuery = std::move(query); }
    /** The last reload's report and, while the slot runs, when the next one comes. */
    QString reportWithCountdown() const;

signals:
    /** The slot went on as kept: its address and period are these now. */
    void resumed(const kelvora::SavedSlot &saved);
    /** The page the slot holds has a new title. */
    void pageTitleChanged(const QString &title);

private:
    SlotDescription m_description;
    WebPage *m_page = nullptr;
    ForumSlot m_slot;
    QTimer *m_reloadTimer = nullptr;
    QTimer *m_clockTimer = nullptr;
    QTimer *m_settleTimer = nullptr;
    QTimer *m_lateReloadTimer = nullptr;
    QString m_openedAddress;
    bool m_pageSeen = false;
    bool m_userInput = false;
    std::function<qint64()> m_nextReloadQuery;
};

/**
 * The eight running slots, made from the slot table, each on its own browser profile. The
 * application owns them; they outlive every window that shows them.
 */
class SlotRunners : public QObject
{
    Q_OBJECT

public:
    SlotRunners(const SlotProfiles &profiles, const Clock &clock,
                const std::array<SlotDescription, SlotCount> &descriptions = slotTable(),
                QObject *parent = nullptr);
    ~SlotRunners() override;

    SlotRunner *at(int index) const { return m_runners.at(static_cast<std::size_t>(index)).get(); }
    auto begin() const { return m_runners.begin(); }
    auto end() const { return m_runners.end(); }

    /** Every slot's idle start: its page on the program's first page. */
    void loadStartPage(const QString &address);
    /** Whether every slot's timer reloads come a moment late (see ForumSlot::setLateReloads). */
    void setLateReloads(bool on);
    /** How long until the next reload of any slot is due. */
    qint64 msUntilAnyReload() const;

private:
    std::array<std::unique_ptr<SlotRunner>, SlotCount> m_runners;
    // Gives back what sleeping pages held, once the engine has let go of it all.
    QTimer *m_memoryRelease = nullptr;
};

} // namespace kelvora
