#include "slots/slotpanel.h"

#include "core/twips.h"
#include "platform/fonts.h"
#include "platform/messagebox.h"
#include "platform/webview.h"
#include "slots/controls.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace kelvora {
namespace {

constexpr int ClockIntervalMs = 1000;
const QColor RunningColor(0, 0, 255);
const QColor StoppedColor(255, 0, 0);
const QColor ClockColor(192, 0, 0);

QComboBox *makeComboBox(QWidget *parent, const QString &objectName, const QRect &geometry)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(objectName);
    box->setEditable(true);
    // Typed text is what counts; it must never turn into a list item by itself.
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setFont(songFont(12));
    box->setGeometry(geometry);
    return box;
}

QPushButton *makeButton(QWidget *parent, const QString &objectName, const QString &caption,
                        const QRect &geometry)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(objectName);
    button->setGeometry(geometry);
    button->setCursor(handCursor());
    return button;
}

QPushButton *makePictureButton(QWidget *parent, const QString &objectName, const QString &picture,
                               const QString &toolTip, const QRect &geometry)
{
    QPushButton *button = makeButton(parent, objectName, QString(), geometry);
    button->setIcon(QIcon(picture));
    button->setIconSize(geometry.size() - QSize(8, 8));
    button->setToolTip(toolTip);
    // Picture buttons carry no caption; screen readers still need a name.
    button->setAccessibleName(toolTip);
    return button;
}

QTimer *makeTimer(QObject *parent, const QString &objectName, int intervalMs)
{
    auto *timer = new QTimer(parent);
    timer->setObjectName(objectName);
    timer->setInterval(intervalMs);
    // Slots run for days; coarse timers may drift by up to 5 % per tick.
    timer->setTimerType(Qt::PreciseTimer);
    return timer;
}

} // namespace

SlotPanel::SlotPanel(const SlotDescription &description, QWebEngineProfile *profile,
                     const MonotonicClock &clock, QWidget *parent)
    : QGroupBox(description.caption, parent), m_description(description),
      m_browser(new WebView(profile, this)), m_slot(*m_browser, clock, this)
{
    setObjectName(m_description.names.panel);
    buildControls();

    connect(m_openButton, &QPushButton::clicked, this, &SlotPanel::openPage);
    connect(m_refreshButton, &QPushButton::clicked, &m_slot, &ForumSlot::refreshNow);
    connect(m_startButton, &QPushButton::clicked, this, &SlotPanel::startKeepingOnline);
    connect(m_stopButton, &QPushButton::clicked, &m_slot, &ForumSlot::stop);
    connect(m_periodBox, &QComboBox::activated, this,
            [this](int index) { m_slot.choosePeriod(m_periodBox->itemText(index)); });

    connect(m_refreshTimer, &QTimer::timeout, this,
            [this] { m_slot.refreshTick(m_periodBox->currentText()); });
    connect(m_clockTimer, &QTimer::timeout, &m_slot, &ForumSlot::clockTick);
    // Starting a timer that already runs would restart its period and delay the next tick.
    connect(&m_slot, &ForumSlot::refreshTimerActiveChanged, m_refreshTimer,
            [timer = m_refreshTimer](bool active) { active ? timer->start() : timer->stop(); });
    connect(&m_slot, &ForumSlot::clockTimerActiveChanged, m_clockTimer,
            [timer = m_clockTimer](bool active) { active ? timer->start() : timer->stop(); });

    connect(&m_slot, &ForumSlot::statusChanged, this, &SlotPanel::showStatus);
    connect(&m_slot, &ForumSlot::onlineTimeChanged, this, &SlotPanel::showOnlineTime);
    connect(&m_slot, &ForumSlot::periodLabelChanged, this,
            [this](const QString &text) { setAutoSizedText(m_periodLabel, text); });

    showStatus(m_slot.status());
    m_browser->setShown(false);
}

