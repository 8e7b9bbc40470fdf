#include "app/splashwindow.h"

#include "core/twips.h"
#include "widgets/controls.h"
#include "widgets/fonts.h"
#include "words/author.h"

#include <QLabel>
#include <QScreen>
#include <QTimer>

namespace kelvora {

SplashWindow::SplashWindow(int tickMs, QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Form1"));
    setFixedSize(twipsToPixels(5205), twipsToPixels(2925));
    setAutoFillBackground(true);
    QPalette ground = palette();
    ground.setColor(QPalette::Window, QColor(255, 255, 128));
    setPalette(ground);

    QLabel *title = makeLabel(this, QStringLiteral("Label1"), QStringLiteral("Kelvora 论坛挂机"), 240, 720,
                              clericalFont(24));
    setTextColor(title, QColor(128, 0, 0));
    QLabel *signature = makeLabel(this, QStringLiteral("Label2"), authorName() + QStringLiteral(" 制作"),
                                  2880, 1920, songFont(15.75));
    setTextColor(signature, QColor(0, 0, 192));

    if (const QScreen *screen = this->screen())
        move(screen->geometry().center() - rect().center());

    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(tickMs);
    connect(m_timer, &QTimer::timeout, this, &SplashWindow::tick);
    m_timer->start();
}

void SplashWindow::tick()
{
    if (++m_ticks < 2)
        return;
    m_timer->stop();
    close();
    emit finished();
}

} // namespace kelvora
