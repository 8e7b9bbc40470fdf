#include "core/memoryaccounts.h"
#include "core/remotesession.h"
#include "webui/webconfig.h"
#include "webui/webhandler.h"
#include "webui/webserver.h"
#include "words/words.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QSignalSpy>
#include <QSslSocket>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

using namespace kelvora;

namespace {

constexpr quint16 Port = 8391;
const QByteArray Host = "127.0.0.1:8391";
const QString Code = QStringLiteral("the-access-code-of-this-run");
const QString Hostile = QStringLiteral("</script><script>alert(\"x\")</script><img src=x onerror=alert(1)>");

/** A session that writes down what it is asked and answers as told. */
class FakeRemote final : public RemoteSession
{
public:
    std::vector<RemoteSlot> slotViews() const override
    {
        std::vector<RemoteSlot> all(SlotCount);
        for (int i = 0; i < SlotCount; ++i)
            all[std::size_t(i)].index = i;
        all[0].title = title;
        all[0].address = QStringLiteral("http://127.0.0.2/forum.php?a=\"1\"&b=<2>");
        all[0].open = true;
        all[0].status = SlotStatus::Running;
        // Counted on the session's own clock, as the real one does.
        all[0].msUntilReload = reloadDueMs - *clock;
        all[0].onlineSeconds = (*clock - openedMs) / 1000;
        all[0].accountUser = QStringLiteral("member1");
        return all;
    }
    RemoteOptions options() const override { return {}; }
    std::vector<RecordSlotPicture> recordPicture() const override
    {
        RecordSlotPicture picture;
        picture.hour = {0,
                        3600000,
                        {{0, 1800000, RecordState::Online, {}, false},
                         {1800000, 3600000, RecordState::Failed, {}, false}},
                        {},
                        true};
        return {picture};
    }
    QString recordPath() const override { return QStringLiteral("/data/record.sqlite"); }
    RemoteResult open(int slot, const QString &address) override
    {
        return note(QStringLiteral("open %1 %2").arg(slot).arg(address));
    }
    RemoteResult setPeriod(int slot, int period) override
    {
        return note(QStringLiteral("period %1 %2").arg(slot).arg(period));
    }
    RemoteResult start(int slot) override { return note(QStringLiteral("start %1").arg(slot)); }
    void stop(int slot) override { note(QStringLiteral("stop %1").arg(slot)); }
    RemoteResult reloadNow(int slot) override { return note(QStringLiteral("reload %1").arg(slot)); }
    void giveAccount(int slot, const Account &account) override
    {
        note(QStringLiteral("account %1 %2 %3 %4")
                 .arg(slot)
                 .arg(account.userName, account.password, account.loginPage.toString()));
    }
    void forgetAccount(int slot) override { note(QStringLiteral("forget %1").arg(slot)); }
    void setLateReloads(bool on) override { note(QStringLiteral("late %1").arg(on)); }
    void setPreventSleep(bool on) override { note(QStringLiteral("awake %1").arg(on)); }

    RemoteResult note(const QString &call)
    {
        calls << call;
        return result;
    }

    QStringList calls;
    RemoteResult result = RemoteResult::Done;
    QString title = QStringLiteral("论坛首页");
    const qint64 *clock = nullptr;
    qint64 openedMs = 0;
    qint64 reloadDueMs = 0;
};

WebRequest request(const QByteArray &method, const QString &path, const QByteArray &body = {},
                   const HttpHeaders &extra = {})
{
    WebRequest r;
    r.method = method;
    r.path = path;
    r.headers = {{"Host", Host}};
    if (!body.isEmpty() || method == "POST")
        r.headers.append(qMakePair(QByteArray("Content-Type"), QByteArray("application/json")));
    r.headers += extra;
    r.body = body;
    return r;
}

QJsonObject json(const WebReply &reply)
{
    return QJsonDocument::fromJson(reply.body).object();
}

/** A handler over a fake session, on a clock the test moves, and a browser logged in to it. */
struct Fixture
{
    explicit Fixture(WebUiRules rules = {})
    {
        rules.port = Port;
        if (rules.passwordHash.isEmpty() && rules.accessCode.isEmpty())
            rules.accessCode = Code;
        remote.clock = &now;
        remote.openedMs = now - 3661 * 1000 - 300;
        remote.reloadDueMs = now + 42000;
        handler = std::make_unique<WebUiHandler>(remote, rules, [this] { return now; });
    }