void SlotPanel::buildControls()
{
    const SlotControlNames &n = m_description.names;
    const SlotDescription &d = m_description;
    const QFont big = songFont(12);
    const QFont small = songFont(10.5);

    makeLabel(this, d.staticLabelName("Label1"), QStringLiteral("网    址："), 360, 600, big);
    m_addressBox = makeComboBox(this, n.addressBox, twipsRect(1800, 600, 3615, 360));
    m_addressBox->setEditText(QStringLiteral("http://"));
    m_openButton = makePictureButton(this, n.openButton, QStringLiteral(":/buttons/open.png"),
                                     QStringLiteral("打开网址"), twipsRect(5880, 600, 735, 495));
    m_refreshButton = makePictureButton(this, n.refreshButton, QStringLiteral(":/buttons/refresh.png"),
                                        QStringLiteral("刷新"), twipsRect(6720, 600, 615, 495));

    makeLabel(this, d.staticLabelName("Label12"), QStringLiteral("已上线:"), 7440, 600, small);
    m_hoursLabel = makeLabel(this, n.hoursLabel, QStringLiteral("0"), 8400, 600, small);
    makeLabel(this, d.staticLabelName("Label13"), QStringLiteral("时"), 8760, 600, small);
    m_minutesLabel = makeLabel(this, n.minutesLabel, QStringLiteral("0"), 9120, 600, small);
    makeLabel(this, d.staticLabelName("Label14"), QStringLiteral("分"), 9480, 600, small);
    m_secondsLabel = makeLabel(this, n.secondsLabel, QStringLiteral("0"), 9840, 600, small);
    makeLabel(this, d.staticLabelName("Label15"), QStringLiteral("秒"), 10200, 600, small);
    for (QLabel *label : {m_hoursLabel, m_minutesLabel, m_secondsLabel})
        setTextColor(label, ClockColor);

    makeLabel(this, d.staticLabelName("Label2"), QStringLiteral("刷新时间："), 360, 1200, big);
    m_periodBox = makeComboBox(this, n.periodBox, twipsRect(1800, 1200, 855, 360));
    m_periodBox->addItems(d.periods);
    m_periodBox->setEditText(QStringLiteral("1"));
    makeLabel(this, d.staticLabelName("Label3"), d.unitCaption, 2880, 1200, big);
    makeLabel(this, d.staticLabelName("Label4"), QStringLiteral("(每隔"), 3360, 1320, small);
    m_periodLabel = makeLabel(this, n.periodLabel, QStringLiteral("1"), 3960, 1320, small);
    makeLabel(this, d.staticLabelName("Label6"), d.everyCaption, 4320, 1320, small);

    m_startButton = makeButton(this, n.startButton, QStringLiteral("开始"), twipsRect(5880, 1200, 975, 375));
    m_stopButton = makeButton(this, n.stopButton, QStringLiteral("停止"), twipsRect(7080, 1200, 975, 375));
    makeLabel(this, d.staticLabelName("Label7"), QStringLiteral("状态:"), 8280, 1320, songFont(12, true));
    m_statusLabel = makeLabel(this, n.statusLabel, QString(), 9000, 1320, songFont(12, true));

    m_refreshTimer = makeTimer(this, n.refreshTimer, d.tickIntervalMs);
    m_clockTimer = makeTimer(this, n.clockTimer, ClockIntervalMs);

    m_browser->setObjectName(n.browser);
}

void SlotPanel::openPage()
{
    m_slot.open(m_addressBox->currentText());
    emit opened();
}

void SlotPanel::startKeepingOnline()
{
    if (m_slot.start(m_periodBox->currentText()))
        return;
    MessageBox::show(this, {QMessageBox::Warning, QStringLiteral("提示"),
                            QStringLiteral("刷新时间请输入整数时间。"), QMessageBox::Ok});
}

void SlotPanel::showStatus(SlotStatus status)
{
    setAutoSizedText(m_statusLabel, statusText(status));
    setTextColor(m_statusLabel, status == SlotStatus::Running ? RunningColor : StoppedColor);
}

void SlotPanel::showOnlineTime(const OnlineTime &time)
{
    setAutoSizedText(m_hoursLabel, QString::number(time.hours));
    setAutoSizedText(m_minutesLabel, QString::number(time.minutes));
    setAutoSizedText(m_secondsLabel, QString::number(time.seconds));
}

} // namespace kelvora
