#pragma once

#include "core/banner.h"
#include "core/slottable.h"

#include <QWidget>

#include <array>
#include <functional>

class QAction;
class QCheckBox;
class QLabel;
class QPushButton;
class QTimer;

namespace kelvora {

class LinkLabel;
class SlotDeck;
class SlotPanel;
class SlotSession;

/** What the main window is built from. */
struct MainWindowSetup
{
    /** The running slots the window shows; they outlive it. */
    const SlotSession *session = nullptr;
    /** What "退 出" and the close box trigger: the program's one exit command. */
    QAction *exitAction = nullptr;
    /**
     * Whether the window, minimised, may hide: true while the program's icon is in a notification
     * area to bring it back from. None: it only minimises.
     */
    std::function<bool()> mayHideWhenMinimised;
};

/**
 * The window that shows the eight running forum slots, one panel at a time. It can go and come
 * back while the slots run on.
 */
class MainWindow : public QWidget
{
    Q_OBJECT

public:
    explicit MainWindow(const MainWindowSetup &setup, QWidget *parent = nullptr);
    ~MainWindow() override;

    SlotPanel *panel(int index) const;
    /** Shows slot `index`'s panel and browser and puts its title into the window caption. */
    void switchToSlot(int index);
    /** The slot switched to last; -1 while the welcome shows. */
    int switchedSlot() const { return m_captionSlot; }
    /** The forum addresses every address box offers, in order. */
    void setAddresses(const QStringList &addresses);

signals:
    /** "增 加": the address list editor is to be opened. */
    void editorRequested();
    /** "说明": the instructions window is to be opened. */
    void instructionsRequested();
    /** "联系作者" or the banner: the author's home page is to be opened. */
    void homePageRequested();
    /** A slot's status label was clicked: the record is to be shown at that slot. */
    void recordRequested(int index);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
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
    std::array<QPushButton *, SlotCount> m_switchButtons{};
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
    QAction *m_exitAction = nullptr;
};

} // namespace kelvora
