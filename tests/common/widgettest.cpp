#include "common/widgettest.h"

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

} // namespace kelvora::test
