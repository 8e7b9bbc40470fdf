#include "app/trayicon.h"

#include "words/author.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QMouseEvent>
#include <QSystemTrayIcon>

namespace kelvora {
bool isQtDrawnTrayIcon(const QObject *object)
{
    return object->isWidgetType() && qstrcmp(object->metaObject()->className(), "QSystemTrayIconSys") == 0;
}

TrayIcon::TrayIcon(const QList<QAction *> &commands, QObject *parent) : QObject(parent)
{
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/kelvora-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/icons/kelvora-32.png"), QSize(32, 32));
    m_icon = new QSystemTrayIcon(icon, this);
    m_icon->setToolTip(QStringLiteral(" %1软件").arg(authorName()));

    m_menu = new QMenu;
    m_menu->setObjectName(QStringLiteral("sys"));
    m_menu->setTitle(QStringLiteral("00"));
    m_menu->addActions(commands);
    m_menu->setToolTipsVisible(true);

    // Native notification areas report a click when the button goes up: that opens the menu.
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context)
            popUpMenu();
    });
    qApp->installEventFilter(this);
}

TrayIcon::~TrayIcon()
{
    remove();
    delete m_menu;
}

void TrayIcon::show()
{
    if (QSystemTrayIcon::isSystemTrayAvailable())
        m_icon->show();
}

void TrayIcon::remove()
{
    m_icon->hide();
    m_menu->hide();
}

bool TrayIcon::isAvailable() const
{
    return m_icon->isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::showMessage(const QString &text)
{
    if (isAvailable())
        m_icon->showMessage(QStringLiteral("Kelvora 论坛挂机"), text, QSystemTrayIcon::Information);
}

void TrayIcon::setToolTip(const QString &text)
{
    m_icon->setToolTip(text);
}

void TrayIcon::popUpMenu()
{
    m_menu->popup(QCursor::pos());
}

bool TrayIcon::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if ((type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease) ||
        !isQtDrawnTrayIcon(watched))
        return false;
    const auto *mouse = static_cast<QMouseEvent *>(event);
    if (mouse->button() != Qt::LeftButton && mouse->button() != Qt::RightButton)
        return false;
    if (type == QEvent::MouseButtonRelease)
        popUpMenu();
    return true; // the press does nothing
}

} // namespace kelvora
