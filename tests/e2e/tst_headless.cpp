#include "common/credit.h"
#include "common/forumserver.h"
#include "core/slotstate.h"
#include "words/words.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using kelvora::test::ForumServer;

namespace {

/** A browser of the test's own on the program's page: the cookie, the token, JSON both ways. */
class PageClient
{
public:
    explicit PageClient(QUrl base) : m_base(std::move(base))
    {
        m_net.setCookieJar(new QNetworkCookieJar(&m_net));
    }

    QUrl base() const { return m_base; }
    /** The answer's status and JSON. */
    std::pair<int, QJsonObject> call(const QByteArray &method, const QString &path,
                                     const QJsonObject &body = {})
    {
        QNetworkRequest request(m_base.resolved(QUrl(path)));
        QNetworkReply *reply = nullptr;
        if (method == "GET") {
            reply = m_net.get(request);
        } else {
            request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
            request.setRawHeader("X-CSRF-Token", m_token);
            reply = m_net.post(request, QJsonDocument(body).toJson());
        }
        QSignalSpy finished(reply, &QNetworkReply::finished);
        finished.wait(10000);
        reply->deleteLater();
        const QJsonObject answer = QJsonDocument::fromJson(reply->readAll()).object();
        if (answer.contains(QStringLiteral("csrfToken")))
            m_token = answer.value(QStringLiteral("csrfToken")).toString().toLatin1();
        return {reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), answer};
    }
    QJsonObject slot(int number)
    {
        return call("GET", QStringLiteral("/api/state"))
            .second.value(QStringLiteral("slots"))
            .toArray()[number - 1]
            .toObject();
    }
    int command(int number, const QString &action, const QJsonObject &body = {})
    {
        return call("POST", QStringLiteral("/api/slots/%1/%2").arg(number).arg(action), body).first;
    }

private:
    QUrl m_base;
    QNetworkAccessManager m_net;
    QByteArray m_token;
};

} // namespace

// The program with no window, started as a service starts it: no display, its page the only way in.
class TestHeadless : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_home;
    QProcess m_program;
    QString m_told; ///< what the program wrote on its standard error

    QString dataPath(const QString &name) const
    {
        return m_home->filePath(QStringLiteral("data/kelvora/kelvora/") + name);
    }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // However the suite runs (under Xvfb here), a service has no display.
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        // and, on a server, no credential store.
        env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_home->filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home->filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), m_home->filePath(QStringLiteral("cache")));
        const QString runtime = m_home->filePath(QStringLiteral("runtime"));
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        return env;
    }

    /** Runs the program to its end with `input` on its standard input: its exit code and what it said. */
    std::pair<int, QString> run(const QStringList &arguments, const QByteArray &input = {}) const
    {
        QProcess once;
        once.setProcessEnvironment(environment());
        once.start(QStringLiteral(KELVORA_EXECUTABLE), arguments);
        once.write(input);
        once.closeWriteChannel();
        // The event loop goes on meanwhile: the test's forums answer in it.
        if (!QTest::qWaitFor([&once] { return once.state() == QProcess::NotRunning; }, 60000))
            return {-1, QStringLiteral("did not end")};
        return {once.exitCode(), QString::fromUtf8(once.readAllStandardError())};
    }

    /** Starts `kelvora --headless`; the page's address once it tells it. */
    QUrl start(const QStringList &more = {})
    {
        m_told.clear();
        m_program.setProcessEnvironment(environment());
        m_program.start(
            QStringLiteral(KELVORA_EXECUTABLE),
            QStringList{QStringLiteral("--headless"), QStringLiteral("--web-port"), QStringLiteral("0")} +
                more);
        static const QRegularExpression at(QStringLiteral("(http://127\\.0\\.0\\.1:\\d+/)"));
        QRegularExpressionMatch found;
        if (!QTest::qWaitFor([&] { return (found = at.match(m_told)).hasMatch(); }, 30000))
            return {};
        return QUrl(found.captured(1));
    }
    /** TERM, as systemd stops a service: what went wrong, empty when it ended in order. */
    QString stop()
    {
        m_program.terminate();
        if (!m_program.waitForFinished(30000))
            return QStringLiteral("the program did not end");
        return m_program.exitStatus() == QProcess::NormalExit && m_program.exitCode() == 0
                   ? QString()
                   : QStringLiteral("the program ended with %1").arg(m_program.exitCode());
    }
    /** Logged in with the access code the program keeps for the user. */
    std::unique_ptr<PageClient> logIn(const QUrl &base)
    {
        auto client = std::make_unique<PageClient>(base);
        QFile code(dataPath(QStringLiteral("web-token")));
        if (!code.open(QIODevice::ReadOnly))
            return client;
        client->call("POST", QStringLiteral("/api/login"),
                     {{QStringLiteral("password"), QString::fromLatin1(code.readAll()).trimmed()}});
        return client;
    }
    static int loggedInPages(const ForumServer &forum, const QString &member)
    {
        const QList<ForumServer::Request> pages = forum.pagesFor(member);
        return int(std::count_if(pages.cbegin(), pages.cend(),
                                 [](const ForumServer::Request &r) { return r.loggedIn; }));
    }

