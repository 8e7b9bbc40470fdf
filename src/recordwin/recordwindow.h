#pragma once

#include "core/record.h"

#include <QWidget>

#include <vector>

class QLabel;
class QScrollArea;
class QTimer;

namespace kelvora {

/** One slot's strip: its spans side by side in their colours, each told on hovering. */
class RecordStripView : public QWidget
{
    Q_OBJECT

public:
    explicit RecordStripView(RecordStrip strip, QWidget *parent = nullptr);

    /** The colour a state is drawn in. */
    static QColor colour(RecordState state);
    const RecordStrip &strip() const { return m_strip; }
    /** What hovering at x, in the widget's pixels, tells; empty outside the strip. */
    QString toolTipAt(int x) const;

    QSize sizeHint() const override;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    qint64 msAt(int x) const;
    int xAt(qint64 ms) const;

    RecordStrip m_strip;
};

/**
 * "挂机记录": for every slot used in the last 7 days, a strip of its last hour (of the minutes since
 * the record began, if fewer), one of its last 24 hours and one of its
 * last 7 days, with what was kept online, answered, failed and logged out beside each. It shows
 * what it is given and asks for a new picture every minute while it is open.
 */
class RecordWindow : public QWidget
{
    Q_OBJECT

public:
    explicit RecordWindow(QWidget *parent = nullptr);

    /** Shows the slots' strips; `where` is the record file, told at the foot of the window. */
    void showPicture(const std::vector<RecordSlotPicture> &picture, const QString &where);
    /** Brings a slot's strips into view. */
    void showSlot(int slot);

signals:
    void updateRequested();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QScrollArea *m_scroll = nullptr;
    QLabel *m_where = nullptr;
    QTimer *m_update = nullptr;
};

} // namespace kelvora
