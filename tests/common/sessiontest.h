#pragma once

#include "common/fakes.h"
#include "common/forumserver.h"
#include "common/wait.h"
#include "platform/processsetup.h"
#include "session/slotrunner.h"
#include "session/slotsession.h"
#include "web/engine.h"
#include "web/webprofile.h"

#include <QGuiApplication>
#include <QHostAddress>
#include <QTimer>

#include <map>
#include <memory>

// What the tests of the session share: no window and no widget, as a session runs on a server.
namespace kelvora::test {

/** Browser profiles kept in memory only, so no test reads or leaves behind any browser data. */
class TemporaryProfiles
{
public:
    TemporaryProfiles() : m_profiles(SlotProfiles::inMemory()) {}
    const SlotProfiles *get() const { return m_profiles.get(); }

private:
    std::unique_ptr<SlotProfiles> m_profiles;
};

/** The test forums, each on an address of its own in 127.0.0.0/8, so that each has its own cookies. */
class Forums
{
public:
    /** The forum on 127.0.0.`host`, listening from the first call on. */
    ForumServer &forum(int host = 2) const
    {
        std::unique_ptr<ForumServer> &forum = m_forums[host];
        if (!forum) {
            forum = std::make_unique<ForumServer>();
            if (!forum->listen(QHostAddress(QStringLiteral("127.0.0.%1").arg(host))))
                qFatal("the test forum cannot listen on 127.0.0.%d", host);
        }
        return *forum;
    }

private:
    mutable std::map<int, std::unique_ptr<ForumServer>> m_forums;
};

} // namespace kelvora::test

// A QTEST_MAIN that prepares the process for Qt WebEngine first, with the engine's switches as the
// program has them, on an application of the given class, and ends as the program does, through the
// event loop: what waits to be deleted goes first, then the engine puts itself away on the way out
// (without that, Qt WebEngine 6.11 may crash as the process ends).
#define KELVORA_ENGINE_TEST_MAIN(TestClass, ApplicationClass)                                                \
    int main(int argc, char *argv[])                                                                         \
    {                                                                                                        \
        kelvora::prepareProcess();                                                                           \
        kelvora::prepareWebEngine();                                                                         \
        kelvora::EngineCommandLine commandLine(argc, argv);                                                  \
        ApplicationClass app(commandLine.argc(), commandLine.argv());                                        \
        int failed = 0;                                                                                      \
        {                                                                                                    \
            TestClass test;                                                                                  \
            QTEST_SET_MAIN_SOURCE_PATH                                                                       \
            failed = QTest::qExec(&test, argc, argv);                                                        \
        }                                                                                                    \
        QTimer::singleShot(0, &app, &QCoreApplication::quit);                                                \
        app.exec();                                                                                          \
        return failed;                                                                                       \
    }

// Pages without views: no widget exists, as on a server.
#define KELVORA_SESSION_TEST_MAIN(TestClass) KELVORA_ENGINE_TEST_MAIN(TestClass, QGuiApplication)
