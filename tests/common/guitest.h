#pragma once

#include "mainwin/mainwindow.h"
#include "platform/messagebox.h"
#include "platform/processsetup.h"

#include <QApplication>
#include <QTest>

#include <memory>

class QWebEngineProfile;

namespace kelvora::test {

/** A web profile kept in memory only, so no test reads or leaves behind any browser data. */
class TemporaryWebProfile
{
public:
    TemporaryWebProfile();
    ~TemporaryWebProfile();
    QWebEngineProfile *get() const { return m_profile.get(); }

private:
    std::unique_ptr<QWebEngineProfile> m_profile;
};

/** Answers every message box with OK while it lives, keeping what each one said. */
class MessageRecorder
{
public:
    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder &) = delete;
    MessageRecorder &operator=(const MessageRecorder &) = delete;

    QList<MessageBox::Message> messages;
};

/** A main window's set-up for tests: the given profile, a blank start page, no tray icon. */
MainWindowSetup windowSetup(QWebEngineProfile *profile);

/** Finds a named child or fails the test with its name. */
template <typename T> T *child(const QObject *parent, const QString &name)
{
    T *found = parent->findChild<T *>(name);
    if (!found)
        qFatal("no child named %s", qPrintable(name));
    return found;
}

} // namespace kelvora::test

// A QTEST_MAIN that prepares the process for Qt WebEngine first.
#define KELVORA_GUI_TEST_MAIN(TestClass)                                                                     \
    int main(int argc, char *argv[])                                                                         \
    {                                                                                                        \
        kelvora::prepareProcess();                                                                           \
        QApplication app(argc, argv);                                                                        \
        TestClass test;                                                                                      \
        QTEST_SET_MAIN_SOURCE_PATH                                                                           \
        return QTest::qExec(&test, argc, argv);                                                              \
    }
