#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QCursor;
class QLabel;
class QWidget;

namespace kelvora {

/** The pointing hand shown over the window's buttons and links. */
QCursor handCursor();

/** A label placed at a position in twips that sizes itself to its text. */
QLabel *makeLabel(QWidget *parent, const QString &objectName, const QString &text, double leftTwips,
                  double topTwips, const QFont &font);

/** Sets a label's text and lets it grow or shrink to fit, as the window's labels do. */
void setAutoSizedText(QLabel *label, const QString &text);

void setTextColor(QWidget *widget, const QColor &color);

QColor textColor(const QWidget *widget);

/** Shows a window in front at its normal size, back from minimised or hidden, as reopening it does. */
void bringToFront(QWidget *window);

} // namespace kelvora
