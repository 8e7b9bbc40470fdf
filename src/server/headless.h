#pragma once

#include "session/slotsession.h"

#include <QHostAddress>
#include <QObject>

#include <functional>
#include <memory>
#include <optional>

namespace kelvora {

class AccountStore;
class AccountStoreWithMemory;
class SlotProfiles;
class SystemPower;
class WebPageService;

/** What the program with no window is made of; tests give their own. */
struct HeadlessSetup
{
    HeadlessSetup(std::unique_ptr<SlotProfiles> profiles, QString dataFolder);
    HeadlessSetup(HeadlessSetup &&) noexcept;
    ~HeadlessSetup();

    std::unique_ptr<SlotProfiles> profiles;
    /** Where the slots' state, the record and the page's configuration are: the desktop's own. */
    QString dataFolder;
    SessionSetup session;
    /** The command line's address and port for the page, over the configuration's. */
    std::optional<QHostAddress> webAddress;
    std::optional<quint16> webPort;
    /** Whether someone watches the start: the access code is shown only then. */
    bool interactive = false;
    /** The system's credential store; by default the system's own. */
    std::unique_ptr<AccountStore> accounts;
    std::unique_ptr<SystemPower> power;
    /** Where the user's words go; by default standard error. */
    std::function<void(const QString &)> tell;
    /** Ends the event loop once everything is put away; by default QCoreApplication::quit. */
    std::function<void()> quit;
};

/**
 * The program with no window: the same session as the desktop's, on the same data, watched and
 * steered from its web page. It ends, in order, when asked (a signal, the session's end).
 */
class HeadlessProgram : public QObject
{
    Q_OBJECT

public:
    explicit HeadlessProgram(HeadlessSetup setup);
    ~HeadlessProgram() override;

    /** Serves the page and resumes the slots. */
    void start();
    void endNow();
    /** Where the page is; empty while it is not served. */
    QString pageAddress() const;
    SlotSession &session() const { return *m_session; }
    WebPageService &web() const { return *m_web; }

private:
    void tell(const QString &line) const;

    HeadlessSetup m_setup;
    std::unique_ptr<AccountStoreWithMemory> m_accounts;
    std::unique_ptr<SlotSession> m_session;
    std::unique_ptr<WebPageService> m_web;
};

} // namespace kelvora
