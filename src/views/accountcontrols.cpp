#include "views/accountcontrols.h"

#include "core/pageload.h"
#include "core/twips.h"
#include "session/slotrunner.h"
#include "web/webpage.h"
#include "widgets/controls.h"
#include "widgets/fonts.h"
#include "words/words.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

namespace kelvora {
namespace {
constexpr int BarHeight = 32;
constexpr int NoteShownMs = 8000;
const QString NoStoreWords =
    QStringLiteral("此电脑上没有可用的系统密码库（如 GNOME 密钥环、KWallet），无法记住账号");
} // namespace

AccountControls::AccountControls(SlotRunner &runner, QWidget *panel)
    : QObject(panel), m_runner(runner), m_panel(panel), m_button(new QToolButton(panel)),
      m_bar(new QFrame(panel)), m_barText(new QLabel(m_bar)),
      m_remember(new QPushButton(QStringLiteral("记住"), m_bar)),
      m_decline(new QPushButton(QStringLiteral("不用"), m_bar)), m_noteLapse(new QTimer(this))
{
    const SlotControlNames &names = runner.description().names;
    m_button->setObjectName(names.accountButton);
    m_button->setText(QStringLiteral("自动登录"));
    m_button->setToolTip(QStringLiteral("记住这个论坛的账号，掉线后自动重新登录"));
    m_button->setFont(songFont(10.5));
    m_button->setCursor(handCursor());
    m_button->setGeometry(twipsRect(10440, 1200, 1140, 375));
    m_button->setPopupMode(QToolButton::InstantPopup);
    auto *menu = new QMenu(m_button);
    m_button->setMenu(menu);
    connect(menu, &QMenu::aboutToShow, this, &AccountControls::fillMenu);

    m_bar->setObjectName(names.offerBar);
    m_bar->setFrameShape(QFrame::StyledPanel);
    m_bar->setAutoFillBackground(true);
    QPalette palette = m_bar->palette();
    palette.setColor(QPalette::Window, QColor(255, 248, 210));
    m_bar->setPalette(palette);
    auto *layout = new QHBoxLayout(m_bar);
    layout->setContentsMargins(8, 2, 8, 2);
    layout->addWidget(m_barText, 1);
    layout->addWidget(m_remember);
    layout->addWidget(m_decline);
    m_bar->hide();
    connect(m_remember, &QPushButton::clicked, this, [this] { m_runner.answerOffer(true); });
    connect(m_decline, &QPushButton::clicked, this, [this] { m_runner.answerOffer(false); });

    m_noteLapse->setSingleShot(true);
    m_noteLapse->setInterval(NoteShownMs);
    connect(m_noteLapse, &QTimer::timeout, this, [this] {
        m_barWanted = false;
        updateBar();
    });
    connect(&runner, &SlotRunner::accountOffered, this, &AccountControls::showOffer);
    connect(&runner, &SlotRunner::offerWithdrawn, this, [this] {
        if (!m_noteLapse->isActive()) {
            m_barWanted = false;
            updateBar();
        }
    });
    connect(&runner, &SlotRunner::accountKept, this, &AccountControls::showKept);
    if (const std::optional<QString> offered = runner.offeredUser())
        showOffer(*offered);
}

void AccountControls::placeOver(const QRect &browserGeometry)
{
    m_bar->setGeometry(browserGeometry.x(), browserGeometry.y(), browserGeometry.width(), BarHeight);
}

void AccountControls::setBrowserShown(bool shown)
{
    m_browserShown = shown;
    updateBar();
}

void AccountControls::updateBar()
{
    m_bar->setVisible(m_barWanted && m_browserShown);
    if (m_bar->isVisible())
        m_bar->raise();
}

void AccountControls::fillMenu()
{
    QMenu *menu = m_button->menu();
    menu->clear();
    const std::optional<QString> user = m_runner.slot().accountUser();
    if (!m_runner.canKeepAccounts()) {
        menu->addAction(NoStoreWords)->setEnabled(false);
        return;
    }
    if (user)
        menu->addAction(QStringLiteral("已记住账号：%1").arg(*user))->setEnabled(false);
    menu->addAction(user ? QStringLiteral("更换账号……") : QStringLiteral("记住账号……"), this,
                    &AccountControls::askForAccount);
    if (user)
        menu->addAction(QStringLiteral("忘记账号"), &m_runner, &SlotRunner::forgetAccount);
}

void AccountControls::askForAccount()
{
    const QUrl page = m_runner.page()->url();
    if (!isWebPage(page)) {
        showNote(QStringLiteral("请先在这里打开论坛的登录页面，再记住账号"));
        return;
    }
    auto *dialog = new QDialog(m_panel->window());
    dialog->setObjectName(QStringLiteral("accountDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setMinimumWidth(420); // room for the login page's address on a line or two
    dialog->setWindowTitle(slotCaptionPrefix(m_runner.description().number - 1) +
                           QStringLiteral("自动重新登录的账号"));
    auto *form = new QFormLayout(dialog);
    auto *user = new QLineEdit(m_runner.slot().accountUser().value_or(QString()), dialog);
    user->setObjectName(QStringLiteral("userName"));
    auto *password = new QLineEdit(dialog);
    password->setObjectName(QStringLiteral("password"));
    password->setEchoMode(QLineEdit::Password);
    auto *where = new QLabel(QStringLiteral("登录页面：%1").arg(page.toDisplayString()), dialog);
    where->setWordWrap(true);
    auto *note = new QLabel(
        QStringLiteral("密码只保存在系统的密码库里。掉线后，程序在这个页面的登录表单里填写并提交。"), dialog);
    note->setWordWrap(true);
    form->addRow(QStringLiteral("用户名："), user);
    form->addRow(QStringLiteral("密码："), password);
    form->addRow(where);
    form->addRow(note);
    auto *buttons = new QDialogButtonBox(dialog);
    QPushButton *ok = buttons->addButton(QStringLiteral("记住"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    form->addRow(buttons);
    const auto filled = [user, password, ok] {
        ok->setEnabled(!user->text().trimmed().isEmpty() && !password->text().isEmpty());
    };
    filled();
    connect(user, &QLineEdit::textChanged, dialog, filled);
    connect(password, &QLineEdit::textChanged, dialog, filled);
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::accepted, dialog, [this, dialog, user, password, page] {
        m_runner.rememberAccount({user->text().trimmed(), password->text(), page});
        password->clear();
        dialog->accept();
    });
    dialog->open();
}

void AccountControls::showOffer(const QString &userName)
{
    m_noteLapse->stop();
    if (!m_runner.canKeepAccounts()) {
        showNote(NoStoreWords);
        return;
    }
    m_barText->setText(QStringLiteral("已登录为 %1。掉线后自动重新登录？").arg(userName));
    m_remember->show();
    m_decline->show();
    m_barWanted = true;
    updateBar();
}

void AccountControls::showKept(bool remembered, AccountStore::Status status)
{
    switch (status) {
    case AccountStore::Status::Done:
    case AccountStore::Status::NotFound:
        showNote(remembered ? QStringLiteral("已记住账号，掉线后会自动重新登录")
                            : QStringLiteral("已忘记账号"));
        break;
    case AccountStore::Status::NoStore:
        showNote(NoStoreWords);
        break;
    case AccountStore::Status::Failed:
        showNote(remembered ? QStringLiteral("系统密码库没有接受这个账号（可能未解锁），未能记住")
                            : QStringLiteral("系统密码库没有删除这个账号（可能未解锁），请稍后再试"));
        break;
    }
}

void AccountControls::showNote(const QString &text)
{
    m_barText->setText(text);
    m_remember->hide();
    m_decline->hide();
    m_barWanted = true;
    m_noteLapse->start();
    updateBar();
}

} // namespace kelvora
