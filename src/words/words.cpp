#include "words/words.h"

#include "words/author.h"

#include <QDateTime>
#include <QDir>

#include <algorithm>

namespace kelvora {
namespace {

QString httpWords(int status)
{
    switch (status) {
    case 400:
        return QStringLiteral("请求有误");
    case 401:
        return QStringLiteral("需要身份验证");
    case 403:
        return QStringLiteral("禁止访问");
    case 404:
        return QStringLiteral("页面不存在");
    case 408:
        return QStringLiteral("请求超时");
    case 429:
        return QStringLiteral("请求过于频繁");
    case 500:
        return QStringLiteral("服务器内部错误");
    case 502:
        return QStringLiteral("网关错误");
    case 503:
        return QStringLiteral("服务暂时不可用");
    case 504:
        return QStringLiteral("网关超时");
    default:
        return {};
    }
}

QString networkWords(int code)
{
    switch (networkFailureOf(code)) {
    case NetworkFailure::TimedOut:
        return QStringLiteral("连接超时");
    case NetworkFailure::NetworkChanged:
        return QStringLiteral("网络连接已改变");
    case NetworkFailure::ConnectionClosed:
        return QStringLiteral("连接被关闭");
    case NetworkFailure::ConnectionReset:
        return QStringLiteral("连接被重置");
    case NetworkFailure::ConnectionRefused:
        return QStringLiteral("连接被拒绝");
    case NetworkFailure::ConnectionFailed:
        return QStringLiteral("无法建立连接");
    case NetworkFailure::NameNotResolved:
        return QStringLiteral("无法解析网站的域名");
    case NetworkFailure::Disconnected:
        return QStringLiteral("网络已断开");
    case NetworkFailure::AddressUnreachable:
        return QStringLiteral("无法访问该地址");
    case NetworkFailure::Certificate:
        return QStringLiteral("网站的安全证书有问题");
    case NetworkFailure::InvalidAddress:
        return QStringLiteral("网址无效");
    case NetworkFailure::UnknownScheme:
        return QStringLiteral("不支持该网址的协议");
    case NetworkFailure::TooManyRedirects:
        return QStringLiteral("重定向次数过多");
    case NetworkFailure::InvalidResponse:
        return QStringLiteral("网站的回应无效");
    case NetworkFailure::EmptyResponse:
        return QStringLiteral("网站没有返回任何数据");
    case NetworkFailure::Other:
        break;
    }
    return QStringLiteral("网络错误（%1）").arg(code);
}

QString moment(const QDateTime &at)
{
    return at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

} // namespace

QString statusText(SlotStatus status)
{
    switch (status) {
    case SlotStatus::Running:
        return QStringLiteral("运行中");
    case SlotStatus::LoggedOut:
        return QStringLiteral("已掉线");
    case SlotStatus::Stopped:
        break;
    }
    return QStringLiteral("已停止");
}

QString reloadResultText(const ReloadResult &result)
{
    switch (result.outcome) {
    case ReloadOutcome::Answered:
        return {};
    case ReloadOutcome::HttpError: {
        const QString words = httpWords(result.code);
        return words.isEmpty() ? QStringLiteral("HTTP %1").arg(result.code)
                               : QStringLiteral("HTTP %1（%2）").arg(result.code).arg(words);
    }
    case ReloadOutcome::NetworkError:
        return networkWords(result.code);
    case ReloadOutcome::NoAnswer:
        return result.code > 0 ? QStringLiteral("网站 %1 秒内没有响应").arg(result.code)
                               : QStringLiteral("网站在一个刷新周期内没有响应");
    case ReloadOutcome::Unfinished:
        return result.code > 0 ? QStringLiteral("论坛已响应，但网页 %1 秒内没有加载完").arg(result.code)
                               : QStringLiteral("论坛已响应，但网页在一个刷新周期内没有加载完");
    case ReloadOutcome::FromCache:
        return QStringLiteral("网页取自缓存，论坛没有收到这次刷新");
    case ReloadOutcome::NotForumPage:
        return QStringLiteral("当前页面不是论坛网页");
    case ReloadOutcome::RendererGone:
        return QStringLiteral("网页进程意外退出");
    case ReloadOutcome::Interrupted:
        return QStringLiteral("加载被中断");
    }
    return QStringLiteral("未知结果（%1）").arg(int(result.outcome));
}

QString reloginFailureText(ReloginPlan::Failure failure)
{
    switch (failure) {
    case ReloginPlan::Failure::WrongPassword:
        return QStringLiteral("论坛说用户名或密码不对");
    case ReloginPlan::Failure::PersonNeeded:
        return QStringLiteral("论坛要求输入验证码等须由本人完成的步骤");
    case ReloginPlan::Failure::NoForm:
        return QStringLiteral("页面上没有可填写的登录表单");
    case ReloginPlan::Failure::StillLoggedOut:
        return QStringLiteral("提交后论坛仍显示未登录");
    case ReloginPlan::Failure::NoAccount:
        return QStringLiteral("无法从系统密码库读取账号");
    }
    return {};
}

QString lastReloadText(const ReloadReport &report)
{
    if (!report.at.isValid())
        return QStringLiteral("尚未刷新");
    if (report.result.answered())
        return QStringLiteral("上次刷新：%1 成功").arg(moment(report.at));
    return QStringLiteral("上次刷新：%1 失败：%2").arg(moment(report.at), reloadResultText(report.result));
}

QString loggedOutReasonText(LoginWatch::Reason reason)
{
    switch (reason) {
    case LoginWatch::Reason::None:
    case LoginWatch::Reason::LoginForm:
        return QStringLiteral("页面出现了登录表单");
    case LoginWatch::Reason::LogoutLinkGone:
        return QStringLiteral("页面上的退出链接不见了");
    case LoginWatch::Reason::WhileNotRunning:
        return QStringLiteral("程序未运行时掉线");
    }
    return {};
}

QString slotReportText(const SlotReport &report)
{
    QString text = lastReloadText(report.lastReload);
    if (report.running && report.startedLoggedOut)
        text += QStringLiteral("\n这个页面显示尚未登录：这次挂机不检查是否掉线。请登录论坛后重新开始。");
    else if (report.loggedOut)
        text += QStringLiteral("\n已掉线（%1 起）：%2")
                    .arg(moment(report.loggedOutSince), loggedOutReasonText(report.loggedOutReason));
    if (report.loggedOut && report.relogin == ReloginPlan::State::Trying)
        text += QStringLiteral("\n正在自动重新登录……");
    else if (report.loggedOut && report.reloginFailure)
        text += report.relogin == ReloginPlan::State::GivenUp
                    ? QStringLiteral("\n自动登录失败：%1，请在程序中重新登录")
                          .arg(reloginFailureText(*report.reloginFailure))
                    : QStringLiteral("\n自动登录失败：%1，稍后再试")
                          .arg(reloginFailureText(*report.reloginFailure));
    if (report.accountUser)
        text += QStringLiteral("\n掉线后自动重新登录（账号：%1）").arg(*report.accountUser);
    if (report.slowPageMs && report.running)
        text += QStringLiteral("\n网站比刷新周期慢：约 %1 秒一页")
                    .arg(std::max<qint64>(1, (*report.slowPageMs + 500) / 1000));
    if (report.keptForInput && report.running)
        text += QStringLiteral("\n屏幕上的网页有尚未发送的输入，为保留它，刷新在后台进行");
    if (report.answeredDialogs > 0)
        text += QStringLiteral("\n已自动应答网页对话框 %1 次").arg(report.answeredDialogs);
    return text;
}

QString slotReportWithCountdown(const ForumSlot &slot)
{
    const QString report = slotReportText(slot.report());
    return slot.isRunning() ? report + QLatin1Char('\n') + nextReloadText(slot.msUntilReload()) : report;
}

QString nextReloadText(qint64 msUntilReload)
{
    const qint64 seconds = (std::max<qint64>(0, msUntilReload) + 999) / 1000;
    if (seconds < 60)
        return QStringLiteral("下次刷新：%1 秒后").arg(seconds);
    return QStringLiteral("下次刷新：%1 分 %2 秒后")
        .arg(seconds / 60)
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString recordStateText(RecordState state)
{
    switch (state) {
    case RecordState::NotRecorded:
        return QStringLiteral("无记录");
    case RecordState::NotRunning:
        return QStringLiteral("程序未运行");
    case RecordState::Paused:
        return QStringLiteral("电脑休眠或程序被暂停");
    case RecordState::ClockStep:
        return QStringLiteral("电脑时钟被调整或电脑休眠");
    case RecordState::Stopped:
        return QStringLiteral("已停止");
    case RecordState::Online:
        return QStringLiteral("在线");
    case RecordState::LoggedOut:
        return QStringLiteral("已掉线");
    case RecordState::Failed:
        return QStringLiteral("刷新失败");
    }
    return {};
}

QString recordFailureText(const RecordFailure &failure)
{
    return failure.result ? reloadResultText(*failure.result) : failure.words;
}

QString recordDurationText(qint64 ms)
{
    const qint64 seconds = ms / 1000;
    if (seconds < 60)
        return QStringLiteral("%1 秒").arg(seconds);
    if (seconds < 3600)
        return QStringLiteral("%1 分").arg(seconds / 60);
    return QStringLiteral("%1 小时 %2 分").arg(seconds / 3600).arg(seconds / 60 % 60);
}

namespace {

QString stateDamageText(const StateRead &read)
{
    switch (read.damage) {
    case StateDamage::None:
    case StateDamage::NotJson:
        return read.detail;
    case StateDamage::TooLarge:
        return QStringLiteral("文件过大");
    case StateDamage::NoVersionOrList:
        return QStringLiteral("没有版本或论坛列表");
    case StateDamage::IncompleteSlot:
        return QStringLiteral("论坛 %1 的记录不完整").arg(read.detail);
    }
    return read.detail;
}

} // namespace

QString stateProblemText(const StateRead &read)
{
    switch (read.problem) {
    case StateProblem::None:
    case StateProblem::Missing:
        return {};
    case StateProblem::Empty:
        return QStringLiteral("文件是空的");
    case StateProblem::Unreadable:
        return QStringLiteral("无法读取：%1").arg(read.detail);
    case StateProblem::Newer:
        return QStringLiteral("由更新版本的程序写入（版本 %1）").arg(read.detail);
    case StateProblem::Damaged:
        return QStringLiteral("内容已损坏：%1").arg(stateDamageText(read));
    }
    return {};
}

QString sleepLockRefusedText(bool noService, bool notAllowed, const QString &detail)
{
    const QString why = noService    ? QStringLiteral("本机没有电源管理服务")
                        : notAllowed ? QStringLiteral("系统不允许本程序这样做（%1）").arg(detail)
                                     : QStringLiteral("系统拒绝了（%1）").arg(detail);
    return QStringLiteral("无法阻止电脑睡眠：%1。挂机照常进行，但电脑睡眠时论坛不计在线时间。").arg(why);
}

QString sleepLockReason(int runningSlots)
{
    return QStringLiteral("正在挂机：%1 个论坛保持在线").arg(runningSlots);
}

QString slotCaption(int index)
{
    static const char *const Captions[SlotCount] = {"论坛一", "论坛二", "论坛三", "论坛四",
                                                    "论坛五", "论坛六", "论坛七", "论坛八"};
    return index >= 0 && index < SlotCount ? QString::fromUtf8(Captions[index]) : QString();
}

QString slotCaptionPrefix(int index)
{
    return slotCaption(index) + QStringLiteral("：");
}

QString periodUnitText(const SlotDescription &slot)
{
    return slot.inSeconds ? QStringLiteral("秒") : QStringLiteral("分");
}

QString periodEveryText(const SlotDescription &slot)
{
    return slot.inSeconds ? QStringLiteral("秒刷新一次)") : QStringLiteral("分刷新一次)");
}

QString bannerGreeting(int greeting)
{
    switch (greeting) {
    case 1:
        return QStringLiteral(" 再次祝福亲爱的Selvie永远幸福快乐！     by %1").arg(authorName());
    case 2:
        return QStringLiteral(" %1在此祝您合家欢乐，永远快乐！").arg(authorName());
    case 3:
        return QStringLiteral(" %1软件将免费进行到底！     by %1").arg(authorName());
    default:
        return {};
    }
}

QString editorHelpButtonText(bool helpShown)
{
    return helpShown ? QStringLiteral("关 闭") : QStringLiteral("增加方法");
}

QString urlListErrorText(const UrlListError &error)
{
    using Kind = UrlListError::Kind;
    const bool system = error.encoding == TextEncoding::System;
    switch (error.kind) {
    case Kind::None:
        return {};
    case Kind::IsFolder:
        return QStringLiteral("路径是一个文件夹");
    case Kind::Missing:
        return QStringLiteral("文件不存在");
    case Kind::CannotOpen:
        return QStringLiteral("无法打开文件：") + error.detail;
    case Kind::CannotRead:
        return QStringLiteral("无法读取文件：") + error.detail;
    case Kind::Unencodable:
        return system ? QStringLiteral("文本中有无法用系统编码保存的字符")
                      : QStringLiteral("文本中有无法用 UTF-8 保存的字符");
    case Kind::CannotMakeFolder:
        return QStringLiteral("无法创建文件所在的文件夹");
    case Kind::CannotCreate:
        return QStringLiteral("无法创建文件：") + error.detail;
    case Kind::CannotWrite:
        return QStringLiteral("无法写入文件：") + error.detail;
    case Kind::CannotSave:
        return QStringLiteral("无法保存文件：") + error.detail;
    }
    return error.detail;
}

QString notTextText(const NotText &found)
{
    QStringList parts;
    if (found.badBytes) {
        parts << (found.encoding == TextEncoding::System ? QStringLiteral("含有系统编码无法识别的字节")
                                                         : QStringLiteral("含有 UTF-8 无法识别的字节"));
    }
    if (found.nulCut)
        parts << QStringLiteral("含有空字符，其后的内容没有读取");
    if (found.controlChars)
        parts << QStringLiteral("含有控制字符，已略去");
    return parts.join(QStringLiteral("、"));
}

QString autostartEntryName()
{
    return QStringLiteral("Kelvora 论坛挂机");
}

QString autostartFailureText(const AutostartFailure &failure)
{
    switch (failure.kind) {
    case AutostartFailure::Kind::CannotRemove:
        return QStringLiteral("无法删除 %1").arg(failure.path);
    case AutostartFailure::Kind::CannotWrite:
        return failure.detail;
    case AutostartFailure::Kind::RegistryNotWritten:
        return QStringLiteral("无法写入注册表的启动项");
    }
    return failure.detail;
}

QString recordProblemText(const RecordProblem &problem)
{
    using Cause = RecordProblem::Cause;
    using Fate = RecordProblem::Fate;
    const QString path = QDir::toNativeSeparators(problem.path);
    if (problem.cause == Cause::CannotOpen)
        return QStringLiteral("无法建立挂机记录（%1）：%2。挂机照常进行，但本次不做记录。")
            .arg(path, problem.error);
    const QString why = problem.cause == Cause::Damaged ? QStringLiteral("挂机记录文件已损坏")
                                                        : QStringLiteral("挂机记录文件来自更新版本的程序");
    switch (problem.fate) {
    case Fate::NotKept:
        return QStringLiteral("%1（%2），且正被其他程序占用，无法另存。挂机照常进行，但本次不做记录。")
            .arg(why, path);
    case Fate::SetAside:
        return QStringLiteral("%1，已另存为 %2，重新开始记录。")
            .arg(why, QDir::toNativeSeparators(problem.asidePath));
    case Fate::Deleted:
        return QStringLiteral("%1，已删除，重新开始记录。").arg(why);
    }
    return why;
}

QString recordStripText(RecordStretch stretch, const RecordStrip &strip)
{
    switch (stretch) {
    case RecordStretch::Hour: {
        const qint64 minutes = (strip.toMs - strip.fromMs + 30 * 1000) / (60 * 1000);
        return minutes >= 60 ? QStringLiteral("近 1 小时") : QStringLiteral("近 %1 分钟").arg(minutes);
    }
    case RecordStretch::Day:
        return QStringLiteral("近 24 小时");
    case RecordStretch::Week:
        break;
    }
    return QStringLiteral("近 7 天");
}

QString recordTotalsText(const RecordTotals &totals)
{
    QString text = QStringLiteral("在线 %1　刷新成功 %2 次　失败 %3 次　掉线 %4 次")
                       .arg(recordDurationText(totals.onlineMs))
                       .arg(totals.answered)
                       .arg(totals.failed)
                       .arg(totals.loggedOutSpans);
    if (totals.loggedInAgain > 0)
        text += QStringLiteral("（自动重新登录 %1 次）").arg(totals.loggedInAgain);
    return text;
}

QString recordSpanText(const RecordSpan &span)
{
    const auto at = [](qint64 ms) {
        return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("MM-dd HH:mm"));
    };
    QString text = QStringLiteral("%1 至 %2\n%3，%4")
                       .arg(at(span.fromMs), at(span.toMs), recordStateText(span.state),
                            recordDurationText(span.toMs - span.fromMs));
    if (const QString why = recordFailureText(span.failure); !why.isEmpty())
        text += QStringLiteral("\n原因：") + why;
    if (span.loggedInAgain)
        text += QStringLiteral("\n掉线后由程序自动重新登录");
    return text;
}

QString recordRestLegendText()
{
    return QStringLiteral("已停止、程序未运行或电脑休眠");
}

QString noRecordText()
{
    return QStringLiteral("还没有挂机记录。开始挂机后，这里会显示每个论坛何时在线、何时掉线。");
}

QString recordWhereText(const QString &path)
{
    return QStringLiteral("记录保存在 %1，保留 30 天。").arg(path);
}

QString webText(WebText text)
{
    switch (text) {
    case WebText::LoginNeeded:
        return QStringLiteral("请先登录。");
    case WebText::WrongPassword:
        return QStringLiteral("密码不对。");
    case WebText::Banned:
        return QStringLiteral("密码错误次数太多，这个地址暂时被拒绝，请稍后再试。");
    case WebText::CrossSite:
        return QStringLiteral("这个请求来自别的网站，已拒绝。");
    case WebText::BadHost:
        return QStringLiteral("这个网址的主机名不是本程序的地址，已拒绝。");
    case WebText::BadRequest:
        return QStringLiteral("请求的内容不对。");
    case WebText::TooLarge:
        return QStringLiteral("请求太大。");
    case WebText::NotJson:
        return QStringLiteral("请求的内容不是 JSON。");
    case WebText::NoSuchPage:
        return QStringLiteral("没有这个页面。");
    case WebText::NoSuchSlot:
        return QStringLiteral("没有这个论坛。");
    case WebText::CsrfMissing:
        return QStringLiteral("页面已过期，请刷新页面后再试。");
    case WebText::AccountNeedsHttps:
        return QStringLiteral("从别的电脑提交账号需要 HTTPS 连接：密码不能明文经过网络。");
    case WebText::AccountIncomplete:
        return QStringLiteral("请填写用户名、密码和论坛的登录页面网址。");
    case WebText::Offline:
        break;
    }
    return QStringLiteral("连接不上程序，正在重试……");
}

std::vector<std::pair<QString, QString>> webPageWords()
{
    return {
        {QStringLiteral("title"), QStringLiteral("Kelvora 挂机")},
        {QStringLiteral("passwordLabel"), QStringLiteral("密码：")},
        {QStringLiteral("login"), QStringLiteral("登录")},
        {QStringLiteral("loginHint"),
         QStringLiteral(
             "输入用 kelvora --set-web-password 设定的密码。还没有设定密码时，输入程序启动时显示的访问码，"
             "它也保存在数据文件夹的 web-token 文件里。")},
        {QStringLiteral("logout"), QStringLiteral("退出登录")},
        {QStringLiteral("online"), QStringLiteral("已上线")},
        {QStringLiteral("lastReload"), QStringLiteral("详情")},
        {QStringLiteral("nextReload"), QStringLiteral("下次刷新")},
        {QStringLiteral("account"), QStringLiteral("自动登录")},
        {QStringLiteral("address"), QStringLiteral("网址")},
        {QStringLiteral("openButton"), QStringLiteral("打开网址")},
        {QStringLiteral("period"), QStringLiteral("刷新时间")},
        {QStringLiteral("setPeriod"), QStringLiteral("设定")},
        {QStringLiteral("start"), QStringLiteral("开始")},
        {QStringLiteral("stop"), QStringLiteral("停止")},
        {QStringLiteral("reloadNow"), QStringLiteral("刷新")},
        {QStringLiteral("accountSummary"), QStringLiteral("自动重新登录的账号")},
        {QStringLiteral("userName"), QStringLiteral("用户名：")},
        {QStringLiteral("password"), QStringLiteral("密码：")},
        {QStringLiteral("loginPage"), QStringLiteral("登录页面：")},
        {QStringLiteral("giveAccount"), QStringLiteral("记住并登录")},
        {QStringLiteral("forgetAccount"), QStringLiteral("忘记账号")},
        {QStringLiteral("accountHint"),
         QStringLiteral("密码保存在系统的密码库里；没有密码库的电脑上只在这次运行中记住，不写到磁盘。")},
        {QStringLiteral("noAccount"), QStringLiteral("没有")},
        {QStringLiteral("lateReloads"), QStringLiteral("随机推迟几秒刷新")},
        {QStringLiteral("preventSleep"), QStringLiteral("挂机时阻止电脑睡眠")},
        {QStringLiteral("record"), QStringLiteral("挂机记录")},
        {QStringLiteral("secondsLater"), QStringLiteral("%1 秒后")},
        {QStringLiteral("minutesLater"), QStringLiteral("%1 分 %2 秒后")},
        {QStringLiteral("notDue"), QStringLiteral("—")},
        {QStringLiteral("onlineTime"), QStringLiteral("%1 时 %2 分 %3 秒")},
        {QStringLiteral("offline"), webText(WebText::Offline)},
        {QStringLiteral("keepsAwake"), QStringLiteral("正在阻止电脑睡眠")},
    };
}

QString remoteResultText(RemoteResult result)
{
    switch (result) {
    case RemoteResult::Done:
        return {};
    case RemoteResult::BadAddress:
        return QStringLiteral("这不是网址，请输入论坛的网址。");
    case RemoteResult::BadPeriod:
        return QStringLiteral("刷新时间请输入整数时间。");
    case RemoteResult::NoWebPage:
        return QStringLiteral("这里显示的不是论坛网页，请先输入论坛的网址并打开。");
    case RemoteResult::NotOpen:
        break;
    }
    return QStringLiteral("这个论坛还没有打开网页。");
}

QString accountNoteText(AccountNote note)
{
    switch (note) {
    case AccountNote::None:
        return {};
    case AccountNote::Kept:
        return QStringLiteral("已记住账号，掉线后会自动重新登录");
    case AccountNote::HeldInMemory:
        return QStringLiteral(
            "这台电脑没有系统密码库：账号只在这次运行中记住，不写到磁盘；程序重新启动后需要再次填写");
    case AccountNote::NoStore:
        return QStringLiteral("此电脑上没有可用的系统密码库（如 GNOME 密钥环、KWallet），无法记住账号");
    case AccountNote::NotKept:
        return QStringLiteral("系统密码库没有接受这个账号（可能未解锁），未能记住");
    case AccountNote::Forgotten:
        break;
    }
    return QStringLiteral("已忘记账号");
}

QString webServeProblemText(WebServeProblem problem, const QString &address, const QString &detail)
{
    switch (problem) {
    case WebServeProblem::None:
        return {};
    case WebServeProblem::PasswordNeeded:
        return QStringLiteral("要在 %1 上提供网页，请先用 kelvora --set-web-password 设定密码；"
                              "在设定之前，网页只在本机（127.0.0.1）上提供。")
            .arg(address);
    case WebServeProblem::Certificate:
        return QStringLiteral("无法读取 HTTPS 证书或私钥（%1），网页没有提供。").arg(detail);
    case WebServeProblem::Listen:
        break;
    }
    return QStringLiteral("无法在 %1 上提供网页：%2").arg(address, detail);
}

QString webPageAtText(const QString &address)
{
    return QStringLiteral("网页：%1").arg(address);
}

QString webAccessCodeText(const QString &code, const QString &file)
{
    if (code.isEmpty())
        return QStringLiteral("还没有设定密码：登录网页时输入访问码，它保存在 %1 中。"
                              "用 kelvora --set-web-password 可以设定自己的密码。")
            .arg(file);
    return QStringLiteral("还没有设定密码：登录网页时输入访问码 %1（保存在 %2）。"
                          "用 kelvora --set-web-password 可以设定自己的密码。")
        .arg(code, file);
}

QString runsHeadlessText(const QString &address)
{
    return address.isEmpty()
               ? QStringLiteral("Kelvora 已经在后台运行（没有窗口）。")
               : QStringLiteral("Kelvora 已经在后台运行（没有窗口）。请在浏览器中打开 %1 查看和操作。")
                     .arg(address);
}

QString webPasswordPromptText(bool again)
{
    return again ? QStringLiteral("再输入一次：") : QStringLiteral("网页的新密码（至少 8 个字符）：");
}

WebPasswordChange checkWebPassword(const std::optional<QString> &first, const std::optional<QString> &second)
{
    if (!first || !second)
        return WebPasswordChange::NoInput;
    if (first->isEmpty())
        return WebPasswordChange::Empty;
    if (first->size() < 8)
        return WebPasswordChange::TooShort;
    return *first == *second ? WebPasswordChange::Set : WebPasswordChange::Differ;
}

QString webPasswordChangeText(WebPasswordChange change, const QString &detail)
{
    switch (change) {
    case WebPasswordChange::Set:
        return QStringLiteral("网页的密码已设定（保存在 "
                              "%1，只保存加盐的散列值）。正在运行的程序要重新启动后才用新密码。")
            .arg(detail);
    case WebPasswordChange::Empty:
        return QStringLiteral("密码不能为空，没有更改。");
    case WebPasswordChange::TooShort:
        return QStringLiteral("密码太短（至少 8 个字符），没有更改。");
    case WebPasswordChange::Differ:
        return QStringLiteral("两次输入的密码不一样，没有更改。");
    case WebPasswordChange::NoInput:
        return QStringLiteral("没有读到密码，没有更改。");
    case WebPasswordChange::NotKept:
        break;
    }
    return QStringLiteral("无法保存密码：%1").arg(detail);
}

QString badOptionText(const QString &value)
{
    return QStringLiteral(
               "命令行参数“%1”不对：网页的地址要写成 IP 地址（如 127.0.0.1），端口是 1 到 65535 之间的数。")
        .arg(value);
}

QString alreadyRunningText(const QString &otherRunsAs)
{
    if (otherRunsAs.startsWith(QStringLiteral("headless")))
        return runsHeadlessText(otherRunsAs.section(QLatin1Char(' '), 1));
    return QStringLiteral("Kelvora 已经在运行（有窗口的程序）。同一个用户只能运行一个 Kelvora：请先退出它。");
}

QString accountsForgottenText(int failed)
{
    if (failed == 0)
        return QStringLiteral("已从系统密码库中删除 Kelvora 记住的所有账号。");
    return QStringLiteral(
               "有 %1 "
               "个账号没能从系统密码库中删除（密码库可能已锁定），请在系统的凭据管理中删除“Kelvora”的条目。")
        .arg(failed);
}

QString pageCheckText(bool loaded, const QString &why, int limitSeconds)
{
    if (loaded)
        return QStringLiteral("网页打开了。");
    if (limitSeconds > 0)
        return QStringLiteral("%1 秒内没有打开网页。").arg(limitSeconds);
    return QStringLiteral("网页没有打开：%1").arg(why);
}

} // namespace kelvora
