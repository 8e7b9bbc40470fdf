#include "slots/slotpanel.h"

#include "core/period.h"
#include "core/twips.h"
#include "web/webpage.h"
#include "web/webview.h"
#include "widgets/controls.h"
#include "widgets/fonts.h"
#include "widgets/messagebox.h"

#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace kelvora {
namespace {

constexpr int ClockIntervalMs = 1000;
// How long a loaded page is left to run its scripts and store its cookies before it may sleep.
constexpr int SettleMs = 2000;
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

SlotPanel::SlotPanel(const SlotDescription &description, QWebEngineProfile *profile, const Clock &clock,
                     QWidget *parent)
    : QGroupBox(description.caption, parent), m_description(description),
      m_browser(new WebView(profile, this)), m_slot(*m_browser, clock, this)
{
    setObjectName(m_description.names.panel);
    buildControls();

    connect(m_openButton, &QPushButton::clicked, this, &SlotPanel::openPage);
    connect(m_refreshButton, &QPushButton::clicked, &m_slot, &ForumSlot::refreshNow);
    connect(m_startButton, &QPushButton::clicked, this, &SlotPanel::startKeepingOnline);
    connect(m_stopButton, &QPushButton::clicked, &m_slot, &ForumSlot::stop);
    // The period reaches the slot as a number whenever the box's text changes.
    connect(m_periodBox, &QComboBox::editTextChanged, this,
            [this](const QString &text) { m_slot.setTypedPeriod(parsePeriod(text)); });
    connect(m_periodBox, &QComboBox::activated, this, [this](int index) {
        // The list offers only valid periods, but the box is editable: keep the label truthful regardless.
        if (const std::optional<int> period = parsePeriod(m_periodBox->itemText(index)))
            m_slot.choosePeriod(*period);
    });

    // Edits and choices of the user's own; the program's setEditText() is neither. Going into a
    // box counts too: a text put there while the user selects in it would be typed onto.
    for (QComboBox *box : {m_addressBox, m_periodBox}) {
        connect(box->lineEdit(), &QLineEdit::textEdited, this, [this] { m_userInput = true; });
        connect(box, &QComboBox::activated, this, [this] { m_userInput = true; });
        box->installEventFilter(this); // the box takes the focus for its line edit
    }

    connect(m_refreshTimer, &QTimer::timeout, &m_slot, &ForumSlot::refreshTick);
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

    connect(&m_slot, &ForumSlot::reportChanged, this, &SlotPanel::showReport);
    m_settleTimer = new QTimer(this);
    m_settleTimer->setSingleShot(true);
    m_settleTimer->setInterval(SettleMs);
    connect(&m_slot, &ForumSlot::settleRequested, m_settleTimer, qOverload<>(&QTimer::start));
    connect(m_settleTimer, &QTimer::timeout, &m_slot, &ForumSlot::settled);
    connectBrowser();

    showStatus(m_slot.status());
    showReport(m_slot.reportText());
    m_browser->hide();
}

SlotPanel::~SlotPanel()
{
    // Pages can still ask while the window goes away: nobody is left to see them then.
    m_browser->webPage()->setDialogHandler({});
}

void SlotPanel::connectBrowser()
{
    connect(m_browser, &WebView::pageLoadStarted, this, [this] {
        // The page that left a message open is going away.
        dismissPageMessage();
        m_slot.pageLoadStarted();
    });
    connect(m_browser, &WebView::pageLoadFinished, &m_slot, &ForumSlot::pageLoadFinished);
    connect(m_browser, &WebView::rendererGone, &m_slot, &ForumSlot::pageRendererGone);
    connect(m_browser, &QWebEngineView::titleChanged, &m_slot, &ForumSlot::pageTitleChanged);
    connect(m_browser, &QWebEngineView::titleChanged, this, &SlotPanel::pageTitleChanged);
    connect(m_browser, &WebView::pageUrlChanged, &m_slot, &ForumSlot::pageUrlChanged);
    connect(m_browser, &WebView::pageInputChanged, &m_slot, &ForumSlot::pageInputChanged);
    connect(m_browser, &WebView::asideLoadFinished, &m_slot, &ForumSlot::asideLoadFinished);
    m_browser->webPage()->setDialogHandler(
        [this](const PageDialogRequest &request) { return answerDialog(request); });
    // Whether the page is seen changes with its own showing and with the window's.
    m_browser->installEventFilter(this);
    window()->installEventFilter(this);
}

bool SlotPanel::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::FocusIn && (watched == m_addressBox || watched == m_periodBox)) {
        switch (static_cast<QFocusEvent *>(event)->reason()) {
        case Qt::MouseFocusReason:
        case Qt::TabFocusReason:
        case Qt::BacktabFocusReason:
        case Qt::ShortcutFocusReason:
            m_userInput = true;
            break;
        default: // the window's activation or the program's own setFocus()
            break;
        }
    }
    if (type == QEvent::Show || type == QEvent::Hide || type == QEvent::WindowStateChange)
        updatePageSeen();
    return QGroupBox::eventFilter(watched, event);
}

