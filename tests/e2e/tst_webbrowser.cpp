#include "common/forumserver.h"
#include "core/slotstate.h"
#include "words/words.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using kelvora::test::ForumServer;

// The page in a real browser (Chromium, driven through chromedriver's WebDriver protocol), as a
// user on a phone sees it: log in, eight slots, start one, its countdown and status, the record.
class TestWebBrowser : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QProcess m_program;
    QProcess m_driver;
    QString m_told;
    QNetworkAccessManager m_net;
    QUrl m_webDriver;
    QString m_session;

    QString dataPath(const QString &name) const
    {
        return m_home.filePath(QStringLiteral("data/kelvora/kelvora/") + name);
    }

    static quint16 freePort()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        return probe.serverPort();
    }

    /** One WebDriver command; its "value". */
    QJsonValue webDriver(const QByteArray &method, const QString &path, const QJsonObject &body = {})
    {
        QNetworkRequest request(m_webDriver.resolved(QUrl(path)));
        request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
        QNetworkReply *reply = method == "GET"      ? m_net.get(request)
                               : method == "DELETE" ? m_net.deleteResource(request)
                                                    : m_net.post(request, QJsonDocument(body).toJson());
        QSignalSpy finished(reply, &QNetworkReply::finished);
        finished.wait(60000);
        reply->deleteLater();
        return QJsonDocument::fromJson(reply->readAll()).object().value(QStringLiteral("value"));
    }
    /** Runs `script` in the page; what it returns. */
    QJsonValue run(const QString &script)
    {
        return webDriver("POST", QStringLiteral("/session/%1/execute/sync").arg(m_session),
                         {{QStringLiteral("script"), script}, {QStringLiteral("args"), QJsonArray()}});
    }
    QString text(const QString &selector)
    {
        return run(QStringLiteral("const e = document.querySelector('%1'); return e ? e.textContent : null;")
                       .arg(selector))
            .toString();
    }

