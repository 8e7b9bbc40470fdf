#include "server/headless.h"

#include "core/clock.h"
#include "core/memoryaccounts.h"
#include "platform/accountstore.h"
#include "platform/power.h"
#include "platform/terminal.h"
#include "server/webservice.h"
#include "web/webprofile.h"
#include "words/words.h"

#include <QCoreApplication>
#include <QDir>

namespace kelvora {

HeadlessSetup::HeadlessSetup(std::unique_ptr<SlotProfiles> slotProfiles, QString folder)
    : profiles(std::move(slotProfiles)), dataFolder(std::move(folder)),
      accounts(std::make_unique<SystemAccountStore>()), power(std::make_unique<SystemPower>())
{}
HeadlessSetup::HeadlessSetup(HeadlessSetup &&) noexcept = default;
HeadlessSetup::~HeadlessSetup() = default;

HeadlessProgram::HeadlessProgram(HeadlessSetup setup) : m_setup(std::move(setup))
{
    QDir().mkpath(m_setup.dataFolder);
    SessionSetup &session = m_setup.session;
    if (session.stateFile.isEmpty())
        session.stateFile = QDir(m_setup.dataFolder).filePath(QStringLiteral("slots.json"));
    m_accounts = std::make_unique<AccountStoreWithMemory>(*m_setup.accounts);
    session.accounts = m_accounts.get();
    session.power = m_setup.power.get();
    m_session = std::make_unique<SlotSession>(*m_setup.profiles, SystemClock::instance(), session);
    m_web = std::make_unique<WebPageService>(*m_session, m_accounts.get(), m_setup.dataFolder);

    // Nobody sits at this machine: what the desktop would show in a message goes to the log.
    connect(m_session.get(), &SlotSession::stateUnusable, this,
            [this](const StateRead &read, const QString &) { tell(stateProblemText(read)); });
    connect(m_session.get(), &SlotSession::stateKeptChanged, this, [this](bool kept, const QString &error) {
        if (!kept)
            tell(error);
    });
    connect(m_session.get(), &SlotSession::recordProblem, this,
            [this](const RecordProblem &problem) { tell(recordProblemText(problem)); });
    connect(m_session.get(), &SlotSession::sleepLockRefused, this,
            [this](SystemPower::Refusal why, const QString &detail) {
                tell(sleepLockRefusedText(why == SystemPower::Refusal::NoService,
                                          why == SystemPower::Refusal::NotAllowed, detail));
            });
    connect(m_session.get(), &SlotSession::ended, this, [this] {
        m_web->stop();
        if (m_setup.quit)
            m_setup.quit();
        else
            QCoreApplication::quit();
    });
}

HeadlessProgram::~HeadlessProgram()
{
    m_web.reset();
    m_session.reset();
}

void HeadlessProgram::tell(const QString &line) const
{
    if (m_setup.tell)
        m_setup.tell(line);
    else
        tellOnConsole(line);
}

void HeadlessProgram::start()
{
    WebUiConfig config = m_web->readConfig();
    if (m_setup.webAddress)
        config.address = *m_setup.webAddress;
    if (m_setup.webPort)
        config.port = *m_setup.webPort;
    for (const QString &line : m_web->serve(config, m_setup.interactive))
        tell(line);
    m_session->start();
}

void HeadlessProgram::endNow()
{
    m_session->shutDown();
}

QString HeadlessProgram::pageAddress() const
{
    return m_web->pageAddress();
}

} // namespace kelvora
