#include "common/forumwindow.h"
#include "mainwin/mainwindow.h"
#include "views/slotpanel.h"

#include <QLabel>
#include <QWebEngineView>

using namespace kelvora;
using kelvora::test::ForumServer;

// Pages that open dialogs, as forums do, never stop a slot: neither their own nor any other.
class TestPageDialogs : public QObject
{
    Q_OBJECT

    test::ForumWindow m_window;
    std::unique_ptr<test::MessageRecorder> m_box;

    static bool reloaded(const ForumServer &server, qsizetype times)
    {
        return server.pageRequests().size() >= times + 1;
    }
    // Slot 1 on the plain forum, slot 8 on `path` of the other; `shown` is the slot left on screen.
    void keepBothOnline(const QString &path, int shown)
    {
        m_window.openAndStart(0, m_window.forum().url(QStringLiteral("/plain")), QStringLiteral("2"));
        m_window.openAndStart(7, m_window.forum(3).url(path), QStringLiteral("1"));
        m_window->switchToSlot(shown);
    }

private slots:
    void initTestCase() {}
    void init()
    {
        m_box = std::make_unique<test::MessageRecorder>();
        test::SlotSetup setup;
        // Slot 1's minutes become 250 ms; slot 8 keeps its real second.
        setup.slotDescriptions[0].tickIntervalMs = 250;
        QVERIFY(m_window.open(setup));
        m_window.forum().clear();
        m_window.forum(3).clear();
    }
    void cleanup()
    {
        m_window.close();
        m_box.reset();
    }

    void anAlertNobodySeesIsAnsweredAndEverySlotGoesOn()
    {
        keepBothOnline(QStringLiteral("/alert"), 0);
        QTRY_VERIFY_WITH_TIMEOUT(reloaded(m_window.forum(3), 4) && reloaded(m_window.forum(), 8), 15000);
        QVERIFY(m_box->messages.isEmpty());
        const ForumSlot &alerting = m_window.slot(7);
        QVERIFY(alerting.report().answeredDialogs >= 4);
        QVERIFY(m_window.control<QLabel>(7, &SlotControlNames::statusLabel)
                    ->toolTip()
                    .contains(QStringLiteral("已自动应答网页对话框")));
    }

    void anAlertInTheShownSlotIsShownWithoutStoppingAnything()
    {
        keepBothOnline(QStringLiteral("/alert"), 7);
        QTRY_VERIFY_WITH_TIMEOUT(reloaded(m_window.forum(3), 3) && reloaded(m_window.forum(), 6), 15000);
        QVERIFY(m_box->messages.size() >= 3);
        const MessageBox::Message &shown = m_box->messages.first();
        QCOMPARE(shown.title, QStringLiteral("论坛八：网页消息"));
        QCOMPARE(shown.text, QStringLiteral("论坛公告：欢迎回来"));
        QCOMPARE(shown.icon, QMessageBox::Information);
        QCOMPARE(m_window.slot(7).report().answeredDialogs, 0);
    }

    void questionsAreAnsweredCancelUnseenAndAskedBrieflyWhenSeen()
    {
        // Unseen: the page hears "cancel", and nobody is asked.
        keepBothOnline(QStringLiteral("/confirm"), 0);
        QTRY_VERIFY_WITH_TIMEOUT(m_window.forum(3).answers().size() >= 2, 10000);
        QCOMPARE(m_window.forum(3).answers().first(), QStringLiteral("confirm=false"));
        QVERIFY(m_box->messages.isEmpty());

        // Seen: the user is asked, for less time than is left until the next reload of any slot:
        // slot 1's, due within half a second at most.
        m_window->switchToSlot(7);
        m_window.forum(3).clear();
        QTRY_VERIFY_WITH_TIMEOUT(!m_box->messages.isEmpty(), 10000);
        for (const MessageBox::Message &asked : std::as_const(m_box->messages)) {
            QCOMPARE(asked.text, QStringLiteral("确定要签到吗？"));
            QVERIFY(asked.answerWithinMs > 0 && asked.answerWithinMs <= 250);
        }
        // With slot 1 stopped, slot 8's own reload a few seconds off bounds the question.
        m_window.click(0, &SlotControlNames::stopButton);
        m_window.type(7, &SlotControlNames::periodBox, QStringLiteral("3"));
        m_box->messages.clear();
        m_window.forum(3).clear();
        QTRY_VERIFY_WITH_TIMEOUT(!m_box->messages.isEmpty() && !m_window.forum(3).answers().isEmpty(), 10000);
        QCOMPARE(m_window.forum(3).answers().first(), QStringLiteral("confirm=true"));
        // Longer than slot 1's ticks, within slot 8's own period.
        QVERIFY(m_box->messages.first().answerWithinMs > 250 &&
                m_box->messages.first().answerWithinMs <= 3000);
    }