    /** Logs in as a browser on `peer` does; the cookie and token are kept for what follows. */
    WebReply logIn(const QString &password = Code, const QHostAddress &peer = QHostAddress::LocalHost)
    {
        WebRequest r = request("POST", QStringLiteral("/api/login"),
                               QJsonDocument(QJsonObject{{QStringLiteral("password"), password}}).toJson());
        r.peer = peer;
        const WebReply reply = handler->handle(r);
        if (reply.status == 200) {
            cookie = reply.header("Set-Cookie").split(';').first();
            token = json(reply).value(QStringLiteral("csrfToken")).toString().toLatin1();
        }
        return reply;
    }
    /** A request of the logged-in browser's, its token on changes. */
    WebReply send(const QByteArray &method, const QString &path, const QByteArray &body = "{}",
                  HttpHeaders extra = {}, const QHostAddress &peer = QHostAddress::LocalHost)
    {
        extra.append(qMakePair(QByteArray("Cookie"), cookie));
        if (method == "POST")
            extra.append(qMakePair(QByteArray("X-CSRF-Token"), token));
        WebRequest r = request(method, path, method == "POST" ? body : QByteArray(), extra);
        r.peer = peer;
        return handler->handle(r);
    }

    FakeRemote remote;
    qint64 now = 1'800'000'000'000;
    std::unique_ptr<WebUiHandler> handler;
    QByteArray cookie;
    QByteArray token;
};

} // namespace

class TestWebUi : public QObject
{
    Q_OBJECT

private slots:
    void everyAnswerCarriesTheSafetyHeaders_data();
    void everyAnswerCarriesTheSafetyHeaders();
    void onlyTheServedNamesAreAnswered_data();
    void onlyTheServedNamesAreAnswered();
    void anotherSitesRequestsAreRefused_data();
    void anotherSitesRequestsAreRefused();
    void wrongPasswordsBanTheAddressForAWhile();
    void sessionsAreNewAtLoginAndLapse();
    void changesNeedTheSessionsToken();
    void badRequestsChangeNothing_data();
    void badRequestsChangeNothing();
    void commandsReachTheSession_data();
    void commandsReachTheSession();
    void accountsCrossTheNetworkOnlyEncrypted();
    void forumTextsStayText();
    void pollingIsAnsweredNotModified();
    void passwordsAreKeptAsSlowSaltedHashes();
    void accountsAreHeldInMemoryWhereNoStoreIs();
    void theServerClosesBannedAndSurplusConnectionsUnread();
    void anotherAddressNeedsAPassword();
    void httpsServesWithTheUsersCertificate();
};

void TestWebUi::everyAnswerCarriesTheSafetyHeaders_data()
{
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("loggedIn");
    QTest::addColumn<int>("status");
    QTest::newRow("the page") << QByteArray("GET") << QStringLiteral("/") << false << 200;
    QTest::newRow("its script") << QByteArray("GET") << QStringLiteral("/app.js") << false << 200;
    QTest::newRow("no such file") << QByteArray("GET") << QStringLiteral("/etc/passwd") << false << 404;
    QTest::newRow("not logged in") << QByteArray("GET") << QStringLiteral("/api/state") << false << 401;
    QTest::newRow("state") << QByteArray("GET") << QStringLiteral("/api/state") << true << 200;
    QTest::newRow("record") << QByteArray("GET") << QStringLiteral("/api/record") << true << 200;
    QTest::newRow("a command") << QByteArray("POST") << QStringLiteral("/api/slots/1/stop") << true << 200;
    QTest::newRow("a method the page has not") << QByteArray("DELETE") << QStringLiteral("/") << false << 405;
}

void TestWebUi::everyAnswerCarriesTheSafetyHeaders()
{
    QFETCH(QByteArray, method);
    QFETCH(QString, path);
    QFETCH(bool, loggedIn);
    QFETCH(int, status);
    Fixture f;
    if (loggedIn)
        QCOMPARE(f.logIn().status, 200);
    const WebReply reply = f.send(method, path);
    QCOMPARE(reply.status, status);
    QCOMPARE(reply.header("Content-Security-Policy"),
             QByteArray("default-src 'self'; frame-ancestors 'none'; form-action 'self'; base-uri 'none'"));
    QCOMPARE(reply.header("X-Frame-Options"), QByteArray("DENY"));
    QCOMPARE(reply.header("X-Content-Type-Options"), QByteArray("nosniff"));
    QCOMPARE(reply.header("Referrer-Policy"), QByteArray("no-referrer"));
    if (path.startsWith(QStringLiteral("/api/")))
        QCOMPARE(reply.header("Cache-Control"), QByteArray("no-store"));
    if (path == u"/" && status == 200) // no script in the page itself: the policy allows none
        QVERIFY(!reply.body.contains("<script>") && reply.body.contains("<script src=\"/app.js\""));
}

