#pragma once

#include <QtGlobal>

namespace kelvora {

/** The dialogs a web page can open. */
enum class PageDialogKind
{
    Alert,
    Confirm,
    Prompt,
    LeavePage, ///< the page's "leave this page?" question before it is unloaded
};

/** What a slot does with a page's dialog. */
struct DialogDecision
{
    enum class Handling
    {
        AnswerAtOnce,       ///< nobody is asked; `accept` is the answer
        ShowWithoutWaiting, ///< the user is shown it; the page goes on at once
        AskBriefly,         ///< the user is asked, but only until askingTimeMs() runs out
    };
    Handling handling = Handling::AnswerAtOnce;
    bool accept = false;

    friend bool operator==(const DialogDecision &, const DialogDecision &) = default;
};

/**
 * A page's dialog never stops its slot: nobody sees a hidden slot's dialog, so it is answered at
 * once ("OK" to an alert, "cancel" to a question), and a timer reload goes ahead without asking
 * whether to leave the page, since the user asked for it when starting the slot.
 */
DialogDecision decideDialog(PageDialogKind kind, bool userCanSee, bool duringTimerReload);

/**
 * Lets one page question wait for the user at a time, whichever slot's page asks. A question
 * waits in an event loop of its own; one asked while another waits would stack its loop on that
 * one and hold it up, so it is answered at once instead (see decideDialog).
 */
class QuestionGate
{
public:
    /** Takes the gate for a question; false while another question holds it. */
    bool enter()
    {
        if (m_open)
            return false;
        m_open = true;
        return true;
    }
    void leave() { m_open = false; }
    bool isBusy() const { return m_open; }

private:
    bool m_open = false;
};

/** A question asked while a slot's reload is this far off may stay open for this long, at most 10 s. */
int askingTimeMs(qint64 msUntilNextReload);

} // namespace kelvora
