#pragma once

#include "core/urllistfile.h"

#include <QStringList>

class QWidget;

namespace kelvora {

/**
 * The forum address list the program offers in every address box: made with the default forums
 * when missing, read once at the start, and each problem told the user once.
 */
class AddressList
{
public:
    explicit AddressList(UrlListFile file) : m_file(std::move(file)) {}

    const UrlListFile &file() const { return m_file; }
    /** Makes the list with the default forums when there is none; false, once told, when it can't. */
    bool makeIfMissing(QWidget *messageParent);
    /**
     * The addresses on the list. What could not be read is told; whatever came before a read error
     * is still offered.
     */
    QStringList read(QWidget *messageParent) const;

private:
    UrlListFile m_file;
};

} // namespace kelvora
