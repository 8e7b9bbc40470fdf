#include "common/widgettest.h"
#include "urllist/urllisteditorwindow.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>

using namespace kelvora;
using kelvora::test::child;

// The address list editor, driven by its controls, every message answered through the seam.
class TestEditor : public QObject
{
    Q_OBJECT

    QTemporaryDir m_folder;
    std::unique_ptr<test::MessageRecorder> m_box;
    QPointer<UrlListEditorWindow> m_editor;

    QString listPath() const { return m_folder.filePath(QStringLiteral("userbbs.dat")); }
    void writeList(const QByteArray &bytes) { QVERIFY(test::writeFile(listPath(), bytes)); }
    QByteArray listBytes() const
    {
        QFile file(listPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    void open()
    {
        m_editor = new UrlListEditorWindow(UrlListFile(listPath(), TextEncoding::Utf8));
        m_editor->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_editor));
    }
    template <typename T> T *find(const char *name) const
    {
        return child<T>(m_editor.data(), QLatin1String(name));
    }
    void press(const char *name) { QTest::mouseClick(find<QPushButton>(name), Qt::LeftButton); }
    QPlainTextEdit *text() const { return find<QPlainTextEdit>("Text1"); }
    bool closed() const { return m_editor.isNull() || !m_editor->isVisible(); }

private slots:
    void init()
    {
        m_box = std::make_unique<test::MessageRecorder>(QMessageBox::No);
        QFile::remove(listPath());
        QDir(listPath()).removeRecursively();
        writeList("A\r\nB\r\n");
    }
    void cleanup()
    {
        delete m_editor;
        m_box.reset();
    }

    void aLineAddedElsewhereMeanwhileIsNeverLostUnasked()
    {
        open();
        press("Command1"); // 修 改
        QTest::keyClicks(text(), QStringLiteral("C"));
        writeList("A\r\nB\r\nfrom elsewhere\r\n");

        // Cancel: back to editing, the file as the other program left it.
        m_box->answer = QMessageBox::Cancel;
        press("Command2");
        QCOMPARE(m_box->messages.size(), 1);
        QVERIFY(m_box->messages[0].text.contains(QStringLiteral("被其他程序改动过")));
        QCOMPARE(listBytes(), QByteArray("A\r\nB\r\nfrom elsewhere\r\n"));
        QVERIFY(!closed());

        // No: the file's new text is taken, this edit given up; nothing said of a save.
        m_box->answer = QMessageBox::No;
        press("Command2");
        QCOMPARE(text()->toPlainText(), QStringLiteral("A\nB\nfrom elsewhere\n"));
        QCOMPARE(m_box->messages.size(), 2);
        QVERIFY(!closed());

        // Yes: this text goes over it, and only then is the save a success.
        press("Command1");
        QTest::keyClicks(text(), QStringLiteral("D"));
        writeList("A\r\n");
        m_box->answer = QMessageBox::Yes;
        press("Command2");
        QCOMPARE(m_box->messages.last().text, QStringLiteral("保存成功！"));
        QVERIFY(listBytes().contains("from elsewhere"));
    }