private slots:
    void initTestCase()
    {
        connect(&m_program, &QProcess::readyReadStandardError, this,
                [this] { m_told += QString::fromUtf8(m_program.readAllStandardError()); });
    }
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        QVERIFY(m_home->isValid());
        QDir().mkpath(dataPath({}));
    }
    void cleanup()
    {
        if (m_program.state() != QProcess::NotRunning) {
            m_program.kill();
            m_program.waitForFinished(10000);
        }
    }

    void slotsSetUpOnTheDesktopGoOnWithNoDisplayAndObeyThePage()
    {
        ForumServer forum, other;
        QVERIFY(forum.listen(QHostAddress(QStringLiteral("127.0.0.2"))));
        QVERIFY(other.listen(QHostAddress(QStringLiteral("127.0.0.3"))));
        // What the desktop kept when it was quit: slot 1 every minute, slot 8 every 2 seconds.
        kelvora::SavedState kept;
        kept.preventSleep = false;
        kept.entries[0] =
            kelvora::SavedSlot{forum.url(QStringLiteral("/forum.php?member=m1")).toString(), 1, true, {}};
        kept.entries[7] =
            kelvora::SavedSlot{forum.url(QStringLiteral("/forum.php?member=m8")).toString(), 2, true, {}};
        QVERIFY(kelvora::SlotStateFile(dataPath(QStringLiteral("slots.json"))).write(kept));

        const QUrl page = start();
        QVERIFY2(page.isValid(), qPrintable(m_told));
        // Where the code is: a line of its own, which may come a moment after the address.
        QTRY_VERIFY2_WITH_TIMEOUT(m_told.contains(dataPath(QStringLiteral("web-token"))), qPrintable(m_told),
                                  10000);

        // Both resumed, kept online: pages the forum generated for the members, credited.
        QVERIFY2(QTest::qWaitFor(
                     [&] {
                         return loggedInPages(forum, QStringLiteral("m1")) >= 1 &&
                                loggedInPages(forum, QStringLiteral("m8")) >= 5;
                     },
                     40000),
                 qPrintable(m_told));
        QList<qint64> moments;
        for (const ForumServer::Request &r : forum.pagesFor(QStringLiteral("m8")))
            moments << r.elapsedMs;
        // A forum that credits a step of one second: each page, two seconds after the last, earns
        // its step, one second of every two.
        const double credited = kelvora::test::StepCredit{1, 1000}.share(moments);
        QVERIFY2(credited > 0.45, qPrintable(QString::number(credited)));

        std::unique_ptr<PageClient> client = logIn(page);
        QJsonObject eight = client->slot(8);
        QCOMPARE(eight.value(QStringLiteral("status")).toString(), QStringLiteral("running"));
        QCOMPARE(eight.value(QStringLiteral("site")).toString(), QStringLiteral("127.0.0.2"));
        QCOMPARE(client->slot(1).value(QStringLiteral("unit")).toString(), QStringLiteral("分"));

        // Open, set the period and start from the page: the other forum generates the member's pages.
        QCOMPARE(client->command(2, QStringLiteral("open"),
                                 {{QStringLiteral("address"),
                                   other.url(QStringLiteral("/forum.php?member=m2")).toString()}}),
                 200);
        QCOMPARE(client->command(2, QStringLiteral("period"), {{QStringLiteral("period"), 3}}), 200);
        QCOMPARE(client->command(2, QStringLiteral("start")), 200);
        QTRY_VERIFY_WITH_TIMEOUT(loggedInPages(other, QStringLiteral("m2")) >= 1, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(client->slot(2).value(QStringLiteral("status")).toString(),
                                  QStringLiteral("running"), 10000);
        QCOMPARE(client->slot(2).value(QStringLiteral("period")).toInt(), 3);

        // The forum logs member 8 out; the page shows it, and an account given there logs it in again.
        forum.setPassword(QStringLiteral("m8"), QStringLiteral("secret-8"));
        forum.logOut(QStringLiteral("m8"));
        QTRY_COMPARE_WITH_TIMEOUT(client->slot(8).value(QStringLiteral("status")).toString(),
                                  QStringLiteral("loggedOut"), 20000);
        QCOMPARE(client->command(
                     8, QStringLiteral("account"),
                     {{QStringLiteral("userName"), QStringLiteral("m8")},
                      {QStringLiteral("password"), QStringLiteral("secret-8")},
                      {QStringLiteral("loginPage"), forum.url(QStringLiteral("/loginpage")).toString()}}),
                 200);
        QTRY_VERIFY_WITH_TIMEOUT(!forum.loginAttempts().isEmpty() && forum.loginAttempts().last().succeeded,
                                 30000);
        const int before = loggedInPages(forum, QStringLiteral("m8"));
        QTRY_VERIFY_WITH_TIMEOUT(loggedInPages(forum, QStringLiteral("m8")) >= before + 2, 20000);
        eight = client->slot(8);
        QCOMPARE(eight.value(QStringLiteral("status")).toString(), QStringLiteral("running"));
        QCOMPARE(eight.value(QStringLiteral("account")).toString(), QStringLiteral("m8"));
        // No credential store on this "server": held for this run only, and said so.
        QCOMPARE(eight.value(QStringLiteral("accountNote")).toString(),
                 kelvora::accountNoteText(kelvora::AccountNote::HeldInMemory));

        // Stop from the page: no page after it.
        QCOMPARE(client->command(8, QStringLiteral("stop")), 200);
        const int stoppedAt = int(forum.pagesFor(QStringLiteral("m8")).size());
        QTest::qWait(5000);
        QCOMPARE(int(forum.pagesFor(QStringLiteral("m8")).size()), stoppedAt);

        // A start of either kind while this one runs is told where its page is, and goes.
        const auto [code, said] = run({QStringLiteral("--headless")});
        QCOMPARE(code, 1);
        QVERIFY2(said.contains(page.toString()), qPrintable(said));

        QCOMPARE(stop(), QString());
        QVERIFY(!QFile::exists(dataPath(QStringLiteral("webengine")) +
                               QStringLiteral("-8/account"))); // nothing written of it
        const kelvora::StateRead after =
            kelvora::SlotStateFile(dataPath(QStringLiteral("slots.json"))).read();
        QVERIFY(after.state.entries[1].has_value() && after.state.entries[1]->running &&
                after.state.entries[1]->period == 3);
        QVERIFY(after.state.entries[7] && !after.state.entries[7]->running);
        QFile keptFile(dataPath(QStringLiteral("slots.json")));
        QVERIFY(keptFile.open(QIODevice::ReadOnly) && !keptFile.readAll().contains("secret-8"));
    }

    // The installed program's smoke test: one page, no window, the outcome as the exit code.
    void aPageIsCheckedWithNoWindow_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("more");
        QTest::addColumn<int>("code");
        QTest::newRow("a forum page") << QStringLiteral("/forum.php?member=check") << QStringList() << 0;
        QTest::newRow("nothing listens") << QStringLiteral("http://127.0.0.9:18099/") << QStringList() << 1;
        QTest::newRow("the forum never answers")
            << QStringLiteral("/hang") << QStringList{QStringLiteral("--check-seconds"), QStringLiteral("3")}
            << 2;
        QTest::newRow("not an address") << QStringLiteral("about:blank") << QStringList() << 3;
        QTest::newRow("a time limit of words")
            << QStringLiteral("/forum.php")
            << QStringList{QStringLiteral("--check-seconds"), QStringLiteral("soon")} << 3;
    }
    void aPageIsCheckedWithNoWindow()
    {
        QFETCH(QString, path);
        QFETCH(QStringList, more);
        QFETCH(int, code);
        ForumServer forum;
        QVERIFY(forum.listen(QHostAddress(QStringLiteral("127.0.0.2"))));
        forum.setHanging(QStringLiteral("/hang"));
        const QString address = path.startsWith(u'/') ? forum.url(path).toString() : path;
        const auto [exitCode, said] = run(QStringList{QStringLiteral("--check-page"), address} + more);
        QVERIFY2(exitCode == code, qPrintable(QStringLiteral("%1: %2").arg(exitCode).arg(said)));
        if (code == 0) {
            QVERIFY(said.contains(kelvora::pageCheckText(true, {}, 0)));
            QCOMPARE(forum.pagesFor(QStringLiteral("check")).size(), 1);
        }
        if (code == 2)
            QVERIFY2(said.contains(kelvora::pageCheckText(false, {}, 3)), qPrintable(said));
    }

    void thePasswordIsReadWithoutTheCommandLineAndOpensOtherAddresses()
    {
        // Without a password, another address is refused, and the page stays on loopback.
        QUrl page = start({QStringLiteral("--web-address"), QStringLiteral("0.0.0.0")});
        QVERIFY2(page.isValid(), qPrintable(m_told));
        QVERIFY2(m_told.contains(QStringLiteral("--set-web-password")), qPrintable(m_told));
        QCOMPARE(stop(), QString());

        const auto [shortCode, shortSaid] = run({QStringLiteral("--set-web-password")}, "short\nshort\n");
        QCOMPARE(shortCode, 1);
        QVERIFY2(shortSaid.contains(kelvora::webPasswordChangeText(kelvora::WebPasswordChange::TooShort, {})),
                 qPrintable(shortSaid));
        const auto [differCode, differSaid] =
            run({QStringLiteral("--set-web-password")}, "long enough 1\nlong enough 2\n");
        QCOMPARE(differCode, 1);
        const auto [setCode, setSaid] =
            run({QStringLiteral("--set-web-password")}, "长一点的密码 ok\n长一点的密码 ok\n");
        QCOMPARE(setCode, 0);
        QFile config(dataPath(QStringLiteral("web.ini")));
        QVERIFY(config.open(QIODevice::ReadOnly));
        const QByteArray kept = config.readAll();
        QVERIFY(kept.contains("pbkdf2-sha512$"));
        // Whatever form the password would take there keeps its "ok"; the hash's letters may make
        // one by chance.
        static const QRegularExpression hash(QStringLiteral("pbkdf2-sha512\\$[A-Za-z0-9+/=_$-]*"));
        QVERIFY2(!QString::fromUtf8(kept).remove(hash).contains(QStringLiteral("ok")), kept.constData());
        QCOMPARE(config.permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());

        // Now every address of the machine may be served (here, in a network of loopback alone).
        static const QRegularExpression at(QStringLiteral("(http://[0-9.]+:\\d+/)"));
        m_program.setProcessEnvironment(environment());
        m_told.clear();
        m_program.start(QStringLiteral(KELVORA_EXECUTABLE),
                        {QStringLiteral("--headless"), QStringLiteral("--web-address"),
                         QStringLiteral("0.0.0.0"), QStringLiteral("--web-port"), QStringLiteral("0")});
        QVERIFY(QTest::qWaitFor([&] { return at.match(m_told).hasMatch(); }, 30000));
        QVERIFY2(!m_told.contains(QStringLiteral("--set-web-password 设定密码")), qPrintable(m_told));
        const QUrl served(at.match(m_told).captured(1));
        PageClient client(QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(served.port())));
        QCOMPARE(client
                     .call("POST", QStringLiteral("/api/login"),
                           {{QStringLiteral("password"), QStringLiteral("wrong")}})
                     .first,
                 401);
        QCOMPARE(client
                     .call("POST", QStringLiteral("/api/login"),
                           {{QStringLiteral("password"), QStringLiteral("长一点的密码 ok")}})
                     .first,
                 200);
        QCOMPARE(client.call("GET", QStringLiteral("/api/state")).first, 200);
        QCOMPARE(stop(), QString());
    }
};

QTEST_GUILESS_MAIN(TestHeadless)
#include "tst_headless.moc"
