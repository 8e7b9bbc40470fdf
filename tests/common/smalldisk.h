#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtGlobal>

namespace kelvora::test {

/**
 * The small file system a test runs with (see small-disk.sh), to fill as a user's disk fills.
 * Unusable where none could be made: the test is skipped then.
 */
class SmallDisk
{
public:
    SmallDisk()
        : m_folder(qEnvironmentVariable("KELVORA_SMALL_DISK")), m_filler(m_folder + QStringLiteral("/filler"))
    {}

    bool usable() const { return !m_folder.isEmpty(); }
    QString filePath(const QString &name) const { return m_folder + QLatin1Char('/') + name; }

    /** Takes every byte left. */
    [[nodiscard]] bool fill()
    {
        if (!m_filler.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
            return false;
        // Blocks while they fit, then ever smaller ones for the last bytes.
        const QByteArray block(64 * 1024, 'x');
        for (qint64 size = block.size(); size > 0; size /= 2) {
            while (m_filler.write(block.constData(), size) == size) {
            }
        }
        m_filler.close();
        return true;
    }
    void free() { m_filler.remove(); }

private:
    QString m_folder;
    QFile m_filler;
};

} // namespace kelvora::test
