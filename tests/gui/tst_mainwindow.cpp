#include "app/addresslist.h"
#include "common/guitest.h"
#include "core/urllistfile.h"
#include "mainwin/mainwindow.h"
#include "widgets/controls.h"
#include "words/words.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEngineView>

using namespace kelvora;
using kelvora::test::child;

class TestMainWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_folder;
    test::SlotWindow m_window;
    test::MessageRecorder m_box;

    QString listPath() const { return m_folder.filePath(QStringLiteral("userbbs.dat")); }
    void writeList(const QByteArray &bytes) { QVERIFY(test::writeFile(listPath(), bytes)); }
    void openWindow(bool withList = true)
    {
        QVERIFY(m_window.open());
        if (withList)
            m_window->setAddresses(
                AddressList(UrlListFile(listPath(), TextEncoding::Utf8)).read(m_window.window()));
    }
    template <typename T> T *find(const QString &name) const { return child<T>(m_window.window(), name); }

private slots:
    void init()
    {
        m_box.messages.clear();
        QFile::remove(listPath());
        QDir(listPath()).removeRecursively();
    }
    void cleanup() { m_window.close(); }

    void startsWithEverySlotIdle()
    {
        writeList("http://bbs.one.cn/\r\n\r\n  spaced  \r\nlast");
        openWindow();
        QCOMPARE(m_window->objectName(), QStringLiteral("main"));
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Kelvora"));
        QCOMPARE(m_window->size(), QSize(823, 647));
        const QStringList entries{QStringLiteral("http://bbs.one.cn/"), QString(),
                                  QStringLiteral("  spaced  "), QStringLiteral("last")};
        for (const SlotDescription &d : slotTable()) {
            const SlotControlNames &n = d.names;
            QCOMPARE(find<QWidget>(n.panel)->isVisible(), d.number == 1);
            QVERIFY(!find<QWidget>(n.browser)->isVisible());
            const int slot = d.number - 1;
            QVERIFY(!m_window.timer(slot, &SlotControlNames::refreshTimer)->isActive());
            QVERIFY(!m_window.timer(slot, &SlotControlNames::clockTimer)->isActive());
            QCOMPARE(m_window.timer(slot, &SlotControlNames::refreshTimer)->interval(),
                     d.number == 8 ? 1000 : 60000);
            QCOMPARE(find<QLabel>(n.statusLabel)->text(), QStringLiteral("已停止"));
            QCOMPARE(textColor(find<QLabel>(n.statusLabel)), QColor(255, 0, 0));
            QCOMPARE(find<QComboBox>(n.periodBox)->currentText(), QStringLiteral("1"));
            QCOMPARE(find<QLabel>(n.periodLabel)->text(), QStringLiteral("1"));

            auto *address = find<QComboBox>(n.addressBox);
            QCOMPARE(address->currentText(), QStringLiteral("http://"));
            QStringList items;
            for (int i = 0; i < address->count(); ++i)
                items << address->itemText(i);
            QCOMPARE(items, entries);
            // One list behind all eight boxes, so a long one is held once.
            QCOMPARE(address->model(), find<QComboBox>(QStringLiteral("Combo4"))->model());
        }
        QVERIFY(m_box.messages.isEmpty());
        QVERIFY(find<QLabel>(QStringLiteral("Label25"))->isVisible());
        QVERIFY(find<QLabel>(QStringLiteral("Label26"))->isVisible());
    }

    void slotEightCountsSeconds()
    {
        openWindow(false);
        auto *panel = find<QWidget>(QStringLiteral("Frame2c"));
        auto *periods = child<QComboBox>(panel, QStringLiteral("Combo2c"));
        QCOMPARE(periods->count(), 76);
        QCOMPARE(periods->itemText(59), QStringLiteral("60"));
        QCOMPARE(periods->itemText(60), QStringLiteral("75"));
        QCOMPARE(periods->itemText(75), QStringLiteral("300"));
        QCOMPARE(child<QLabel>(panel, QStringLiteral("Label3c"))->text(), QStringLiteral("秒"));
        QCOMPARE(child<QLabel>(panel, QStringLiteral("Label6c"))->text(), QStringLiteral("秒刷新一次)"));
        auto *seven = find<QWidget>(QStringLiteral("Frame1c"));
        QCOMPARE(child<QComboBox>(seven, QStringLiteral("Combo1c"))->count(), 40);
        QCOMPARE(child<QLabel>(seven, QStringLiteral("Label6c"))->text(), QStringLiteral("分刷新一次)"));
    }

    void switchButtonsShowOnePanelAtATime()
    {
        openWindow(false);
        const auto &table = slotTable();
        for (const int index : {2, 7, 2, 0}) {
            const SlotDescription &d = table[static_cast<std::size_t>(index)];
            auto *button = find<QPushButton>(d.names.switchButton);
            QCOMPARE(button->text(), slotCaption(index));
            // The caption first, then how the slot's last reload went.
            QCOMPARE(button->toolTip(), slotCaption(index) + QStringLiteral("\n尚未刷新"));
            QTest::mouseClick(button, Qt::LeftButton);
            for (const SlotDescription &other : table)
                QCOMPARE(find<QWidget>(other.names.panel)->isVisible(), other.number == d.number);
            QVERIFY(find<QWidget>(d.names.browser)->isVisible());
            QVERIFY(m_window->windowTitle().startsWith(slotCaptionPrefix(index)));
            // The welcome is gone for good after the first switch, also on slot 1's panel.
            QVERIFY(!find<QLabel>(QStringLiteral("Label25"))->isVisible());
            QVERIFY(!find<QLabel>(QStringLiteral("Label26"))->isVisible());
        }
        // A browser once shown stays shown behind its hidden panel.
        QVERIFY(find<QWidget>(QStringLiteral("WebBrowser2c"))
                    ->isVisibleTo(find<QWidget>(QStringLiteral("Frame2c"))));
    }

    void captionCarriesThePageTitle()
    {
        openWindow(false);
        auto *panel = find<QWidget>(QStringLiteral("Frame1a"));
        child<QComboBox>(panel, QStringLiteral("Combo5"))
            ->setEditText(QStringLiteral("data:text/html;charset=utf-8,<title>水木清华</title>"));
        QTest::mouseClick(child<QPushButton>(panel, QStringLiteral("Command1a")), Qt::LeftButton);
        auto *view = find<QWidget>(QStringLiteral("WebBrowser1a"));
        QTRY_VERIFY(qobject_cast<QWebEngineView *>(view)->title() == QStringLiteral("水木清华"));
        QTest::mouseClick(find<QPushButton>(QStringLiteral("Command9a")), Qt::LeftButton);
        QCOMPARE(m_window->windowTitle(), QStringLiteral("论坛三：水木清华"));
        // The caption follows the page of the slot switched to as its title changes.
        qobject_cast<QWebEngineView *>(view)->page()->runJavaScript(
            QStringLiteral("document.title = '未名'"));
        QTRY_COMPARE(m_window->windowTitle(), QStringLiteral("论坛三：未名"));
        // Open shows both browsers of the pair; the partner's panel stays hidden.
        auto *partner = find<QWidget>(QStringLiteral("WebBrowser2a"));
        QVERIFY(partner->isVisibleTo(partner->parentWidget()));
        QVERIFY(!find<QWidget>(QStringLiteral("Frame2a"))->isVisible());
        QVERIFY(!find<QWidget>(QStringLiteral("WebBrowser1"))
                     ->isVisibleTo(find<QWidget>(QStringLiteral("Frame1"))));
    }

    void unreadableListIsReportedAndLeavesEmptyLists()
    {
        QVERIFY(QDir().mkpath(listPath())); // a folder where the file should be
        openWindow();
        QCOMPARE(m_box.messages.size(), 1);
        QCOMPARE(m_box.messages[0].title, QStringLiteral("提示"));
        QCOMPARE(m_box.messages[0].icon, QMessageBox::Warning);
        QVERIFY(m_box.messages[0].text.contains(QDir::toNativeSeparators(listPath())));
        for (const SlotDescription &d : slotTable()) {
            QCOMPARE(find<QComboBox>(d.names.addressBox)->count(), 0);
            QCOMPARE(find<QComboBox>(d.names.addressBox)->currentText(), QStringLiteral("http://"));
        }
    }

    void closingAsksTheProgramToEnd()
    {
        openWindow(false);
        // The close box and "退 出" trigger the program's one exit command.
        QSignalSpy asked(m_window.exitAction(), &QAction::triggered);
        m_window->close();
        QCOMPARE(asked.size(), 1);
        QTest::mouseClick(find<QWidget>(QStringLiteral("Command12")), Qt::LeftButton);
        QCOMPARE(asked.size(), 2);
        QVERIFY(m_box.messages.isEmpty());
    }
};

KELVORA_GUI_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
