#include "common/sessiontest.h"
#include "web/pagescripts.h"

#include <QSignalSpy>
#include <QWebEnginePage>
#include <QWebEngineScript>

#include <optional>

using namespace kelvora;

// The scripts the program runs in a forum's page, each on pages made to try it, in a page with no
// view: what they find, what they fill, and that the page's own world sees nothing of them.
class TestPageScripts : public QObject
{
    Q_OBJECT

    test::TemporaryProfiles m_profiles;
    std::unique_ptr<QWebEnginePage> m_page;
    const QUrl m_address{QStringLiteral("http://127.0.0.1:9/member.php")};

    bool show(const QString &body)
    {
        QSignalSpy loaded(m_page.get(), &QWebEnginePage::loadFinished);
        m_page->setHtml(QStringLiteral("<!doctype html><meta charset=utf-8><body>%1</body>").arg(body),
                        m_address);
        return loaded.wait(10000) && loaded.first().first().toBool();
    }
    QVariant run(const QString &script, quint32 world = QWebEngineScript::ApplicationWorld)
    {
        std::optional<QVariant> answer;
        m_page->runJavaScript(script, world, [&answer](const QVariant &value) { answer = value; });
        if (!test::waitUntil([&answer] { return answer.has_value(); }, 10000))
            qWarning("the page did not answer");
        return answer.value_or(QVariant());
    }
    PageLoad facts()
    {
        PageLoad load{PageLoad::Outcome::Succeeded, 0};
        pagescripts::addPageFacts(load, run(pagescripts::pageFacts()));
        return load;
    }
    // A login form whose sending the page itself takes over: it shows what it was sent in its title
    // and, with `refuse`, says so in the page as an ajax login does.
    static QString loginForm(const QString &action, const QString &extra = {}, bool refuse = false)
    {
        return QStringLiteral(R"(<form action="%1" method="post" onsubmit="event.preventDefault();
              document.title = this.username.value + '|' + this.password.value;%3">
              <input type="text" name="username"> <input type="password" name="password"> %2
              <button type="submit">登录</button></form>)")
            .arg(action, extra,
                 refuse
                     ? QStringLiteral(
                           " document.body.insertAdjacentText('beforeend', '登录失败，您还可以尝试 4 次');")
                     : QString());
    }

private slots:
    void init() { m_page = std::make_unique<QWebEnginePage>(m_profiles.get()->profile(0)); }
    void cleanup() { m_page.reset(); }

    void pageFactsTellALoginFromALogout_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<bool>("password");
        QTest::addColumn<bool>("logout");
        QTest::addColumn<bool>("refused");
        QTest::newRow("login form") << loginForm(QStringLiteral("/dologin")) << true << false << false;
        QTest::newRow("refused beside the form")
            << loginForm(QStringLiteral("/dologin")) + QStringLiteral("<p>登录失败，您还可以尝试 4 次</p>")
            << true << false << true;
        QTest::newRow("member page") << QStringLiteral("<a href='/logout.php'>退出</a> 欢迎 m1") << false
                                     << true << false;
        QTest::newRow("English button")
            << QStringLiteral("<button>Log out</button>") << false << true << false;
        QTest::newRow("hidden password field")
            << QStringLiteral("<div style='display:none'><input type=password></div><a href='#'>注销</a>")
            << false << true << false;
        QTest::newRow("refusal words with no form")
            << QStringLiteral("<p>密码错误</p>") << false << false << false;
    }
    void pageFactsTellALoginFromALogout()
    {
        QFETCH(QString, body);
        QFETCH(bool, password);
        QFETCH(bool, logout);
        QFETCH(bool, refused);
        QVERIFY(show(body));
        const PageLoad load = facts();
        QVERIFY(load.signs);
        QCOMPARE(load.signs->passwordField, password);
        QCOMPARE(load.signs->logoutLink, logout);
        QCOMPARE(load.loginRefused, refused);
    }

    void theLoginIsFilledOnlyIntoTheForumsOwnForm_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<int>("fill");
        QTest::addColumn<QString>("sent");
        const auto row = [](const char *name, const QString &body, LoginFill fill, const QString &sent = {}) {
            QTest::newRow(name) << body << int(fill) << sent;
        };
        row("the forum's form", loginForm(QStringLiteral("/dologin")), LoginFill::Submitted,
            QStringLiteral("m1|pw \"1\""));
        row("a form of another site", loginForm(QStringLiteral("http://127.0.0.9/steal")), LoginFill::NoForm);
        row("a second password field",
            loginForm(QStringLiteral("/dologin"), QStringLiteral("<input type=password name=again>")),
            LoginFill::NoForm);
        row("a picture code",
            loginForm(QStringLiteral("/dologin"), QStringLiteral("<input type=text name=seccodeverify>")),
            LoginFill::PersonNeeded);
        row("no name before the password",
            QStringLiteral(
                "<form action='/dologin'><input type=password name=password><button>go</button></form>"),
            LoginFill::NoForm);
        row("no form at all", QStringLiteral("<p>欢迎</p>"), LoginFill::NoForm);
    }
    void theLoginIsFilledOnlyIntoTheForumsOwnForm()
    {
        QFETCH(QString, body);
        QFETCH(int, fill);
        QFETCH(QString, sent);
        QVERIFY(show(body));
        QCOMPARE(int(pagescripts::loginFillOf(
                     run(pagescripts::loginFiller(QStringLiteral("m1"), QStringLiteral("pw \"1\""))))),
                 fill);
        if (!sent.isEmpty())
            QTRY_COMPARE(m_page->title(), sent);
        else
            QVERIFY(!m_page->title().contains(QStringLiteral("pw")));
        // What the filler keeps stays in the program's world.
        QCOMPARE(run(QStringLiteral("typeof window.kelvoraRefusals"), QWebEngineScript::MainWorld).toString(),
                 QStringLiteral("undefined"));
    }

    void aRefusalInThePageIsSeenOnlyOnceTheLoginWasSent_data()
    {
        QTest::addColumn<bool>("refuse");
        QTest::newRow("refused") << true;
        QTest::newRow("taken") << false;
    }
    void aRefusalInThePageIsSeenOnlyOnceTheLoginWasSent()
    {
        QFETCH(bool, refuse);
        // The page said "登录失败" once before the login was sent: that one is not this login's answer.
        QVERIFY(show(QStringLiteral("<p>登录失败</p>") + loginForm(QStringLiteral("/dologin"), {}, refuse)));
        QCOMPARE(pagescripts::loginFillOf(
                     run(pagescripts::loginFiller(QStringLiteral("m1"), QStringLiteral("x")))),
                 LoginFill::Submitted);
        QTRY_VERIFY(!m_page->title().isEmpty());
        QCOMPARE(run(pagescripts::refusedInPlace()).toBool(), refuse);
    }
};

KELVORA_SESSION_TEST_MAIN(TestPageScripts)
#include "tst_pagescripts.moc"