void TestWebUi::onlyTheServedNamesAreAnswered_data()
{
    QTest::addColumn<QByteArray>("host");
    QTest::addColumn<int>("status");
    QTest::newRow("the address") << QByteArray("127.0.0.1:8391") << 200;
    QTest::newRow("localhost") << QByteArray("LocalHost:8391") << 200;
    QTest::newRow("v6 loopback") << QByteArray("[::1]:8391") << 200;
    QTest::newRow("a name the user set") << QByteArray("kelvora.home.arpa:8391") << 200;
    QTest::newRow("another port") << QByteArray("127.0.0.1:8392") << 421;
    QTest::newRow("no port") << QByteArray("127.0.0.1") << 421;
    QTest::newRow("a name pointed here") << QByteArray("attacker.example:8391") << 421;
    QTest::newRow("a name that ends like ours") << QByteArray("evil-localhost:8391") << 421;
    QTest::newRow("none") << QByteArray() << 421;
}

void TestWebUi::onlyTheServedNamesAreAnswered()
{
    QFETCH(QByteArray, host);
    QFETCH(int, status);
    WebUiRules rules;
    rules.hostNames = {QStringLiteral("kelvora.home.arpa")};
    Fixture f(rules);
    WebRequest r = request("GET", QStringLiteral("/"));
    r.headers = {{"Host", host}};
    QCOMPARE(f.handler->handle(r).status, status);
}

void TestWebUi::anotherSitesRequestsAreRefused_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<bool>("refused");
    QTest::newRow("fetch metadata: cross-site")
        << QByteArray("Sec-Fetch-Site") << QByteArray("cross-site") << true;
    QTest::newRow("fetch metadata: same-site")
        << QByteArray("Sec-Fetch-Site") << QByteArray("same-site") << true;
    QTest::newRow("fetch metadata: same-origin")
        << QByteArray("Sec-Fetch-Site") << QByteArray("same-origin") << false;
    QTest::newRow("another origin") << QByteArray("Origin") << QByteArray("http://attacker.example") << true;
    QTest::newRow("our host, another port")
        << QByteArray("Origin") << QByteArray("http://127.0.0.1:8000") << true;
    QTest::newRow("a sandboxed frame") << QByteArray("Origin") << QByteArray("null") << true;
    QTest::newRow("our origin") << QByteArray("Origin") << QByteArray("http://127.0.0.1:8391") << false;
    QTest::newRow("another referer") << QByteArray("Referer") << QByteArray("http://attacker.example/x")
                                     << true;
    QTest::newRow("our referer") << QByteArray("Referer") << QByteArray("http://127.0.0.1:8391/") << false;
}

void TestWebUi::anotherSitesRequestsAreRefused()
{
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, value);
    QFETCH(bool, refused);
    Fixture f;
    // The login too: another site must not log the browser in to a session of its choosing.
    WebRequest login = request("POST", QStringLiteral("/api/login"),
                               "{\"password\":\"" + Code.toLatin1() + "\"}", {{name, value}});
    const WebReply loggedIn = f.handler->handle(login);
    QCOMPARE(loggedIn.status, refused ? 403 : 200);
    QCOMPARE(loggedIn.header("Set-Cookie").isEmpty(), refused);
    f.logIn();
    QCOMPARE(f.send("POST", QStringLiteral("/api/slots/1/start"), "{}", {{name, value}}).status,
             refused ? 403 : 200);
    QCOMPARE(f.send("GET", QStringLiteral("/api/state"), {}, {{name, value}}).status, refused ? 403 : 200);
    QCOMPARE(f.remote.calls, refused ? QStringList() : QStringList{QStringLiteral("start 0")});
}

