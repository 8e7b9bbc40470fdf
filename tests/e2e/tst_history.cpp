#include "common/forumwindow.h"
#include "mainwin/mainwindow.h"

#include <QComboBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QWebEngineView>

using namespace kelvora;
using kelvora::test::child;
using kelvora::test::ForumServer;

class TestHistory : public QObject
{
    Q_OBJECT

    test::ForumWindow m_window;
    test::MessageRecorder m_box;

    QWebEngineView *browser(const SlotDescription &d) const
    {
        return child<QWebEngineView>(m_window.window(), d.names.browser);
    }
    void click(const QString &name)
    {
        QTest::mouseClick(child<QPushButton>(m_window.window(), name), Qt::LeftButton);
    }
    void open(const SlotDescription &d, const QString &path)
    {
        child<QComboBox>(m_window.window(), d.names.addressBox)
            ->setEditText(m_window.forum(1).url(path).toString());
        click(d.names.openButton);
        QTRY_COMPARE(browser(d)->url().path(), path);
        QTRY_VERIFY(!browser(d)->title().startsWith(m_window.forum(1).url().host()));
    }

private slots:
    void initTestCase()
    {
        m_window.forum(1).setPage(QStringLiteral("/a"), QStringLiteral("甲"));
        m_window.forum(1).setPage(QStringLiteral("/b"), QStringLiteral("乙"));
        QVERIFY(m_window.open());
    }
    void cleanupTestCase() { m_window.close(); }

    void withoutHistoryTheButtonsDoNothing()
    {
        const SlotDescription &one = slotTable()[0];
        QTRY_COMPARE(browser(one)->url(), QUrl(QStringLiteral("about:blank")));
        QTRY_VERIFY(!browser(one)->page()->isLoading());
        QSignalSpy loads(browser(one), &QWebEngineView::loadStarted);
        click(QStringLiteral("Command13"));
        click(QStringLiteral("Command14"));
        // With nowhere to go, no step is even asked of the engine.
        QVERIFY(!browser(one)->page()->isLoading());
        QCOMPARE(loads.count(), 0);
        QCOMPARE(browser(one)->url(), QUrl(QStringLiteral("about:blank")));
        QVERIFY(!browser(one)->isVisible());
        QVERIFY(m_box.messages.isEmpty());
    }

    void onlyTheShownSlotSteps()
    {
        const SlotDescription &one = slotTable()[0];
        const SlotDescription &four = slotTable()[3];
        open(one, QStringLiteral("/a"));
        click(four.names.switchButton);
        open(four, QStringLiteral("/a"));
        open(four, QStringLiteral("/b"));

        click(QStringLiteral("Command13"));
        QTRY_COMPARE(browser(four)->url().path(), QStringLiteral("/a"));
        QTRY_COMPARE(browser(four)->title(), QStringLiteral("甲"));
        click(QStringLiteral("Command14"));
        QTRY_COMPARE(browser(four)->url().path(), QStringLiteral("/b"));
        // Forward again: nowhere to go, nothing happens.
        QTRY_VERIFY(!browser(four)->page()->isLoading());
        QSignalSpy loads(browser(four), &QWebEngineView::loadStarted);
        click(QStringLiteral("Command14"));
        QVERIFY(!browser(four)->page()->isLoading());
        QCOMPARE(loads.count(), 0);
        QCOMPARE(browser(four)->url().path(), QStringLiteral("/b"));
        QCOMPARE(browser(one)->url().path(), QStringLiteral("/a"));

        // The shown slot is looked up at each press.
        click(one.names.switchButton);
        click(QStringLiteral("Command13"));
        QTRY_COMPARE(browser(one)->url(), QUrl(QStringLiteral("about:blank")));
        QCOMPARE(browser(four)->url().path(), QStringLiteral("/b"));
        QVERIFY(m_box.messages.isEmpty());
    }
};

KELVORA_GUI_TEST_MAIN(TestHistory)
#include "tst_history.moc"
