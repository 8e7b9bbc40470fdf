#include "recordwin/recordwindow.h"

#include "widgets/controls.h"
#include "words/words.h"

#include <QDateTime>
#include <QDir>
#include <QGridLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>

#include <cmath>
#include <tuple>

namespace kelvora {
namespace {

constexpr int StripHeight = 22;
constexpr int UpdateEveryMs = 60 * 1000;
const QColor MidnightColour(64, 64, 64);

QLabel *legendChip(RecordState state, const QString &text, QWidget *parent)
{
    auto *label = new QLabel(QStringLiteral("<span style=\"color:%1\">■</span> %2")
                                 .arg(RecordStripView::colour(state).name(), text),
                             parent);
    label->setTextFormat(Qt::RichText);
    return label;
}

} // namespace

RecordStripView::RecordStripView(RecordStrip strip, QWidget *parent)
    : QWidget(parent), m_strip(std::move(strip))
{
    setMinimumSize(360, StripHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QColor RecordStripView::colour(RecordState state)
{
    switch (state) {
    case RecordState::Online:
        return {46, 160, 67};
    case RecordState::LoggedOut:
        return {240, 136, 30};
    case RecordState::Failed:
        return {215, 48, 39};
    case RecordState::NotRecorded:
    case RecordState::NotRunning:
    case RecordState::Paused:
    case RecordState::ClockStep:
    case RecordState::Stopped:
        break;
    }
    return {200, 200, 200};
}

QSize RecordStripView::sizeHint() const
{
    return {640, StripHeight};
}

qint64 RecordStripView::msAt(int x) const
{
    const double share = (x + 0.5) / std::max(1, width());
    return m_strip.fromMs + qint64(share * double(m_strip.toMs - m_strip.fromMs));
}

int RecordStripView::xAt(qint64 ms) const
{
    const double share =
        double(ms - m_strip.fromMs) / double(std::max<qint64>(1, m_strip.toMs - m_strip.fromMs));
    return int(std::lround(share * width()));
}

QString RecordStripView::toolTipAt(int x) const
{
    const RecordSpan *span = m_strip.spanAt(msAt(x));
    if (!span)
        return {};
    return recordSpanText(*span);
}

bool RecordStripView::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const QString text = toolTipAt(help->pos().x());
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, this, QRect(help->pos().x(), 0, 1, height()));
        return true;
    }
    return QWidget::event(event);
}

void RecordStripView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    // Spans thinner than a pixel still show: each is at least one pixel wide, and the later one
    // of two on the same pixel is drawn over the earlier.
    for (const RecordSpan &span : m_strip.spans) {
        const int left = xAt(span.fromMs);
        const int right = std::max(left + 1, xAt(span.toMs));
        painter.fillRect(left, 0, right - left, height(), colour(span.state));
    }
    // Local midnights, marked at the foot, so that days can be told apart.
    QDateTime midnight = QDateTime::fromMSecsSinceEpoch(m_strip.fromMs);
    midnight = QDateTime(midnight.date().addDays(1), QTime(0, 0));
    const int mark = height() / 4;
    for (; midnight.toMSecsSinceEpoch() < m_strip.toMs; midnight = midnight.addDays(1))
        painter.fillRect(xAt(midnight.toMSecsSinceEpoch()) - 1, height() - mark, 2, mark, MidnightColour);
}

RecordWindow::RecordWindow(QWidget *parent)
    : QWidget(parent, Qt::Window), m_scroll(new QScrollArea(this)), m_where(new QLabel(this)),
      m_update(new QTimer(this))
{
    setObjectName(QStringLiteral("record"));
    setWindowTitle(QStringLiteral("挂机记录"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/kelvora-32.png")));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(1000, 620);

    auto *legend = new QHBoxLayout;
    legend->addWidget(legendChip(RecordState::Online, recordStateText(RecordState::Online), this));
    legend->addWidget(legendChip(RecordState::LoggedOut, recordStateText(RecordState::LoggedOut), this));
    legend->addWidget(legendChip(RecordState::Failed, recordStateText(RecordState::Failed), this));
    legend->addWidget(legendChip(RecordState::Stopped, recordRestLegendText(), this));
    legend->addStretch();
    legend->addWidget(new QLabel(QStringLiteral("鼠标停在色条上可查看详情"), this));

    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_where->setObjectName(QStringLiteral("where"));
    m_where->setTextInteractionFlags(Qt::TextSelectableByMouse);
    setTextColor(m_where, QColor(96, 96, 96));

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(legend);
    layout->addWidget(m_scroll, 1);
    layout->addWidget(m_where);

    m_update->setObjectName(QStringLiteral("recordUpdate"));
    m_update->setInterval(UpdateEveryMs);
    connect(m_update, &QTimer::timeout, this, &RecordWindow::updateRequested);
}

void RecordWindow::showPicture(const std::vector<RecordSlotPicture> &picture, const QString &where)
{
    const int scrolled = m_scroll->verticalScrollBar()->value();
    auto *content = new QWidget;
    auto *grid = new QGridLayout(content);
    grid->setColumnStretch(1, 1);
    grid->setVerticalSpacing(4);
    int row = 0;
    if (picture.empty()) {
        auto *none = new QLabel(noRecordText(), content);
        none->setObjectName(QStringLiteral("noRecord"));
        none->setAlignment(Qt::AlignCenter);
        grid->addWidget(none, row++, 0, 1, 3);
    }
    for (const RecordSlotPicture &slot : picture) {
        const QString number = QString::number(slot.slot + 1);
        auto *caption = new QLabel(slotCaption(slot.slot), content);
        caption->setObjectName(QStringLiteral("slotCaption") + number);
        QFont bold = caption->font();
        bold.setBold(true);
        caption->setFont(bold);
        grid->addWidget(caption, row++, 0, 1, 3);
        const std::tuple<const char *, QString, const RecordStrip *> strips[] = {
            {"hour", recordStripText(RecordStretch::Hour, slot.hour), &slot.hour},
            {"day", recordStripText(RecordStretch::Day, slot.day), &slot.day},
            {"week", recordStripText(RecordStretch::Week, slot.week), &slot.week}};
        for (const auto &[name, label, strip] : strips) {
            grid->addWidget(new QLabel(label, content), row, 0);
            auto *view = new RecordStripView(*strip, content);
            view->setObjectName(QLatin1String(name) + QStringLiteral("Strip") + number);
            grid->addWidget(view, row, 1);
            auto *totals = new QLabel(recordTotalsText(strip->totals), content);
            totals->setObjectName(QLatin1String(name) + QStringLiteral("Totals") + number);
            grid->addWidget(totals, row++, 2);
        }
        grid->setRowMinimumHeight(row++, 10);
    }
    grid->setRowStretch(row, 1);
    delete m_scroll->takeWidget();
    m_scroll->setWidget(content);
    m_scroll->verticalScrollBar()->setValue(scrolled);
    m_where->setText(recordWhereText(QDir::toNativeSeparators(where)));
}

void RecordWindow::showSlot(int slot)
{
    if (QWidget *content = m_scroll->widget()) {
        if (auto *caption = content->findChild<QLabel *>(QStringLiteral("slotCaption%1").arg(slot + 1))) {
            content->layout()->activate();
            m_scroll->verticalScrollBar()->setValue(caption->y());
        }
    }
}

void RecordWindow::showEvent(QShowEvent *event)
{
    m_update->start();
    QWidget::showEvent(event);
}

void RecordWindow::hideEvent(QHideEvent *event)
{
    m_update->stop();
    QWidget::hideEvent(event);
}

} // namespace kelvora