void SlotPanel::updatePageSeen()
{
    const bool seen = isPageSeen();
    if (seen == m_pageSeen)
        return;
    m_pageSeen = seen;
    m_slot.setPageSeen(seen);
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
    switch (m_slot.start()) {
    case ForumSlot::StartResult::Started:
        break;
    case ForumSlot::StartResult::BadPeriod:
        MessageBox::warning(this, QStringLiteral("刷新时间请输入整数时间。"));
        break;
    case ForumSlot::StartResult::NoWebPage:
        MessageBox::warning(this, QStringLiteral("这里显示的不是论坛网页，请先输入论坛的网址并打开。"));
        break;
    }
}

void SlotPanel::showStatus(SlotStatus status)
{
    setAutoSizedText(m_statusLabel, statusText(status));
    // Stopped and logged out are both red: either way the forum is not counting the member's time.
    setTextColor(m_statusLabel, status == SlotStatus::Running ? RunningColor : StoppedColor);
}

void SlotPanel::showReport(const QString &text)
{
    m_statusLabel->setToolTip(text);
    emit reportChanged(text);
}

PageDialogAnswer SlotPanel::answerDialog(const PageDialogRequest &request)
{
    using Handling = DialogDecision::Handling;
    const DialogDecision decision = decideDialog(request.kind, isPageSeen(), request.duringTimerReload);
    const int askingMs = askingTimeMs(m_nextReloadQuery ? m_nextReloadQuery() : msUntilReload());
    if (decision.handling == Handling::AnswerAtOnce ||
        (decision.handling == Handling::AskBriefly && askingMs == 0)) {
        m_slot.pageDialogAnswered();
        return {decision.accept, request.defaultText};
    }

    const QString title = m_description.captionPrefix() + QStringLiteral("网页消息");
    if (decision.handling == Handling::ShowWithoutWaiting) {
        // One message per slot: a newer one replaces the one still shown.
        dismissPageMessage();
        m_pageMessage = MessageBox::showWithoutWaiting(
            this, {QMessageBox::Information, title, request.message, QMessageBox::Ok});
        return {true, {}};
    }

    const MessageBox::Message question{QMessageBox::Question, title, request.message,
                                       QMessageBox::Ok | QMessageBox::Cancel, askingMs};
    if (request.kind == PageDialogKind::Prompt) {
        const std::optional<QString> text = MessageBox::promptBriefly(this, question, request.defaultText);
        return {text.has_value(), text.value_or(QString())};
    }
    return {MessageBox::askBriefly(this, question, QMessageBox::Cancel) == QMessageBox::Ok, {}};
}

void SlotPanel::dismissPageMessage()
{
    if (m_pageMessage)
        m_pageMessage->close();
}

void SlotPanel::showBrowser(bool shown)
{
    m_browser->setVisible(shown);
}

void SlotPanel::placeBrowser(const QRect &geometry)
{
    m_browser->setGeometry(geometry);
}

void SlotPanel::stepHistory(bool back)
{
    back ? m_browser->goBack() : m_browser->goForward();
}

QString SlotPanel::pageTitle() const
{
    return m_browser->title();
}

void SlotPanel::resume(const SavedSlot &saved)
{
    m_addressBox->setEditText(saved.address);
    m_periodBox->setEditText(QString::number(saved.period));
    m_slot.resume(saved);
}

void SlotPanel::sendBrowserTo(const QString &address)
{
    m_slot.goTo(address);
}

bool SlotPanel::isPageSeen() const
{
    return m_browser->isVisible() && !window()->isMinimized();
}

qint64 SlotPanel::msUntilReload() const
{
    const qint64 nextTick = m_refreshTimer->isActive() ? m_refreshTimer->remainingTime() : 0;
    return m_slot.msUntilReload(nextTick, m_refreshTimer->interval());
}

void SlotPanel::showOnlineTime(const OnlineTime &time)
{
    setAutoSizedText(m_hoursLabel, QString::number(time.hours));
    setAutoSizedText(m_minutesLabel, QString::number(time.minutes));
    setAutoSizedText(m_secondsLabel, QString::number(time.seconds));
}

} // namespace kelvora
