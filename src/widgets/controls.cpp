#include "widgets/controls.h"

#include "core/twips.h"

#include <QCursor>
#include <QLabel>
#include <QPixmap>

namespace kelvora {

QCursor handCursor()
{
    // The tip of the index finger is the hot spot.
    static const QCursor cursor(QPixmap(QStringLiteral(":/cursors/hand.png")), 6, 0);
    return cursor;
}

QLabel *makeLabel(QWidget *parent, const QString &objectName, const QString &text, double leftTwips,
                  double topTwips, const QFont &font)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(objectName);
    label->setFont(font);
    label->move(twipsPoint(leftTwips, topTwips));
    label->adjustSize();
    return label;
}

void setAutoSizedText(QLabel *label, const QString &text)
{
    label->setText(text);
    label->adjustSize();
}

void setTextColor(QWidget *widget, const QColor &color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::ButtonText, color);
    widget->setPalette(palette);
}

QColor textColor(const QWidget *widget)
{
    return widget->palette().color(QPalette::WindowText);
}

void bringToFront(QWidget *window)
{
    window->show();
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->raise();
    window->activateWindow();
}

} // namespace kelvora
