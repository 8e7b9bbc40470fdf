#include "common/fakes.h"
#include "common/forumwindow.h"
#include "mainwin/mainwindow.h"
#include "views/slotpanel.h"
#include "web/webpage.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QWebEnginePage>
#include <QWebEngineView>

using namespace kelvora;
using kelvora::test::ForumServer;

namespace {
// Everything the program and the engine print while the test runs, to look for passwords in.
QStringList output;
QtMessageHandler passOn = nullptr;
void keepOutput(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    output << message;
    passOn(type, context, message);
}
} // namespace

// A member the forum logged out is told apart from one still logged in, on any forum's page shape,
// and a member who logs in again inside the slot is running again by itself. A slot given the
// member's account logs in again by itself, and says so when it cannot.
class TestLoggedOut : public QObject
{
    Q_OBJECT

    static constexpr int TickMs = 1500;

    test::ForumWindow m_window;
    test::FakeAccountStore m_accounts;
    const QStringList m_passwords{QStringLiteral("pw-5-secret"), QStringLiteral("pw-6-old"),
                                  QStringLiteral("pw-7-secret")};

    const ForumSlot &slot(int index) const { return m_window.slot(index); }
    QLabel *status(int index) const
    {
        return m_window.control<QLabel>(index, &SlotControlNames::statusLabel);
    }
    void start(int index, const QString &path, const QString &member, int host = 7)
    {
        QVERIFY(m_window.openAndWait(index,
                                     m_window.forum(host).url(path + QStringLiteral("?member=") + member)));
        startHere(index);
    }
    void startHere(int index)
    {
        m_window.type(index, &SlotControlNames::periodBox, QStringLiteral("1"));
        m_window.click(index, &SlotControlNames::startButton);
    }
    // The pages generated for `member` while logged in.
    static qsizetype loggedInPages(const ForumServer &forum, const QString &member)
    {
        const QList<ForumServer::Request> pages = forum.pagesFor(member);
        return std::count_if(pages.begin(), pages.end(),
                             [](const ForumServer::Request &r) { return r.loggedIn; });
    }
    static qsizetype attempts(const ForumServer &forum, const QString &member)
    {
        const QList<ForumServer::LoginAttempt> all = forum.loginAttempts();
        return std::count_if(all.begin(), all.end(),
                             [&](const ForumServer::LoginAttempt &a) { return a.member == member; });
    }

private slots:
    void initTestCase()
    {
        test::SlotSetup setup;
        for (SlotDescription &description : setup.slotDescriptions)
            description.tickIntervalMs = TickMs;
        setup.accounts = &m_accounts;
        passOn = qInstallMessageHandler(keepOutput);
        QVERIFY(m_window.open(setup));
    }
    void cleanupTestCase()
    {
        m_window.close();
        qInstallMessageHandler(passOn);
        for (const QString &password : m_passwords)
            QVERIFY2(!output.join(u'\n').contains(password), qPrintable(password));
    }

