#include "core/pagedialog.h"

#include <algorithm>

namespace kelvora {
namespace {

constexpr qint64 LongestQuestionMs = 10000;
// Answered this long before the reload is due, so the reload never meets an open question.
constexpr qint64 QuestionMarginMs = 250;

} // namespace

DialogDecision decideDialog(PageDialogKind kind, bool userCanSee, bool duringTimerReload)
{
    using Handling = DialogDecision::Handling;
    if (kind == PageDialogKind::LeavePage && duringTimerReload)
        return {Handling::AnswerAtOnce, true};
    if (!userCanSee)
        return {Handling::AnswerAtOnce, kind == PageDialogKind::Alert};
    if (kind == PageDialogKind::Alert)
        return {Handling::ShowWithoutWaiting, true};
    return {Handling::AskBriefly, false};
}

int askingTimeMs(qint64 msUntilNextReload)
{
    return static_cast<int>(std::clamp(msUntilNextReload - QuestionMarginMs, qint64(0), LongestQuestionMs));
}

} // namespace kelvora
