#include "views/slotpanel.h"

#include "core/period.h"
#include "core/twips.h"
#include "session/slotrunner.h"
#include "views/accountcontrols.h"
#include "web/webpage.h"
#include "widgets/controls.h"
#include "widgets/fonts.h"
#include "widgets/messagebox.h"
#include "words/words.h"

#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QWebEngineView>

namespace kelvora {
namespace {

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

} // namespace

SlotPanel::SlotPanel(SlotRunner &runner, QWidget *parent)
    : QGroupBox(slotCaption(runner.description().number - 1), parent), m_runner(runner),
      m_view(new QWebEngineView(this))
{
    setObjectName(description().names.panel);
    buildControls();
    showRunner();

    connect(m_openButton, &QPushButton::clicked, this, &SlotPanel::open);
    connect(m_refreshButton, &QPushButton::clicked, &m_runner, &SlotRunner::reloadNow);
    connect(m_startButton, &QPushButton::clicked, this, &SlotPanel::start);
    connect(m_stopButton, &QPushButton::clicked, &m_runner, &SlotRunner::stop);
    // The period goes one way: what the user types or chooses reaches the slot as a number; the
    // label and the status come back from the slot.
    connect(m_periodBox, &QComboBox::editTextChanged, &m_runner,
            [this](const QString &text) { m_runner.setTypedPeriod(parsePeriod(text)); });
    connect(m_periodBox, &QComboBox::activated, &m_runner, [this](int index) {
        // The list offers only valid periods, but the box is editable: keep the label truthful regardless.
        if (const std::optional<int> period = parsePeriod(m_periodBox->itemText(index)))
            m_runner.choosePeriod(*period);
    });

    // Edits and choices of the user's own; the program's setEditText() is neither. Going into a
    // box counts too: a text put there while the user selects in it would be typed onto.
    for (QComboBox *box : {m_addressBox, m_periodBox}) {
        connect(box->lineEdit(), &QLineEdit::textEdited, &m_runner, &SlotRunner::noteUserInput);
        connect(box, &QComboBox::activated, &m_runner, &SlotRunner::noteUserInput);
        box->installEventFilter(this); // the box takes the focus for its line edit
    }

    const ForumSlot &slot = m_runner.slot();
    connect(&slot, &ForumSlot::statusChanged, this, &SlotPanel::showStatus);
    connect(&slot, &ForumSlot::onlineTimeChanged, this, &SlotPanel::showOnlineTime);
    connect(&slot, &ForumSlot::periodChanged, this,
            [this](int period) { setAutoSizedText(m_periodLabel, QString::number(period)); });
    connect(&slot, &ForumSlot::reportChanged, this, [this] { showReport(); });
    connect(&m_runner, &SlotRunner::resumed, this, &SlotPanel::showKept);
    connect(m_runner.page(), &WebPage::pageLoadStarted, this, &SlotPanel::dismissPageMessage);

    m_view->setPage(m_runner.page());
    m_runner.page()->setViewShownQuery(
        [view = QPointer<QWebEngineView>(m_view)] { return view && view->isVisible(); });
    m_runner.page()->setDialogHandler(
        [this](const PageDialogRequest &request) { return answerDialog(request); });
    // Whether the page is seen changes with the view's own showing and with the window's.
    m_view->installEventFilter(this);
    window()->installEventFilter(this);
    m_view->hide();
}

SlotPanel::~SlotPanel()
{
    // The page runs on without this view: nobody sees it, and nobody is left to ask.
    m_runner.page()->setDialogHandler({});
    m_runner.setPageSeen(false);
}

const SlotDescription &SlotPanel::description() const
{
    return m_runner.description();
}

void SlotPanel::showRunner()
{
    const ForumSlot &slot = m_runner.slot();
    if (!m_runner.openedAddress().isEmpty())
        m_addressBox->setEditText(m_runner.openedAddress());
    m_periodBox->setEditText(QString::number(slot.period()));
    setAutoSizedText(m_periodLabel, QString::number(slot.acceptedPeriod()));
    showStatus(slot.status());
    showOnlineTime(slot.onlineTime());
    showReport();
}

void SlotPanel::showKept(const SavedSlot &saved)
{
    m_addressBox->setEditText(saved.address);
    m_periodBox->setEditText(QString::number(saved.period));
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
            m_runner.noteUserInput();
            break;
        default: // the window's activation or the program's own setFocus()
            break;
        }
    }
    if (type == QEvent::Show || type == QEvent::Hide || type == QEvent::WindowStateChange)
        m_runner.setPageSeen(isPageSeen());
    if (watched == m_statusLabel && type == QEvent::ToolTip) // the countdown is as of now
        m_statusLabel->setToolTip(slotReportWithCountdown(m_runner.slot()) +
                                  QStringLiteral("\n单击查看挂机记录"));
    if (watched == m_statusLabel && type == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
        emit recordRequested();
    return QGroupBox::eventFilter(watched, event);
}