    void aLoggedOutMemberIsToldOnEveryShapeOfForum()
    {
        // Every page also has a search box and a hidden login dialog: neither is a login form.
        start(0, QStringLiteral("/header"), QStringLiteral("header"));
        start(1, QStringLiteral("/redirect"), QStringLiteral("redirect"));
        start(2, QStringLiteral("/message"), QStringLiteral("message"));
        start(3, QStringLiteral("/button"), QStringLiteral("button")); // its logout link is a button
        m_window->switchToSlot(5);
        QTRY_VERIFY_WITH_TIMEOUT(m_window.forum(7).pagesFor(QStringLiteral("button")).size() >= 3, 10000);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(slot(i).status(), SlotStatus::Running);

        for (const char *member : {"header", "redirect", "message"})
            m_window.forum(7).logOut(QLatin1String(member));
        for (int i = 0; i < 3; ++i) {
            QTRY_COMPARE_WITH_TIMEOUT(status(i)->text(), QStringLiteral("已掉线"), 4 * TickMs);
            QVERIFY(status(i)->toolTip().contains(QStringLiteral("页面出现了登录表单")));
        }
        QCOMPARE(slot(3).status(), SlotStatus::Running);
        // The reloads go on, and the redirected slot still keeps its own page, not the login page.
        const qsizetype pages = m_window.forum(7).pagesFor(QStringLiteral("header")).size();
        QTRY_VERIFY_WITH_TIMEOUT(m_window.forum(7).pagesFor(QStringLiteral("header")).size() > pages,
                                 3 * TickMs);
        QCOMPARE(slot(1).savedState()->address,
                 m_window.forum(7).url(QStringLiteral("/redirect?member=redirect")).toString());

        // Logged in again inside the slot, as its login form does: running again, by itself.
        m_window.page(0)->load(m_window.forum(7).url(QStringLiteral("/dologin?back=/header")));
        QTRY_COMPARE_WITH_TIMEOUT(status(0)->text(), QStringLiteral("运行中"), 4 * TickMs);
        QVERIFY(!status(0)->toolTip().contains(QStringLiteral("已掉线")));
        QCOMPARE(slot(1).status(), SlotStatus::LoggedOut);
    }

    // The user logs in in the slot, by hand, and is asked whether to remember it; remembered, the
    // member the forum logs out is back online within two periods with no one there, and the
    // forum credits the time before and after.
    void aLoginMadeInTheSlotIsOfferedAndThenMadeAgainByItself()
    {
        ForumServer &forum = m_window.forum(8);
        const QString member = QStringLiteral("m5");
        forum.setPassword(member, m_passwords[0]);
        forum.setCredit({1, 1000}); // a step of a second: the periods here are 1.5 s
        QVERIFY(m_window.openAndWait(4, forum.url(QStringLiteral("/loginpage"))));
        auto *view = m_window.control<QWebEngineView>(4, &SlotControlNames::browser);
        // Typed as a person types: into the field once it has the focus, the next field once it has it all.
        const auto typeInto = [&](const char *field, const QString &text) {
            const QString element =
                QStringLiteral("document.querySelector('#login [name=%1]')").arg(QLatin1String(field));
            m_window.evaluate(4, element + QStringLiteral(".focus()"));
            QTRY_VERIFY(
                m_window.evaluate(4, QStringLiteral("document.activeElement === %1").arg(element)).toBool());
            QTest::keyClicks(view->focusProxy(), text);
            QTRY_COMPARE(m_window.evaluate(4, element + QStringLiteral(".value")).toString(), text);
        };
        typeInto("username", member);
        typeInto("password", m_passwords[0]);
        QTest::keyClick(view->focusProxy(), Qt::Key_Return);

        auto *offer = m_window.control<QFrame>(4, &SlotControlNames::offerBar);
        QTRY_VERIFY_WITH_TIMEOUT(offer->isVisible(), 10000);
        QVERIFY(offer->findChild<QLabel *>()->text().contains(QStringLiteral("掉线后自动重新登录？")));
        const QList<QPushButton *> buttons = offer->findChildren<QPushButton *>();
        const auto remember =
            std::find_if(buttons.begin(), buttons.end(), [](QPushButton *b) { return b->text() == u"记住"; });
        QVERIFY(remember != buttons.end());
        (*remember)->click();
        QTRY_VERIFY(m_accounts.accounts.count(4) == 1);
        QCOMPARE(m_accounts.accounts[4],
                 (Account{member, m_passwords[0], forum.url(QStringLiteral("/loginpage"))}));
        QTRY_VERIFY(status(4)->toolTip().contains(QStringLiteral("掉线后自动重新登录（账号：m5）")));

        startHere(4);
        QTRY_VERIFY_WITH_TIMEOUT(loggedInPages(forum, member) >= 3, 6 * TickMs);
        QVERIFY(forum.creditedShare(member) > 0);
        QSignalSpy relogged(&slot(4), &ForumSlot::reloggedIn);
        // Watched as a signal: the login filled into the page that tells it can be over before a poll.
        QSignalSpy loggedOut(&slot(4), &ForumSlot::loggedOutChanged);
        forum.logOut(member);
        QTRY_VERIFY_WITH_TIMEOUT(!loggedOut.isEmpty(), 4 * TickMs);
        QCOMPARE(loggedOut.first().first().toBool(), true);
        const qsizetype pagesBefore = forum.pagesFor(member).size();
        // Back within two periods, by itself: one more login, the program's own.
        QTRY_COMPARE_WITH_TIMEOUT(relogged.size(), 1, 2 * TickMs + 10000);
        QCOMPARE(slot(4).status(), SlotStatus::Running);
        QVERIFY(!forum.isLoggedOut(member));
        QCOMPARE(attempts(forum, member), 2);
        QVERIFY(forum.loginAttempts().last().succeeded);
        QVERIFY(!status(4)->toolTip().contains(QStringLiteral("已掉线")));
        // Credited again: a step needs two logged-in pages more than a second apart, the login's own and a
        // reload.
        QTRY_VERIFY_WITH_TIMEOUT(forum.creditedShare(member, pagesBefore) > 0, 8 * TickMs);
        QCOMPARE(slot(4).savedState()->address, forum.url(QStringLiteral("/")).toString());
    }

