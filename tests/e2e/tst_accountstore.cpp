#include "platform/accountstore.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QProcess>
#include <QTest>

#include <optional>

using namespace kelvora;

// The slots' accounts in a real credential store: GNOME Keyring's Secret Service in a session bus
// of the test's own (see secret-service.sh), and a machine with none.
namespace {

const QString Service = QStringLiteral("KelvoraTest");
const Account TheAccount{QStringLiteral("会员三"), QStringLiteral("p@ss 密码 \"3\""),
                         QUrl(QStringLiteral("http://127.0.0.4:8080/member.php?mod=logging"))};

// Waits for the store's answer to a call.
template <typename Call> std::optional<AccountStore::Answer> answerOf(Call call)
{
    std::optional<AccountStore::Answer> answer;
    QObject context;
    call(&context, [&answer](const AccountStore::Answer &a) { answer = a; });
    if (!QTest::qWaitFor([&answer] { return answer.has_value(); }, 20000))
        return std::nullopt;
    return answer;
}

// What another run of the program finds: the child process (see main) tells the status it read and a
// digest of the account, never the account itself.
QString readInAnotherRun(int slot,
                         const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess child;
    QProcessEnvironment env = environment;
    env.insert(QStringLiteral("KELVORA_STORE_CHILD"), QString::number(slot));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {});
    if (!child.waitForFinished(30000))
        return QStringLiteral("no end");
    return QString::fromUtf8(child.readAllStandardOutput()).trimmed();
}

QString digest(const std::optional<Account> &account)
{
    return account ? QString::fromLatin1(QCryptographicHash::hash(storedAccountText(*account).toUtf8(),
                                                                  QCryptographicHash::Sha256)
                                             .toHex())
                   : QStringLiteral("none");
}

int childRead(int slot)
{
    SystemAccountStore store(Service);
    const auto answer =
        answerOf([&](QObject *context, AccountStore::Done done) { store.read(slot, context, done); });
    if (!answer)
        return 1;
    QTextStream(stdout) << int(answer->status) << ' ' << digest(answer->account) << '\n';
    return 0;
}

} // namespace

class TestAccountStore : public QObject
{
    Q_OBJECT

private slots:
    void anAccountOutlivesTheProgramUntilForgotten()
    {
        if (!qEnvironmentVariableIsSet("KELVORA_SECRET_SERVICE"))
            QSKIP("no Secret Service here");
        SystemAccountStore store(Service);
        auto answer =
            answerOf([&](QObject *c, AccountStore::Done done) { store.write(2, TheAccount, c, done); });
        QVERIFY(answer);
        QCOMPARE(answer->status, AccountStore::Status::Done);
        QCOMPARE(readInAnotherRun(2),
                 QStringLiteral("%1 %2").arg(int(AccountStore::Status::Done)).arg(digest(TheAccount)));
        QCOMPARE(readInAnotherRun(3), QStringLiteral("%1 none").arg(int(AccountStore::Status::NotFound)));

        // Given anew, the new one is kept; forgotten, nothing is left, and forgetting again is no fault.
        Account changed = TheAccount;
        changed.password = QStringLiteral("new-one");
        answer = answerOf([&](QObject *c, AccountStore::Done done) { store.write(2, changed, c, done); });
        QVERIFY(answer);
        QCOMPARE(answer->status, AccountStore::Status::Done);
        answer = answerOf([&](QObject *c, AccountStore::Done done) { store.read(2, c, done); });
        QVERIFY(answer);
        QCOMPARE(answer->account, changed);
        for (int i = 0; i < 2; ++i) {
            answer = answerOf([&](QObject *c, AccountStore::Done done) { store.forget(2, c, done); });
            QVERIFY(answer);
            QCOMPARE(answer->status, AccountStore::Status::Done);
        }
        QCOMPARE(readInAnotherRun(2), QStringLiteral("%1 none").arg(int(AccountStore::Status::NotFound)));
    }

    // What the uninstaller asks for (kelvora --forget-accounts): every slot's account goes, the
    // ones kept and the slots that had none alike; the store's other entries stay.
    void everyAccountIsForgottenAtOnce()
    {
        if (!qEnvironmentVariableIsSet("KELVORA_SECRET_SERVICE"))
            QSKIP("no Secret Service here");
        SystemAccountStore store(Service);
        SystemAccountStore other(QStringLiteral("KelvoraTestOther"));
        for (AccountStore *kept :
             {static_cast<AccountStore *>(&store), static_cast<AccountStore *>(&other)}) {
            for (const int slot : {0, 4, 7}) {
                const auto answer = answerOf(
                    [&](QObject *c, AccountStore::Done done) { kept->write(slot, TheAccount, c, done); });
                QVERIFY(answer && answer->status == AccountStore::Status::Done);
            }
        }
        QCOMPARE(forgetEveryAccountNow(store, 8), 0);
        for (int slot = 0; slot < 8; ++slot)
            QCOMPARE(readInAnotherRun(slot),
                     QStringLiteral("%1 none").arg(int(AccountStore::Status::NotFound)));
        const auto left = answerOf([&](QObject *c, AccountStore::Done done) { other.read(4, c, done); });
        QVERIFY(left && left->account == TheAccount);
        forgetEveryAccountNow(other, 8);
    }

    // With no session bus the store says there is none, at once: nothing is kept, nothing waits.
    void aMachineWithoutAStoreSaysSo()
    {
        if (qEnvironmentVariableIsSet("KELVORA_STORE_WITHOUT_BUS"))
            QSKIP("this system's credential store needs no session bus");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent/bus"));
        env.remove(QStringLiteral("DISPLAY")); // no bus started for the display either
        QCOMPARE(readInAnotherRun(1, env), QStringLiteral("%1 none").arg(int(AccountStore::Status::NoStore)));
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (const QString slot = qEnvironmentVariable("KELVORA_STORE_CHILD"); !slot.isEmpty())
        return childRead(slot.toInt());
    TestAccountStore test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_accountstore.moc"
