#pragma once

#include <QList>
#include <QObject>

class QAction;
class QIcon;
class QMenu;
class QSystemTrayIcon;

namespace kelvora {

/**
 * Whether an object is the icon Qt draws itself, where the desktop's notification area is an X11
 * one: that widget, of Qt's private class QSystemTrayIconSys, reports presses where native areas
 * report releases, so its releases are used instead. tst_traylayout fails when Qt renames it.
 */
bool isQtDrawnTrayIcon(const QObject *object);

/**
 * The program's icon in the notification area and its menu of the program's commands.
 * Releasing the left or the right mouse button on the icon opens the menu at the pointer.
 * Where the desktop has no notification area, the icon is simply not there: isAvailable() says so.
 */
class TrayIcon : public QObject
{
    Q_OBJECT

public:
    /** The menu offers `commands`, in order; they stay their owner's. */
    explicit TrayIcon(const QList<QAction *> &commands, QObject *parent = nullptr);
    ~TrayIcon() override;

    /** Puts the icon into the notification area, if the desktop has one. */
    void show();
    /** Takes the icon away; called on every way out of the program so no dead icon stays behind. */
    void remove();
    /** True while the icon is really in a notification area, so a hidden window can come back. */
    bool isAvailable() const;

    QMenu *menu() const { return m_menu; }
    /** A message from the icon, as the desktop shows them; none where there is no notification area. */
    void showMessage(const QString &text);
    /** What a pointer resting on the icon says. */
    void setToolTip(const QString &text);
    /** Opens the menu at the pointer, as a button release on the icon does. */
    void popUpMenu();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QSystemTrayIcon *m_icon = nullptr;
    QMenu *m_menu = nullptr;
};

} // namespace kelvora
