#include "widgets/linklabel.h"

#include "widgets/controls.h"

#include <QMouseEvent>

namespace kelvora {
namespace {

void setLook(QLabel *label, const QColor &colour, bool emphasised)
{
    QFont font = label->font();
    font.setUnderline(emphasised);
    font.setBold(emphasised);
    label->setFont(font);
    setTextColor(label, colour);
    label->adjustSize();
}

} // namespace

LinkLabel::LinkLabel(const QString &text, QWidget *parent) : QLabel(text, parent)
{
    setCursor(handCursor());
    setMouseTracking(true);
}

void LinkLabel::resetHighlight()
{
    setLook(this, Qt::black, false);
}

void LinkLabel::mouseMoveEvent(QMouseEvent *event)
{
    // Taken here: passed on, the window would take it for a move over its surface and reset the link.
    event->accept();
    if (m_highlightOnHover)
        setLook(this, Qt::red, true);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

} // namespace kelvora