void TestWebUi::wrongPasswordsBanTheAddressForAWhile()
{
    Fixture f;
    const QHostAddress other(QStringLiteral("192.0.2.7"));
    for (int i = 0; i < 4; ++i)
        QCOMPARE(f.logIn(QStringLiteral("guess%1").arg(i), other).status, 401);
    QVERIFY(!f.handler->isBanned(other));
    QCOMPARE(f.logIn(QStringLiteral("guess4"), other).status, 403);
    QVERIFY(f.handler->isBanned(QHostAddress(QStringLiteral("::ffff:192.0.2.7"))));
    // Banned: even the right password, and any other request, gets nothing.
    QCOMPARE(f.logIn(Code, other).status, 403);
    QCOMPARE(json(f.logIn(Code, other)).value(QStringLiteral("error")).toString(), webText(WebText::Banned));
    // Others are not.
    QCOMPARE(f.logIn(Code).status, 200);
    f.now += 15 * 60 * 1000 + 1;
    QVERIFY(!f.handler->isBanned(other));
    QCOMPARE(f.logIn(Code, other).status, 200);
}

void TestWebUi::sessionsAreNewAtLoginAndLapse()
{
    Fixture f;
    QCOMPARE(f.logIn().status, 200);
    const QByteArray first = f.cookie;
    QVERIFY(first.startsWith("kelvora_8391="));
    QVERIFY(f.send("GET", QStringLiteral("/api/state")).status == 200);
    // A login on top of a session gives a new one, and the old is worth nothing.
    QCOMPARE(
        f.send("POST", QStringLiteral("/api/login"), "{\"password\":\"" + Code.toLatin1() + "\"}").status,
        200);
    f.logIn();
    QVERIFY(f.cookie != first);
    WebRequest old = request("GET", QStringLiteral("/api/state"), {}, {{"Cookie", first}});
    QCOMPARE(f.handler->handle(old).status, 401);
    // Idle for longer than the timeout: logged out. Polling keeps it.
    f.now += 29 * 60 * 1000;
    QCOMPARE(f.send("GET", QStringLiteral("/api/state")).status, 200);
    f.now += 31 * 60 * 1000;
    QCOMPARE(f.send("GET", QStringLiteral("/api/state")).status, 401);
    f.logIn();
    const WebReply out = f.send("POST", QStringLiteral("/api/logout"));
    QCOMPARE(out.status, 200);
    QVERIFY(out.header("Set-Cookie").contains("Max-Age=0"));
    QCOMPARE(f.send("GET", QStringLiteral("/api/state")).status, 401);
}

void TestWebUi::changesNeedTheSessionsToken()
{
    Fixture f;
    f.logIn();
    const QByteArray good = f.token;
    for (const QByteArray &token : {QByteArray(), QByteArray("forged"), good.left(good.size() - 1)}) {
        f.token = token;
        QCOMPARE(f.send("POST", QStringLiteral("/api/slots/1/stop")).status, 403);
    }
    QVERIFY(f.remote.calls.isEmpty());
    f.token = good;
    QCOMPARE(f.send("POST", QStringLiteral("/api/slots/1/stop")).status, 200);
    QCOMPARE(f.remote.calls, QStringList{QStringLiteral("stop 0")});
}

void TestWebUi::badRequestsChangeNothing_data()
{
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("type");
    QTest::addColumn<int>("status");
    const QByteArray j = "application/json";
    QTest::newRow("too large") << QByteArray("POST") << QStringLiteral("/api/slots/1/open")
                               << QByteArray(64 * 1024, 'x') << j << 413;
    QTest::newRow("a form, not JSON")
        << QByteArray("POST") << QStringLiteral("/api/slots/1/stop") << QByteArray("a=1")
        << QByteArray("application/x-www-form-urlencoded") << 415;
    QTest::newRow("broken JSON") << QByteArray("POST") << QStringLiteral("/api/slots/1/stop")
                                 << QByteArray("{") << j << 400;
    QTest::newRow("a list") << QByteArray("POST") << QStringLiteral("/api/slots/1/stop") << QByteArray("[]")
                            << j << 400;
    QTest::newRow("slot 0") << QByteArray("POST") << QStringLiteral("/api/slots/0/stop") << QByteArray("{}")
                            << j << 404;
    QTest::newRow("slot 9") << QByteArray("POST") << QStringLiteral("/api/slots/9/stop") << QByteArray("{}")
                            << j << 404;
    QTest::newRow("slot x") << QByteArray("POST") << QStringLiteral("/api/slots/x/stop") << QByteArray("{}")
                            << j << 404;
    QTest::newRow("no such action") << QByteArray("POST") << QStringLiteral("/api/slots/1/format")
                                    << QByteArray("{}") << j << 404;
    QTest::newRow("a period of words") << QByteArray("POST") << QStringLiteral("/api/slots/1/period")
                                       << QByteArray("{\"period\":\"five\"}") << j << 409;
    QTest::newRow("a period of 1.5") << QByteArray("POST") << QStringLiteral("/api/slots/1/period")
                                     << QByteArray("{\"period\":1.5}") << j << 409;
    QTest::newRow("no address") << QByteArray("POST") << QStringLiteral("/api/slots/1/open")
                                << QByteArray("{}") << j << 400;
    QTest::newRow("an option not a switch") << QByteArray("POST") << QStringLiteral("/api/options")
                                            << QByteArray("{\"lateReloads\":\"yes\"}") << j << 400;
    QTest::newRow("an unknown option")
        << QByteArray("POST") << QStringLiteral("/api/options") << QByteArray("{\"debug\":true}") << j << 400;
    QTest::newRow("an account with no password")
        << QByteArray("POST") << QStringLiteral("/api/slots/1/account")
        << QByteArray("{\"userName\":\"m\",\"loginPage\":\"http://127.0.0.2/\"}") << j << 400;
    QTest::newRow("an account for a file page")
        << QByteArray("POST") << QStringLiteral("/api/slots/1/account")
        << QByteArray("{\"userName\":\"m\",\"password\":\"p\",\"loginPage\":\"file:///etc/passwd\"}") << j
        << 400;
    QTest::newRow("PUT") << QByteArray("PUT") << QStringLiteral("/api/slots/1/stop") << QByteArray("{}") << j
                         << 405;
}

