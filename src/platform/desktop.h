#pragma once

#include <QString>

class QWidget;

namespace kelvora {

/**
 * Hands a web address to the desktop's web browser without waiting for it.
 * False when no browser could be started for it.
 */
bool openInWebBrowser(const QString &address);

/** Keeps a top-level window above all others, or lets it be stacked as usual; it neither moves nor resizes.
 */
void setStaysOnTop(QWidget *window, bool onTop);

} // namespace kelvora
