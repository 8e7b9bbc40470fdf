#include "common/guitest.h"

#include <QWebEngineProfile>

namespace kelvora::test {

TemporaryWebProfile::TemporaryWebProfile() : m_profile(std::make_unique<QWebEngineProfile>()) {}

TemporaryWebProfile::~TemporaryWebProfile() = default;

MessageRecorder::MessageRecorder()
{
    MessageBox::setHandler([this](const MessageBox::Message &message) {
        messages << message;
        return QMessageBox::Ok;
    });
}

MessageRecorder::~MessageRecorder()
{
    MessageBox::setHandler({});
}

MainWindowSetup windowSetup(QWebEngineProfile *profile)
{
    MainWindowSetup setup;
    setup.profile = profile;
    setup.startPage = QStringLiteral("about:blank");
    setup.trayIcon = false;
    return setup;
}

} // namespace kelvora::test
