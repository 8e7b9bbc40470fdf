#pragma once

#include "webui/webrequest.h"

#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QMetaEnum>

/*
 * The one place that knows how each Qt release's HTTP server hands a request over and takes an
 * answer: Qt 6.4's technology preview writes an answer piece by piece, and gives the responder as
 * an rvalue; Qt 6.8 and later take it whole.
 */

namespace kelvora::http {

#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
using Responder = QHttpServerResponder &;

inline HttpHeaders headersOf(const QHttpServerRequest &request)
{
    HttpHeaders all;
    for (const auto &[name, value] : request.headers().toListOfPairs())
        all.append({name, value});
    return all;
}

inline void send(QHttpServerResponder &responder, int status, const HttpHeaders &headers,
                 const QByteArray &body)
{
    QHttpHeaders all;
    for (const auto &[name, value] : headers)
        all.append(name, value);
    responder.write(body, all, static_cast<QHttpServerResponder::StatusCode>(status));
}
#else
using Responder = QHttpServerResponder &&;

inline HttpHeaders headersOf(const QHttpServerRequest &request)
{
    return request.headers();
}

inline void send(QHttpServerResponder &responder, int status, const HttpHeaders &headers,
                 const QByteArray &body)
{
    responder.writeStatusLine(static_cast<QHttpServerResponder::StatusCode>(status));
    for (const auto &[name, value] : headers)
        responder.writeHeader(name, value);
    responder.writeHeader("Content-Length", QByteArray::number(body.size()));
    responder.writeBody(body);
}
#endif

/** The request as the web page's handler takes it. */
inline WebRequest requestOf(const QHttpServerRequest &request)
{
    WebRequest out;
    const QMetaEnum methods = QMetaEnum::fromType<QHttpServerRequest::Method>();
    out.method = QByteArray(methods.valueToKey(int(request.method()))).toUpper();
    out.path = request.url().path();
    out.headers = headersOf(request);
    out.body = request.body();
    out.peer = request.remoteAddress();
    return out;
}

} // namespace kelvora::http
