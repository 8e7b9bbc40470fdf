#include "mainwin/mainwindow.h"

#include "core/clock.h"
#include "core/twips.h"
#include "core/windowlayout.h"
#include "platform/trayicon.h"
#include "slots/slotpanel.h"
#include "web/webprofile.h"
#include "widgets/controls.h"
#include "widgets/fonts.h"
#include "widgets/messagebox.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>

#include <algorithm>
#include <limits>

namespace kelvora {
namespace {

constexpr double TopButtonWidthTwips = 855;
constexpr double TopButtonHeightTwips = 495;

QPushButton *makeTopButton(QWidget *parent, const QString &objectName, const QString &caption,
                           double leftTwips)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(objectName);
    button->setToolTip(caption);
    button->setCursor(handCursor());
    button->setFont(songFont(9));
    button->setGeometry(twipsRect(leftTwips, 0, TopButtonWidthTwips, TopButtonHeightTwips));
    button->setStyleSheet(QStringLiteral("QPushButton { border-image: url(:/buttons/tab.png); color: black; }"
                                         "QPushButton:pressed { padding-top: 2px; }"));
    return button;
}

} // namespace

MainWindow::MainWindow(const MainWindowSetup &setup, QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("main"));
    setWindowTitle(QStringLiteral("Kelvora"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/kelvora-32.png")));
    resize(twipsToPixels(DesignInnerWidthTwips), twipsToPixels(DesignInnerHeightTwips));
    // Pointer movements over the window's own surface undo the links' hover highlight.
    setMouseTracking(true);

    const Clock &clock = setup.clock ? *setup.clock : SteadyClock::instance();
    for (int i = 0; i < SlotCount; ++i) {
        const auto index = static_cast<std::size_t>(i);
        auto *panel = new SlotPanel(setup.slotDescriptions[index], setup.profiles->profile(i), clock, this);
        m_panels[index] = panel;
        connect(panel, &SlotPanel::opened, this, [this, i] { showPairBrowsers(i); });
        panel->setNextReloadQuery([this] { return msUntilAnyReload(); });
    }

    // The welcome shows through on slot 1's panel until a slot is first switched to.
    m_welcomeLabel = makeLabel(m_panels[0], QStringLiteral("Label25"), QStringLiteral("欢迎使用"), 3360, 3840,
                               songFont(42, true));
    m_authorLabel = makeLabel(m_panels[0], QStringLiteral("Label26"), QStringLiteral("Tavren"), 5760, 5280,
                              songFont(14.25));
    // Beneath the browser, which covers them once slot 1 is opened.
    m_welcomeLabel->lower();
    m_authorLabel->lower();

    buildTopBar();
    placePanels();

    // Every slot starts idle on the start page, its browser hidden; only slot 1's panel shows.
    for (std::size_t first = 0; first < m_panels.size(); first += 2) {
        SlotPanel *one = m_panels[first];
        SlotPanel *two = m_panels[first + 1];
        one->sendBrowserTo(setup.startPage);
        one->showBrowser(false);
        two->showBrowser(false);
        two->sendBrowserTo(setup.startPage);
        one->setVisible(first == 0);
        two->setVisible(false);
    }

    if (setup.trayIcon) {
        m_tray = new TrayIcon(this);
        connect(m_tray, &TrayIcon::showRequested, this, &MainWindow::showFromTray);
        connect(m_tray, &TrayIcon::exitRequested, this, &MainWindow::exitProgram);
        m_tray->show();
    }

    if (setup.urlList)
        loadAddressList(*setup.urlList);
}

MainWindow::~MainWindow() = default;

void MainWindow::buildTopBar()
{
    QPushButton *back = makeTopButton(this, QStringLiteral("Command13"), QStringLiteral("后 退"), 0);
    back->setToolTip(QStringLiteral("后一页"));
    connect(back, &QPushButton::clicked, this, [this] { stepHistory(true); });
    QPushButton *forward = makeTopButton(this, QStringLiteral("Command14"), QStringLiteral("前 进"), 840);
    forward->setToolTip(QStringLiteral("前一页"));
    connect(forward, &QPushButton::clicked, this, [this] { stepHistory(false); });

    for (int i = 0; i < SlotCount; ++i) {
        const SlotDescription &d = m_panels[static_cast<std::size_t>(i)]->description();
        QPushButton *button = makeTopButton(this, d.names.switchButton, d.caption, d.switchButtonLeftTwips);
        connect(button, &QPushButton::clicked, this, [this, i] { switchToSlot(i); });
        // A failing slot can be found from the top bar, without opening each one.
        SlotPanel *panel = m_panels[static_cast<std::size_t>(i)];
        auto showReport = [button, caption = d.caption](const QString &report) {
            button->setToolTip(caption + QLatin1Char('\n') + report);
        };
        showReport(panel->slot().reportText());
        connect(panel, &SlotPanel::reportChanged, button, showReport);
    }
}

void MainWindow::loadAddressList(const UrlListFile &file)
{
    // The whole file is read and closed at once; whatever came before a read error is still offered.
    const UrlListRead read = file.readEntries();
    setAddressEntries(read.entries);
    if (read.ok())
        return;
    MessageBox::warning(
        this,
        QStringLiteral("无法读取网址列表文件 %1：%2").arg(QDir::toNativeSeparators(file.path()), read.error));
}

void MainWindow::setAddressEntries(const QStringList &entries)
{
    for (SlotPanel *panel : m_panels) {
        QComboBox *box = panel->addressBox();
        const QString editText = box->currentText();
        box->clear();
        box->addItems(entries);
        box->setEditText(editText);
    }
}

void MainWindow::switchToSlot(int index)
{
    SlotPanel *shown = m_panels.at(static_cast<std::size_t>(index));
    shown->setVisible(true);
    for (SlotPanel *panel : m_panels) {
        if (panel != shown)
            panel->setVisible(false);
    }
    setWindowTitle(shown->description().captionPrefix() + shown->pageTitle());
    shown->showBrowser(true);
    m_welcomeLabel->hide();
    m_authorLabel->hide();
}

int MainWindow::visibleSlot() const
{
    for (int i = 0; i < SlotCount; ++i) {
        if (m_panels.at(static_cast<std::size_t>(i))->isVisibleTo(this))
            return i;
    }
    return -1;
}

void MainWindow::stepHistory(bool back)
{
    // The shown slot is looked up at each press; a browser with nowhere to go ignores the step.
    const int index = visibleSlot();
    if (index < 0)
        return;
    m_panels.at(static_cast<std::size_t>(index))->stepHistory(back);
}

qint64 MainWindow::msUntilAnyReload() const
{
    qint64 soonest = std::numeric_limits<qint64>::max();
    for (const SlotPanel *panel : m_panels)
        soonest = std::min(soonest, panel->msUntilReload());
    return soonest;
}

void MainWindow::showFromTray()
{
    show();
    showNormal();
    raise();
    activateWindow();
}

void MainWindow::exitProgram()
{
    hide();
    if (m_tray)
        m_tray->remove();
    QApplication::quit();
}

void MainWindow::showPairBrowsers(int index)
{
    // The pair's first browser, then its second, whichever of the two was opened.
    const SlotDescription &d = m_panels.at(static_cast<std::size_t>(index))->description();
    const auto first = static_cast<std::size_t>(d.firstOfGroup ? index : d.partner);
    m_panels.at(first)->showBrowser(true);
    m_panels.at(first + 1)->showBrowser(true);
}

void MainWindow::placePanels()
{
    const double w = width() * TwipsPerPixel;
    const double h = height() * TwipsPerPixel;
    for (SlotPanel *panel : m_panels) {
        panel->setGeometry(twipsToPixels(panelRectTwips(w, h)));
        panel->placeBrowser(twipsToPixels(browserRectTwips(w, h)));
    }
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placePanels();
}

void MainWindow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !isMinimized())
        return;
    // Minimised, the window lives on as the tray icon alone. Without a notification area it stays
    // an ordinary minimised window: hidden, it could never be brought back.
    if (m_tray && m_tray->isAvailable())
        QMetaObject::invokeMethod(this, &QWidget::hide, Qt::QueuedConnection);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Closing the window ends the program at once, whatever the slots are doing.
    event->accept();
    exitProgram();
}

void MainWindow::mouseMoveEvent(QMouseEvent *event)
{
    QWidget::mouseMoveEvent(event);
    for (const char *name : {"Label16", "Label17"}) {
        if (auto *link = findChild<QLabel *>(QLatin1String(name), Qt::FindDirectChildrenOnly))
            resetLinkHighlight(link);
    }
}

} // namespace kelvora
