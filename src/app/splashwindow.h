#pragma once

#include "core/urllistfile.h"

#include <QWidget>

class QListWidget;
class QTimer;

namespace kelvora {

/**
 * The window the program opens with. It makes sure the forum address list exists, seeding it
 * with the default forums, and after two ticks of its one-second timer hands over to the main window.
 */
class SplashWindow : public QWidget
{
    Q_OBJECT

public:
    /** `tickMs` is the timer's period: a second, shorter only in tests. */
    explicit SplashWindow(const UrlListFile &urlList, int tickMs = 1000, QWidget *parent = nullptr);

    /** True when the address list was missing and could not be created (the user has been told). */
    bool seedFailed() const { return m_seedFailed; }

signals:
    /**
     * The splash has closed itself; the main window is to be shown now. `listUsable` is false when
     * the list could not be created, which the user has been told already.
     */
    void finished(bool listUsable);

private:
    void seedIfMissing(const UrlListFile &urlList);
    void tick();

    QListWidget *m_defaultForums = nullptr;
    QTimer *m_timer = nullptr;
    int m_ticks = 0;
    bool m_seedFailed = false;
};

} // namespace kelvora
