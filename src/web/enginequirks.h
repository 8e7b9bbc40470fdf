#pragma once

#include <QString>

#include <optional>

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
 * still on its way is told. Qt 6.8 and 6.11 so end a new page's first, empty load and never tell
 * of the forum's page opened during it. ForumSlot takes any end told as the end of all loading
 * (tst_reloadreport's anOpenDuringTheFirstLoadKeepsItsPeriod), and a page holds a load asked
 * during its first, empty one until that has ended (FirstLoadGate).
 */
namespace kelvora::engine {

/**
 * Holds a load asked while a new page's first load, of an empty document such as about:blank,
 * is under way, until that load has ended: asked at once, the engine would load it without telling
 * of its start or end, and the page it brings would never be judged. An empty document ends at
 * once, so nothing waits for long; a first load of a web page (which may hang) holds nothing.
 */
class FirstLoadGate
{
public:
    /**
     * Whether `address`, asked of `page` now, must wait. The page's first address is noted; a held
     * address takes the place of one held before.
     */
    bool hold(const QWebEnginePage &page, const QString &address, bool emptyDocument);
    /** The first load has ended: the address held, if any, to be loaded now. */
    std::optional<QString> release();

private:
    enum class State
    {
        NothingAsked,
        EmptyFirstLoad, ///< the first load, of an empty document, may be under way
        Passed,
    };
    State m_state = State::NothingAsked;
    std::optional<QString> m_held;
};

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
