#pragma once

#include <QByteArrayList>

#include <vector>

namespace kelvora {

/**
 * The arguments to create the QApplication with: the program's own, followed by the switches
 * the engine is to run with (Qt WebEngine reads them there). The program reads no environment
 * for them, so what it runs with is what it was built with.
 */
class ProgramArguments
{
public:
    ProgramArguments(int argc, char **argv);
    ProgramArguments(const ProgramArguments &) = delete;
    ProgramArguments &operator=(const ProgramArguments &) = delete;

    int &argc() { return m_argc; }
    char **argv() { return m_pointers.data(); }

    /** The engine's switches of this build. */
    static QByteArrayList engineSwitches();

private:
    QByteArrayList m_arguments;
    std::vector<char *> m_pointers;
    int m_argc = 0;
};

/**
 * Prepares the process for Qt WebEngine; call before the QApplication is created.
 * Switches the engine's sandbox off only where it cannot work (running as root).
 */
void prepareProcess();

/**
 * Speaks the program's language, Simplified Chinese, in Qt's own dialogs and the engine's pages.
 * Call once the QApplication exists.
 */
void installTranslations();

} // namespace kelvora
