#include "common/guitest.h"

#include "common/fakes.h"
#include "platform/power.h"
#include "web/webpage.h"

#include <QComboBox>
#include <QDir>
#include <QPushButton>

namespace kelvora::test {

void openAndStart(MainWindow &window, int index, const QUrl &address, const QString &period)
{
    const SlotControlNames &n = slotTable()[static_cast<std::size_t>(index)].names;
    window.switchToSlot(index);
    auto *panel = child<QWidget>(&window, n.panel);
    child<QComboBox>(panel, n.addressBox)->setEditText(address.toString());
    child<QComboBox>(panel, n.periodBox)->setEditText(period);
    QTest::mouseClick(child<QPushButton>(panel, n.openButton), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>(panel, n.startButton), Qt::LeftButton);
}

ApplicationSetup programSetup(const QString &folder, int *quits)
{
    ApplicationSetup setup(
        SlotProfiles::inMemory(),
        UrlListFile(QDir(folder).filePath(QStringLiteral("userbbs.dat")), TextEncoding::Utf8));
    setup.startPage = QStringLiteral("about:blank");
    setup.tray = false;
    setup.splashTickMs = 10;
    setup.quit = [quits] { ++*quits; };
    setup.accounts = std::make_unique<FakeAccountStore>(); // the machine's own store stays untouched
    setup.power.reset();                                   // and so does its power management
    return setup;
}

SlotWindow::SlotWindow() : m_exit(std::make_unique<QAction>(QStringLiteral("退出程序"))) {}

SlotWindow::~SlotWindow()
{
    close();
}

bool SlotWindow::open(const SlotSetup &setup)
{
    SessionSetup session;
    session.descriptions = setup.slotDescriptions;
    session.loadLimitMs = setup.loadLimitMs;
    session.accounts = setup.accounts;
    m_session = std::make_unique<SlotSession>(*m_profiles.get(), *setup.clock, session);
    m_session->loadStartPage(setup.startPage);
    return openWindow();
}

void SlotWindow::close()
{
    // The views go before the pages they show.
    m_window.reset();
    m_session.reset();
}

bool SlotWindow::openWindow()
{
    MainWindowSetup setup;
    setup.session = m_session.get();
    setup.exitAction = m_exit.get();
    m_window = std::make_unique<MainWindow>(setup);
    m_window->show();
    return QTest::qWaitForWindowExposed(m_window.get());
}

QWidget *SlotWindow::panel(int slot) const
{
    return child<QWidget>(m_window.get(), names(slot).panel);
}

QWebEnginePage *SlotWindow::page(int slot) const
{
    return runner(slot).page();
}

void SlotWindow::click(int slot, Control button) const
{
    control<QPushButton>(slot, button)->click();
}

void SlotWindow::type(int slot, Control box, const QString &text) const
{
    control<QComboBox>(slot, box)->setEditText(text);
}

void SlotWindow::openAndStart(int slot, const QUrl &address, const QString &period) const
{
    test::openAndStart(*m_window, slot, address, period);
}

QVariant SlotWindow::evaluate(int slot, const QString &script) const
{
    QVariant result;
    bool done = false;
    page(slot)->runJavaScript(script, [&](const QVariant &value) {
        result = value;
        done = true;
    });
    if (!waitUntil([&done] { return done; }, 5000))
        qWarning("slot %d's page gave no answer to: %s", slot + 1, qPrintable(script));
    return result;
}

bool SlotWindow::openAndWait(int slot, const QUrl &address, int timeoutMs) const
{
    m_window->switchToSlot(slot);
    type(slot, &SlotControlNames::addressBox, address.toString());
    click(slot, &SlotControlNames::openButton);
    return waitUntil([&] { return page(slot)->url() == address && !page(slot)->isLoading(); }, timeoutMs);
}

} // namespace kelvora::test
