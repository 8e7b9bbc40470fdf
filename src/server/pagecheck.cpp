#include "server/pagecheck.h"

#include "core/address.h"
#include "core/pageload.h"
#include "web/webpage.h"
#include "web/webprofile.h"
#include "words/words.h"

#include <QTimer>

namespace kelvora {

PageCheck::PageCheck(int limitMs, QObject *parent)
    : QObject(parent), m_profiles(SlotProfiles::inMemory()), m_limit(new QTimer(this))
{
    m_page = new WebPage(m_profiles->profile(0), this);
    m_limit->setSingleShot(true);
    m_limit->setInterval(limitMs);
    connect(m_limit, &QTimer::timeout, this, [this] {
        if (!std::exchange(m_done, true))
            emit finished(TimedOut, pageCheckText(false, {}, m_limit->interval() / 1000));
    });
    connect(m_page, &WebPage::pageLoadFinished, this, [this](const PageLoad &load) {
        if (load.outcome == PageLoad::Outcome::Stopped || std::exchange(m_done, true))
            return;
        m_limit->stop();
        const bool loaded = load.outcome == PageLoad::Outcome::Succeeded && load.webPage;
        emit finished(loaded ? Loaded : Failed,
                      pageCheckText(loaded, reloadResultText(reloadResultOf(load)), 0));
    });
}

PageCheck::~PageCheck()
{
    // The page goes before the profile it was made on.
    delete m_page;
}

void PageCheck::start(const QString &address)
{
    const QUrl url = addressFromUserInput(address);
    if (!isWebPage(url)) {
        m_done = true;
        QTimer::singleShot(0, this,
                           [this] { emit finished(BadAddress, remoteResultText(RemoteResult::BadAddress)); });
        return;
    }
    m_limit->start();
    m_page->load(url.toString());
}

} // namespace kelvora
