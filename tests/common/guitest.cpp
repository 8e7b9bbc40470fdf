#include "common/guitest.h"

#include <QComboBox>
#include <QPushButton>

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

void openAndStart(MainWindow &window, int index, const QUrl &address, const QString &period)
{
    const SlotControlNames &n = slotTable()[static_cast<std::size_t>(index)].names;
    window.switchToSlot(index);
    auto *panel = child<QWidget>(&window, n.panel);
    child<QComboBox>(panel, n.addressBox)->setEditText(address.toString());
    child<QComboBox>(panel, n.periodBox)->setEditText(period);
    QTest::mouseClick(child<QPushButton>(panel, n.openButton), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>(panel, n.startButton), Qt::LeftButton);
}

} // namespace kelvora::test
