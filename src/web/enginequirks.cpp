#include "web/enginequirks.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineProfile>

#include <utility>

namespace kelvora::engine {

bool isLeavePageQuestion(const QString &message)
{
    return message == QCoreApplication::translate("QWebEnginePage", "Are you sure you want to leave this "
                                                                    "page? Changes that you made may not be "
                                                                    "saved.");
}

void reopenCookieFile(QWebEngineProfile &profile)
{
    const QWebEngineProfile::PersistentCookiesPolicy policy = profile.persistentCookiesPolicy();
    profile.setPersistentCookiesPolicy(policy == QWebEngineProfile::AllowPersistentCookies
                                           ? QWebEngineProfile::ForcePersistentCookies
                                           : QWebEngineProfile::AllowPersistentCookies);
    profile.setPersistentCookiesPolicy(policy);
}

bool FirstLoadGate::hold(const QWebEnginePage &page, const QString &address, bool emptyDocument)
{
    switch (m_state) {
    case State::NothingAsked:
        m_state = emptyDocument ? State::EmptyFirstLoad : State::Passed;
        return false;
    case State::EmptyFirstLoad:
        if (!page.isLoading()) {
            m_state = State::Passed;
            return false;
        }
        m_held = address;
        return true;
    case State::Passed:
        break;
    }
    return false;
}

std::optional<QString> FirstLoadGate::release()
{
    if (m_state != State::EmptyFirstLoad)
        return std::nullopt;
    m_state = State::Passed;
    return std::exchange(m_held, std::nullopt);
}

void AnswerWatch::loadAsked(const QWebEnginePage &page)
{
    m_atLoad = committedEntry(page);
}

bool AnswerWatch::isAnswered(const QWebEnginePage &page) const
{
    return committedEntry(page) != m_atLoad;
}

QString AnswerWatch::committedEntry(const QWebEnginePage &page)
{
    const QWebEngineHistory *history = page.history();
    const QWebEngineHistoryItem item = history->currentItem();
    return QStringLiteral("%1 %2 %3")
        .arg(history->currentItemIndex())
        .arg(item.lastVisited().toMSecsSinceEpoch())
        .arg(item.url().toString());
}

} // namespace kelvora::engine