    void aPromptNobodySeesGetsNoAnswer()
    {
        keepBothOnline(QStringLiteral("/prompt"), 0);
        // The last test's page may still answer once while it is being left: count prompts only.
        const auto prompts = [this] {
            QStringList found = m_window.forum(3).answers();
            found.removeIf([](const QString &answer) { return !answer.startsWith(u"prompt="); });
            return found;
        };
        QTRY_VERIFY_WITH_TIMEOUT(!prompts().isEmpty(), 10000);
        QCOMPARE(prompts().first(), QStringLiteral("prompt=null"));
    }

    // A real click on the page, repeated until the page has seen one: input that arrives before the
    // page's first frame is on screen is dropped, and on a busy machine that frame can be late.
    bool clickPage(QWebEngineView *browser)
    {
        return test::waitUntil(
            [&] {
                QTest::mouseClick(browser->focusProxy(), Qt::LeftButton, {}, QPoint(40, 80));
                return test::waitUntil(
                    [&] { return m_window.forum().answers().contains(QStringLiteral("clicked")); }, 300);
            },
            10000);
    }

    // The engine's question is told from a page's own confirm() by its text alone
    // (engine::isLeavePageQuestion): were Qt to word it otherwise, the timer reload would ask here.
    void aTimerReloadLeavesAPageThatAsksBeforeItIsLeft()
    {
        auto *browser = m_window.control<QWebEngineView>(0, &SlotControlNames::browser);
        m_window.openAndStart(0, m_window.forum().url(QStringLiteral("/leave")), QStringLiteral("2"));
        QTRY_VERIFY(reloaded(m_window.forum(), 0) && !browser->page()->isLoading());
        // The page asks before it is left only once the user has done something on it.
        QVERIFY(clickPage(browser));
        QTRY_VERIFY_WITH_TIMEOUT(reloaded(m_window.forum(), 4), 10000);
        QVERIFY2(m_box->messages.isEmpty(), qPrintable(m_box->messages.value(0).text));

        // Pressed by the user, the refresh button lets the page ask; "cancel" keeps it.
        m_window.click(0, &SlotControlNames::stopButton);
        QTRY_VERIFY(!browser->page()->isLoading());
        m_box->answer = QMessageBox::Cancel;
        m_window.forum().clear();
        QVERIFY(clickPage(browser));
        m_window.click(0, &SlotControlNames::refreshButton);
        QTRY_COMPARE(m_box->messages.size(), 1);
        QCOMPARE(m_box->messages.first().icon, QMessageBox::Question);
        QCOMPARE(m_window.forum().pageRequests().size(), 0);
    }

    // Nobody answers a forum's wish for notifications or the machine's place: refused at once,
    // not left waiting, and the page is told so. The second ask gets the same answer.
    void permissionRequestsAreRefusedAtOnce()
    {
        m_window.forum().setFile(QStringLiteral("/ask"), "text/html", R"(<html><body><script>
            window.asked = {};
            function ask(round) {
              Notification.requestPermission().then(r => asked['notifications' + round] = r);
              navigator.geolocation.getCurrentPosition(() => asked['location' + round] = 'granted',
                                                       e => asked['location' + round] = 'refused ' + e.code);
            }
            ask(1);
            setTimeout(() => ask(2), 200);
            </script></body></html>)",
                                 true);
        QVERIFY(m_window.openAndWait(0, m_window.forum().url(QStringLiteral("/ask"))));
        const QString answers = QStringLiteral("JSON.stringify(window.asked)");
        QVERIFY(
            test::waitUntil([&] { return m_window.evaluate(0, answers).toString().count(u':') == 4; }, 5000));
        QCOMPARE(m_window.evaluate(0, answers).toString(),
                 QStringLiteral(R"({"notifications1":"denied","location1":"refused 1",)"
                                R"("notifications2":"denied","location2":"refused 1"})"));
        QVERIFY(m_box->messages.isEmpty());
    }
};

KELVORA_GUI_TEST_MAIN(TestPageDialogs)
#include "tst_pagedialogs.moc"
