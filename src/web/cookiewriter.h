#pragma once

#include <QList>
#include <QNetworkCookie>
#include <QObject>
#include <QTimer>

#include <map>
#include <utility>
#include <vector>

class QWebEngineCookieStore;
class QWebEngineProfile;

namespace kelvora {

/**
 * Has the browsers write their cookies to disk at once, rather than in their own time. The engine
 * keeps a new cookie in memory for up to half a minute and writes the rest only on its very last
 * steps down, which an ending process can outrun: a member who logged in just before the program
 * ended would come back a guest. Profiles kept in memory only have nothing to write.
 *
 * On a full disk the engine's write fails and what it held is dropped, never tried again (see
 * engine::reopenCookieFile): a login made then would be gone after a restart. So once a
 * browser's disk was seen (nearly) full, with cookies changed in this run, its cookie file is
 * opened anew as soon as there is room, and every cookie that changed in this run is set once
 * more and written. The disks are looked at every `spaceCheckMs`, at each change, and at the end.
 */
class CookieWriter : public QObject
{
    Q_OBJECT

public:
    explicit CookieWriter(const QList<QWebEngineProfile *> &profiles, int spaceCheckMs = 30000,
                          QObject *parent = nullptr);

    /**
     * Asks every browser whose cookies changed (since the last write) to write them. `written` follows
     * once each has taken the request, after which the engine writes them before it ends, however
     * soon that is; or after `timeoutMs`, for a browser that did not answer.
     */
    void write(int timeoutMs);

signals:
    void written();

private:
    struct Store
    {
        QWebEngineProfile *profile;
        QWebEngineCookieStore *store;
        QString folder;
        // A store that changed has its cookies open, so it can answer; one that did not has
        // nothing new to write.
        bool changed = false;
        bool asked = false;
        // Changed while its disk had no room: the engine may have dropped what it had to write.
        bool unwritten = false;
        // Every cookie that changed in this run, as it is now (or as it was, if it is gone).
        std::map<QString, std::pair<QNetworkCookie, bool /* removed */>> seen;
    };
    void noteChange(std::size_t index, const QNetworkCookie &cookie, bool removed);
    void checkSpace();
    void setAgain(Store &entry);
    void answered(std::size_t index);
    void finish();

    std::vector<Store> m_stores;
    QTimer m_timeout;
    QTimer m_spaceCheck;
    bool m_writing = false;
};

} // namespace kelvora
