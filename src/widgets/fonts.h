#pragma once

#include <QFont>

namespace kelvora {

/** The program's Song-style face ("宋体"), or the nearest installed CJK face. */
QFont songFont(qreal pointSize, bool bold = false);

/** The clerical-style title face ("隶书"), or the nearest installed CJK face. */
QFont clericalFont(qreal pointSize);

} // namespace kelvora
