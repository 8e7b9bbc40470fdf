#pragma once

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

} // namespace kelvora
