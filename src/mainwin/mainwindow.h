#pragma once

#include "core/banner.h"
#include "core/slottable.h"

#include <QWidget>

#include <array>
#include <functional>

class QCheckBox;
class QLabel;
class QTimer;

namespace kelvora {

class Clock;
class LinkLabel;
class SlotDeck;
class SlotPanel;
class SlotProfiles;

/** What the main window is built from; tests change the start page and the tick intervals. */
struct MainWindowSetup
{
    const SlotProfiles *profiles = nullptr; ///< one browser profile per slot
    const Clock *clock = nullptr;           ///< the machine's clocks when null
    QString startPage = startPageAddress();
    std::array<SlotDescription, SlotCount> slotDescriptions = slotTable();
    /**
     * Whether the window, minimised, may hide: true while the program's icon is in a notification
     * area to bring it back from. None: it only minimises.
     */
    std::function<bool()> mayHideWhenMinimised;
};

/** The window that holds the eight forum slots, one panel shown at a time. */
class MainWindow : public QWidget
{
    Q_OBJECT

public:
    explicit MainWindow(const MainWindowSetup &setup, QWidget *parent = nullptr);
    ~MainWindow() override;

    SlotPanel *panel(int index) const;
    /** Shows slot `index`'s panel and browser and puts its title into the window caption. */
    void switchToSlot(int index);
    /** The forum addresses every address box offers, in order. */
    void setAddresses(const QStringList &addresses);

signals:
    /** The close box or "退 出": the program is to end. */
    void exitRequested();
    /** "增 加": the address list editor is to be opened. */
    void editorRequested();
    /** "说明": the instructions window is to be opened. */
    void instructionsRequested();
    /** "联系作者" or the banner: the author's home page is to be opened. */
    void homePageRequested();

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildTopBar();
    void buildExtras();
    void buildBanner();
    void showCaption(int index);
    void placePanels();
    void moveBanner();
    void changeBannerText();

    SlotDeck *m_deck = nullptr;
    QLabel *m_welcomeLabel = nullptr;
    QLabel *m_authorLabel = nullptr;
    QCheckBox *m_onTop = nullptr;
    std::array<LinkLabel *, 2> m_links{};
    LinkLabel *m_banner = nullptr;
    double m_bannerLeft = banner::StartLeftTwips;
    banner::Colour m_bannerColour = banner::Colour::Default;
    int m_greeting = 0;
    int m_captionSlot = -1; ///< the slot whose page the caption names: the one switched to last
    std::function<bool()> m_mayHideWhenMinimised;
};

} // namespace kelvora
