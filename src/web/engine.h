#pragma once

#include <QByteArray>
#include <QList>
#include <QVersionNumber>

#include <vector>

namespace kelvora {

/**
 * Sets up how the engine draws its pages; call before the QApplication is created.
 *
 * The tuned build draws pages with the CPU into each view's image, Qt Quick's software scene
 * graph: no OpenGL context per view, and no OpenGL driver in the process at all (on a machine
 * without a GPU that driver alone, a software rasteriser with its own compiler, is some 50 MB).
 * A page reloaded once a minute behind a minimised window does not need the GPU.
 */
void prepareWebEngine();

/**
 * Qt WebEngine's own version, as the library in use tells it: from 6.140 on it is released apart
 * from Qt and numbered after its Chromium, so Qt's version says nothing of it.
 */
QVersionNumber webEngineVersion();

/**
 * The command line the QApplication is made with: the program's own, plus the Chromium switches
 * this engine is given (see core/engineswitches.h). Keep it alive as long as the application.
 */
class EngineCommandLine
{
public:
    EngineCommandLine(int argc, char *argv[]);
    EngineCommandLine(const EngineCommandLine &) = delete;
    EngineCommandLine &operator=(const EngineCommandLine &) = delete;

    int &argc() { return m_argc; }
    char **argv() { return m_pointers.data(); }

private:
    QList<QByteArray> m_arguments;
    std::vector<char *> m_pointers;
    int m_argc = 0;
};

} // namespace kelvora
