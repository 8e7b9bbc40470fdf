#include "mainwin/mainwindow.h"

#include "core/twips.h"
#include "core/windowlayout.h"
#include "platform/desktop.h"
#include "session/slotrunner.h"
#include "views/slotdeck.h"
#include "views/slotpanel.h"
#include "widgets/controls.h"
#include "widgets/fonts.h"
#include "widgets/linklabel.h"
#include "widgets/messagebox.h"
#include "words/author.h"
#include "words/words.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

namespace kelvora {
namespace {

constexpr double TopButtonWidthTwips = 855;
constexpr double TopButtonHeightTwips = 495;
const QColor LinkColor(192, 0, 192);
const QColor LineColor(192, 0, 0);
// The banner blinks between these two as it moves.
const QColor BannerBlue(0, 0, 255);
const QColor BannerRed(255, 0, 0);
const QString TopButtonStyle =
    QStringLiteral("QAbstractButton { border-image: url(:/buttons/tab.png); color: black; }"
                   "QAbstractButton:pressed { padding-top: 2px; }");

QPushButton *makeTopButton(QWidget *parent, const QString &objectName, const QString &caption,
                           double leftTwips)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(objectName);
    button->setToolTip(caption);
    button->setCursor(handCursor());
    button->setFont(songFont(9));
    button->setGeometry(twipsRect(leftTwips, 0, TopButtonWidthTwips, TopButtonHeightTwips));
    button->setStyleSheet(TopButtonStyle);
    return button;
}

// A top-bar button with its picture above its caption.
QToolButton *makePictureTopButton(QWidget *parent, const QString &objectName, const QString &caption,
                                  const QString &picture, double leftTwips)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(objectName);
    button->setText(caption);
    button->setToolTip(caption);
    button->setIcon(QIcon(picture));
    button->setIconSize(QSize(16, 16));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setCursor(handCursor());
    button->setFont(songFont(8));
    button->setGeometry(twipsRect(leftTwips, 0, TopButtonWidthTwips, TopButtonHeightTwips));
    button->setStyleSheet(TopButtonStyle);
    return button;
}

// One of the dark red lines that frame the top bar, from (x1, y1) to (x2, y2) in twips.
void makeLine(QWidget *parent, const QString &objectName, double x1, double y1, double x2, double y2)
{
    auto *line = new QFrame(parent);
    line->setObjectName(objectName);
    const QPoint from = twipsPoint(x1, y1);
    const QPoint to = twipsPoint(x2, y2);
    line->setGeometry(QRect(from, QSize(std::max(1, to.x() - from.x()), std::max(1, to.y() - from.y()))));
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, LineColor);
    line->setPalette(palette);
    line->setAttribute(Qt::WA_TransparentForMouseEvents);
}

LinkLabel *makeLink(QWidget *parent, const QString &objectName, const QString &caption,
                    const QString &toolTip, double leftTwips)
{
    auto *link = new LinkLabel(caption, parent);
    link->setObjectName(objectName);
    link->setToolTip(toolTip);
    link->move(twipsPoint(leftTwips, 10));
    link->adjustSize();
    setTextColor(link, LinkColor);
    return link;
}

QTimer *makeBannerTimer(QObject *parent, const QString &objectName, int intervalMs)
{
    auto *timer = new QTimer(parent);
    timer->setObjectName(objectName);
    timer->setInterval(intervalMs);
    return timer;
}

} // namespace

