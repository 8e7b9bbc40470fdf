#include "common/forumwindow.h"

#include <QDesktopServices>
#include <QSignalSpy>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <QWebEngineView>

using namespace kelvora;
using namespace Qt::StringLiterals;
using kelvora::test::ForumServer;

namespace {

// A forum page with an advertisement on it that wants everything a page can ask for. A click
// anywhere (the user's: a real gesture, which most of these need) asks for all of it at once and
// reports each answer to /answer; so does the page as it loads, for what needs no click.
const QByteArray GreedyPage = R"(<!DOCTYPE html><html><body style="margin:0">
<button id="prize" style="width:100%;height:150px">点击领取大奖</button>
<a href="/thread?in=newwindow" target="_blank" style="display:block;line-height:100px">新窗口打开</a>
<a id="program" href="kelvora-probe:start"></a><a id="download" href="/file.bin" download></a>
<iframe id="frame" style="display:none"></iframe>
<script>
function tell(what, result) { return fetch('/answer?' + what + '=' + result); }
function ask(what, promise) {
  return promise.then(function (value) { return tell(what, value === 'denied' || value === 'default' ? 'refused' : 'granted'); },
                      function () { return tell(what, 'refused'); });
}
tell('channel', typeof qt === 'undefined' ? 'none' : 'reached');
tell('popup', window.open('/thread?in=popup') ? 'opened' : 'none');
document.getElementById('prize').onclick = function () {
  var asked = [ask('notification', Notification.requestPermission()),
    ask('location', new Promise(function (yes, no) { navigator.geolocation.getCurrentPosition(yes, no); })),
    ask('camera', navigator.mediaDevices.getUserMedia({ audio: true, video: true })),
    ask('screen', navigator.mediaDevices.getDisplayMedia({ video: true })),
    ask('clipboard', navigator.clipboard.readText())];
  try { navigator.registerProtocolHandler('web+kelvora', location.origin + '/handler?to=%s'); } catch (e) {}
  document.getElementById('download').click();
  document.getElementById('program').click();
  Promise.allSettled(asked).then(function () {
    document.getElementById('frame').src = 'web+kelvora:probe';
    setTimeout(function () { tell('done', 'yes'); }, 500);
  });
};
</script></body></html>)";

// Counts what the desktop would be asked to open: a page that starts a program of the machine.
class DesktopOpener : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl &url) { opened << url; }
};

} // namespace

// What a forum page may reach of the machine and of the program: nothing it does not need.
class TestPageReach : public QObject
{
    Q_OBJECT

    test::ForumWindow m_window;
    DesktopOpener m_desktop;

    QString answer(const QString &what) const
    {
        for (const QString &found : m_window.forum().answers()) {
            if (found.startsWith(what + u'='))
                return found.section(u'=', 1);
        }
        return {};
    }
    void clickPage(QPoint at) const
    {
        QWidget *view = QWebEngineView::forPage(m_window.page(0))->focusProxy();
        QTest::mouseClick(view, Qt::LeftButton, {}, at);
    }

private slots:
    void initTestCase()
    {
        m_window.forum().setFile(QStringLiteral("/greedy"), "text/html; charset=utf-8", GreedyPage, true);
        m_window.forum().setFile(QStringLiteral("/file.bin"), "application/octet-stream",
                                 QByteArray(4096, 'x'));
        for (const QString &scheme : {QStringLiteral("kelvora-probe"), QStringLiteral("web+kelvora")})
            QDesktopServices::setUrlHandler(scheme, &m_desktop, "open");
        QVERIFY(m_window.open());
    }
    void cleanupTestCase()
    {
        for (const QString &scheme : {QStringLiteral("kelvora-probe"), QStringLiteral("web+kelvora")})
            QDesktopServices::unsetUrlHandler(scheme);
        m_window.close();
    }

    void aPageGetsNothingItAsksForEvenWithTheUsersClick()
    {
        QList<QWebEngineDownloadRequest::DownloadState> downloads;
        connect(m_window.page(0)->profile(), &QWebEngineProfile::downloadRequested, this,
                [&downloads](QWebEngineDownloadRequest *download) { downloads << download->state(); });

        QVERIFY(m_window.openAndWait(0, m_window.forum().url(QStringLiteral("/greedy"))));
        QTRY_VERIFY_WITH_TIMEOUT(!answer(QStringLiteral("popup")).isEmpty(), 10000);
        // None of the program reaches the page's world, and its scripts open no window unasked.
        QCOMPARE(answer(QStringLiteral("channel")), QStringLiteral("none"));
        QCOMPARE(answer(QStringLiteral("popup")), QStringLiteral("none"));

        clickPage(QPoint(100, 75));
        QVERIFY2(test::waitUntil([this] { return !answer(QStringLiteral("done")).isEmpty(); }, 20000),
                 qPrintable(u"questions left waiting; answered: "_s + m_window.forum().answers().join(u' ')));
        // Each question is answered, and no at once: nobody is left waiting for a dialog.
        for (const QString &what :
             {QStringLiteral("notification"), QStringLiteral("location"), QStringLiteral("camera"),
              QStringLiteral("screen"), QStringLiteral("clipboard")})
            QCOMPARE(answer(what), QStringLiteral("refused"));
        // The download went nowhere, no program of the desktop was started, and the page became
        // the handler of no kind of link.
        QTRY_COMPARE_WITH_TIMEOUT(downloads.size(), 1, 5000);
        QCOMPARE(downloads.first(), QWebEngineDownloadRequest::DownloadCancelled);
        QVERIFY2(m_desktop.opened.isEmpty(), qPrintable(m_desktop.opened.value(0).toString()));
        for (const ForumServer::Request &request : m_window.forum().requests()) {
            QVERIFY2(request.path != u"/handler", qPrintable(request.query));
            QVERIFY2(request.query != u"in=popup", "a window was opened without the user");
        }
    }

    void aLinkTheUserOpensInANewWindowOpensInTheSlot()
    {
        QVERIFY(m_window.openAndWait(0, m_window.forum().url(QStringLiteral("/greedy"))));
        clickPage(QPoint(100, 200));
        const QUrl thread = m_window.forum().url(QStringLiteral("/thread?in=newwindow"));
        QTRY_COMPARE_WITH_TIMEOUT(m_window.page(0)->url(), thread, 10000);
        // The page shows the address as soon as it is asked for; the forum's page comes after.
        QTRY_COMPARE_WITH_TIMEOUT(m_window.forum().pageRequests().last().query,
                                  QStringLiteral("in=newwindow"), 10000);
    }
};

KELVORA_GUI_TEST_MAIN(TestPageReach)
#include "tst_pagereach.moc"
