#include "core/address.h"
#include "core/pagedialog.h"
#include "core/pageload.h"

#include <QTest>

using namespace kelvora;
using Handling = DialogDecision::Handling;

// What becomes of what a page does: typed addresses, failed loads, dialogs.
class TestPage : public QObject
{
    Q_OBJECT

private slots:
    void addressesAreTakenAsABrowserWouldTakeThem_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QUrl>("loaded");
        QTest::newRow("bare host") << "www.baidu.com" << QUrl(QStringLiteral("http://www.baidu.com"));
        QTest::newRow("blanks around")
            << "  http://bbs.example.cn/  " << QUrl(QStringLiteral("http://bbs.example.cn/"));
        QTest::newRow("host and port")
            << "127.0.0.1:8080/a" << QUrl(QStringLiteral("http://127.0.0.1:8080/a"));
        QTest::newRow("scheme only") << "http://" << QUrl(QStringLiteral("about:blank"));
        QTest::newRow("empty") << "" << QUrl(QStringLiteral("about:blank"));
    }
    void addressesAreTakenAsABrowserWouldTakeThem()
    {
        QFETCH(QString, typed);
        QFETCH(QUrl, loaded);
        QCOMPARE(addressFromUserInput(typed), loaded);
    }

    void failuresAreToldInWords_data()
    {
        QTest::addColumn<int>("outcome");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("network");
        QTest::addColumn<QString>("reason");
        const auto http = int(PageLoad::Outcome::HttpError);
        const auto net = int(PageLoad::Outcome::NetworkError);
        const auto other = int(NetworkFailure::Other);
        QTest::newRow("503") << http << 503 << other << QStringLiteral("HTTP 503（服务暂时不可用）");
        QTest::newRow("unnamed status") << http << 418 << other << QStringLiteral("HTTP 418");
        QTest::newRow("reset") << net << -101 << int(NetworkFailure::ConnectionReset)
                               << QStringLiteral("连接被重置");
        QTest::newRow("no such host")
            << net << -105 << int(NetworkFailure::NameNotResolved) << QStringLiteral("无法解析网站的域名");
        QTest::newRow("empty answer")
            << net << -324 << int(NetworkFailure::EmptyResponse) << QStringLiteral("网站没有返回任何数据");
        QTest::newRow("certificate") << net << -202 << int(NetworkFailure::Certificate)
                                     << QStringLiteral("网站的安全证书有问题");
        QTest::newRow("unknown") << net << -999 << other << QStringLiteral("网络错误（-999）");
    }
    void failuresAreToldInWords()
    {
        QFETCH(int, outcome);
        QFETCH(int, code);
        QFETCH(int, network);
        QFETCH(QString, reason);
        QCOMPARE(failureReason({PageLoad::Outcome(outcome), code, NetworkFailure(network)}), reason);
    }

    void reportsSayWhenAndHow()
    {
        QCOMPARE(ReloadReport().text(), QStringLiteral("尚未刷新"));
        const QDateTime at(QDate(2026, 12, 7), QTime(13, 45, 2));
        QCOMPARE((ReloadReport{at, true, {}}).text(), QStringLiteral("上次刷新：2026-12-07 13:45:02 成功"));
        QCOMPARE((ReloadReport{at, false, QStringLiteral("连接被重置")}).text(),
                 QStringLiteral("上次刷新：2026-12-07 13:45:02 失败：连接被重置"));
    }

    void dialogsNobodySeesAreAnsweredAtOnce()
    {
        QCOMPARE(decideDialog(PageDialogKind::Alert, false, false),
                 (DialogDecision{Handling::AnswerAtOnce, true}));
        for (const PageDialogKind kind :
             {PageDialogKind::Confirm, PageDialogKind::Prompt, PageDialogKind::LeavePage})
            QCOMPARE(decideDialog(kind, false, false), (DialogDecision{Handling::AnswerAtOnce, false}));
    }

    void dialogsTheUserSeesAreShownOrAskedBriefly()
    {
        QCOMPARE(decideDialog(PageDialogKind::Alert, true, false),
                 (DialogDecision{Handling::ShowWithoutWaiting, true}));
        for (const PageDialogKind kind :
             {PageDialogKind::Confirm, PageDialogKind::Prompt, PageDialogKind::LeavePage})
            QCOMPARE(decideDialog(kind, true, false).handling, Handling::AskBriefly);
    }

    void aTimerReloadLeavesThePageWithoutAsking()
    {
        for (const bool seen : {false, true})
            QCOMPARE(decideDialog(PageDialogKind::LeavePage, seen, true),
                     (DialogDecision{Handling::AnswerAtOnce, true}));
    }

    void questionsEndBeforeTheNextReload()
    {
        QCOMPARE(askingTimeMs(std::numeric_limits<qint64>::max()), 10000);
        QCOMPARE(askingTimeMs(60'000), 10000);
        QCOMPARE(askingTimeMs(3000), 2750);
        QCOMPARE(askingTimeMs(250), 0);
        QCOMPARE(askingTimeMs(0), 0);
    }
};

QTEST_GUILESS_MAIN(TestPage)
#include "tst_page.moc"
