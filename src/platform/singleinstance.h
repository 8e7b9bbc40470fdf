#pragma once

#include <QObject>

class QLocalServer;

namespace kelvora {

/**
 * Keeps the program to one instance per user. The first to start listens on a local socket
 * (in the user's runtime folder on Unix, a named pipe of the user on Windows); a second start
 * finds it there, asks it to show itself and ends.
 */
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    explicit SingleInstance(QObject *parent = nullptr);

    /**
     * True when this is the only instance: it listens from now on. False when another one runs
     * and has been asked to show its window: this one is to end.
     */
    bool claim();

    /** What the running instance said of itself when claim() found it: see setRunningAs(). */
    const QString &otherRunsAs() const { return m_otherRunsAs; }
    /**
     * What this instance tells a second start: "desktop" (the default), or "headless" and where its
     * page is.
     */
    void setRunningAs(const QString &what) { m_runningAs = what; }

signals:
    /** A second start asked the running program to show itself. */
    void showRequested();

private:
    QLocalServer *m_server = nullptr;
    QString m_runningAs = QStringLiteral("desktop");
    QString m_otherRunsAs;
};

/** The local socket's name for this user. */
QString singleInstanceChannel();

} // namespace kelvora
