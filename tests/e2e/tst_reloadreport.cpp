#include "common/forumwindow.h"
#include "core/pageload.h"
#include "mainwin/mainwindow.h"
#include "widgets/words.h"

#include <QLabel>
#include <QPushButton>

#include <algorithm>

using namespace kelvora;
using kelvora::test::child;
using kelvora::test::ForumServer;

// A forum that fails is told apart from one that is fine, by the slot and by its switch button,
// and the reloads go on through the failure.
class TestReloadReport : public QObject
{
    Q_OBJECT

    test::ForumWindow m_window;

    QString statusTip() const
    {
        return m_window.control<QLabel>(0, &SlotControlNames::statusLabel)->toolTip();
    }
    QString switchTip() const
    {
        return child<QPushButton>(m_window.window(), slotTable()[0].names.switchButton)->toolTip();
    }
    bool reportSays(const QString &words) const
    {
        return statusTip().contains(words) && switchTip().contains(words);
    }

private slots:
    void initTestCase()
    {
        test::SlotSetup setup;
        setup.slotDescriptions[0].tickIntervalMs = 200;
        setup.slotDescriptions[1].tickIntervalMs = 400;
        QVERIFY(m_window.open(setup));
    }
    void cleanupTestCase() { m_window.close(); }

    void theLastReloadIsToldThroughOutagesAndBack()
    {
        m_window.type(0, &SlotControlNames::addressBox,
                      m_window.forum().url(QStringLiteral("/forum")).toString());
        m_window.click(0, &SlotControlNames::openButton);
        m_window.click(0, &SlotControlNames::startButton);
        QTRY_VERIFY2(reportSays(QStringLiteral(" 成功")), qPrintable(statusTip()));
        QVERIFY(statusTip().startsWith(QStringLiteral("上次刷新：")));
        QVERIFY(switchTip().startsWith(QStringLiteral("论坛一\n上次刷新：")));

        m_window.forum().setOutage(ForumServer::Outage::ServiceUnavailable);
        QTRY_VERIFY2(reportSays(QStringLiteral("失败：HTTP 503（服务暂时不可用）")), qPrintable(statusTip()));

        m_window.forum().setOutage(ForumServer::Outage::ConnectionReset);
        QTRY_VERIFY2(reportSays(QStringLiteral("失败：")) && !reportSays(QStringLiteral("HTTP 503")),
                     qPrintable(statusTip()));

        m_window.forum().setOutage(ForumServer::Outage::NoAnswer);
        const auto unanswered = [this] {
            const QList<ForumServer::Request> requests = m_window.forum().requests();
            return std::count_if(requests.cbegin(), requests.cend(),
                                 [](const ForumServer::Request &r) { return r.status == 0; });
        };
        // The engine commits no history entry without an answer (engine::AnswerWatch): no answer,
        // not "unfinished".
        QTRY_VERIFY2(reportSays(reloadResultText({ReloadOutcome::NoAnswer})), qPrintable(statusTip()));
        // The reloads go on all the same, each one reaching the silent forum.
        QTRY_VERIFY(unanswered() > 1);

        m_window.forum().setOutage(ForumServer::Outage::None);
        QTRY_VERIFY2(reportSays(QStringLiteral(" 成功")), qPrintable(statusTip()));
        QCOMPARE(m_window.control<QLabel>(0, &SlotControlNames::statusLabel)->text(),
                 QStringLiteral("运行中"));
    }

    // A page the forum answered that never finishes (an image that never comes) is told apart
    // from a forum that never answers: the engine commits the page's history entry when the answer
    // arrives (engine::AnswerWatch). Were a Qt release to commit it later, this would say "no answer".
    void aPageThatNeverFinishesIsNoSilentForum()
    {
        m_window.forum().setFile(QStringLiteral("/stalled"), "text/html",
                                 "<html><body><img src=\"/hang.png\"></body></html>", true);
        m_window.forum().setHanging(QStringLiteral("/hang.png"));
        m_window.openAndStart(1, m_window.forum().url(QStringLiteral("/stalled")), QStringLiteral("1"));
        const ForumSlot &slot = m_window.slot(1);
        QTRY_VERIFY(slot.lastReload().at.isValid());
        for (int reloads = 0; reloads < 3; ++reloads) {
            const QDateTime before = slot.lastReload().at;
            QCOMPARE(slot.lastReload().result.outcome, ReloadOutcome::Unfinished);
            QTRY_VERIFY(slot.lastReload().at != before);
        }
        m_window.click(1, &SlotControlNames::stopButton);
    }
};

KELVORA_GUI_TEST_MAIN(TestReloadReport)
#include "tst_reloadreport.moc"
