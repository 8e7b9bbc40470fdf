#include "session/slotrunner.h"

#include "web/webpage.h"

#include <QTimer>

namespace kelvora {
namespace {
// How long a login stays offered to be remembered, and how many pages may come after the form before
// one shows the member logged in (forums show a "logged in, going on…" page first).
constexpr int OfferLapseMs = 10 * 60 * 1000;
constexpr int PagesToShowTheLogin = 3;
} // namespace

SlotRunner::SlotRunner(const SlotDescription &description, QWebEngineProfile *profile, const Clock &clock,
                       QuestionGate *gate, TimerFactory *timers, QObject *parent)
    : QObject(parent), m_description(description), m_page(new WebPage(profile, this)), m_qtTimers(this),
      m_slot(*m_page, clock, timers ? *timers : m_qtTimers, description, this)
{
    setObjectName(QStringLiteral("slot%1").arg(description.number));
    m_page->setQuestionGate(gate);
    connect(m_page, &WebPage::pageLoadStarted, &m_slot, &ForumSlot::pageLoadStarted);
    connect(m_page, &WebPage::pageLoadFinished, &m_slot, &ForumSlot::pageLoadFinished);
    connect(m_page, &WebPage::rendererGone, &m_slot, &ForumSlot::pageRendererGone);
    connect(m_page, &QWebEnginePage::titleChanged, this, &SlotRunner::pageTitleChanged);
    connect(m_page, &QWebEnginePage::urlChanged, &m_slot, &ForumSlot::pageUrlChanged);
    connect(m_page, &WebPage::inputChanged, &m_slot, &ForumSlot::pageInputChanged);
    connect(m_page, &WebPage::asideLoadFinished, &m_slot, &ForumSlot::asideLoadFinished);
    connect(m_page, &WebPage::loginFilled, &m_slot, &ForumSlot::loginSubmitted);
    connect(m_page, &WebPage::loginRefusedInPlace, &m_slot, &ForumSlot::loginRefusedInPlace);
}

SlotRunner::~SlotRunner()
{
    // The page goes while the slot it reports to is still whole.
    delete m_page;
}

void SlotRunner::open(const QString &address)
{
    m_openedAddress = address;
    m_slot.open(address);
}

void SlotRunner::load(const QString &address)
{
    m_slot.load(address);
}

void SlotRunner::resume(const SavedSlot &saved)
{
    m_openedAddress = saved.address;
    m_slot.resume(saved);
    emit resumed(saved);
}

QString SlotRunner::pageTitle() const
{
    return m_page->title();
}

void SlotRunner::setPageSeen(bool seen)
{
    if (seen == m_pageSeen)
        return;
    m_pageSeen = seen;
    m_slot.setPageSeen(seen);
}

void SlotRunner::setAccountStore(AccountStore *store, int index)
{
    m_accounts = store;
    m_index = index;
    m_slot.setAccountStore(store, index);
    if (!store)
        return;
    m_offerLapse = new QTimer(this);
    m_offerLapse->setSingleShot(true);
    m_offerLapse->setInterval(OfferLapseMs);
    connect(m_offerLapse, &QTimer::timeout, this, &SlotRunner::withdrawOffer);
    connect(m_page, &WebPage::loginSent, this, &SlotRunner::noteLoginSent);
    // After the slot has seen the page: its login watch judges first.
    connect(m_page, &WebPage::pageLoadFinished, this, &SlotRunner::judgeLoginSent);
    store->read(index, this, [this](const AccountStore::Answer &answer) {
        m_noStore = answer.status == AccountStore::Status::NoStore;
        if (answer.account)
            m_slot.setAccount(answer.account->userName, false); // the password is not kept
    });
}

void SlotRunner::rememberAccount(const Account &account)
{
    if (!m_accounts)
        return;
    m_accounts->write(m_index, account, this,
                      [this, user = account.userName](const AccountStore::Answer &answer) {
                          m_noStore = answer.status == AccountStore::Status::NoStore;
                          if (answer.status == AccountStore::Status::Done)
                              m_slot.setAccount(user);
                          emit accountKept(true, answer.status);
                      });
}

void SlotRunner::forgetAccount()
{
    withdrawOffer();
    if (!m_accounts)
        return;
    m_accounts->forget(m_index, this, [this](const AccountStore::Answer &answer) {
        if (answer.status == AccountStore::Status::Done)
            m_slot.setAccount(std::nullopt);
        emit accountKept(false, answer.status);
    });
}

std::optional<QString> SlotRunner::offeredUser() const
{
    return m_offer ? std::optional(m_offer->userName) : std::nullopt;
}

void SlotRunner::answerOffer(bool remember)
{
    const std::optional<Account> offer = m_offer;
    withdrawOffer();
    if (remember && offer)
        rememberAccount(*offer);
}

void SlotRunner::noteLoginSent(const Account &account)
{
    m_sent = account;
    m_sentAfterGivingUp = m_slot.report().relogin == ReloginPlan::State::GivenUp;
    m_loadsSinceSent = 0;
}

void SlotRunner::judgeLoginSent(const PageLoad &load)
{
    if (!m_sent || load.outcome != PageLoad::Outcome::Succeeded || !load.signs)
        return;
    const LoginSigns &signs = *load.signs;
    if (!signs.passwordField && signs.logoutLink) {
        // Logged in. An account the slot has already is asked about again only when its own try
        // had failed: the password may have changed.
        Account sent = *std::exchange(m_sent, std::nullopt);
        if (m_slot.accountUser() == sent.userName && !m_sentAfterGivingUp)
            return;
        m_offer = std::move(sent);
        m_offerLapse->start();
        emit accountOffered(m_offer->userName);
    } else if (signs.passwordField || ++m_loadsSinceSent >= PagesToShowTheLogin) {
        m_sent.reset(); // the forum did not take it
    }
}

void SlotRunner::withdrawOffer()
{
    if (m_offerLapse)
        m_offerLapse->stop();
    const bool offered = m_offer.has_value();
    m_offer.reset();
    if (offered)
        emit offerWithdrawn();
}

} // namespace kelvora
