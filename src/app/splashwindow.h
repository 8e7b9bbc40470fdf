#pragma once

#include <QWidget>

class QTimer;

namespace kelvora {

/** The window the program opens with: after two ticks of its one-second timer it hands over to the main
 * window. */
class SplashWindow : public QWidget
{
    Q_OBJECT

public:
    /** `tickMs` is the timer's period: a second, shorter only in tests. */
    explicit SplashWindow(int tickMs = 1000, QWidget *parent = nullptr);

signals:
    /** The splash has closed itself; the main window is to be shown now. */
    void finished();

private:
    void tick();

    QTimer *m_timer = nullptr;
    int m_ticks = 0;
};

} // namespace kelvora
