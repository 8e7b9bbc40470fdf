#pragma once

#include "core/forumslot.h"
#include "core/record.h"
#include "core/reloadoutcome.h"
#include "core/remotesession.h"
#include "core/slotstate.h"
#include "core/slottable.h"
#include "core/systemfailures.h"
#include "core/urllistfile.h"

#include <QString>

#include <optional>
#include <utility>
#include <vector>

/*
 * The words the user reads for the program's values: every window takes them from here, so one
 * value reads the same wherever it is shown, and a new kind of value is a compile error in the
 * switch that must name it.
 */

namespace kelvora {

/** A slot's name: "论坛一" … "论坛八". */
QString slotCaption(int index);
/** The window caption's prefix while the slot is shown: its name and a full-width colon. */
QString slotCaptionPrefix(int index);
/** After the period box: "分" or "秒". */
QString periodUnitText(const SlotDescription &slot);
/** After the period label: "分刷新一次)" or "秒刷新一次)". */
QString periodEveryText(const SlotDescription &slot);

/** The banner's greeting `greeting` (1 to 3, see banner::nextText). */
QString bannerGreeting(int greeting);
/** The list editor's help button: "增加方法", or "关 闭" while the help is shown. */
QString editorHelpButtonText(bool helpShown);

/** Why the address list could not be read or written: "无法打开文件：…". */
QString urlListErrorText(const UrlListError &error);
/** What was left out of a list that is not all text: "含有控制字符，已略去", joined by "、". */
QString notTextText(const NotText &found);

/** The program's name as the desktop's list of programs started with the session shows it. */
QString autostartEntryName();
/** Why the start with the session could not be set. */
QString autostartFailureText(const AutostartFailure &failure);

/** Something the user should know of the record's file, as one message. */
QString recordProblemText(const RecordProblem &problem);

/** The status label's text: "运行中", "已掉线", "已停止". */
QString statusText(SlotStatus status);

/** Why a reload failed: "HTTP 503（服务暂时不可用）", "连接被重置"; empty for a reload answered. */
QString reloadResultText(const ReloadResult &result);

/** One line on the last reload: "上次刷新：2026-12-07 13:45:02 成功", or "… 失败：连接被重置". */
QString lastReloadText(const ReloadReport &report);

/** Why a try to log in again failed, to follow "自动登录失败：". */
QString reloginFailureText(ReloginPlan::Failure failure);

/**
 * The status label's tool tip: the last reload and, as it applies, the login, a reload kept
 * aside for what the user typed, and the dialogs answered for the user.
 */
QString slotReportText(const SlotReport &report);

/** The slot's report and, while it runs, when its next reload comes, as of now. */
QString slotReportWithCountdown(const ForumSlot &slot);

/** When the next reload comes, rounded up to the second: "下次刷新：12 秒后", "下次刷新：4 分 05 秒后". */
QString nextReloadText(qint64 msUntilReload);

/** What a state in the record is called where the user reads it. */
QString recordStateText(RecordState state);

/** Why reloads failed, as the record keeps it; empty when it does not say. */
QString recordFailureText(const RecordFailure &failure);

/** A length of time for the user: "3 小时 05 分", "12 分", "40 秒". */
QString recordDurationText(qint64 ms);

/** The record's stretches, as its strips are called. */
enum class RecordStretch
{
    Hour, ///< the last hour, or the minutes since the record began
    Day,
    Week,
};
/** What a strip is called: "近 1 小时", "近 12 分钟", "近 24 小时", "近 7 天". */
QString recordStripText(RecordStretch stretch, const RecordStrip &strip);
/** The line of totals beside a strip. */
QString recordTotalsText(const RecordTotals &totals);
/** A span of a strip: when, what, how long and why. */
QString recordSpanText(const RecordSpan &span);
/** The legend's grey: every state in which a slot was not being kept online. */
QString recordRestLegendText();
QString noRecordText();
QString recordWhereText(const QString &path);

/** The texts a web page shows, its template's and its answers'. */
enum class WebText
{
    LoginNeeded,
    WrongPassword,
    Banned,
    CrossSite,
    BadHost,
    BadRequest,
    TooLarge,
    NotJson,
    NoSuchPage,
    NoSuchSlot,
    CsrfMissing,
    AccountNeedsHttps,
    AccountIncomplete,
    Offline,
};
QString webText(WebText text);
/** Every text the web page's template names, as {{key}}, with its words. */
std::vector<std::pair<QString, QString>> webPageWords();
/** How a command from the web page went, when it did not. */
QString remoteResultText(RemoteResult result);
/** Why the web page can't be served at `address`; `detail`: the system's words. */
QString webServeProblemText(WebServeProblem problem, const QString &address, const QString &detail);
/** What a start of the program with no window says of where its page is. */
QString webPageAtText(const QString &address);
/** What a start with no window says when the page needs the access code, and where it is kept. */
QString webAccessCodeText(const QString &code, const QString &file);
/** A start of the program while it runs with no window: where its page is. */
QString runsHeadlessText(const QString &address);

/** What `kelvora --set-web-password` asks: the password, or it again (`again`). */
QString webPasswordPromptText(bool again);
/** How a change of the web page's password went. */
enum class WebPasswordChange
{
    Set,
    Empty,
    TooShort,
    Differ,
    NoInput,
    NotKept, ///< the configuration file can't be read or written
};
/** What two answers to the prompts make of the password. */
WebPasswordChange checkWebPassword(const std::optional<QString> &first, const std::optional<QString> &second);
/** `detail`: the file written, or the system's words why it can't be. */
QString webPasswordChangeText(WebPasswordChange change, const QString &detail);
/** A value on the command line that is not one. */
QString badOptionText(const QString &value);
/** A second start with no window, while the program runs (`otherRunsAs`: what the other said). */
QString alreadyRunningText(const QString &otherRunsAs);

/** What `kelvora --forget-accounts` did: `failed` accounts could not be removed from the store. */
QString accountsForgottenText(int failed);

/**
 * What `kelvora --check-page` found: the page loaded, or not and why (`why`), or nothing within
 * `limitSeconds` (when not 0).
 */
QString pageCheckText(bool loaded, const QString &why, int limitSeconds);

/** What became of an account given or forgotten on the web page; empty for none. */
QString accountNoteText(AccountNote note);

/** Why the kept state could not be used; empty when it could, or there was none. */
QString stateProblemText(const StateRead &read);

/** Why a slot counts as logged out. */
QString loggedOutReasonText(LoginWatch::Reason reason);
/** Why the machine can't be kept awake, for the user. */
QString sleepLockRefusedText(bool noService, bool notAllowed, const QString &detail);
/** The reason the sleep lock gives, as the system's lists show it. */
QString sleepLockReason(int runningSlots);

} // namespace kelvora
