#include "common/forumwindow.h"
#include "core/engineswitches.h"

#include <QUrlQuery>
#include <QWebEnginePage>

using namespace kelvora;
using namespace Qt::StringLiterals;
using kelvora::test::ForumServer;

namespace {

// A page whose frame goes from one forum page to the next, as a slot's page is reloaded: each page
// leaves its document behind, with what its scripts made. The frame's pages are left in turn; the
// page watches, through references that keep nothing alive, how many of the documents left behind
// are still held, and reports that once most are gone or it has waited long enough.
const QByteArray FramesPage = R"(<!DOCTYPE html><html><body><iframe id="frame"></iframe><script>
var left = [], visits = 0, frame = document.getElementById('frame');
frame.onload = function () {
  left.push(new WeakRef(frame.contentDocument));
  if (++visits < 40)
    return frame.src = '/framed?visit=' + visits;
  var since = performance.now();
  (function look() {
    var held = left.filter(function (ref) { return ref.deref() !== undefined; }).length - 1;
    var waited = Math.round(performance.now() - since);
    if (held <= 20 || waited >= 15000)
      return fetch('/answer?held=' + held + '&waited=' + waited);
    setTimeout(look, 250);
  })();
};
frame.src = '/framed?visit=0';
</script></body></html>)";

// What a forum page's scripts leave: some objects of their own (about a megabyte) and nodes.
const QByteArray FramedPage = R"(<!DOCTYPE html><html><body><script>
var posts = [];
for (var i = 0; i < 4000; ++i)
  posts.push({ id: i, author: 'member' + i, text: 'reply number ' + i + ' '.repeat(200) });
for (var j = 0; j < 300; ++j)
  document.body.appendChild(document.createElement('div')).textContent = posts[j].author + posts[j].text;
</script></body></html>)";

} // namespace

// How this engine frees the documents that a reloaded page leaves behind, with the switches the
// program gives it (see engineCollector()): a Qt WebEngine release that changes its V8 shows here.
class TestEngineMemory : public QObject
{
    Q_OBJECT

    test::ForumWindow m_window;

private slots:
    void initTestCase()
    {
        m_window.forum().setFile(QStringLiteral("/frames"), "text/html; charset=utf-8", FramesPage, true);
        m_window.forum().setFile(QStringLiteral("/framed"), "text/html; charset=utf-8", FramedPage, true);
        QVERIFY(m_window.open());
    }
    void cleanupTestCase() { m_window.close(); }

    void theDocumentsAReloadedPageLeavesAreFreed()
    {
        qInfo("Qt WebEngine %s, switches: %s %s", qPrintable(webEngineVersion().toString()),
              qPrintable(engineSwitches(webEngineVersion()).join(u' ')),
              qgetenv("QTWEBENGINE_CHROMIUM_FLAGS").constData());
        // Nobody sees the page, as a slot kept online in the tray.
        m_window->hide();
        m_window.page(7)->load(m_window.forum().url(QStringLiteral("/frames")));
        QString report;
        QVERIFY(test::waitUntil(
            [&] {
                const QStringList answers = m_window.forum().answers();
                report = answers.isEmpty() ? QString() : answers.last();
                return !report.isEmpty();
            },
            60000));
        const QUrlQuery seen(report);
        const int held = seen.queryItemValue(QStringLiteral("held")).toInt();
        qInfo("of 39 documents left behind, %d still held after %s ms", held,
              qPrintable(seen.queryItemValue(QStringLiteral("waited"))));
        QVERIFY2(held <= 20, qPrintable(u"the engine kept the documents a reloaded page left: "_s + report));
    }
};

KELVORA_GUI_TEST_MAIN(TestEngineMemory)
#include "tst_enginememory.moc"
