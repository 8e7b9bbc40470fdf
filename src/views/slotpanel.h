#pragma once

#include "core/forumslot.h"
#include "core/slottable.h"

#include <QGroupBox>
#include <QPointer>

class QComboBox;
class QLabel;
class QMessageBox;
class QPushButton;
class QWebEngineView;

namespace kelvora {

class AccountControls;
struct PageDialogAnswer;
struct PageDialogRequest;
class SlotRunner;

/**
 * One forum slot on screen: its address and period boxes, buttons, status, online clock and a
 * view of its page, named and placed from the slot's description. It shows what its runner says
 * and sends the user's commands to it; it can go while the slot runs on.
 */
class SlotPanel : public QGroupBox
{
    Q_OBJECT

public:
    explicit SlotPanel(SlotRunner &runner, QWidget *parent = nullptr);
    ~SlotPanel() override;

    const SlotDescription &description() const;
    SlotRunner &runner() const { return m_runner; }
    QComboBox *addressBox() const { return m_addressBox; }

    void showBrowser(bool shown);
    /** Places the view of the page inside the panel, in pixels. */
    void placeBrowser(const QRect &geometry);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    /** The open button was pressed and the page asked for; the window shows the pair's browsers. */
    void opened();
    /** The status label was clicked: the slot's record is to be shown. */
    void recordRequested();

private:
    void buildControls();
    void showRunner();
    void open();
    void start();
    void showStatus(SlotStatus status);
    void showReport();
    void showOnlineTime(const OnlineTime &time);
    void showKept(const SavedSlot &saved);
    PageDialogAnswer answerDialog(const PageDialogRequest &request);
    void dismissPageMessage();
    bool isPageSeen() const;

    SlotRunner &m_runner;
    QWebEngineView *m_view = nullptr;
    QComboBox *m_addressBox = nullptr;
    QComboBox *m_periodBox = nullptr;
    QLabel *m_periodLabel = nullptr;
    QLabel *m_statusLabel = nullptr;
    QLabel *m_hoursLabel = nullptr;
    QLabel *m_minutesLabel = nullptr;
    QLabel *m_secondsLabel = nullptr;
    QPushButton *m_openButton = nullptr;
    QPushButton *m_refreshButton = nullptr;
    QPushButton *m_startButton = nullptr;
    QPushButton *m_stopButton = nullptr;
    QPointer<QMessageBox> m_pageMessage; ///< the page's last alert, while it is shown
    AccountControls *m_account = nullptr;
};

} // namespace kelvora