void TestWebUi::badRequestsChangeNothing()
{
    QFETCH(QByteArray, method);
    QFETCH(QString, path);
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, type);
    QFETCH(int, status);
    Fixture f;
    f.logIn();
    WebRequest r = request(method, path, {}, {{"Cookie", f.cookie}, {"X-CSRF-Token", f.token}});
    r.headers.removeIf([](const auto &header) { return header.first == "Content-Type"; });
    r.headers.append(qMakePair(QByteArray("Content-Type"), type));
    r.body = body;
    const WebReply reply = f.handler->handle(r);
    QCOMPARE(reply.status, status);
    QVERIFY(!json(reply).value(QStringLiteral("error")).toString().isEmpty());
    QVERIFY(f.remote.calls.isEmpty() || status == 409);
    QVERIFY(!f.remote.calls.join(' ').contains(QStringLiteral("stop")));
}

void TestWebUi::commandsReachTheSession_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("call");
    QTest::newRow("open") << QStringLiteral("/api/slots/3/open")
                          << QByteArray("{\"address\":\" 127.0.0.2/forum.php \"}")
                          << QStringLiteral("open 2 127.0.0.2/forum.php");
    QTest::newRow("period") << QStringLiteral("/api/slots/8/period") << QByteArray("{\"period\":20}")
                            << QStringLiteral("period 7 20");
    QTest::newRow("start") << QStringLiteral("/api/slots/2/start") << QByteArray("{}")
                           << QStringLiteral("start 1");
    QTest::newRow("reload") << QStringLiteral("/api/slots/2/reload") << QByteArray("{}")
                            << QStringLiteral("reload 1");
    QTest::newRow("account")
        << QStringLiteral("/api/slots/4/account")
        << QByteArray("{\"userName\":\" m1 \",\"password\":\" pw \",\"loginPage\":\"127.0.0.2/login.php\"}")
        << QStringLiteral("account 3 m1  pw  http://127.0.0.2/login.php");
    QTest::newRow("forget") << QStringLiteral("/api/slots/4/forget") << QByteArray("{}")
                            << QStringLiteral("forget 3");
    QTest::newRow("options") << QStringLiteral("/api/options") << QByteArray("{\"preventSleep\":false}")
                             << QStringLiteral("awake 0");
}

void TestWebUi::commandsReachTheSession()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, body);
    QFETCH(QString, call);
    Fixture f;
    f.logIn();
    QCOMPARE(f.send("POST", path, body).status, 200);
    QCOMPARE(f.remote.calls, QStringList{call});
    // What the session refuses is told in its own words.
    f.remote.result = RemoteResult::NoWebPage;
    if (path.endsWith(QStringLiteral("start"))) {
        const WebReply refused = f.send("POST", path, body);
        QCOMPARE(refused.status, 409);
        QCOMPARE(json(refused).value(QStringLiteral("error")).toString(),
                 remoteResultText(RemoteResult::NoWebPage));
    }
}

