#include "common/guitest.h"

namespace kelvora::test {

MessageRecorder::MessageRecorder(QMessageBox::StandardButton reply) : answer(reply)
{
    MessageBox::setHandler([this](const MessageBox::Message &message) {
        messages << message;
        return this->answer;
    });
}

MessageRecorder::~MessageRecorder()
{
    MessageBox::setHandler({});
}

MainWindowSetup windowSetup(const SlotProfiles *profiles)
{
    MainWindowSetup setup;
    setup.profiles = profiles;
    setup.startPage = QStringLiteral("about:blank");
    return setup;
}

} // namespace kelvora::test
