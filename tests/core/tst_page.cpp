#include "core/address.h"
#include "core/pagedialog.h"
#include "core/pageload.h"

#include <QTest>

using namespace kelvora;
using Handling = DialogDecision::Handling;
Q_DECLARE_METATYPE(kelvora::PageLoad)

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

    // The engine's numbers, as Chromium names them, and what a finished load says of its reload.
    void loadsBecomeReloadOutcomes_data()
    {
        QTest::addColumn<PageLoad>("load");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<int>("network");
        const auto net = PageLoad::Outcome::NetworkError;
        const auto none = int(NetworkFailure::Other);
        QTest::newRow("answered") << PageLoad{} << int(ReloadOutcome::Answered) << none;
        QTest::newRow("503") << PageLoad{PageLoad::Outcome::HttpError, 503} << int(ReloadOutcome::HttpError)
                             << none;
        QTest::newRow("from the cache")
            << PageLoad{.fromCache = true} << int(ReloadOutcome::FromCache) << none;
        QTest::newRow("no web page") << PageLoad{.webPage = false} << int(ReloadOutcome::NotForumPage)
                                     << none;
        QTest::newRow("given up") << PageLoad{PageLoad::Outcome::Stopped} << int(ReloadOutcome::Interrupted)
                                  << none;
        QTest::newRow("TIMED_OUT") << PageLoad{net, -7} << int(ReloadOutcome::NetworkError)
                                   << int(NetworkFailure::TimedOut);
        QTest::newRow("CONNECTION_RESET") << PageLoad{net, -101} << int(ReloadOutcome::NetworkError)
                                          << int(NetworkFailure::ConnectionReset);
        QTest::newRow("NAME_RESOLUTION_FAILED") << PageLoad{net, -137} << int(ReloadOutcome::NetworkError)
                                                << int(NetworkFailure::NameNotResolved);
        QTest::newRow("a certificate error")
            << PageLoad{net, -202} << int(ReloadOutcome::NetworkError) << int(NetworkFailure::Certificate);
        QTest::newRow("EMPTY_RESPONSE")
            << PageLoad{net, -324} << int(ReloadOutcome::NetworkError) << int(NetworkFailure::EmptyResponse);
        QTest::newRow("unnamed") << PageLoad{net, -999} << int(ReloadOutcome::NetworkError) << none;
    }
    void loadsBecomeReloadOutcomes()
    {
        QFETCH(PageLoad, load);
        QFETCH(int, outcome);
        QFETCH(int, network);
        const ReloadResult result = reloadResultOf(load);
        QCOMPARE(int(result.outcome), outcome);
        QCOMPARE(result.code, load.code);
        QCOMPARE(int(networkFailureOf(result.code)), network);
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
