#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QTest>

// Waits and files, for tests of every layer.
namespace kelvora::test {

/**
 * Waits until `done` holds, for up to `timeoutMs`; whether it did. QTest::qWaitFor with a long
 * timeout keeps the web engine's own scheduled work from running for seconds at a time on Qt 6.4,
 * so the pages under test crawl; short waits in a loop, as QTRY_* makes, let it run.
 */
template <typename Predicate> bool waitUntil(Predicate done, int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.hasExpired(timeoutMs))
            return false;
        QTest::qWait(20);
    }
    return true;
}

/** Writes `bytes` as the whole of the file at `path`; whether it could. */
inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace kelvora::test
