#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrlQuery>

namespace kelvora {

using HttpHeaders = QList<QPair<QByteArray, QByteArray>>;

/** One request to the web page, as the server parsed it; no socket behind it, so tests make them. */
struct WebRequest
{
    QByteArray method = "GET";
    QString path = QStringLiteral("/");
    HttpHeaders headers;
    QByteArray body;
    QHostAddress peer = QHostAddress(QHostAddress::LocalHost);

    /** The first header of that name, whatever its case; empty when there is none. */
    QByteArray header(const QByteArray &name) const
    {
        for (const auto &[key, value] : headers) {
            if (key.compare(name, Qt::CaseInsensitive) == 0)
                return value;
        }
        return {};
    }
};

struct WebReply
{
    int status = 200;
    HttpHeaders headers;
    QByteArray body;

    QByteArray header(const QByteArray &name) const
    {
        for (const auto &[key, value] : headers) {
            if (key.compare(name, Qt::CaseInsensitive) == 0)
                return value;
        }
        return {};
    }
    void setHeader(const QByteArray &name, const QByteArray &value)
    {
        for (auto &[key, old] : headers) {
            if (key.compare(name, Qt::CaseInsensitive) == 0) {
                old = value;
                return;
            }
        }
        headers.append({name, value});
    }
};

} // namespace kelvora
