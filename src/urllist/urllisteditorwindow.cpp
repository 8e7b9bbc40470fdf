#include "urllist/urllisteditorwindow.h"

#include "core/twips.h"
#include "widgets/controls.h"
#include "widgets/fonts.h"
#include "widgets/messagebox.h"
#include "words/words.h"

#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>

namespace kelvora {
namespace {

const QStringList HelpLines{
    QStringLiteral("打开增加窗口后，在“网址汇总”窗口会看到全部的BBS网址，"),
    QStringLiteral("在此可以增加、删除、修改网址。"),
    QStringLiteral("方法："),
    QString(),
    QStringLiteral("1、打开后，点“修改”。"),
    QStringLiteral("2、增加论坛网址：在最后面的下一行输入你想加入的网址。"),
    QStringLiteral("    PS：一定要一个网址一行，不然就会出错的"),
    QStringLiteral("3、删除论坛网址：选中你要删除的网址，按下\"DEL\"键删除就行。"),
    QStringLiteral("    PS：最好按两下，那样就不会留下空行了。"),
    QStringLiteral("4、修改论坛网址：看看想修改哪就修改哪就OK了。"),
    QString(),
    QStringLiteral("完成你要做的步骤后，点“保存”。"),
    QString(),
    QStringLiteral("保存成功后，把程序退出重启一下，就可以看到你刚才增加修改"),
    QStringLiteral("的论坛网址了。"),
    QString(),
    QStringLiteral("说明：一定要一个网址一行，不然就会出错。还要增加网址时，"),
    QStringLiteral("一定要加上\"http://\"。"),
};

QPushButton *makeEditorButton(QWidget *parent, const QString &objectName, const QString &caption,
                              double leftTwips)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(objectName);
    button->setFont(songFont(10.5));
    button->setGeometry(twipsRect(leftTwips, 5760, 1095, 495));
    return button;
}

} // namespace

