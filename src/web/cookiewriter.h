#pragma once

#include <QList>
#include <QObject>
#include <QTimer>

#include <vector>

class QWebEngineCookieStore;
class QWebEngineProfile;

namespace kelvora {

/**
 * Has the browsers write their cookies to disk at once, rather than in their own time. The engine
 * keeps a new cookie in memory for up to half a minute and writes the rest only on its very last
 * steps down, which an ending process can outrun: a member who logged in just before the program
 * ended would come back a guest. Profiles kept in memory only have nothing to write.
 */
class CookieWriter : public QObject
{
    Q_OBJECT

public:
    explicit CookieWriter(const QList<QWebEngineProfile *> &profiles, QObject *parent = nullptr);

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
        QWebEngineCookieStore *store;
        // A store that changed has its cookies open, so it can answer; one that did not has
        // nothing new to write.
        bool changed = false;
        bool asked = false;
    };
    void answered(std::size_t index);
    void finish();

    std::vector<Store> m_stores;
    QTimer m_timeout;
    bool m_writing = false;
};

} // namespace kelvora
