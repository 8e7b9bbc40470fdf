#include "words/words.h"

#include <QTest>

using namespace kelvora;

Q_DECLARE_METATYPE(kelvora::ReloadResult)
Q_DECLARE_METATYPE(kelvora::SlotReport)

// What the user reads for the program's values: every outcome and every report has its words.
class TestWords : public QObject
{
    Q_OBJECT

    const QDateTime m_at{QDate(2026, 12, 7), QTime(13, 45, 2)};

private slots:
    void everyFailureIsToldInWords_data()
    {
        QTest::addColumn<ReloadResult>("result");
        QTest::addColumn<QString>("words");
        QTest::newRow("503") << ReloadResult{ReloadOutcome::HttpError, 503} << "HTTP 503（服务暂时不可用）";
        QTest::newRow("unnamed status") << ReloadResult{ReloadOutcome::HttpError, 418} << "HTTP 418";
        QTest::newRow("reset") << ReloadResult{ReloadOutcome::NetworkError, -101} << "连接被重置";
        QTest::newRow("certificate") << ReloadResult{ReloadOutcome::NetworkError, -202}
                                     << "网站的安全证书有问题";
        QTest::newRow("unknown number")
            << ReloadResult{ReloadOutcome::NetworkError, -999} << "网络错误（-999）";
        QTest::newRow("no answer in a minute")
            << ReloadResult{ReloadOutcome::NoAnswer, 60} << "网站 60 秒内没有响应";
        QTest::newRow("unfinished in a minute")
            << ReloadResult{ReloadOutcome::Unfinished, 60} << "论坛已响应，但网页 60 秒内没有加载完";
        // A record from a later program may hold an outcome this one has no words for.
        QTest::newRow("from a later program") << ReloadResult{ReloadOutcome(99)} << "未知结果（99）";
    }
    void everyFailureIsToldInWords()
    {
        QFETCH(ReloadResult, result);
        QFETCH(QString, words);
        QCOMPARE(reloadResultText(result), words);
        QCOMPARE(recordFailureText({result, {}}), words);
        QCOMPARE(lastReloadText({m_at, result}),
                 QStringLiteral("上次刷新：2026-12-07 13:45:02 失败：") + words);
    }

    void reportsSayWhatHappened_data()
    {
        QTest::addColumn<SlotReport>("report");
        QTest::addColumn<QString>("text");
        const ReloadReport answered{m_at, {}};
        const auto report = [](auto change) {
            SlotReport r;
            change(r);
            return r;
        };
        QTest::newRow("never reloaded") << SlotReport{} << "尚未刷新";
        QTest::newRow("answered") << report([&](SlotReport &r) { r.lastReload = answered; })
                                  << "上次刷新：2026-12-07 13:45:02 成功";
        QTest::newRow("logged out") << report([&](SlotReport &r) {
            r.lastReload = answered;
            r.running = r.loggedOut = true;
            r.loggedOutSince = m_at.addSecs(60);
            r.loggedOutReason = LoginWatch::Reason::LoginForm;
        }) << "上次刷新：2026-12-07 13:45:02 成功\n已掉线（2026-12-07 13:46:02 起）：页面出现了登录表单";
        QTest::newRow("logout link gone") << report([&](SlotReport &r) {
            r.running = r.loggedOut = true;
            r.loggedOutSince = m_at;
            r.loggedOutReason = LoginWatch::Reason::LogoutLinkGone;
        }) << "尚未刷新\n已掉线（2026-12-07 13:45:02 起）：页面上的退出链接不见了";
        QTest::newRow("started logged out")
            << report([](SlotReport &r) { r.running = r.startedLoggedOut = true; })
            << "尚未刷新\n这个页面显示尚未登录：这次挂机不检查是否掉线。请登录论坛后重新开始。";
        QTest::newRow("kept for input, running")
            << report([](SlotReport &r) { r.running = r.keptForInput = true; })
            << "尚未刷新\n屏幕上的网页有尚未发送的输入，为保留它，刷新在后台进行";
        QTest::newRow("slow forum") << report([](SlotReport &r) {
            r.running = true;
            r.slowPageMs = 3400;
        }) << "尚未刷新\n网站比刷新周期慢：约 3 秒一页";
        QTest::newRow("kept for input, stopped")
            << report([](SlotReport &r) { r.keptForInput = true; }) << "尚未刷新";
        QTest::newRow("dialogs") << report([](SlotReport &r) { r.answeredDialogs = 2; })
                                 << "尚未刷新\n已自动应答网页对话框 2 次";
    }
    void reportsSayWhatHappened()
    {
        QFETCH(SlotReport, report);
        QFETCH(QString, text);
        QCOMPARE(slotReportText(report), text);
    }

    void recordsOfEitherLayoutSayWhy()
    {
        QCOMPARE(recordFailureText({std::nullopt, QStringLiteral("连接被重置")}),
                 QStringLiteral("连接被重置"));
        QCOMPARE(recordFailureText({}), QString());
    }

    void statesAndStatusesHaveNames()
    {
        QCOMPARE(statusText(SlotStatus::Running), QStringLiteral("运行中"));
        QCOMPARE(statusText(SlotStatus::LoggedOut), QStringLiteral("已掉线"));
        QCOMPARE(statusText(SlotStatus::Stopped), QStringLiteral("已停止"));
        for (const StateProblem problem :
             {StateProblem::Empty, StateProblem::Unreadable, StateProblem::Newer, StateProblem::Damaged})
            QVERIFY(!stateProblemText({{}, problem, StateDamage::NotJson, QStringLiteral("x")}).isEmpty());
        for (const StateProblem problem : {StateProblem::None, StateProblem::Missing})
            QVERIFY(stateProblemText({{}, problem, StateDamage::None, {}}).isEmpty());
    }

    void countdownRoundsUpToTheSecond()
    {
        QCOMPARE(nextReloadText(400), QStringLiteral("下次刷新：1 秒后"));
        QCOMPARE(nextReloadText(59001), QStringLiteral("下次刷新：1 分 00 秒后"));
    }
};

QTEST_GUILESS_MAIN(TestWords)
#include "tst_words.moc"
