#pragma once

#include "core/slottable.h"

#include <QList>
#include <QString>

#include <array>
#include <memory>

class QWebEngineProfile;

namespace kelvora {

/**
 * One browser profile per slot: cookies, local storage and cache of its own, so that eight
 * accounts, even of the same forum, can be online side by side. They must outlive every view
 * that uses them.
 */
class SlotProfiles
{
public:
    /**
     * Profiles kept on disk, so that each slot's login survives a restart. Slot 1 keeps the folder
     * itself, where earlier versions kept the one profile all slots shared, so its logins stay.
     */
    static std::unique_ptr<SlotProfiles> onDisk(const QString &folder);
    /** Profiles that live in memory only and leave nothing behind. */
    static std::unique_ptr<SlotProfiles> inMemory();

    ~SlotProfiles();
    SlotProfiles(const SlotProfiles &) = delete;
    SlotProfiles &operator=(const SlotProfiles &) = delete;

    QWebEngineProfile *profile(int slotIndex) const;
    /** Every slot's profile, slot 1's first. */
    QList<QWebEngineProfile *> all() const;

    /** Where slot `slotIndex`'s profile is kept below `folder`. */
    static QString slotFolder(const QString &folder, int slotIndex);

private:
    SlotProfiles() = default;

    std::array<std::unique_ptr<QWebEngineProfile>, SlotCount> m_profiles;
};

/** Where the browsers keep cookies, cache and local storage for this user. */
QString defaultWebProfileFolder();

} // namespace kelvora
