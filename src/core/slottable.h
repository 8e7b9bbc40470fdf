#pragma once

#include <QString>
#include <QStringList>

#include <array>

namespace kelvora {

/** Where every slot's browser waits until the user opens a forum in it. */
inline QString startPageAddress()
{
    return QStringLiteral("www.baidu.com");
}

/** Object names of one slot's controls. */
struct SlotControlNames
{
    QString panel;
    QString addressBox;
    QString periodBox;
    QString periodLabel;
    QString statusLabel;
    QString hoursLabel;
    QString minutesLabel;
    QString secondsLabel;
    QString openButton;
    QString startButton;
    QString stopButton;
    QString refreshButton;
    QString refreshTimer;
    QString clockTimer;
    QString browser;
    QString switchButton;
    QString accountButton; ///< the slot's account for logging in again: give, change, forget
    QString offerBar;      ///< asks whether to remember a login the user just made
};

/** Everything that tells one forum slot from the others. */
struct SlotDescription
{
    int number = 0;             ///< 1 to 8
    QString groupSuffix;        ///< "", "a", "b", "c": the slots come in pairs
    bool firstOfGroup = true;   ///< the first slot of its pair
    int partner = 0;            ///< zero-based index of the other slot of the pair
    int tickIntervalMs = 60000; ///< one reload tick: a minute, or a second for slot 8
    bool inSeconds = false;     ///< its period is in seconds (slot 8), not minutes
    QStringList periods;        ///< the period box's list
    int switchButtonLeftTwips = 0;
    SlotControlNames names;

    /** The object name of a static caption label in this slot's panel, from its base name ("Label1"). */
    QString staticLabelName(const char *base) const { return QLatin1String(base) + groupSuffix; }
};

inline constexpr int SlotCount = 8;

/** The eight forum slots, in slot order. */
const std::array<SlotDescription, SlotCount> &slotTable();

} // namespace kelvora
