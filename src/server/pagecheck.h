#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QTimer;

namespace kelvora {

class SlotProfiles;
class WebPage;

/**
 * `kelvora --check-page ADDRESS`: loads one page the way a slot does, in a browser of its own that
 * keeps nothing, with no window, and tells how it went: what an installed program's smoke test asks
 * (the engine's helper, its resources and our page all found and working).
 */
class PageCheck : public QObject
{
    Q_OBJECT

public:
    /** The exit codes. */
    enum Outcome
    {
        Loaded = 0,     ///< the page loaded: the forum answered with a page
        Failed = 1,     ///< the forum answered with an error, or no answer came through (the words say which)
        TimedOut = 2,   ///< nothing within the time limit
        BadAddress = 3, ///< not a web address
    };
    static constexpr int DefaultLimitMs = 60000;

    explicit PageCheck(int limitMs = DefaultLimitMs, QObject *parent = nullptr);
    ~PageCheck() override;

    void start(const QString &address);

signals:
    /** `told`: what the user reads of it. */
    void finished(int outcome, const QString &told);

private:
    std::unique_ptr<SlotProfiles> m_profiles;
    WebPage *m_page = nullptr;
    QTimer *m_limit = nullptr;
    bool m_done = false;
};

} // namespace kelvora
