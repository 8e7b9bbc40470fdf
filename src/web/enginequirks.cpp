#include "web/enginequirks.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineProfile>

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
