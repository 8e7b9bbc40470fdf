#pragma once

#include <QLabel>

namespace kelvora {

/**
 * A label that works as a link: the pointing hand over it, clicked() on a click, and while the
 * pointer is over it red, underlined and bold, until its window calls resetHighlight().
 */
class LinkLabel : public QLabel
{
    Q_OBJECT

public:
    explicit LinkLabel(const QString &text, QWidget *parent = nullptr);

    /** Whether hovering highlights it (on by default). */
    void setHighlightOnHover(bool on) { m_highlightOnHover = on; }
    /** Shows it plain after a hover: black, neither underlined nor bold. */
    void resetHighlight();

signals:
    void clicked();

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool m_highlightOnHover = true;
};

} // namespace kelvora
