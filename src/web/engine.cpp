#include "web/engine.h"

#include "core/engineswitches.h"
#include "core/tuning.h"

#include <QCoreApplication>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QtWebEngineCore/qtwebenginecoreglobal.h>
#include <QVersionNumber>

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

QVersionNumber webEngineVersion()
{
    static const QVersionNumber version = QVersionNumber::fromString(QLatin1String(qWebEngineVersion()));
    return version;
}

EngineCommandLine::EngineCommandLine(int argc, char *argv[])
{
    const QStringList switches = engineSwitches(webEngineVersion());
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (qEnvironmentVariableIsSet("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS",
                withEngineSwitches(qgetenv("QTWEBENGINE_CHROMIUM_FLAGS"), switches));
    else
        arguments = withEngineSwitches(arguments, switches);

    for (const QString &argument : std::as_const(arguments))
        m_arguments << argument.toLocal8Bit();
    for (QByteArray &argument : m_arguments)
        m_pointers.push_back(argument.data());
    m_argc = static_cast<int>(m_arguments.size());
    m_pointers.push_back(nullptr);
}

} // namespace kelvora
