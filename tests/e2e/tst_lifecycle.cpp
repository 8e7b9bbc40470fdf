#include "common/forumwindow.h"
#include "mainwin/mainwindow.h"
#include "views/slotpanel.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineView>

using namespace kelvora;
using kelvora::test::ForumServer;

// Pages nobody sees sleep between reloads, and nothing of what the slot or the user did is lost.
class TestLifecycle : public QObject
{
    Q_OBJECT

    // Three seconds between reloads: longer than the settling a page gets before it sleeps.
    static constexpr int TickMs = 1500;

    test::ForumWindow m_window;

    QWebEngineView *browser(int index) const
    {
        return m_window.control<QWebEngineView>(index, &SlotControlNames::browser);
    }
    QWebEnginePage::LifecycleState state(int index) const { return m_window.page(index)->lifecycleState(); }
    QVariant evaluate(int index, const QString &script) { return m_window.evaluate(index, script); }

private slots:
    void initTestCase()
    {
        m_window.forum().setPage(QStringLiteral("/a"), QStringLiteral("甲"));
        m_window.forum().setPage(QStringLiteral("/b"), QStringLiteral("乙"));
        test::SlotSetup setup;
        setup.slotDescriptions[0].tickIntervalMs = TickMs;
        QVERIFY(m_window.open(setup));
    }
    void cleanupTestCase() { m_window.close(); }

    void aSleepingSlotStillReloadsOncePerPeriodWithItsLogin()
    {
        QVERIFY(m_window.openAndWait(0, m_window.forum().url(QStringLiteral("/a"))));
        QVERIFY(m_window.openAndWait(0, m_window.forum().url(QStringLiteral("/b"))));
        // The start page may have an entry of its own before them (it has on Qt 6.8 and later).
        const int entries = browser(0)->history()->count();
        QVERIFY(entries >= 2);
        m_window.openAndStart(0, m_window.forum().url(QStringLiteral("/b")), QStringLiteral("2"));
        const QString login = m_window.forum().pageRequests().first().issuedCookie;
        QVERIFY(!login.isEmpty());

        // Slot 2 shown: slot 1's page, loaded, settles and sleeps, and what it held is given back.
        QSignalSpy released(test::child<QTimer>(&m_window.session(), QStringLiteral("memoryRelease")),
                            &QTimer::timeout);
        m_window->switchToSlot(1);
        QTRY_COMPARE_WITH_TIMEOUT(state(0), QWebEnginePage::LifecycleState::Discarded, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!released.isEmpty(), 10000);
        m_window.forum().clear();
        QTRY_VERIFY_WITH_TIMEOUT(m_window.forum().pageRequests().size() >= 3, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(state(0), QWebEnginePage::LifecycleState::Discarded, 10000);
        const QList<ForumServer::Request> requests = m_window.forum().pageRequests();
        for (qsizetype i = 0; i < requests.size(); ++i) {
            QCOMPARE(requests[i].path, QStringLiteral("/b"));
            QCOMPARE(requests[i].cookie, login);
            // One request per reload: never a second one right behind the first.
            if (i > 0)
                QVERIFY(requests[i].elapsedMs - requests[i - 1].elapsedMs > 100);
        }

        // A new window over the sleeping page, as after the window has gone and come back: shown
        // again it wakes at once, and its history is all there: the two pages, no entry more for
        // each reload.
        m_window.closeWindow();
        QVERIFY(m_window.openWindow());
        m_window->switchToSlot(0);
        QTRY_COMPARE(state(0), QWebEnginePage::LifecycleState::Active);
        QCOMPARE(browser(0)->history()->count(), entries);
        QCOMPARE(browser(0)->history()->itemAt(entries - 2).url(),
                 m_window.forum().url(QStringLiteral("/a")));
        m_window.click(0, &SlotControlNames::stopButton);
        QTest::mouseClick(test::child<QPushButton>(m_window.window(), QStringLiteral("Command13")),
                          Qt::LeftButton);
        QTRY_COMPARE(browser(0)->title(), QStringLiteral("甲"));
        QTest::mouseClick(test::child<QPushButton>(m_window.window(), QStringLiteral("Command14")),
                          Qt::LeftButton);
        QTRY_COMPARE(browser(0)->title(), QStringLiteral("乙"));

        // And the woken page is drawn on screen, not left blank. The title can come from the
        // history entry before its document is there, so the colour is put on each try.
        const auto centre = [this] {
            evaluate(0, QStringLiteral("document.documentElement && "
                                       "(document.documentElement.style.background = 'rgb(200, 30, 40)')"));
            const QImage shot = browser(0)->grab().toImage();
            return shot.pixelColor(shot.rect().center());
        };
        QTRY_COMPARE(centre(), QColor(200, 30, 40));
    }

    void aStoppedHiddenPageKeepsWhatWasTyped()
    {
        QVERIFY(m_window.openAndWait(2, m_window.forum().url(QStringLiteral("/post"))));
        evaluate(2, QStringLiteral("document.getElementById('post').value = '未发的帖子'"));

        // Slot 1 runs again, hidden too: once its page has gone to sleep, slot 3's had every chance to.
        m_window->switchToSlot(0);
        m_window.click(0, &SlotControlNames::startButton);
        m_window->switchToSlot(3);
        QTRY_COMPARE_WITH_TIMEOUT(state(0), QWebEnginePage::LifecycleState::Discarded, 15000);
        QCOMPARE(state(2), QWebEnginePage::LifecycleState::Active);
        m_window->switchToSlot(2);
        QCOMPARE(evaluate(2, QStringLiteral("document.getElementById('post').value")).toString(),
                 QStringLiteral("未发的帖子"));
    }
};

KELVORA_GUI_TEST_MAIN(TestLifecycle)
#include "tst_lifecycle.moc"
