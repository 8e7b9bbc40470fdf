// A stand-in for kelvora.exe where the program itself can't be built (no Qt WebEngine for MinGW):
// it answers what the installer's uninstaller asks of the program, so the installer can be tested
// under Wine. It is never shipped.
//
//   kelvora.exe --forget-accounts            every slot's account leaves the Credential Manager
//   kelvora.exe --remember-account N         the test keeps an account for slot N (1 to 8)
//   kelvora.exe --has-account N              exit 0 when slot N has one, 1 when not
// Anything else: exit 0, as the program does when it was started and ended.
#include "core/slottable.h"
#include "platform/accountstore.h"
#include "platform/terminal.h"
#include "words/words.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QStringList>

namespace {

kelvora::AccountStore::Answer wait(const std::function<void(kelvora::AccountStore::Done)> &ask)
{
    QEventLoop loop;
    kelvora::AccountStore::Answer answer;
    bool answered = false;
    ask([&](const kelvora::AccountStore::Answer &a) {
        answer = a;
        answered = true;
        loop.quit();
    });
    if (!answered)
        loop.exec();
    return answer;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kelvora"));
    QCoreApplication::setOrganizationName(QStringLiteral("kelvora"));
    const QStringList arguments = QCoreApplication::arguments();
    kelvora::SystemAccountStore store;
    if (arguments.contains(QStringLiteral("--forget-accounts"))) {
        const int failed = kelvora::forgetEveryAccountNow(store, kelvora::SlotCount);
        kelvora::tellOnConsole(kelvora::accountsForgottenText(failed));
        return failed == 0 ? 0 : 1;
    }
    const int slot = arguments.size() > 2 ? arguments.at(2).toInt() - 1 : -1;
    if (arguments.value(1) == u"--remember-account" && slot >= 0 && slot < kelvora::SlotCount) {
        const kelvora::Account account{QStringLiteral("member%1").arg(slot + 1),
                                       QStringLiteral("a test password"),
                                       QUrl(QStringLiteral("http://127.0.0.2/login.php"))};
        const auto answer =
            wait([&](kelvora::AccountStore::Done done) { store.write(slot, account, &app, done); });
        return answer.status == kelvora::AccountStore::Status::Done ? 0 : 2;
    }
    if (arguments.value(1) == u"--has-account" && slot >= 0 && slot < kelvora::SlotCount) {
        const auto answer = wait([&](kelvora::AccountStore::Done done) { store.read(slot, &app, done); });
        return answer.account ? 0 : 1;
    }
    return 0;
}
