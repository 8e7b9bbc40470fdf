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

QString nextReloadText(qint64 msUntilReload)
{
    const qint64 seconds = (std::max<qint64>(0, msUntilReload) + 999) / 1000;
    if (seconds < 60)
        return QStringLiteral("下次刷新：%1 秒后").arg(seconds);
    return QStringLiteral("下次刷新：%1 分 %2 秒后")
        .arg(seconds / 60)
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace kelvora
