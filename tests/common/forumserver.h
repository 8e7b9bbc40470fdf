#pragma once

#include "common/credit.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QHttpServer>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QUrl>

#include <vector>

namespace kelvora::test {

class ResettableTcpServer;

/**
 * A web forum for tests, on Qt's HTTP server, in the caller's event loop. Each instance listens on
 * an address of its own (127.0.0.2, 127.0.0.3, …), so each is a cookie origin of its own.
 *
 * It counts what a real forum counts: the pages it *generated* (each numbered, the number written
 * into the page), apart from the style sheet, image and background requests that come with them.
 * Pages are served as forum software serves them: no Cache-Control, no Expires, no validators, a
 * style sheet and an image that may be cached, and a script that asks now and then whether a new
 * message came (/poll). Paths pick other shapes:
 * - /lm…     carries Last-Modified;
 * - /etag…   carries an ETag and answers a matching If-None-Match with 304 (still a page the forum
 *            generated: it ran its code to answer);
 * - /maxage… may be cached for ten minutes (Cache-Control: max-age=600);
 * - /login   reports as /answer?loaded that it has loaded, sending the login cookie it was given;
 * - /alert   shows an alert when loaded;
 * - /confirm asks a confirm() and reports the answer as a request to /answer?confirm=true|false;
 * - /prompt  asks a prompt() and reports the answer as /answer?prompt=<text>;
 * - /leave   asks before it is left (beforeunload), as a post editor does once typed into;
 *            a click on it is reported as /answer?clicked.
 *
 * Every page has a search box and a login dialog that stays hidden. A member who is logged in
 * sees a member bar with a logout link ("退出"; on /button… pages a button); a member the forum
 * logged out (logOut()) sees, instead, as forums differ:
 * - a login form in the header, where the member bar stood (most pages);
 * - on /redirect… pages, a redirect to /loginpage, a page with a login form;
 * - on /message… pages, a "please log in" message with a login form.
 * /dologin?back=<path> logs the member back in, whoever it is, and goes back.
 *
 * The login form is a forum's: a user name, a password, a hidden form token and a button; sent
 * (POST /dologin) it logs that member in with a new cookie and goes back, once the token is right
 * and, for a member given a password (setPassword()), the password is; a wrong one is answered
 * with the form again and "登录失败：密码错误". With setPictureCode(), the form also asks for a
 * picture code, which no program can read.
 *
 * Every page logs a member in on the first visit with the cookie "sid=<member>-<n>", the member
 * taken from the query's "member" (default "guest"). The cookie is kept for a day, as a forum's
 * "remember me" login is; with "remember=0" in the query it is a session cookie, gone when the
 * browser ends.
 */
class ForumServer : public QObject
{
    Q_OBJECT

public:
    enum class Kind
    {
        Page,        ///< a page the forum generated
        SubResource, ///< a style sheet, an image, a file set with setFile()
        Background,  ///< a page script's request: /poll, /answer
        Other,       ///< the favicon
    };

    struct Request
    {
        QString path;         ///< as requested, without the query
        QString query;        ///< text after '?', empty if none
        QString host;         ///< the Host header
        QString cookie;       ///< the login cookie the browser sent, empty if none
        QString issuedCookie; ///< the login cookie this answer set, empty if none
        qint64 elapsedMs = 0; ///< since listen()
        Kind kind = Kind::Page;
        int serial = 0;        ///< a generated page's number, written into the page; 0 for the rest
        int status = 200;      ///< the HTTP status answered
        bool loggedIn = false; ///< a page generated for a member logged in: what earns online time
        /** The member the request was made for: from the cookie sent, else the one it logged in. */
        QString member() const;
    };

    /** How the forum fails, for as long as it is set. */
    enum class Outage
    {
        None,
        ConnectionReset,    ///< every connection is cut at once
        ServiceUnavailable, ///< every request gets 503
        NoAnswer,           ///< requests are taken and never answered
    };

    explicit ForumServer(QObject *parent = nullptr);
    ~ForumServer() override;

    bool listen(const QHostAddress &address, quint16 port = 0);
    QUrl url(const QString &pathAndQuery = QStringLiteral("/")) const;

