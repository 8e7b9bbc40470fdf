#pragma once

#include <QMetaType>
#include <QtGlobal>

#include <deque>
#include <optional>
#include <vector>

namespace kelvora {

/**
 * When a slot whose member the forum logged out may log in again by itself, with the account the
 * user gave it: never without an account, at most once a period and three times an hour, and no
 * more after two failed tries in a row (or one that trying again cannot mend), until the member is logged in
 * again (by a try or by the user) or the account is given anew. Times are the program's own steady clock.
 */
class ReloginPlan
{
public:
    enum class State
    {
        Idle,    ///< logged in, or no account: nothing to do
        Waiting, ///< logged out: a try is due at nextTryAt()
        Trying,  ///< a try is under way
        GivenUp, ///< two tries failed in a row: the user must log in
    };
    /** Why a try did not log the member in. */
    enum class Failure
    {
        WrongPassword,  ///< the forum said the name or password is wrong
        PersonNeeded,   ///< the forum asks for a step only a person can take (a picture code, …)
        NoForm,         ///< no login form to fill, here or on the page the account was given on
        StillLoggedOut, ///< submitted, but the forum's page still shows the member logged out
        NoAccount,      ///< the credential store did not give the account (locked, gone)
    };
    /** Whether trying again could mend it: a wrong password or a picture code stays as it is. */
    static bool mayPass(Failure failure)
    {
        return failure != Failure::WrongPassword && failure != Failure::PersonNeeded;
    }

    static constexpr qint64 HourMs = 3600 * 1000;
    static constexpr int TriesAnHour = 3;
    static constexpr int FailuresToGiveUp = 2;

    /** What of the limits outlives the program: a wrong password is not tried again at every start. */
    struct Kept
    {
        std::vector<qint64> triesAtMs; ///< the tries of the last hour, on the machine's clock
        int failuresInARow = 0;
        std::optional<Failure> lastFailure;

        bool isEmpty() const { return triesAtMs.empty() && failuresInARow == 0 && !lastFailure; }
        friend bool operator==(const Kept &, const Kept &) = default;
    };
    /** The limits as of now: tries of the last hour and the failures. */
    Kept kept(qint64 nowMs) const;
    /** Takes up the limits kept by an earlier run; `nowMs` and `wallNowMs` are the same moment. */
    void restore(const Kept &kept, qint64 nowMs, qint64 wallNowMs);

    /**
     * Whether the slot has an account to log in with; taking it away ends any try. `givenAnew`: the
     * user gave it, so it is tried again however the last one fared; else it is the one kept.
     */
    void setHasAccount(bool has, bool givenAnew = true);
    bool hasAccount() const { return m_hasAccount; }

    /** The login watch tells the member is logged out, or logged in again. */
    void loggedOut();
    void loggedIn();

    /** The next moment a try may start, none while there is nothing to try. */
    std::optional<qint64> nextTryAt(qint64 periodMs) const;
    /** Starts a try if one may start at `nowMs` (`wallNowMs` on the machine's clock); true if it did. */
    bool startTry(qint64 nowMs, qint64 periodMs, qint64 wallNowMs = 0);
    /** The try under way failed; the member stays logged out. */
    void tryFailed(Failure failure);

    State state() const;
    std::optional<Failure> lastFailure() const { return m_lastFailure; }
    int failuresInARow() const { return m_failuresInARow; }

private:
    bool m_hasAccount = false;
    bool m_loggedOut = false;
    bool m_trying = false;
    int m_failuresInARow = 0;
    std::optional<Failure> m_lastFailure;
    struct Try
    {
        qint64 atMs;     ///< on the steady clock
        qint64 wallAtMs; ///< the same moment on the machine's clock, as it is kept
    };
    std::deque<Try> m_triesThisHour; // oldest first
};

} // namespace kelvora

Q_DECLARE_METATYPE(kelvora::ReloginPlan::Failure)