void SlotPanel::buildControls()
{
    const SlotDescription &d = description();
    const SlotControlNames &n = d.names;
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
    makeLabel(this, d.staticLabelName("Label3"), periodUnitText(d), 2880, 1200, big);
    makeLabel(this, d.staticLabelName("Label4"), QStringLiteral("(每隔"), 3360, 1320, small);
    m_periodLabel = makeLabel(this, n.periodLabel, QStringLiteral("1"), 3960, 1320, small);
    makeLabel(this, d.staticLabelName("Label6"), periodEveryText(d), 4320, 1320, small);

    m_startButton = makeButton(this, n.startButton, QStringLiteral("开始"), twipsRect(5880, 1200, 975, 375));
    m_stopButton = makeButton(this, n.stopButton, QStringLiteral("停止"), twipsRect(7080, 1200, 975, 375));
    makeLabel(this, d.staticLabelName("Label7"), QStringLiteral("状态:"), 8280, 1320, songFont(12, true));
    m_statusLabel = makeLabel(this, n.statusLabel, QString(), 9000, 1320, songFont(12, true));
    m_statusLabel->setCursor(handCursor());
    m_statusLabel->installEventFilter(this);

    m_view->setObjectName(n.browser);
    m_account = new AccountControls(m_runner, this);
}

void SlotPanel::open()
{
    m_runner.open(m_addressBox->currentText());
    emit opened();
}

void SlotPanel::start()
{
    switch (m_runner.start()) {
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

void SlotPanel::showReport()
{
    m_statusLabel->setToolTip(slotReportText(m_runner.slot().report()));
}

void SlotPanel::showStatus(SlotStatus status)
{
    setAutoSizedText(m_statusLabel, statusText(status));
    // Stopped and logged out are both red: either way the forum is not counting the member's time.
    setTextColor(m_statusLabel, status == SlotStatus::Running ? RunningColor : StoppedColor);
}

PageDialogAnswer SlotPanel::answerDialog(const PageDialogRequest &request)
{
    using Handling = DialogDecision::Handling;
    const DialogDecision decision = decideDialog(request.kind, isPageSeen(), request.duringTimerReload);
    const int askingMs = askingTimeMs(m_runner.msUntilAnyReload());
    if (decision.handling == Handling::AnswerAtOnce ||
        (decision.handling == Handling::AskBriefly && askingMs == 0)) {
        m_runner.noteDialogAnswered();
        return {decision.accept, request.defaultText};
    }

    const QString title = slotCaptionPrefix(description().number - 1) + QStringLiteral("网页消息");
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
    m_view->setVisible(shown);
    m_account->setBrowserShown(shown);
}

void SlotPanel::placeBrowser(const QRect &geometry)
{
    m_view->setGeometry(geometry);
    m_account->placeOver(geometry);
}

bool SlotPanel::isPageSeen() const
{
    return m_view->isVisible() && !window()->isMinimized();
}

void SlotPanel::showOnlineTime(const OnlineTime &time)
{
    setAutoSizedText(m_hoursLabel, QString::number(time.hours));
    setAutoSizedText(m_minutesLabel, QString::number(time.minutes));
    setAutoSizedText(m_secondsLabel, QString::number(time.seconds));
}

} // namespace kelvora
