#include "core/period.h"

#include <algorithm>
#include <limits>

namespace kelvora {

std::optional<int> parsePeriod(QStringView text)
{
    const QStringView digits = text.trimmed();
    if (digits.isEmpty())
        return std::nullopt;

    qint64 value = 0;
    for (const QChar c : digits) {
        // Only ASCII digits: QChar::isDigit would also take full-width and other scripts' digits.
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
        if (value > std::numeric_limits<int>::max())
            return std::nullopt;
    }
    if (value < 1)
        return std::nullopt;
    return static_cast<int>(value);
}

qint64 reloadDelayMs(qint64 periodMs, double unitRandom)
{
    if (periodMs <= 3000)
        return 0;
    const qint64 least = std::min<qint64>(periodMs / 40, 1500);
    return least + static_cast<qint64>(unitRandom * static_cast<double>(least));
}

} // namespace kelvora
