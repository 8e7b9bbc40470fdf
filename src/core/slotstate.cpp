#include "core/slotstate.h"

#include "core/address.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace kelvora {
namespace {

// Slot addresses are short; a file much larger than this is no state of ours.
constexpr qint64 MaxFileBytes = 1024 * 1024;

ReloginPlan::Kept reloginFrom(const QJsonObject &object)
{
    ReloginPlan::Kept kept;
    for (const QJsonValue &at : object.value(QStringLiteral("tries")).toArray())
        kept.triesAtMs.push_back(qint64(at.toDouble()));
    kept.failuresInARow = object.value(QStringLiteral("failuresInARow")).toInt(0);
    const int failure = object.value(QStringLiteral("lastFailure")).toInt(-1);
    if (failure >= int(ReloginPlan::Failure::WrongPassword) &&
        failure <= int(ReloginPlan::Failure::NoAccount))
        kept.lastFailure = ReloginPlan::Failure(failure);
    return kept;
}

QJsonObject reloginObject(const ReloginPlan::Kept &kept)
{
    QJsonArray tries;
    for (const qint64 at : kept.triesAtMs)
        tries.append(double(at));
    QJsonObject object{{QStringLiteral("tries"), tries},
                       {QStringLiteral("failuresInARow"), kept.failuresInARow}};
    if (kept.lastFailure)
        object.insert(QStringLiteral("lastFailure"), int(*kept.lastFailure));
    return object;
}

StateRead problem(StateProblem kind, const QString &detail = {}, StateDamage damage = StateDamage::None)
{
    StateRead read;
    read.problem = kind;
    read.damage = damage;
    read.detail = detail;
    return read;
}

} // namespace

StateRead SlotStateFile::read() const
{
    QFile file(m_path);
    if (!file.exists())
        return problem(StateProblem::Missing);
    if (!file.open(QIODevice::ReadOnly))
        return problem(StateProblem::Unreadable, file.errorString());
    if (file.size() > MaxFileBytes)
        return problem(StateProblem::Damaged, {}, StateDamage::TooLarge);
    const QByteArray bytes = file.readAll();
    if (bytes.trimmed().isEmpty())
        return problem(StateProblem::Empty);

    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return problem(StateProblem::Damaged, error.errorString(), StateDamage::NotJson);
    const QJsonObject root = document.object();
    const int version = root.value(QStringLiteral("version")).toInt(0);
    if (version > Version)
        return problem(StateProblem::Newer, QString::number(version));
    if (version < 1 || !root.value(QStringLiteral("slots")).isArray())
        return problem(StateProblem::Damaged, {}, StateDamage::NoVersionOrList);

    StateRead read;
    read.state.resumeOnStart = root.value(QStringLiteral("resumeOnStart")).toBool(true);
    read.state.lateReloads = root.value(QStringLiteral("lateReloads")).toBool(true);
    read.state.preventSleep = root.value(QStringLiteral("preventSleep")).toBool(true);
    for (const QJsonValue &value : root.value(QStringLiteral("slots")).toArray()) {
        const QJsonObject slot = value.toObject();
        const int number = slot.value(QStringLiteral("slot")).toInt(0);
        const QString address = slot.value(QStringLiteral("address")).toString();
        const int period = slot.value(QStringLiteral("period")).toInt(0);
        if (number < 1 || number > SlotCount || address.isEmpty() || period < 1)
            return problem(StateProblem::Damaged, QString::number(number), StateDamage::IncompleteSlot);
        read.state.entries[std::size_t(number - 1)] =
            SavedSlot{address, period, slot.value(QStringLiteral("running")).toBool(false),
                      reloginFrom(slot.value(QStringLiteral("relogin")).toObject())};
    }
    return read;
}

bool SlotStateFile::write(const SavedState &state, QString *error) const
{
    QJsonArray list;
    for (int i = 0; i < SlotCount; ++i) {
        const std::optional<SavedSlot> &slot = state.entries[std::size_t(i)];
        if (!slot)
            continue;
        QJsonObject entry{{QStringLiteral("slot"), i + 1},
                          {QStringLiteral("address"), addressForState(slot->address)},
                          {QStringLiteral("period"), slot->period},
                          {QStringLiteral("running"), slot->running}};
        // A key an older program passes over: the file's version stays.
        if (!slot->relogin.isEmpty())
            entry.insert(QStringLiteral("relogin"), reloginObject(slot->relogin));
        list.append(entry);
    }
    const QJsonObject root{{QStringLiteral("version"), Version},
                           {QStringLiteral("resumeOnStart"), state.resumeOnStart},
                           {QStringLiteral("lateReloads"), state.lateReloads},
                           {QStringLiteral("preventSleep"), state.preventSleep},
                           {QStringLiteral("slots"), list}};

    // Unbuffered, so that a full disk fails the write itself rather than a flush whose failure
    // commit() may not see (QTBUG-75077); short writes count as failed. The old file is replaced
    // only by a whole new one, and stays as it was otherwise.
    const QByteArray bytes = QJsonDocument(root).toJson();
    QSaveFile file(m_path);
    const bool written = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) &&
                         file.write(bytes) == bytes.size() && file.size() == bytes.size();
    if (!written || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false; // the new file goes with `file`, unused
    }
    return true;
}

QString SlotStateFile::setAside() const
{
    if (!QFileInfo::exists(m_path))
        return {};
    QString aside = m_path + QStringLiteral(".bad");
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = m_path + QStringLiteral(".bad%1").arg(n);
    return QFile::rename(m_path, aside) ? aside : QString();
}

} // namespace kelvora
