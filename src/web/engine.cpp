#include "web/engine.h"

#include "core/tuning.h"

#include <QCoreApplication>
#include <QQuickWindow>
#include <QSGRendererInterface>

namespace kelvora {

void prepareWebEngine()
{
    if (TunedBuild) {
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
        return;
    }
    // Drawing with OpenGL, the engine shares its contexts with the widgets'.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

} // namespace kelvora
