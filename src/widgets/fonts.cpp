#include "widgets/fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace kelvora {
namespace {

QString firstInstalled(const QStringList &candidates)
{
    const QStringList families = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    for (const QString &family : candidates) {
        if (families.contains(family, Qt::CaseInsensitive))
            return family;
    }
    return candidates.first();
}

QFont makeFont(const QString &family, qreal pointSize, bool bold)
{
    QFont font(family);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

} // namespace

QFont songFont(qreal pointSize, bool bold)
{
    static const QString family =
        firstInstalled({QStringLiteral("SimSun"), QStringLiteral("宋体"), QStringLiteral("AR PL UMing CN"),
                        QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC")});
    return makeFont(family, pointSize, bold);
}

QFont clericalFont(qreal pointSize)
{
    static const QString family = firstInstalled(
        {QStringLiteral("LiSu"), QStringLiteral("隶书"), QStringLiteral("AR PL UKai CN"),
         QStringLiteral("KaiTi"), QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC")});
    return makeFont(family, pointSize, false);
}

} // namespace kelvora