void TestWebUi::accountsCrossTheNetworkOnlyEncrypted()
{
    const QByteArray account =
        "{\"userName\":\"m1\",\"password\":\"pw\",\"loginPage\":\"http://127.0.0.2/\"}";
    const QHostAddress phone(QStringLiteral("192.168.1.5"));
    for (const bool secure : {false, true}) {
        WebUiRules rules;
        rules.secure = secure;
        Fixture f(rules);
        f.logIn(Code, phone);
        const WebReply reply = f.send("POST", QStringLiteral("/api/slots/1/account"), account, {}, phone);
        QCOMPARE(reply.status, secure ? 200 : 403);
        QCOMPARE(f.remote.calls.size(), secure ? 1 : 0);
        if (secure) // and the cookie is for HTTPS only
            QVERIFY(f.handler
                        ->handle(request("POST", QStringLiteral("/api/login"),
                                         "{\"password\":\"" + Code.toLatin1() + "\"}"))
                        .header("Set-Cookie")
                        .contains("; Secure"));
    }
}

void TestWebUi::forumTextsStayText()
{
    Fixture f;
    f.remote.title = Hostile;
    f.logIn();
    const WebReply state = f.send("GET", QStringLiteral("/api/state"));
    QCOMPARE(state.header("Content-Type"), QByteArray("application/json; charset=utf-8"));
    // Nothing a parser of HTML could take for markup, and the text comes back as it was.
    QVERIFY(!state.body.contains('<') && !state.body.contains('>'));
    const QJsonObject first = json(state).value(QStringLiteral("slots")).toArray().first().toObject();
    QCOMPARE(first.value(QStringLiteral("title")).toString(), Hostile);
    QCOMPARE(first.value(QStringLiteral("site")).toString(), QStringLiteral("127.0.0.2"));
    QCOMPARE(first.value(QStringLiteral("account")).toString(), QStringLiteral("member1"));
    QVERIFY(!state.body.contains("password"));
    // The page's script sets text only.
    const QByteArray script = f.send("GET", QStringLiteral("/app.js")).body;
    QVERIFY(!script.contains("innerHTML") && !script.contains("insertAdjacentHTML") &&
            !script.contains("document.write"));
}

void TestWebUi::pollingIsAnsweredNotModified()
{
    Fixture f;
    f.logIn();
    const WebReply first = f.send("GET", QStringLiteral("/api/state"));
    const QByteArray tag = first.header("ETag");
    QVERIFY(!tag.isEmpty());
    // A second later the countdown and the online time are the same moments: nothing to send.
    f.now += 1000;
    const WebReply again = f.send("GET", QStringLiteral("/api/state"), {}, {{"If-None-Match", tag}});
    QCOMPARE(again.status, 304);
    QVERIFY(again.body.isEmpty());
    const QJsonObject slot = json(first).value(QStringLiteral("slots")).toArray().first().toObject();
    QCOMPARE(qint64(slot.value(QStringLiteral("nextReloadAt")).toDouble()), f.remote.reloadDueMs);
    QCOMPARE(qint64(slot.value(QStringLiteral("onlineSince")).toDouble()),
             (f.now - 1000) / 1000 * 1000 - 3661 * 1000);
    f.remote.title = QStringLiteral("另一页");
    QCOMPARE(f.send("GET", QStringLiteral("/api/state"), {}, {{"If-None-Match", tag}}).status, 200);

    const QJsonObject record = json(f.send("GET", QStringLiteral("/api/record")));
    const QJsonArray strips = record.value(QStringLiteral("slots"))
                                  .toArray()
                                  .first()
                                  .toObject()
                                  .value(QStringLiteral("strips"))
                                  .toArray();
    QCOMPARE(strips.size(), 3);
    const QJsonArray spans = strips.first().toObject().value(QStringLiteral("spans")).toArray();
    QCOMPARE(spans.size(), 2);
    QCOMPARE(spans[1].toObject().value(QStringLiteral("state")).toString(), QStringLiteral("failed"));
    QCOMPARE(record.value(QStringLiteral("where")).toString(),
             recordWhereText(QStringLiteral("/data/record.sqlite")));
}