    /** The title of every page without one of its own. */
    void setTitle(const QString &title) { m_title = title; }
    /** Gives one path its own title, so history steps land on pages that tell apart. */
    void setPage(const QString &path, const QString &title) { m_titles.insert(path, title); }
    /**
     * Serves fixed content at a path instead of a generated page: a style sheet, an image, or
     * (`isPage`) a page of its own, which is generated (numbered and logging in) as every page is.
     */
    void setFile(const QString &path, const QByteArray &contentType, const QByteArray &body,
                 bool isPage = false);
    void setOutage(Outage outage);
    /** Every page is answered `ms` after it was asked for, as a busy forum on a cheap host answers. */
    void setPageDelay(int ms) { m_pageDelayMs = ms; }
    /** Pages held back by setPageDelay() that are still to be sent. */
    int delayedReplies() const { return m_delayedReplies; }
    /** Requests for `path` are taken and never answered, as a stalled advertiser's image is. */
    void setHanging(const QString &path) { m_hanging.insert(path); }
    /** Logs a member out, as a forum does when the member logged in elsewhere. */
    void logOut(const QString &member) { m_loggedOut.insert(member); }
    bool isLoggedOut(const QString &member) const { return m_loggedOut.contains(member); }
    /** The member's password from now on: its login form must be sent with it. */
    void setPassword(const QString &member, const QString &password) { m_passwords.insert(member, password); }
    /** The login form asks for a picture code, and refuses every login without the right one. */
    void setPictureCode(bool asked) { m_pictureCode = asked; }
    /**
     * The login form is sent by the page's own script and answered in the page, as Discuz! X's
     * ajax login is: a refusal is shown where the form is, with no new page; a login goes back.
     */
    void setAjaxLogin(bool ajax) { m_ajaxLogin = ajax; }
    /** Each login form sent, by the member named in it: whether it logged in. */
    struct LoginAttempt
    {
        QString member;
        bool succeeded = false;
        QByteArray body; ///< the form as sent
    };
    QList<LoginAttempt> loginAttempts() const { return m_loginAttempts; }

    QList<Request> requests() const { return m_requests; }
    /** The pages the forum generated, oldest first. */
    QList<Request> pageRequests() const;
    /** The pages generated for one member (see Request::member()). */
    QList<Request> pagesFor(const QString &member) const;
    /** Online time is credited in steps, as StepCredit tells; a step of a minute by default. */
    void setCredit(const StepCredit &credit) { m_credit = credit; }
    /**
     * The share of a member's time online that the forum credited (see StepCredit::share()), from
     * the member's page `from` on.
     */
    double creditedShare(const QString &member, qsizetype from = 0) const;
    /** The answers that /confirm and /prompt pages reported, oldest first. */
    QStringList answers() const;
    void clear() { m_requests.clear(); }

signals:
    void requestReceived(const kelvora::test::ForumServer::Request &request);

private:
    struct Reply
    {
        int status = 200;
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;
    };

    void answer(const QHttpServerRequest &request, QHttpServerResponder &responder);
    Reply reply(const QHttpServerRequest &request, Request &seen);
    /** `refusal`: the forum's word why the login form sent was refused. */
    QByteArray page(const QString &path, int serial, const QString &member,
                    const QString &refusal = {}) const;

    QHttpServer m_http;
    ResettableTcpServer *m_tcp = nullptr;
    QElapsedTimer m_clock;
    QList<Request> m_requests;
    int m_generated = 0;
    QString m_title = QStringLiteral("测试论坛");
    QHash<QString, QString> m_titles;
    struct File
    {
        QByteArray contentType;
        QByteArray body;
        bool isPage = false;
    };
    QHash<QString, File> m_files;
    Outage m_outage = Outage::None;
    QSet<QString> m_hanging;
    int m_pageDelayMs = 0;
    int m_delayedReplies = 0;
    StepCredit m_credit;
    QSet<QString> m_loggedOut;
    QHash<QString, QString> m_passwords;
    bool m_pictureCode = false;
    bool m_ajaxLogin = false;
    QList<LoginAttempt> m_loginAttempts;
    Reply login(const QHttpServerRequest &request, Request &seen);
    std::vector<QHttpServerResponder> m_unanswered;
};

} // namespace kelvora::test
