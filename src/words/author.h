#pragma once

#include <QString>

namespace kelvora {

/** The author's name, as the windows, the tray icon and the banner sign with it. */
inline QString authorName()
{
    return QStringLiteral("Tavren");
}

/**
 * The author's home page, opened by "联系作者", the banner and the instructions window's link.
 * A reserved example domain stands in until the project has a home page of its own.
 */
inline QString authorHomePage()
{
    return QStringLiteral("http://kelvora.example.com/");
}

/** The contact number the instructions give. Made up, of the usual shape. */
inline QString authorContactNumber()
{
    return QStringLiteral("123456789");
}

} // namespace kelvora
