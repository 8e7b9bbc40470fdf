#include "core/relogintry.h"

#include "core/address.h"

#include <utility>

namespace kelvora {
namespace {
// The longest a step of a try waits (the store, the login page, the forum's answer): longer than a
// forum may take over a page.
constexpr qint64 StepLimitMs = 90000;
} // namespace

ReloginTry::ReloginTry(ReloginHost &host, TimerFactory &timers, QObject *parent)
    : QObject(parent), m_host(host),
      m_stepLimit(timers.makeTimer(QStringLiteral("reloginLimit"), StepLimitMs))
{
    m_stepLimit->setCallback([this] { stepTimedOut(); });
}

ReloginTry::~ReloginTry() = default;

void ReloginTry::setAccountStore(AccountStore *store, int index)
{
    m_accounts = store;
    m_index = index;
}

bool ReloginTry::setAccount(const std::optional<QString> &userName, bool givenAnew)
{
    if (userName == m_accountUser && !givenAnew)
        return false;
    cancel();
    m_accountUser = userName;
    m_plan.setHasAccount(userName.has_value(), givenAnew);
    return true;
}

void ReloginTry::startIfDue(qint64 nowMs, qint64 periodMs, qint64 wallNowMs)
{
    if (!m_accounts || m_step != Step::None || !m_plan.startTry(nowMs, periodMs, wallNowMs))
        return;
    m_step = Step::Reading;
    m_stepLimit->start(StepLimitMs);
    m_host.tryStarted();
    m_accounts->read(m_index, this, [this](const AccountStore::Answer &answer) {
        if (m_step != Step::Reading)
            return;
        if (answer.account)
            tryWith(*answer.account);
        else
            end(ReloginPlan::Failure::NoAccount);
    });
}

void ReloginTry::tryWith(const Account &account)
{
    m_account = account;
    m_triedLoginPage = false;
    m_refused = false;
    const std::optional<LoginSigns> signs = m_host.loadedSigns();
    if (signs && signs->passwordField)
        fill(account);
    else
        loadLoginPage();
}

void ReloginTry::fill(const Account &account)
{
    m_step = Step::Filling;
    m_answerBeforeSent.reset();
    m_stepLimit->start(StepLimitMs);
    m_host.fillLogin(account);
}

void ReloginTry::loadLoginPage()
{
    if (!m_account || !isWebPage(m_account->loginPage)) {
        end(ReloginPlan::Failure::NoForm);
        return;
    }
    m_step = Step::LoadingLoginPage;
    m_triedLoginPage = true;
    m_stepLimit->start(StepLimitMs);
    m_host.loadForTry(m_account->loginPage);
}

void ReloginTry::loginSubmitted(LoginFill fill)
{
    if (m_step != Step::Filling)
        return;
    switch (fill) {
    case LoginFill::Submitted:
        m_account.reset(); // held no longer than it takes to fill the form
        m_step = Step::Submitted;
        m_stepLimit->start(StepLimitMs);
        if (const std::optional<bool> refused = std::exchange(m_answerBeforeSent, std::nullopt))
            reopenAfterAnswer(*refused);
        break;
    case LoginFill::NoForm:
        if (m_triedLoginPage)
            end(ReloginPlan::Failure::NoForm);
        else
            loadLoginPage();
        break;
    case LoginFill::PersonNeeded:
        end(ReloginPlan::Failure::PersonNeeded);
        break;
    }
}

void ReloginTry::refusedInPlace()
{
    if (m_step == Step::Filling)
        m_answerBeforeSent = true;
    else if (m_step == Step::Submitted)
        reopenAfterAnswer(true);
}

void ReloginTry::loadFinished(const PageLoad &load)
{
    switch (m_step) {
    case Step::None:
    case Step::Reading:
        break;
    case Step::Filling:
        // The form's answer loaded before the word that it was sent: it is taken when that comes.
        m_answerBeforeSent = load.loginRefused;
        break;
    case Step::LoadingLoginPage:
        if (load.outcome == PageLoad::Outcome::Succeeded && load.signs && load.signs->passwordField &&
            m_account)
            fill(*m_account);
        else
            end(ReloginPlan::Failure::NoForm);
        break;
    case Step::Submitted:
        reopenAfterAnswer(load.loginRefused);
        break;
    case Step::Reopening:
        if (load.outcome == PageLoad::Outcome::Succeeded && m_host.memberLoggedIn())
            end(std::nullopt);
        else
            end(m_refused ? ReloginPlan::Failure::WrongPassword : ReloginPlan::Failure::StillLoggedOut);
        break;
    }
}

void ReloginTry::reopenAfterAnswer(bool refused)
{
    m_refused = refused;
    m_step = Step::Reopening;
    m_stepLimit->start(StepLimitMs);
    m_host.loadForTry(m_host.keptPage());
}

void ReloginTry::stepTimedOut()
{
    using Failure = ReloginPlan::Failure;
    switch (m_step) {
    case Step::None:
        break;
    case Step::Reading:
        end(Failure::NoAccount);
        break;
    case Step::LoadingLoginPage:
    case Step::Filling:
        end(Failure::NoForm);
        break;
    case Step::Submitted:
    case Step::Reopening:
        end(Failure::StillLoggedOut);
        break;
    }
}

void ReloginTry::end(std::optional<ReloginPlan::Failure> failure)
{
    const Step step = std::exchange(m_step, Step::None);
    m_account.reset();
    m_stepLimit->stop();
    if (!failure) {
        m_plan.loggedIn();
    } else {
        m_plan.tryFailed(*failure);
        // The slot goes on with its own page, never with the login page or the form's answer,
        // which a reload would send again.
        if (step != Step::Reading && step != Step::Reopening && !m_host.showsKeptPage())
            m_host.loadForTry(m_host.keptPage());
    }
    m_host.tryEnded(failure, m_plan.state() == ReloginPlan::State::GivenUp);
}

void ReloginTry::cancel()
{
    m_step = Step::None;
    m_account.reset();
    m_stepLimit->stop();
}

} // namespace kelvora
