#pragma once

#include <QString>

class QWebEnginePage;
class QWebEngineProfile;

/*
 * What the program relies on of Qt WebEngine that Qt does not promise. Each is named here, and
 * each has a test that fails when a Qt release changes it (tst_pagedialogs, tst_reloadreport,
 * tst_cookiewriter).
 */

/*
 * Qt WebEngine tells of one load at a time (QWebEnginePage::loadingChanged): a load asked while
 * another is under way adds no start of its own, and once an end is told, nothing of the load
 * still on its way is told. Qt 6.8 so ends a new page's first, empty load and never tells of the
 * forum's page opened during it. ForumSlot takes any end told as the end of all loading
 * (tst_reloadreport's anOpenDuringTheFirstLoadKeepsItsPeriod).
 */
namespace kelvora::engine {

/**
 * The engine asks its own "leave this page?" question (a page's beforeunload) through
 * QWebEnginePage::javaScriptConfirm, like a page's confirm(); only its text, Qt's translated
 * string, tells the two apart.
 */
bool isLeavePageQuestion(const QString &message);

/**
 * A profile's cookie file that failed a write (on a full disk) is written no more while the
 * profile's network context lives, even once there is room: Qt WebEngine 6.4, 6.8 and 6.11 so
 * lose every login after the disk was full once. Making the context anew, as Qt does when the cookie policy
 * changes, opens the file again. What the engine held in memory and not on disk is gone then,
 * and must be set again (tst_cookiewriter's aLoginOnAFullDiskIsWrittenOnceThereIsRoom).
 */
void reopenCookieFile(QWebEngineProfile &profile);

/**
 * Whether the forum has answered the load under way, the page perhaps still loading: Qt WebEngine
 * says nothing of a response until the load ends, but the history entry shown is committed, with
 * a new time stamp, once the answer arrives. A mark taken when the load is asked for differs from
 * the mark taken after the answer.
 */
class AnswerWatch
{
public:
    /** The load about to be asked for, or just begun, is the one watched. */
    void loadAsked(const QWebEnginePage &page);
    bool isAnswered(const QWebEnginePage &page) const;

private:
    static QString committedEntry(const QWebEnginePage &page);
    QString m_atLoad;
};

} // namespace kelvora::engine
