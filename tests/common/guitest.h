#pragma once

#include "app/application.h"
#include "common/sessiontest.h"
#include "common/widgettest.h"
#include "core/clock.h"
#include "core/slottable.h"
#include "mainwin/mainwindow.h"
#include "platform/processsetup.h"
#include "session/slotrunner.h"
#include "session/slotsession.h"
#include "web/engine.h"
#include "web/webprofile.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

class QWebEnginePage;

#include <memory>

namespace kelvora::test {

/** Shows slot `index`, types the address and the period, and presses its open and start buttons. */
void openAndStart(MainWindow &window, int index, const QUrl &address, const QString &period);

/**
 * The whole program in this process, for the tests that start it: in-memory profiles, the address
 * list in `folder`, a blank start page, a quick splash, no tray icon, and an end that counts in
 * `quits` instead of quitting, as the tests' event loop goes on.
 */
ApplicationSetup programSetup(const QString &folder, int *quits);

/** What the slots under test are made of: a blank start page and the slot table, ticks to taste. */
struct SlotSetup
{
    std::array<SlotDescription, SlotCount> slotDescriptions = slotTable();
    QString startPage = QStringLiteral("about:blank");
    /** The longest a reload waits for a page still loading. */
    int loadLimitMs = 60000;
    const Clock *clock = &SystemClock::instance();
    /** Where the slots' accounts are kept; none: no slot logs in by itself. */
    AccountStore *accounts = nullptr;
};

/**
 * The fixture of every window test: the eight running slots on in-memory profiles and a main
 * window over them, its slots' controls found by the slot table's names. Each test opens its own
 * (in init() or the test) and close() leaves nothing behind, so no test depends on another's
 * leftovers. The window can go and come back while the slots run on.
 */
class SlotWindow
{
public:
    /** One of a slot's controls, as the slot table names it: &SlotControlNames::startButton. */
    using Control = QString SlotControlNames::*;

    SlotWindow();
    ~SlotWindow();

    /** Starts the slots and shows a window over them; false when it never came on screen. */
    bool open(const SlotSetup &setup = {});
    void close();
    /** Shows a new window over the running slots; false when it never came on screen. */
    bool openWindow();
    /** Lets the window go; the slots run on. */
    void closeWindow() { m_window.reset(); }

    MainWindow *window() const { return m_window.get(); }
    MainWindow *operator->() const { return m_window.get(); }
    /** What "退 出" and the close box trigger. */
    QAction *exitAction() const { return m_exit.get(); }
    SlotSession &session() const { return *m_session; }
    SlotRunner &runner(int slot) const { return *m_session->at(slot); }
    const ForumSlot &slot(int slot) const { return runner(slot).slot(); }
    QWebEnginePage *page(int slot) const;

    QWidget *panel(int slot) const;
    template <typename T = QWidget> T *control(int slot, Control name) const
    {
        return child<T>(panel(slot), names(slot).*name);
    }
    /** One of a slot's timers, which run with the slot, apart from the window. */
    QTimer *timer(int slot, Control name) const { return child<QTimer>(&runner(slot), names(slot).*name); }
    /** Presses a slot's button, shown or not, as a click on it does. */
    void click(int slot, Control button) const;
    /** Types into a slot's address or period box. */
    void type(int slot, Control box, const QString &text) const;
    /** Shows the slot, types the address and the period, and presses open, then start. */
    void openAndStart(int slot, const QUrl &address, const QString &period) const;
    /** Runs a script in slot `slot`'s page and waits for its result; invalid when none came. */
    QVariant evaluate(int slot, const QString &script) const;
    /** Shows the slot, opens the address and waits until its page has loaded; false if it did not. */
    bool openAndWait(int slot, const QUrl &address, int timeoutMs = 30000) const;

private:
    static const SlotControlNames &names(int slot) { return slotTable()[std::size_t(slot)].names; }

    TemporaryProfiles m_profiles;
    std::unique_ptr<QAction> m_exit;
    std::unique_ptr<SlotSession> m_session;
    std::unique_ptr<MainWindow> m_window;
};

} // namespace kelvora::test

// The windows over the pages.
#define KELVORA_GUI_TEST_MAIN(TestClass) KELVORA_ENGINE_TEST_MAIN(TestClass, QApplication)
