#pragma once

namespace kelvora {

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