void TestWebUi::passwordsAreKeptAsSlowSaltedHashes()
{
    const QString a = hashWebPassword(QStringLiteral("正确的马 battery"), 1000);
    const QString b = hashWebPassword(QStringLiteral("正确的马 battery"), 1000);
    QVERIFY(a.startsWith(QStringLiteral("pbkdf2-sha512$1000$")));
    QVERIFY(a != b); // salted
    QVERIFY(!a.contains(QStringLiteral("battery")));
    QVERIFY(webPasswordMatches(a, QStringLiteral("正确的马 battery")));
    QVERIFY(!webPasswordMatches(a, QStringLiteral("正确的马 batterY")));
    for (const QString &broken :
         {QString(), QStringLiteral("pbkdf2-sha512$x$a$b"), QStringLiteral("md5$1$a$b"),
          QStringLiteral("pbkdf2-sha512$0$a$b"), QStringLiteral("pbkdf2-sha512$99999999999$a$b")})
        QVERIFY(!webPasswordMatches(broken, QString()));

    WebUiRules rules;
    rules.passwordHash = a;
    rules.accessCode = Code; // a password set: the code no longer opens the page
    Fixture f(rules);
    QCOMPARE(f.logIn(Code).status, 401);
    QCOMPARE(f.logIn(QStringLiteral("正确的马 battery")).status, 200);

    QTemporaryDir dir;
    WebUiConfig config;
    config.passwordHash = a;
    config.hostNames = {QStringLiteral("a.example"), QStringLiteral("b\"c")};
    config.port = 9000;
    QString error;
    const QString path = dir.filePath(WebUiConfig::fileName());
    QVERIFY(config.write(path, &error));
    QCOMPARE(QFile::permissions(path) & (QFile::ReadOther | QFile::ReadGroup), QFile::Permissions());
    const WebUiConfig read = WebUiConfig::read(path);
    QCOMPARE(read.passwordHash, a);
    QCOMPARE(read.hostNames, config.hostNames);
    QCOMPARE(read.port, quint16(9000));
    const std::optional<QString> code = webAccessCode(dir.filePath(webAccessCodeFileName()), &error);
    QVERIFY(code && code->size() >= 16);
    QCOMPARE(webAccessCode(dir.filePath(webAccessCodeFileName()), &error), code); // kept, not made anew
}

void TestWebUi::accountsAreHeldInMemoryWhereNoStoreIs()
{
    // A store that answers as told, at once.
    struct Store final : AccountStore
    {
        Status status = Status::NoStore;
        void read(int, QObject *, Done done) override { done({status, std::nullopt, {}}); }
        void write(int, const Account &, QObject *, Done done) override { done({status, std::nullopt, {}}); }
        void forget(int, QObject *, Done done) override { done({status, std::nullopt, {}}); }
    } system;
    AccountStoreWithMemory store(system);
    QObject context;
    const Account account{QStringLiteral("m1"), QStringLiteral("pw"),
                          QUrl(QStringLiteral("http://127.0.0.2/"))};
    AccountStore::Answer answer;
    store.write(2, account, &context, [&](const AccountStore::Answer &a) { answer = a; });
    QCOMPARE(answer.status, AccountStore::Status::Done);
    QVERIFY(store.holdsInMemory(2));
    store.read(2, &context, [&](const AccountStore::Answer &a) { answer = a; });
    QTRY_VERIFY(answer.account == account);
    store.forget(2, &context, [&](const AccountStore::Answer &a) { answer = a; });
    QCOMPARE(answer.status, AccountStore::Status::Done);
    QVERIFY(!store.holdsInMemory(2));
    // Where the store keeps it, nothing is held here.
    system.status = AccountStore::Status::Done;
    store.write(2, account, &context, [&](const AccountStore::Answer &a) { answer = a; });
    QVERIFY(!store.holdsInMemory(2));
    // Forgetting every account: nothing to forget where there is no store is no failure; a store
    // that refuses is one, for each slot.
    system.status = AccountStore::Status::NoStore;
    QCOMPARE(forgetEveryAccountNow(system, SlotCount), 0);
    system.status = AccountStore::Status::Failed;
    QCOMPARE(forgetEveryAccountNow(system, SlotCount), SlotCount);
}

