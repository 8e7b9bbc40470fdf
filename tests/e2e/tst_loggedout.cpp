#include "common/forumwindow.h"
#include "mainwin/mainwindow.h"
#include "slots/slotpanel.h"

#include <QLabel>
#include <QWebEnginePage>

using namespace kelvora;
using kelvora::test::ForumServer;

// A member the forum logged out is told apart from one still logged in, on any forum's page shape,
// and a member who logs in again inside the slot is running again by itself.
class TestLoggedOut : public QObject
{
    Q_OBJECT

    static constexpr int TickMs = 1500;

    test::ForumWindow m_window;

    const ForumSlot &slot(int index) const { return m_window.slot(index); }
    QLabel *status(int index) const
    {
        return m_window.control<QLabel>(index, &SlotControlNames::statusLabel);
    }
    void start(int index, const QString &path, const QString &member)
    {
        QVERIFY(
            m_window.openAndWait(index, m_window.forum(7).url(path + QStringLiteral("?member=") + member)));
        m_window.type(index, &SlotControlNames::periodBox, QStringLiteral("1"));
        m_window.click(index, &SlotControlNames::startButton);
    }

private slots:
    void initTestCase()
    {
        test::SlotSetup setup;
        for (int i = 0; i < 4; ++i)
            setup.slotDescriptions[std::size_t(i)].tickIntervalMs = TickMs;
        QVERIFY(m_window.open(setup));
    }
    void cleanupTestCase() { m_window.close(); }

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
};

KELVORA_GUI_TEST_MAIN(TestLoggedOut)
#include "tst_loggedout.moc"
