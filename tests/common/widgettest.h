#pragma once

#include "common/wait.h"
#include "platform/processsetup.h"
#include "widgets/messagebox.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

// What every test of a window shares, the browser's windows or not: the message recorder, named
// children, waits. The windows without a browser are tested with it as Windows programs as well.
namespace kelvora::test {

/** Answers every message box with `answer` while it lives, keeping what each one said. */
class MessageRecorder
{
public:
    explicit MessageRecorder(QMessageBox::StandardButton reply = QMessageBox::Ok);
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder &) = delete;
    MessageRecorder &operator=(const MessageRecorder &) = delete;

    QList<MessageBox::Message> messages;
    QMessageBox::StandardButton answer;
};

/** Finds a named child or fails the test with its name. */
template <typename T> T *child(const QObject *parent, const QString &name)
{
    T *found = parent->findChild<T *>(name);
    if (!found)
        qFatal("no child named %s", qPrintable(name));
    return found;
}

} // namespace kelvora::test

/** A test of windows without a browser: the process set up as the program's is, then the tests. */
#define KELVORA_WIDGETS_TEST_MAIN(TestClass)                                                                 \
    int main(int argc, char *argv[])                                                                         \
    {                                                                                                        \
        kelvora::prepareProcess();                                                                           \
        QApplication app(argc, argv);                                                                        \
        TestClass test;                                                                                      \
        QTEST_SET_MAIN_SOURCE_PATH                                                                           \
        return QTest::qExec(&test, argc, argv);                                                              \
    }