void TestWebUi::theServerClosesBannedAndSurplusConnectionsUnread()
{
    FakeRemote remote;
    qint64 now = 1'800'000'000'000;
    remote.clock = &now;
    WebUiServer server(remote);
    server.setClock([&now] { return now; });
    server.setConnectionCap(3, 2);
    WebUiConfig config;
    config.port = 0;
    QCOMPARE(server.listen(config, Code), WebServeProblem::None);
    const QUrl base(QStringLiteral("http://127.0.0.1:%1").arg(server.port()));
    QNetworkAccessManager net;
    const auto post = [&](const QString &path, const QByteArray &body) {
        QNetworkRequest r(base.resolved(QUrl(path)));
        r.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
        QNetworkReply *reply = net.post(r, body);
        QSignalSpy done(reply, &QNetworkReply::finished);
        done.wait(5000);
        reply->deleteLater();
        return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    };
    QCOMPARE(post(QStringLiteral("/api/login"), "{\"password\":\"" + Code.toLatin1() + "\"}"), 200);

    // Two connections from loopback are its share: a third is closed unread.
    QTcpSocket a, b, c;
    for (QTcpSocket *s : {&a, &b, &c})
        s->connectToHost(QHostAddress::LocalHost, server.port());
    QVERIFY(a.waitForConnected(5000) && b.waitForConnected(5000));
    QTRY_COMPARE(c.state(), QAbstractSocket::UnconnectedState);
    a.abort();
    b.abort();
    net.clearConnectionCache();

    for (int i = 0; i < 5; ++i)
        post(QStringLiteral("/api/login"), "{\"password\":\"wrong\"}");
    net.clearConnectionCache();
    QTcpSocket banned;
    banned.connectToHost(QHostAddress::LocalHost, server.port());
    QVERIFY(banned.waitForConnected(5000));
    banned.write("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    QTRY_COMPARE(banned.state(), QAbstractSocket::UnconnectedState);
    QVERIFY(banned.readAll().isEmpty());
    now += 16 * 60 * 1000;
    QCOMPARE(post(QStringLiteral("/api/login"), "{\"password\":\"" + Code.toLatin1() + "\"}"), 200);
}

void TestWebUi::anotherAddressNeedsAPassword()
{
    FakeRemote remote;
    WebUiServer server(remote);
    WebUiConfig config;
    config.port = 0;
    config.address = QHostAddress(QStringLiteral("127.0.0.3")); // loopback still
    QCOMPARE(server.listen(config, Code), WebServeProblem::None);
    config.address = QHostAddress::AnyIPv4;
    QCOMPARE(server.listen(config, Code), WebServeProblem::PasswordNeeded);
    QVERIFY(!server.isListening());
    config.passwordHash = hashWebPassword(QStringLiteral("a password"), 1000);
    config.address = QHostAddress(QStringLiteral("127.0.0.1"));
    config.certificateFile = QStringLiteral("/nonexistent.pem");
    QCOMPARE(server.listen(config, {}), WebServeProblem::Certificate);
}

void TestWebUi::httpsServesWithTheUsersCertificate()
{
    if (QStandardPaths::findExecutable(QStringLiteral("openssl")).isEmpty() || !QSslSocket::supportsSsl())
        QSKIP("needs openssl to make a certificate, and TLS in Qt");
    QTemporaryDir dir;
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                   QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-days"),
                   QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"),
                   QStringLiteral("-keyout"), dir.filePath(QStringLiteral("key.pem")), QStringLiteral("-out"),
                   dir.filePath(QStringLiteral("cert.pem"))});
    QVERIFY(openssl.waitForFinished(60000) && openssl.exitCode() == 0);
    FakeRemote remote;
    qint64 now = 1'800'000'000'000;
    remote.clock = &now;
    WebUiServer server(remote);
    WebUiConfig config;
    config.port = 0;
    config.certificateFile = dir.filePath(QStringLiteral("cert.pem"));
    config.keyFile = dir.filePath(QStringLiteral("key.pem"));
    QCOMPARE(server.listen(config, Code), WebServeProblem::None);
    QVERIFY(server.pageAddress().startsWith(QStringLiteral("https://127.0.0.1:")));

    QNetworkAccessManager net;
    QNetworkRequest request(QUrl(server.pageAddress() + QStringLiteral("api/login")));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    QNetworkReply *reply = net.post(request, "{\"password\":\"" + Code.toLatin1() + "\"}");
    // The user's own certificate: this client is told to take it, as the user tells a browser.
    connect(reply, &QNetworkReply::sslErrors, reply, [reply] { reply->ignoreSslErrors(); });
    QSignalSpy done(reply, &QNetworkReply::finished);
    QVERIFY(done.wait(10000));
    QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
    QVERIFY(reply->rawHeader("Set-Cookie").contains("; Secure"));
    reply->deleteLater();

    // Plain HTTP on the same port gets nothing.
    QTcpSocket plain;
    plain.connectToHost(QHostAddress::LocalHost, server.port());
    QVERIFY(plain.waitForConnected(5000));
    plain.write("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(plain.state(), QAbstractSocket::UnconnectedState, 15000);
    QVERIFY(!plain.readAll().startsWith("HTTP/1.1 200"));
}

QTEST_GUILESS_MAIN(TestWebUi)
#include "tst_webui.moc"