UrlListEditorWindow::UrlListEditorWindow(const UrlListFile &file, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      m_file(file)
{
    setObjectName(QStringLiteral("addbbs"));
    setWindowTitle(QStringLiteral("增加"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/editor-32.png")));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(twipsToPixels(5220), twipsToPixels(6480));
    buildControls();
    load();
}

void UrlListEditorWindow::buildControls()
{
    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("Text1"));
    m_text->setFont(songFont(12));
    m_text->setGeometry(twipsRect(360, 600, 4575, 5175));
    m_text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);

    m_modify = makeEditorButton(this, QStringLiteral("Command1"), QStringLiteral("修 改"), 1440);
    m_save = makeEditorButton(this, QStringLiteral("Command2"), QStringLiteral("保 存"), 2520);
    m_quit = makeEditorButton(this, QStringLiteral("Command3"), QStringLiteral("退出"), 3600);
    m_helpButton = makeEditorButton(this, QStringLiteral("Command4"), QStringLiteral("增加方法"), 360);
    setTabOrder(m_text, m_modify);
    setTabOrder(m_modify, m_save);
    setTabOrder(m_save, m_quit);
    setTabOrder(m_quit, m_helpButton);

    m_title =
        makeLabel(this, QStringLiteral("Label1"), QStringLiteral("网址汇总："), 360, 240, songFont(14.25));
    // The help text wraps to its box and scrolls where the face at hand needs more room.
    m_helpArea = new QScrollArea(this);
    m_helpArea->setGeometry(twipsRect(360, 240, 4335, 5415));
    m_helpArea->setFrameShape(QFrame::NoFrame);
    m_helpArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_helpArea->setWidgetResizable(true);
    m_helpArea->setBackgroundRole(QPalette::Base);
    m_help = new QLabel(HelpLines.join(QStringLiteral("\r\n")));
    m_help->setObjectName(QStringLiteral("Label2"));
    m_help->setFont(songFont(10.5));
    m_help->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_help->setWordWrap(true);
    m_help->setAutoFillBackground(true);
    m_help->setBackgroundRole(QPalette::Base);
    m_helpArea->setWidget(m_help);

    connect(m_modify, &QPushButton::clicked, this, [this] {
        m_state.unlock();
        showState();
    });
    connect(m_helpButton, &QPushButton::clicked, this, [this] {
        m_state.toggleHelp();
        showState();
    });
    connect(m_save, &QPushButton::clicked, this, &UrlListEditorWindow::save);
    connect(m_quit, &QPushButton::clicked, this, &UrlListEditorWindow::close);
}

void UrlListEditorWindow::load()
{
    const UrlListText loaded = m_file.loadForEditor();
    m_loadedText = loaded.text;
    m_text->setPlainText(loaded.text);
    m_state = UrlListEditorState(m_text->toPlainText());
    showState();

    const QString path = QDir::toNativeSeparators(m_file.path());
    if (!loaded.ok()) {
        MessageBox::warning(this, loaded.text.isEmpty()
                                      ? QStringLiteral("无法读取网址列表文件 %1：%2\n保存时将新建这个文件。")
                                            .arg(path, urlListErrorText(loaded.error))
                                      : QStringLiteral("网址列表文件 %1 只读取了一部分：%2")
                                            .arg(path, urlListErrorText(loaded.error)));
    } else if (loaded.notText.any()) {
        MessageBox::warning(this,
                            QStringLiteral("网址列表文件 %1 不全是文本（%2），这里显示的是其中能读出的部分。")
                                .arg(path, notTextText(loaded.notText)));
    }
}

void UrlListEditorWindow::showState()
{
    m_text->setVisible(m_state.isTextShown());
    m_title->setVisible(m_state.isTextShown());
    m_helpArea->setVisible(!m_state.isTextShown());
    m_text->setReadOnly(m_state.isLocked());
    m_helpButton->setText(editorHelpButtonText(m_state.view() == UrlListEditorState::View::Help));
    m_modify->setEnabled(m_state.canEdit());
    m_save->setEnabled(m_state.canEdit());
}

void UrlListEditorWindow::save()
{
    const QString text = m_text->toPlainText();
    // Another program (or another editor) may have changed the file since it was read here:
    // writing this text over it would lose that change without a word.
    const UrlListText onDisk = m_file.loadForEditor();
    if (onDisk.ok() && onDisk.text != m_loadedText) {
        const QMessageBox::StandardButton answer = MessageBox::show(
            this, {QMessageBox::Question, QStringLiteral("提示"),
                   QStringLiteral("网址列表文件在编辑期间被其他程序改动过。\n"
                                  "“是”：用这里的内容覆盖它；\n"
                                  "“否”：放弃这里的修改，改用文件中的新内容；\n"
                                  "“取消”：回到编辑。"),
                   QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, 0, QMessageBox::Cancel});
        if (answer == QMessageBox::No) {
            load();
            return;
        }
        if (answer != QMessageBox::Yes)
            return;
    }
    const UrlListResult result = m_file.saveFromEditor(text);
    if (!result.ok()) {
        // Nothing is lost: the text stays, and so does the way to fix things and save again.
        MessageBox::warning(
            this, QStringLiteral("无法保存网址列表文件 %1：%2")
                      .arg(QDir::toNativeSeparators(m_file.path()), urlListErrorText(result.error)));
        m_state.unlock();
        showState();
        return;
    }
    MessageBox::show(
        this, {QMessageBox::Warning, QStringLiteral("提示"), QStringLiteral("保存成功！"), QMessageBox::Ok});
    m_state.saved(text);
    m_loadedText = m_file.loadForEditor().text;
    showState();
    close();
}

bool UrlListEditorWindow::mayDiscard()
{
    if (m_state.closeDecision(m_text->toPlainText()) == UrlListEditorState::CloseDecision::Close)
        return true;
    raise();
    activateWindow();
    const QMessageBox::StandardButton answer = MessageBox::show(
        this, {QMessageBox::Question, QStringLiteral("退出"), QStringLiteral("未保存，真的要退出吗？"),
               QMessageBox::Yes | QMessageBox::No, 0, QMessageBox::No});
    return answer == QMessageBox::Yes;
}

void UrlListEditorWindow::discard()
{
    m_closeDecided = true;
    close();
}

void UrlListEditorWindow::closeEvent(QCloseEvent *event)
{
    if (m_closeDecided || mayDiscard()) {
        m_closeDecided = true;
        event->accept();
    } else {
        event->ignore();
    }
}

} // namespace kelvora