MainWindow::MainWindow(const MainWindowSetup &setup, QWidget *parent)
    : QWidget(parent), m_mayHideWhenMinimised(setup.mayHideWhenMinimised), m_exitAction(setup.exitAction)
{
    setObjectName(QStringLiteral("main"));
    setWindowTitle(QStringLiteral("Kelvora"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/kelvora-32.png")));
    resize(twipsToPixels(DesignInnerWidthTwips), twipsToPixels(DesignInnerHeightTwips));
    // Pointer movements over the window's own surface undo the links' hover highlight.
    setMouseTracking(true);

    m_deck = new SlotDeck(this, *setup.session);

    // The welcome shows through on slot 1's panel until a slot is first switched to.
    m_welcomeLabel = makeLabel(panel(0), QStringLiteral("Label25"), QStringLiteral("欢迎使用"), 3360, 3840,
                               songFont(42, true));
    m_authorLabel = makeLabel(panel(0), QStringLiteral("Label26"), authorName(), 5760, 5280, songFont(14.25));
    // Beneath the browser, which covers them once slot 1 is opened.
    m_welcomeLabel->lower();
    m_authorLabel->lower();

    buildTopBar();
    buildExtras();
    buildBanner();
    placePanels();
    m_deck->showIdle();
}

MainWindow::~MainWindow() = default;

SlotPanel *MainWindow::panel(int index) const
{
    return m_deck->panel(index);
}

void MainWindow::buildTopBar()
{
    QPushButton *back = makeTopButton(this, QStringLiteral("Command13"), QStringLiteral("后 退"), 0);
    back->setToolTip(QStringLiteral("后一页"));
    connect(back, &QPushButton::clicked, m_deck, [this] { m_deck->stepHistory(true); });
    QPushButton *forward = makeTopButton(this, QStringLiteral("Command14"), QStringLiteral("前 进"), 840);
    forward->setToolTip(QStringLiteral("前一页"));
    connect(forward, &QPushButton::clicked, m_deck, [this] { m_deck->stepHistory(false); });

    for (int i = 0; i < SlotCount; ++i) {
        const SlotDescription &d = panel(i)->description();
        QPushButton *button =
            makeTopButton(this, d.names.switchButton, slotCaption(d.number - 1), d.switchButtonLeftTwips);
        connect(button, &QPushButton::clicked, this, [this, i] { switchToSlot(i); });
        m_switchButtons[std::size_t(i)] = button;
        button->installEventFilter(this); // its tool tip counts down to the next reload
        connect(panel(i), &SlotPanel::recordRequested, this, [this, i] { emit recordRequested(i); });
        // A failing slot can be found from the top bar, without opening each one.
        const SlotRunner &runner = panel(i)->runner();
        auto showReport = [button, caption = slotCaption(i), slot = &runner.slot()] {
            button->setToolTip(caption + QLatin1Char('\n') + slotReportText(slot->report()));
        };
        showReport();
        connect(&runner.slot(), &ForumSlot::reportChanged, button, showReport);
        // The caption names the page of the slot switched to, as the page's title changes.
        connect(&runner, &SlotRunner::pageTitleChanged, this, [this, i] {
            if (i == m_captionSlot)
                showCaption(i);
        });
    }
}

void MainWindow::buildExtras()
{
    QToolButton *add = makePictureTopButton(this, QStringLiteral("Command11"), QStringLiteral("增 加"),
                                            QStringLiteral(":/buttons/add.png"), 8640);
    connect(add, &QToolButton::clicked, this, &MainWindow::editorRequested);
    QToolButton *exit = makePictureTopButton(this, QStringLiteral("Command12"), QStringLiteral("退 出"),
                                             QStringLiteral(":/buttons/exit.png"), 9480);
    if (m_exitAction)
        connect(exit, &QToolButton::clicked, m_exitAction, &QAction::trigger);

    m_links[0] =
        makeLink(this, QStringLiteral("Label16"), QStringLiteral("说明"), QStringLiteral("说 明"), 10680);
    connect(m_links[0], &LinkLabel::clicked, this, &MainWindow::instructionsRequested);
    m_links[1] = makeLink(this, QStringLiteral("Label17"), QStringLiteral("联系作者"),
                          QStringLiteral("联系作者"), 11400);
    connect(m_links[1], &LinkLabel::clicked, this, &MainWindow::homePageRequested);

    m_onTop = new QCheckBox(QStringLiteral("前端显示"), this);
    m_onTop->setObjectName(QStringLiteral("Check1"));
    m_onTop->setToolTip(QStringLiteral("前端显示"));
    m_onTop->setGeometry(twipsRect(10800, 240, 1095, 255));
    m_onTop->setChecked(false);
    connect(m_onTop, &QCheckBox::toggled, this, [this](bool on) { setStaysOnTop(this, on); });

    makeLine(this, QStringLiteral("Line1"), 1750, 1, 1750, 496);
    makeLine(this, QStringLiteral("Line2"), 0, 495, 10350, 495);
    makeLine(this, QStringLiteral("Line3"), 10350, 0, 10350, 495);
    makeLine(this, QStringLiteral("Line4"), 8600, 0, 8600, 495);
}

void MainWindow::buildBanner()
{
    m_banner = new LinkLabel(QString(), this);
    m_banner->setObjectName(QStringLiteral("Label23"));
    m_banner->setHighlightOnHover(false);
    m_banner->move(twipsPoint(m_bannerLeft, 525));
    connect(m_banner, &LinkLabel::clicked, this, &MainWindow::homePageRequested);
    QTimer *move = makeBannerTimer(this, QStringLiteral("Timer5"), banner::MoveIntervalMs);
    connect(move, &QTimer::timeout, this, &MainWindow::moveBanner);
    QTimer *text = makeBannerTimer(this, QStringLiteral("Timer6"), banner::TextIntervalMs);
    connect(text, &QTimer::timeout, this, &MainWindow::changeBannerText);
    move->start();
    text->start();
}

void MainWindow::moveBanner()
{
    m_bannerLeft = banner::nextLeft(m_bannerLeft, width() * TwipsPerPixel);
    m_banner->move(twipsToPixels(m_bannerLeft), m_banner->y());
    m_bannerColour = banner::nextColour(m_bannerColour);
    setTextColor(m_banner, m_bannerColour == banner::Colour::Blue ? BannerBlue : BannerRed);
}

void MainWindow::changeBannerText()
{
    const banner::TextTick tick = banner::nextText(m_greeting);
    m_greeting = tick.counter;
    if (tick.greeting != 0)
        setAutoSizedText(m_banner, bannerGreeting(tick.greeting));
}

void MainWindow::setAddresses(const QStringList &addresses)
{
    m_deck->setAddresses(addresses);
}

void MainWindow::switchToSlot(int index)
{
    m_deck->show(index);
    m_captionSlot = index;
    showCaption(index);
    m_welcomeLabel->hide();
    m_authorLabel->hide();
}

void MainWindow::showCaption(int index)
{
    setWindowTitle(slotCaptionPrefix(index) + panel(index)->runner().pageTitle());
}

void MainWindow::placePanels()
{
    m_deck->place(width() * TwipsPerPixel, height() * TwipsPerPixel);
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placePanels();
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        for (int i = 0; i < SlotCount; ++i) {
            QPushButton *button = m_switchButtons[std::size_t(i)];
            if (watched == button)
                button->setToolTip(slotCaption(i) + QLatin1Char('\n') +
                                   slotReportWithCountdown(panel(i)->runner().slot()));
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !isMinimized())
        return;
    // Minimised, the window lives on as the tray icon alone. Without a notification area it stays
    // an ordinary minimised window: hidden, it could never be brought back.
    if (m_mayHideWhenMinimised && m_mayHideWhenMinimised())
        QMetaObject::invokeMethod(this, &QWidget::hide, Qt::QueuedConnection);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Closing the window asks the program to end; it hides the window itself once it does.
    event->ignore();
    if (m_exitAction)
        m_exitAction->trigger();
}

void MainWindow::mouseMoveEvent(QMouseEvent *event)
{
    QWidget::mouseMoveEvent(event);
    for (LinkLabel *link : m_links)
        link->resetHighlight();
}

} // namespace kelvora