private slots:
    void initTestCase()
    {
        const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
        const QString driver = QStandardPaths::findExecutable(QStringLiteral("chromedriver"));
        if (chromium.isEmpty() || driver.isEmpty())
            QSKIP("needs Debian's chromium and chromium-driver (scripts/test.sh installs them)");
        connect(&m_program, &QProcess::readyReadStandardError, this,
                [this] { m_told += QString::fromUtf8(m_program.readAllStandardError()); });
        const quint16 port = freePort();
        m_webDriver = QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port));
        m_driver.start(driver, {QStringLiteral("--port=%1").arg(port)});
        QVERIFY(m_driver.waitForStarted());
        QVERIFY(QTest::qWaitFor(
            [&] {
                return webDriver("GET", QStringLiteral("/status"))
                    .toObject()
                    .value(QStringLiteral("ready"))
                    .toBool();
            },
            20000));
        QJsonArray arguments{QStringLiteral("--headless=new"),
                             QStringLiteral("--window-size=420,2000"),
                             QStringLiteral("--disable-gpu"),
                             QStringLiteral("--no-first-run"),
                             QStringLiteral("--disable-dev-shm-usage"),
                             QStringLiteral("--user-data-dir=") +
                                 m_home.filePath(QStringLiteral("chromium"))};
        if (geteuid() == 0)
            arguments.append(QStringLiteral("--no-sandbox"));
        const QJsonObject options{{QStringLiteral("binary"), chromium}, {QStringLiteral("args"), arguments}};
        const QJsonObject created =
            webDriver("POST", QStringLiteral("/session"),
                      {{QStringLiteral("capabilities"),
                        QJsonObject{{QStringLiteral("alwaysMatch"),
                                     QJsonObject{{QStringLiteral("goog:chromeOptions"), options}}}}}})
                .toObject();
        m_session = created.value(QStringLiteral("sessionId")).toString();
        QVERIFY2(!m_session.isEmpty(), QJsonDocument(created).toJson().constData());
    }
    void cleanupTestCase()
    {
        if (!m_session.isEmpty())
            webDriver("DELETE", QStringLiteral("/session/%1").arg(m_session));
        m_driver.kill();
        m_driver.waitForFinished();
        if (m_program.state() != QProcess::NotRunning) {
            m_program.terminate();
            m_program.waitForFinished(30000);
        }
    }

    void aUserLogsInSeesEightSlotsAndStartsOne()
    {
        ForumServer forum;
        QVERIFY(forum.listen(QHostAddress(QStringLiteral("127.0.0.2"))));
        forum.setTitle(QStringLiteral("<b>论坛</b> & \"首页\""));
        kelvora::SavedState kept;
        kept.preventSleep = false;
        kept.entries[7] =
            kelvora::SavedSlot{forum.url(QStringLiteral("/forum.php?member=m8")).toString(), 3, false, {}};
        QDir().mkpath(dataPath({}));
        QVERIFY(kelvora::SlotStateFile(dataPath(QStringLiteral("slots.json"))).write(kept));

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_home.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), m_home.filePath(QStringLiteral("cache")));
        const QString runtime = m_home.filePath(QStringLiteral("runtime"));
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        m_program.setProcessEnvironment(env);
        m_program.start(QStringLiteral(KELVORA_EXECUTABLE),
                        {QStringLiteral("--headless"), QStringLiteral("--web-port"), QStringLiteral("0")});
        static const QRegularExpression at(QStringLiteral("(http://127\\.0\\.0\\.1:\\d+/)"));
        QVERIFY2(QTest::qWaitFor([&] { return at.match(m_told).hasMatch(); }, 30000), qPrintable(m_told));
        const QString page = at.match(m_told).captured(1);
        QFile codeFile(dataPath(QStringLiteral("web-token")));
        QVERIFY(codeFile.open(QIODevice::ReadOnly));
        const QString code = QString::fromLatin1(codeFile.readAll()).trimmed();

        webDriver("POST", QStringLiteral("/session/%1/url").arg(m_session), {{QStringLiteral("url"), page}});
        QTRY_VERIFY_WITH_TIMEOUT(
            run(QStringLiteral("return !document.getElementById('login').hidden;")).toBool(), 20000);
        // Typed into the field and sent as a user does.
        const QString field = webDriver("POST", QStringLiteral("/session/%1/element").arg(m_session),
                                        {{QStringLiteral("using"), QStringLiteral("css selector")},
                                         {QStringLiteral("value"), QStringLiteral("#password")}})
                                  .toObject()
                                  .constBegin()
                                  .value()
                                  .toString();
        webDriver("POST", QStringLiteral("/session/%1/element/%2/value").arg(m_session, field),
                  {{QStringLiteral("text"), code + QStringLiteral("\uE007")}});
        QTRY_VERIFY_WITH_TIMEOUT(
            run(QStringLiteral("return !document.getElementById('work').hidden;")).toBool(), 20000);
        QCOMPARE(run(QStringLiteral("return document.querySelectorAll('.slot').length;")).toInt(), 8);
        QCOMPARE(text(QStringLiteral(".slot[data-number=\"1\"] .caption")), QStringLiteral("论坛一"));
        // A forum's title is shown as text, never taken for markup.
        QTRY_COMPARE_WITH_TIMEOUT(text(QStringLiteral(".slot[data-number=\"8\"] .title")),
                                  QStringLiteral("<b>论坛</b> & \"首页\""), 20000);
        QCOMPARE(run(QStringLiteral("return document.querySelectorAll('.slot b').length;")).toInt(), 0);
        QCOMPARE(text(QStringLiteral(".slot[data-number=\"8\"] .status")),
                 kelvora::statusText(kelvora::SlotStatus::Stopped));

        run(QStringLiteral("document.querySelector('.slot[data-number=\"8\"] .start').click();"));
        QTRY_COMPARE_WITH_TIMEOUT(text(QStringLiteral(".slot[data-number=\"8\"] .status")),
                                  kelvora::statusText(kelvora::SlotStatus::Running), 10000);
        // The countdown counts on by itself between polls, and starts again after each reload.
        QStringList countdowns;
        QTRY_VERIFY_WITH_TIMEOUT((countdowns << text(QStringLiteral(".slot[data-number=\"8\"] .countdown")),
                                  countdowns.removeDuplicates(), countdowns.size() >= 3),
                                 15000);
        QTRY_VERIFY_WITH_TIMEOUT(forum.pagesFor(QStringLiteral("m8")).size() >= 3, 20000);
        QVERIFY(text(QStringLiteral(".slot[data-number=\"8\"] .report"))
                    .startsWith(QStringLiteral("上次刷新：")));
        // The record, as the record window draws it.
        QTRY_VERIFY_WITH_TIMEOUT(
            run(QStringLiteral("return document.querySelectorAll('.recordSlot .strip').length;")).toInt() >=
                    3 ||
                !text(QStringLiteral("#recordSlots")).isEmpty(),
            20000);
        QVERIFY(text(QStringLiteral("#recordWhere")).contains(QStringLiteral("record.sqlite")));

        const QByteArray shot = QByteArray::fromBase64(
            webDriver("GET", QStringLiteral("/session/%1/screenshot").arg(m_session)).toString().toLatin1());
        QFile out(QStringLiteral(KELVORA_SCREENSHOT));
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(shot) == shot.size());

        m_program.terminate();
        QVERIFY(m_program.waitForFinished(30000));
        QCOMPARE(m_program.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestWebBrowser)
#include "tst_webbrowser.moc"
