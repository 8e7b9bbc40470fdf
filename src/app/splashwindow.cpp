#include "app/splashwindow.h"

#include "core/twips.h"
#include "widgets/controls.h"
#include "widgets/fonts.h"
#include "widgets/messagebox.h"

#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QScreen>
#include <QTimer>

namespace kelvora {

SplashWindow::SplashWindow(const UrlListFile &urlList, int tickMs, QWidget *parent)
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
    QLabel *signature =
        makeLabel(this, QStringLiteral("Label2"), QStringLiteral("Tavren 制作"), 2880, 1920, songFont(15.75));
    setTextColor(signature, QColor(0, 0, 192));

    // The default forums travel with this window; the list itself is never shown.
    m_defaultForums = new QListWidget(this);
    m_defaultForums->setObjectName(QStringLiteral("List1"));
    m_defaultForums->setGeometry(twipsRect(960, 240, 975, 420));
    m_defaultForums->addItems(defaultForumList());
    m_defaultForums->hide();

    if (const QScreen *screen = this->screen())
        move(screen->geometry().center() - rect().center());

    seedIfMissing(urlList);

    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(tickMs);
    connect(m_timer, &QTimer::timeout, this, &SplashWindow::tick);
    m_timer->start();
}

void SplashWindow::seedIfMissing(const UrlListFile &urlList)
{
    if (urlList.exists())
        return;
    QStringList entries;
    for (int i = 0; i < m_defaultForums->count(); ++i)
        entries << m_defaultForums->item(i)->text();
    const UrlListResult result = urlList.seed(entries);
    if (result.ok())
        return;
    m_seedFailed = true;
    MessageBox::warning(this, QStringLiteral("无法创建网址列表文件 %1：%2")
                                  .arg(QDir::toNativeSeparators(urlList.path()), result.error));
}

void SplashWindow::tick()
{
    if (++m_ticks < 2)
        return;
    m_timer->stop();
    close();
    emit finished(!m_seedFailed);
}

} // namespace kelvora
