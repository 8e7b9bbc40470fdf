#include "core/slottable.h"

namespace kelvora {
namespace {

// The switch buttons stand in a row after the back and forward buttons, each a little narrower
// than its step, so neighbours overlap by a hair as they were drawn.
constexpr int FirstSwitchButtonLeftTwips = 1800;
constexpr int SwitchButtonStepTwips = 840;

QStringList minutePeriods()
{
    QStringList list;
    for (int i = 1; i <= 30; ++i)
        list << QString::number(i);
    for (int i = 35; i <= 60; i += 5)
        list << QString::number(i);
    for (int i = 70; i <= 100; i += 10)
        list << QString::number(i);
    return list;
}

QStringList secondPeriods()
{
    QStringList list;
    for (int i = 1; i <= 60; ++i)
        list << QString::number(i);
    for (int i = 75; i <= 300; i += 15)
        list << QString::number(i);
    return list;
}

SlotDescription describe(int index)
{
    static const char *const Suffixes[] = {"", "a", "b", "c"};
    // Address boxes are numbered through rather than by group.
    static const char *const AddressBoxes[SlotCount] = {"Combo4", "Combo3", "Combo5", "Combo6",
                                                        "Combo7", "Combo8", "Combo9", "Combo10"};

    SlotDescription d;
    d.number = index + 1;
    d.groupSuffix = QLatin1String(Suffixes[index / 2]);
    d.firstOfGroup = index % 2 == 0;
    d.partner = d.firstOfGroup ? index + 1 : index - 1;
    d.switchButtonLeftTwips = FirstSwitchButtonLeftTwips + SwitchButtonStepTwips * index;

    const bool seconds = index == SlotCount - 1;
    d.tickIntervalMs = seconds ? 1000 : 60000;
    d.inSeconds = seconds;
    d.periods = seconds ? secondPeriods() : minutePeriods();

    const QString &s = d.groupSuffix;
    auto name = [&s](const char *first, const char *second, bool isFirst) {
        return QLatin1String(isFirst ? first : second) + s;
    };
    const bool f = d.firstOfGroup;
    SlotControlNames &n = d.names;
    n.panel = name("Frame1", "Frame2", f);
    n.addressBox = QLatin1String(AddressBoxes[index]);
    n.periodBox = name("Combo1", "Combo2", f);
    n.periodLabel = name("Label5", "Label18", f);
    n.statusLabel = name("Label8", "Label19", f);
    n.hoursLabel = name("Label11", "Label20", f);
    n.minutesLabel = name("Label9", "Label21", f);
    n.secondsLabel = name("Label10", "Label22", f);
    n.openButton = name("Command1", "Command5", f);
    n.startButton = name("Command2", "Command6", f);
    n.stopButton = name("Command3", "Command7", f);
    n.refreshButton = name("Command4", "Command8", f);
    n.refreshTimer = name("Timer1", "Timer3", f);
    n.clockTimer = name("Timer2", "Timer4", f);
    n.browser = name("WebBrowser1", "WebBrowser2", f);
    n.switchButton = name("Command9", "Command10", f);
    n.accountButton = name("Account1", "Account2", f);
    n.offerBar = name("Offer1", "Offer2", f);
    return d;
}

} // namespace

const std::array<SlotDescription, SlotCount> &slotTable()
{
    static const std::array<SlotDescription, SlotCount> table = [] {
        std::array<SlotDescription, SlotCount> t;
        for (int i = 0; i < SlotCount; ++i)
            t[static_cast<std::size_t>(i)] = describe(i);
        return t;
    }();
    return table;
}

} // namespace kelvora