    // A try the forum refuses, or that only a person can make, is told and not made again.
    void aLoginThatCannotPassIsToldAndNotTriedAgain_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("host");
        QTest::addColumn<bool>("pictureCode");
        QTest::addColumn<QString>("why");
        QTest::addColumn<int>("attemptsMade");
        QTest::newRow("changed password") << 5 << 9 << false << QStringLiteral("论坛说用户名或密码不对") << 1;
        QTest::newRow("picture code")
            << 6 << 10 << true << QStringLiteral("论坛要求输入验证码等须由本人完成的步骤") << 0;
    }
    void aLoginThatCannotPassIsToldAndNotTriedAgain()
    {
        QFETCH(int, index);
        QFETCH(int, host);
        QFETCH(bool, pictureCode);
        QFETCH(QString, why);
        QFETCH(int, attemptsMade);
        ForumServer &forum = m_window.forum(host);
        const QString member = QStringLiteral("m%1").arg(index + 1);
        const QString password = m_passwords[index - 4];
        forum.setPassword(member, pictureCode ? password : QStringLiteral("changed-since"));
        forum.setPictureCode(pictureCode);
        start(index, QStringLiteral("/thread"), member, host);
        m_window.runner(index).rememberAccount({member, password, forum.url(QStringLiteral("/loginpage"))});
        QTRY_VERIFY(slot(index).accountUser() == member);
        QTRY_VERIFY_WITH_TIMEOUT(loggedInPages(forum, member) >= 2, 5 * TickMs);

        QSignalSpy failed(&slot(index), &ForumSlot::reloginFailed);
        forum.logOut(member);
        QTRY_COMPARE_WITH_TIMEOUT(failed.size(), 1, 4 * TickMs + 10000);
        QVERIFY(failed.last().at(1).toBool()); // given up at once
        QCOMPARE(attempts(forum, member), attemptsMade);
        QCOMPARE(status(index)->text(), QStringLiteral("已掉线"));
        QVERIFY(status(index)->toolTip().contains(
            QStringLiteral("自动登录失败：%1，请在程序中重新登录").arg(why)));
        // The reloads go on; the login is not tried again.
        const qsizetype pages = forum.pagesFor(member).size();
        QTRY_VERIFY_WITH_TIMEOUT(forum.pagesFor(member).size() >= pages + 3, 5 * TickMs);
        QCOMPARE(attempts(forum, member), attemptsMade);
        QCOMPARE(failed.size(), 1);
        QCOMPARE(slot(index).savedState()->address,
                 forum.url(QStringLiteral("/thread?member=") + member).toString());
    }
};

KELVORA_GUI_TEST_MAIN(TestLoggedOut)
#include "tst_loggedout.moc"
