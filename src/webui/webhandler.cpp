#include "webui/webhandler.h"

#include "core/remotesession.h"
#include "core/slottable.h"
#include "webui/webconfig.h"
#include "words/words.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QUrl>

namespace kelvora {
namespace {

const QByteArray Json = "application/json; charset=utf-8";

QByteArray resource(const QString &name)
{
    QFile file(QStringLiteral(":/webui/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

/** JSON that stays JSON wherever it lands: no "<", ">" or "&" that a parser of HTML could take. */
QByteArray jsonBytes(const QJsonObject &object)
{
    QByteArray bytes = QJsonDocument(object).toJson(QJsonDocument::Compact);
    bytes.replace('<', "\\u003c").replace('>', "\\u003e").replace('&', "\\u0026");
    return bytes;
}

WebReply jsonReply(int status, const QJsonObject &object)
{
    return {status, {{"Content-Type", Json}}, jsonBytes(object)};
}

WebReply refusal(int status, WebText why)
{
    return jsonReply(status, {{QStringLiteral("error"), webText(why)}});
}

QString statusKey(SlotStatus status)
{
    switch (status) {
    case SlotStatus::Running:
        return QStringLiteral("running");
    case SlotStatus::LoggedOut:
        return QStringLiteral("loggedOut");
    case SlotStatus::Stopped:
        break;
    }
    return QStringLiteral("stopped");
}

QString recordStateKey(RecordState state)
{
    switch (state) {
    case RecordState::Online:
        return QStringLiteral("online");
    case RecordState::LoggedOut:
        return QStringLiteral("loggedOut");
    case RecordState::Failed:
        return QStringLiteral("failed");
    case RecordState::NotRecorded:
    case RecordState::NotRunning:
    case RecordState::Paused:
    case RecordState::ClockStep:
    case RecordState::Stopped:
        break;
    }
    return QStringLiteral("rest");
}

QJsonObject stripJson(RecordStretch stretch, const RecordStrip &strip)
{
    QJsonArray spans;
    for (const RecordSpan &span : strip.spans) {
        spans.append(QJsonObject{{QStringLiteral("from"), double(span.fromMs)},
                                 {QStringLiteral("to"), double(span.toMs)},
                                 {QStringLiteral("state"), recordStateKey(span.state)},
                                 {QStringLiteral("text"), recordSpanText(span)}});
    }
    return {{QStringLiteral("label"), recordStripText(stretch, strip)},
            {QStringLiteral("from"), double(strip.fromMs)},
            {QStringLiteral("to"), double(strip.toMs)},
            {QStringLiteral("totals"), recordTotalsText(strip.totals)},
            {QStringLiteral("spans"), spans}};
}

QByteArray cookieValue(const WebRequest &request, const QString &name)
{
    const QByteArray wanted = name.toLatin1();
    for (const auto &[key, value] : request.headers) {
        if (key.compare("Cookie", Qt::CaseInsensitive) != 0)
            continue;
        for (const QByteArray &pair : value.split(';')) {
            const QByteArray item = pair.trimmed();
            if (item.startsWith(wanted + '='))
                return item.mid(wanted.size() + 1);
        }
    }
    return {};
}

/** The answer with the headers every answer carries, whatever it is. */
WebReply finished(WebReply reply, bool api)
{
    reply.setHeader("Content-Security-Policy",
                    "default-src 'self'; frame-ancestors 'none'; form-action 'self'; base-uri 'none'");
    reply.setHeader("X-Frame-Options", "DENY");
    reply.setHeader("X-Content-Type-Options", "nosniff");
    reply.setHeader("Referrer-Policy", "no-referrer");
    reply.setHeader("Cross-Origin-Resource-Policy", "same-origin");
    reply.setHeader("Cache-Control", api ? "no-store" : "no-cache");
    return reply;
}

/** 304 where the browser holds this answer already. */
WebReply withETag(WebReply reply, const WebRequest &request)
{
    const QByteArray tag =
        '"' + QCryptographicHash::hash(reply.body, QCryptographicHash::Sha256).toHex().left(32) + '"';
    reply.setHeader("ETag", tag);
    if (request.header("If-None-Match") == tag) {
        reply.status = 304;
        reply.body.clear();
    }
    return reply;
}

} // namespace

WebUiHandler::WebUiHandler(RemoteSession &session, WebUiRules rules, std::function<qint64()> nowMs)
    : m_session(session), m_rules(std::move(rules)), m_nowMs(std::move(nowMs)),
      m_hosts(m_rules.address, m_rules.port, m_rules.hostNames),
      m_throttle(m_rules.loginLimit, m_rules.loginWindowMs, m_rules.banMs),
      m_sessions(m_rules.idleMs, m_rules.mostSessions)
{}

bool WebUiHandler::isBanned(const QHostAddress &address) const
{
    return m_throttle.isBanned(address, m_nowMs());
}

WebReply WebUiHandler::handle(const WebRequest &request)
{
    PendingLogin pending;
    if (std::optional<WebReply> reply = begin(request, pending))
        return *reply;
    return finishLogin(request, passwordCheck()(pending.password));
}

std::optional<WebReply> WebUiHandler::begin(const WebRequest &request, PendingLogin &pending)
{
    std::optional<WebReply> reply = answer(request, pending);
    if (!reply)
        return std::nullopt;
    return decorated(std::move(*reply), request);
}

WebReply WebUiHandler::finishLogin(const WebRequest &request, bool matches)
{
    return decorated(login(request, matches), request);
}

WebReply WebUiHandler::decorated(WebReply reply, const WebRequest &request) const
{
    reply.setHeader("X-Kelvora-Now", QByteArray::number(m_nowMs()));
    return finished(std::move(reply), request.path.startsWith(QStringLiteral("/api/")));
}

std::function<bool(const QString &)> WebUiHandler::passwordCheck() const
{
    return [hash = m_rules.passwordHash, code = m_rules.accessCode](const QString &password) {
        if (!hash.isEmpty())
            return webPasswordMatches(hash, password);
        return !code.isEmpty() && equalInConstantTime(password.toUtf8(), code.toUtf8());
    };
}

std::optional<WebReply> WebUiHandler::answer(const WebRequest &request, PendingLogin &pending)
{
    if (request.body.size() > m_rules.largestBody)
        return refusal(413, WebText::TooLarge);
    // A name that only points here (DNS rebinding) gets nothing, not even the page.
    if (!m_hosts.allows(request.header("Host")))
        return refusal(421, WebText::BadHost);
    if (m_throttle.isBanned(request.peer, m_nowMs()))
        return refusal(403, WebText::Banned);

    const bool get = request.method == "GET";
    const bool post = request.method == "POST";
    if (!request.path.startsWith(QStringLiteral("/api/"))) {
        if (!get)
            return refusal(405, WebText::BadRequest);
        if (request.path == u"/")
            return page();
        static const QList<std::pair<QString, QByteArray>> files = {
            {QStringLiteral("/app.js"), "text/javascript; charset=utf-8"},
            {QStringLiteral("/style.css"), "text/css; charset=utf-8"}};
        for (const auto &[path, type] : files) {
            if (request.path == path)
                return WebReply{200, {{"Content-Type", type}}, resource(path.mid(1))};
        }
        return refusal(404, WebText::NoSuchPage);
    }

    const QString origin = (m_rules.secure ? QStringLiteral("https://") : QStringLiteral("http://")) +
                           QString::fromLatin1(request.header("Host")).trimmed();
    if (fromAnotherSite(request, origin))
        return refusal(403, WebText::CrossSite);
    if (!get && !post)
        return refusal(405, WebText::BadRequest);

    QJsonObject body;
    if (post) {
        // Only a page of this origin can send JSON here: another site's form cannot, and its
        // script would have to ask first, which this server never allows.
        if (!request.header("Content-Type").trimmed().toLower().startsWith("application/json"))
            return refusal(415, WebText::NotJson);
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(request.body, &error);
        if (error.error != QJsonParseError::NoError || !document.isObject())
            return refusal(400, WebText::BadRequest);
        body = document.object();
    }

    const QStringList route = request.path.mid(5).split(QLatin1Char('/'));
    if (route == QStringList{QStringLiteral("login")}) {
        if (!post)
            return refusal(405, WebText::BadRequest);
        pending.password = body.value(QStringLiteral("password")).toString();
        return std::nullopt;
    }

    const WebSession *session = sessionOf(request);
    if (!session)
        return refusal(401, WebText::LoginNeeded);
    if (get) {
        if (route == QStringList{QStringLiteral("state")})
            return withETag(state(*session), request);
        if (route == QStringList{QStringLiteral("record")})
            return withETag(record(), request);
        return refusal(404, WebText::NoSuchPage);
    }
    if (!equalInConstantTime(request.header("X-CSRF-Token"), session->csrfToken))
        return refusal(403, WebText::CsrfMissing);
    return command(request, route, body);
}

const WebSession *WebUiHandler::sessionOf(const WebRequest &request)
{
    const QByteArray id = cookieValue(request, cookieName(m_rules.port));
    return id.isEmpty() ? nullptr : m_sessions.find(id, m_nowMs());
}

WebReply WebUiHandler::login(const WebRequest &request, bool matches)
{
    // Banned while its check ran: another of its guesses came first.
    if (m_throttle.isBanned(request.peer, m_nowMs()))
        return refusal(403, WebText::Banned);
    if (!matches) {
        m_throttle.failed(request.peer, m_nowMs());
        qWarning("web page: a wrong password from %s", qPrintable(request.peer.toString()));
        return refusal(m_throttle.isBanned(request.peer, m_nowMs()) ? 403 : 401, WebText::WrongPassword);
    }
    m_throttle.succeeded(request.peer);
    // A new session at every login: an id someone planted before it is worth nothing after.
    if (const QByteArray old = cookieValue(request, cookieName(m_rules.port)); !old.isEmpty())
        m_sessions.remove(old);
    const WebSession &session = m_sessions.create(m_nowMs());
    WebReply reply = jsonReply(200, {{QStringLiteral("csrfToken"), QString::fromLatin1(session.csrfToken)}});
    QByteArray cookie =
        cookieName(m_rules.port).toLatin1() + '=' + session.id + "; Path=/; HttpOnly; SameSite=Strict";
    if (m_rules.secure)
        cookie += "; Secure";
    reply.setHeader("Set-Cookie", cookie);
    return reply;
}

WebReply WebUiHandler::command(const WebRequest &request, const QStringList &route, const QJsonObject &body)
{
    if (route == QStringList{QStringLiteral("logout")}) {
        m_sessions.remove(cookieValue(request, cookieName(m_rules.port)));
        WebReply reply = jsonReply(200, {});
        reply.setHeader("Set-Cookie", cookieName(m_rules.port).toLatin1() +
                                          "=; Path=/; Max-Age=0; HttpOnly; SameSite=Strict");
        return reply;
    }
    if (route == QStringList{QStringLiteral("options")}) {
        for (const QString &key : body.keys()) {
            if (!body.value(key).isBool())
                return refusal(400, WebText::BadRequest);
            if (key == u"lateReloads")
                m_session.setLateReloads(body.value(key).toBool());
            else if (key == u"preventSleep")
                m_session.setPreventSleep(body.value(key).toBool());
            else
                return refusal(400, WebText::BadRequest);
        }
        return jsonReply(200, {});
    }
    if (route.size() != 3 || route[0] != u"slots")
        return refusal(404, WebText::NoSuchPage);
    bool number = false;
    const int slot = route[1].toInt(&number) - 1;
    if (!number || slot < 0 || slot >= SlotCount)
        return refusal(404, WebText::NoSuchSlot);

    const QString &action = route[2];
    RemoteResult result = RemoteResult::Done;
    if (action == u"open") {
        const QString address = body.value(QStringLiteral("address")).toString().trimmed();
        if (address.isEmpty() || address.size() > 2048)
            return refusal(400, WebText::BadRequest);
        result = m_session.open(slot, address);
    } else if (action == u"period") {
        const QJsonValue period = body.value(QStringLiteral("period"));
        const double value = period.toDouble(-1);
        if (!period.isDouble() || value != double(int(value)))
            result = RemoteResult::BadPeriod;
        else
            result = m_session.setPeriod(slot, int(value));
    } else if (action == u"start") {
        result = m_session.start(slot);
    } else if (action == u"stop") {
        m_session.stop(slot);
    } else if (action == u"reload") {
        result = m_session.reloadNow(slot);
    } else if (action == u"account") {
        // The password would cross the network readable: only loopback, or HTTPS, carries it.
        if (!m_rules.secure && !request.peer.isLoopback())
            return refusal(403, WebText::AccountNeedsHttps);
        const Account account{
            body.value(QStringLiteral("userName")).toString().trimmed(),
            body.value(QStringLiteral("password")).toString(),
            QUrl::fromUserInput(body.value(QStringLiteral("loginPage")).toString().trimmed())};
        if (account.userName.isEmpty() || account.password.isEmpty() || !account.loginPage.isValid() ||
            !account.loginPage.scheme().startsWith(QStringLiteral("http")))
            return refusal(400, WebText::AccountIncomplete);
        m_session.giveAccount(slot, account);
    } else if (action == u"forget") {
        m_session.forgetAccount(slot);
    } else {
        return refusal(404, WebText::NoSuchPage);
    }
    if (result != RemoteResult::Done)
        return jsonReply(409, {{QStringLiteral("error"), remoteResultText(result)}});
    return jsonReply(200, {});
}

WebReply WebUiHandler::state(const WebSession &session) const
{
    const qint64 nowMs = m_nowMs();
    QJsonArray rows;
    for (const RemoteSlot &slot : m_session.slotViews()) {
        const SlotDescription description = slotTable()[std::size_t(slot.index)];
        const QUrl address(slot.address);
        QJsonObject item{
            {QStringLiteral("number"), slot.index + 1},
            {QStringLiteral("caption"), slotCaption(slot.index)},
            {QStringLiteral("title"), slot.title},
            {QStringLiteral("address"), slot.address},
            {QStringLiteral("site"), address.host()},
            {QStringLiteral("open"), slot.open},
            {QStringLiteral("status"), statusKey(slot.status)},
            {QStringLiteral("statusText"), statusText(slot.status)},
            {QStringLiteral("report"), slotReportText(slot.report)},
            {QStringLiteral("period"), slot.period},
            {QStringLiteral("unit"), periodUnitText(description)},
            {QStringLiteral("account"), slot.accountUser ? QJsonValue(*slot.accountUser) : QJsonValue()},
            {QStringLiteral("accountNote"), accountNoteText(slot.accountNote)},
        };
        // Moments rather than counts, so that the answer stays the same from one poll to the next
        // and the page counts on by itself.
        item.insert(QStringLiteral("onlineSince"),
                    slot.open ? QJsonValue(double((nowMs / 1000 - slot.onlineSeconds) * 1000))
                              : QJsonValue());
        item.insert(QStringLiteral("nextReloadAt"),
                    slot.msUntilReload ? QJsonValue(double((nowMs + *slot.msUntilReload + 500) / 1000 * 1000))
                                       : QJsonValue());
        rows.append(item);
    }
    const RemoteOptions options = m_session.options();
    return jsonReply(200, {{QStringLiteral("csrfToken"), QString::fromLatin1(session.csrfToken)},
                           {QStringLiteral("slots"), rows},
                           {QStringLiteral("lateReloads"), options.lateReloads},
                           {QStringLiteral("preventSleep"), options.preventSleep},
                           {QStringLiteral("keepsAwake"), options.keepsAwake}});
}

WebReply WebUiHandler::record() const
{
    QJsonArray rows;
    for (const RecordSlotPicture &picture : m_session.recordPicture()) {
        rows.append(QJsonObject{
            {QStringLiteral("caption"), slotCaption(picture.slot)},
            {QStringLiteral("strips"), QJsonArray{stripJson(RecordStretch::Hour, picture.hour),
                                                  stripJson(RecordStretch::Day, picture.day),
                                                  stripJson(RecordStretch::Week, picture.week)}}});
    }
    QJsonArray legend;
    for (const RecordState state : {RecordState::Online, RecordState::LoggedOut, RecordState::Failed})
        legend.append(QJsonObject{{QStringLiteral("state"), recordStateKey(state)},
                                  {QStringLiteral("text"), recordStateText(state)}});
    legend.append(QJsonObject{{QStringLiteral("state"), QStringLiteral("rest")},
                              {QStringLiteral("text"), recordRestLegendText()}});
    return jsonReply(200, {{QStringLiteral("slots"), rows},
                           {QStringLiteral("legend"), legend},
                           {QStringLiteral("empty"), noRecordText()},
                           {QStringLiteral("where"), recordWhereText(m_session.recordPath())}});
}

WebReply WebUiHandler::page() const
{
    QString html = QString::fromUtf8(resource(QStringLiteral("index.html")));
    for (const auto &[key, text] : webPageWords())
        html.replace(QStringLiteral("{{%1}}").arg(key), text.toHtmlEscaped());
    return {200, {{"Content-Type", "text/html; charset=utf-8"}}, html.toUtf8()};
}

} // namespace kelvora