    void opensViewingTheFileLocked()
    {
        open();
        QCOMPARE(m_editor->objectName(), QStringLiteral("addbbs"));
        QCOMPARE(m_editor->windowTitle(), QStringLiteral("增加"));
        QCOMPARE(m_editor->size(), QSize(348, 432));
        QCOMPARE(m_editor->minimumSize(), m_editor->maximumSize());
        QVERIFY(!m_editor->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!m_editor->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
        QCOMPARE(text()->toPlainText(), QStringLiteral("A\nB\n"));
        QVERIFY(text()->isReadOnly());
        QCOMPARE(find<QLabel>("Label1")->text(), QStringLiteral("网址汇总："));
        QVERIFY(!find<QLabel>("Label2")->isVisible());
        const QStringList captions{
            find<QPushButton>("Command1")->text(), find<QPushButton>("Command2")->text(),
            find<QPushButton>("Command3")->text(), find<QPushButton>("Command4")->text()};
        QCOMPARE(captions, (QStringList{"修 改", "保 存", "退出", "增加方法"}));
        // Locked: typing changes nothing.
        text()->setFocus();
        QTest::keyClicks(text(), QStringLiteral("xyz"));
        QCOMPARE(text()->toPlainText(), QStringLiteral("A\nB\n"));
        QVERIFY(m_box->messages.isEmpty());
    }

    void savingUnchangedKeepsTheFileByteForByte()
    {
        open();
        press("Command2");
        QCOMPARE(m_box->messages.size(), 1);
        QCOMPARE(m_box->messages[0].text, QStringLiteral("保存成功！"));
        QCOMPARE(m_box->messages[0].title, QStringLiteral("提示"));
        QCOMPARE(m_box->messages[0].icon, QMessageBox::Warning);
        QTRY_VERIFY(closed());
        QCOMPARE(listBytes(), QByteArray("A\r\nB\r\n"));
    }

    void anEditIsSavedWithOneLineEndPerLine()
    {
        open();
        press("Command1");
        QVERIFY(!text()->isReadOnly());
        text()->moveCursor(QTextCursor::End);
        QTest::keyClicks(text(), QStringLiteral("http://bbs.new.cn/"));
        press("Command2");
        QTRY_VERIFY(closed());
        QCOMPARE(listBytes(), QByteArray("A\r\nB\r\nhttp://bbs.new.cn/\r\n"));
    }

    void closingAnUnlockedEditorAsksOnce()
    {
        open();
        press("Command1");
        // Unlocked is enough, typed or not. No keeps the window and the edit.
        m_editor->close();
        QCOMPARE(m_box->messages.size(), 1);
        const MessageBox::Message &asked = m_box->messages[0];
        QCOMPARE(asked.text, QStringLiteral("未保存，真的要退出吗？"));
        QCOMPARE(asked.title, QStringLiteral("退出"));
        QCOMPARE(asked.icon, QMessageBox::Question);
        QCOMPARE(asked.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(asked.defaultButton, QMessageBox::No);
        QVERIFY(m_editor->isVisible());
        QVERIFY(!text()->isReadOnly());

        // "退出" asks once, not twice; Yes closes and the file stays as it was.
        QTest::keyClicks(text(), QStringLiteral("lost"));
        m_box->answer = QMessageBox::Yes;
        press("Command3");
        QCOMPARE(m_box->messages.size(), 2);
        QTRY_VERIFY(closed());
        QCOMPARE(listBytes(), QByteArray("A\r\nB\r\n"));
    }

    void theHelpViewKeepsTheEditAndStillAsks()
    {
        open();
        press("Command1");
        text()->moveCursor(QTextCursor::End);
        QTest::keyClicks(text(), QStringLiteral("C"));
        press("Command4");
        auto *help = find<QLabel>("Label2");
        QVERIFY(help->isVisible());
        QVERIFY(!text()->isVisible());
        QCOMPARE(help->text().split(QStringLiteral("\r\n")).size(), 18);
        QVERIFY(help->text().endsWith(QStringLiteral("一定要加上\"http://\"。")));
        QCOMPARE(find<QPushButton>("Command4")->text(), QStringLiteral("关 闭"));
        QVERIFY(!find<QPushButton>("Command1")->isEnabled());
        QVERIFY(!find<QPushButton>("Command2")->isEnabled());

        press("Command4");
        QVERIFY(text()->isVisible() && text()->isReadOnly());
        QCOMPARE(text()->toPlainText(), QStringLiteral("A\nB\nC"));
        // Back in viewing, the edit is still there and still counts.
        m_editor->close();
        QCOMPARE(m_box->messages.size(), 1);
        QVERIFY(m_editor->isVisible());
    }

    void aFailedSaveKeepsEverything()
    {
        open();
        press("Command1");
        QTest::keyClicks(text(), QStringLiteral("X"));
        const QString typed = text()->toPlainText();
        // The file's place is taken by a folder: nothing can be written there.
        QVERIFY(QFile::remove(listPath()));
        QVERIFY(QDir().mkdir(listPath()));
        press("Command2");
        QCOMPARE(m_box->messages.size(), 1);
        QCOMPARE(m_box->messages[0].title, QStringLiteral("提示"));
        QVERIFY(m_box->messages[0].text.contains(QDir::toNativeSeparators(listPath())));
        QVERIFY(m_box->messages[0].text != QStringLiteral("保存成功！"));
        QVERIFY(m_editor->isVisible());
        QVERIFY(!text()->isReadOnly());
        QCOMPARE(text()->toPlainText(), typed);
    }

    void aMissingFileOpensEmptyAndIsCreatedOnSave()
    {
        QVERIFY(QFile::remove(listPath()));
        open();
        QCOMPARE(m_box->messages.size(), 1);
        QVERIFY(m_box->messages[0].text.contains(QDir::toNativeSeparators(listPath())));
        QCOMPARE(text()->toPlainText(), QString());
        press("Command1");
        QTest::keyClicks(text(), QStringLiteral("http://a/"));
        press("Command2");
        QTRY_VERIFY(closed());
        QCOMPARE(listBytes(), QByteArray("http://a/\r\n"));
    }

    void aFileThatIsNotTextIsShownAsFarAsItGoes()
    {
        writeList(QByteArrayLiteral("http://a/\r\nhttp://b/\0\x01\x02"));
        open();
        QCOMPARE(m_box->messages.size(), 1);
        QVERIFY(m_box->messages[0].text.contains(QStringLiteral("不全是文本")));
        QCOMPARE(text()->toPlainText(), QStringLiteral("http://a/\nhttp://b/\n"));
        // Nothing is written back unless the user saves.
        m_editor->close();
        QCOMPARE(listBytes(), QByteArrayLiteral("http://a/\r\nhttp://b/\0\x01\x02"));
    }
};

KELVORA_WIDGETS_TEST_MAIN(TestEditor)
#include "tst_editor.moc"
