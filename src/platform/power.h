#pragma once

#include "core/keepawake.h"

#include <QObject>
#include <QString>

#include <memory>

namespace kelvora {

/**
 * The system's power management: the lock that keeps the machine from sleeping while the program
 * works, and the word that it is about to sleep or has woken. On Linux logind's sleep lock (and the
 * desktop session's, which GNOME's own suspend obeys); on Windows a power request, as
 * `powercfg /requests` shows it. The display may still turn off.
 */
class SystemPower : public QObject, public SleepInhibitor
{
    Q_OBJECT

public:
    /** Why no lock could be taken. */
    enum class Refusal
    {
        NoService,  ///< nothing on this machine takes such a lock (no logind, as in a container)
        NotAllowed, ///< the system does not let this program hold it (a session that is not local)
        Failed,     ///< the system said no for another reason
    };
    Q_ENUM(Refusal)

    explicit SystemPower(QObject *parent = nullptr);
    ~SystemPower() override;

    void hold(const QString &why) override;
    void release() override;
    /** Whether a lock is held now, as far as the system said yes. */
    bool isHeld() const;

signals:
    /** The system is about to sleep. */
    void sleeping();
    /** The system woke from a sleep. */
    void woke();
    /** No lock could be taken (`detail` in the system's words): the machine may sleep. Told once. */
    void refused(kelvora::SystemPower::Refusal why, const QString &detail);

private slots:
    // logind's PrepareForSleep, connected by name as Qt D-Bus connects signals; on Windows the
    // hidden window's WM_POWERBROADCAST.
    void onPrepareForSleep(bool before)
    {
        if (before)
            emit sleeping();
        else
            emit woke();
    }

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace kelvora
