#pragma once

#include "core/slottable.h"
#include "core/urllistfile.h"

#include <QWidget>

#include <array>
#include <optional>

class QLabel;
class QPushButton;

namespace kelvora {

class Clock;
class SlotPanel;
class SlotProfiles;
class TrayIcon;

/** What the main window is built from; tests change the start page and the tick intervals. */
struct MainWindowSetup
{
    const SlotProfiles *profiles = nullptr; ///< one browser profile per slot
    const Clock *clock = nullptr;           ///< the machine's monotonic clock when null
    QString startPage = QStringLiteral("www.baidu.com");
    std::array<SlotDescription, SlotCount> slotDescriptions = slotTable();
    /** The forum address list offered in every address box; none leaves the lists empty. */
    std::optional<UrlListFile> urlList;
    /** Whether to put an icon into the notification area (and hide there when minimised). */
    bool trayIcon = true;
};

/** The window that holds the eight forum slots, one panel shown at a time. */
class MainWindow : public QWidget
{
    Q_OBJECT

public:
    explicit MainWindow(const MainWindowSetup &setup, QWidget *parent = nullptr);
    ~MainWindow() override;

    SlotPanel *panel(int index) const { return m_panels.at(static_cast<std::size_t>(index)); }
    /** Shows slot `index`'s panel and browser and puts its title into the window caption. */
    void switchToSlot(int index);
    /** The slot whose panel is shown: the first in slot order, or -1 when none is. */
    int visibleSlot() const;
    TrayIcon *trayIcon() const { return m_tray; }

    /** Brings the window back from the notification area at its normal size. */
    void showFromTray();
    /** Ends the program at once, whatever the slots are doing. */
    void exitProgram();

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildTopBar();
    void stepHistory(bool back);
    void loadAddressList(const UrlListFile &file);
    /** Fills every address box's list with the entries, in order. */
    void setAddressEntries(const QStringList &entries);
    void showPairBrowsers(int index);
    /** How long until the next reload of any slot is due. */
    qint64 msUntilAnyReload() const;
    void placePanels();

    std::array<SlotPanel *, SlotCount> m_panels{};
    QLabel *m_welcomeLabel = nullptr;
    QLabel *m_authorLabel = nullptr;
    TrayIcon *m_tray = nullptr;
};

} // namespace kelvora
