#include "forumtestserver.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

#include <memory>

using kelvora::test::ForumTestServer;

namespace {

std::unique_ptr<QNetworkReply> fetch(QNetworkAccessManager &nam, const QUrl &url, bool headOnly = false)
{
    // A custom "HEAD" verb would make the client wait for a body, so use the real thing.
    const QNetworkRequest request(url);
    std::unique_ptr<QNetworkReply> reply(headOnly ? nam.head(request) : nam.get(request));
    if (!reply->isFinished()) {
        QSignalSpy(reply.get(), &QNetworkReply::finished).wait(5000);
    }
    return reply;
}

int statusOf(const QNetworkReply &reply)
{
    return reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

// Talks raw bytes, for what a well-behaved client library would never send.
class RawClient
{
public:
    explicit RawClient(const ForumTestServer &server)
    {
        QObject::connect(&m_socket, &QTcpSocket::readyRead, [this] { received += m_socket.readAll(); });
        QObject::connect(&m_socket, &QTcpSocket::disconnected, [this] { closed = true; });
        m_socket.connectToHost(server.address(), server.port());
    }
    RawClient(const RawClient &) = delete;
    RawClient &operator=(const RawClient &) = delete;

    void write(const QByteArray &bytes) { m_socket.write(bytes); }

    QByteArray received;
    bool closed = false;

private:
    QTcpSocket m_socket;
};

} // namespace

class TestForumTestServer : public QObject
{
    Q_OBJECT

private slots:
    void cookieIssuedOnFirstVisitOnly()
    {
        ForumTestServer server;
        QVERIFY(server.listen());
        QSignalSpy spy(&server, &ForumTestServer::requestReceived);
        QNetworkAccessManager nam;

        const auto first = fetch(nam, server.url("/"));
        QCOMPARE(statusOf(*first), 200);
        QCOMPARE(first->header(QNetworkRequest::ContentTypeHeader).toString(), "text/html; charset=utf-8");
        QCOMPARE(first->rawHeader("Cache-Control"), "no-store");
        QVERIFY(first->readAll().contains("<title>Test forum</title>"));
        const QString issued = server.requests().value(0).issuedCookie;
        QVERIFY(issued.startsWith(u's'));
        QCOMPARE(first->rawHeader("Set-Cookie"), "sid=" + issued.toUtf8() + "; Path=/; Max-Age=86400");

        const auto second = fetch(nam, server.url("/"));
        QCOMPARE(statusOf(*second), 200);
        QVERIFY(!second->hasRawHeader("Set-Cookie"));
        QCOMPARE(spy.count(), 2);
        QCOMPARE(server.requests().value(0).cookie, QString());
        QCOMPARE(server.requests().value(1).cookie, issued);
        QCOMPARE(server.requests().value(1).issuedCookie, QString());
    }

    void keepAliveHandlesSplitAndPipelinedRequests()
    {
        ForumTestServer server;
        QVERIFY(server.listen());
        RawClient client(server);

        client.write("GET /one HTTP/1.1\r\nHo");
        QTest::qWait(50);
        QVERIFY(server.requests().isEmpty());
        client.write("st: x\r\n\r\n");
        QTRY_COMPARE(server.requests().size(), 1);

        // Two requests in one write; the first carries a body that must not be mistaken for a request.
        client.write(
            "POST /two HTTP/1.1\r\nHost: x\r\nContent-Length: 5\r\n\r\nGET /\r\n"
            "GET /three?q=1 HTTP/1.1\r\nHost: x\r\nCookie: a=1; sid=abc\r\nConnection: close\r\n\r\n");
        QTRY_VERIFY(client.closed);
        QCOMPARE(server.requests().size(), 3);
        QCOMPARE(client.received.count("HTTP/1.1 200 OK"), 2);
        QCOMPARE(client.received.count("HTTP/1.1 405 Method Not Allowed"), 1);
        const ForumTestServer::Request last = server.requests().value(2);
        QCOMPARE(last.path, "/three");
        QCOMPARE(last.query, "q=1");
        QCOMPARE(last.cookie, "abc");
        QCOMPARE(last.issuedCookie, QString());
    }

    void pagesHaveTheirOwnTitles()
    {
        ForumTestServer server;
        server.setTitle(QStringLiteral("Форум <1>"));
        server.setPage("/a", "A");
        server.setPage("/b", "B");
        QVERIFY(server.listen());
        QNetworkAccessManager nam;

        QVERIFY(fetch(nam, server.url("/a"))->readAll().contains("<title>A</title>"));
        QVERIFY(fetch(nam, server.url("/b?x=1"))->readAll().contains("<title>B</title>"));
        QVERIFY(fetch(nam, server.url("/elsewhere"))
                    ->readAll()
                    .contains(QStringLiteral("<title>Форум &lt;1&gt;</title>").toUtf8()));
        const auto head = fetch(nam, server.url("/a"), true);
        QVERIFY(head->isFinished());
        QCOMPARE(statusOf(*head), 200);
        QVERIFY(head->header(QNetworkRequest::ContentLengthHeader).toInt() > 0);
        QVERIFY(head->readAll().isEmpty());

        const auto favicon = fetch(nam, server.url("/favicon.ico"));
        QCOMPARE(statusOf(*favicon), 404);
        QVERIFY(!favicon->hasRawHeader("Set-Cookie"));
        QCOMPARE(server.requests().size(), 5);
        QCOMPARE(server.pageRequests().size(), 4);

        server.clear();
        QVERIFY(server.requests().isEmpty());
    }

    void malformedRequestsAreRejected_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QByteArray>("status");
        QTest::newRow("garbage") << QByteArray("hello there\r\n\r\n") << QByteArray("400");
        QTest::newRow("bare LF garbage") << QByteArray("nonsense\n\n") << QByteArray("400");
        QTest::newRow("unknown version")
            << QByteArray("GET / HTTP/2.0\r\nHost: x\r\n\r\n") << QByteArray("400");
        QTest::newRow("relative target")
            << QByteArray("GET foo HTTP/1.1\r\nHost: x\r\n\r\n") << QByteArray("400");
        QTest::newRow("no colon") << QByteArray("GET / HTTP/1.1\r\nHost x\r\n\r\n") << QByteArray("400");
        QTest::newRow("folded header")
            << QByteArray("GET / HTTP/1.1\r\nHost: x\r\n y\r\n\r\n") << QByteArray("400");
        QTest::newRow("no host") << QByteArray("GET / HTTP/1.1\r\n\r\n") << QByteArray("400");
        QTest::newRow("two lengths")
            << QByteArray("GET / HTTP/1.1\r\nHost: x\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\n")
            << QByteArray("400");
        QTest::newRow("chunked") << QByteArray(
                                        "POST / HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n")
                                 << QByteArray("501");
    }

    void malformedRequestsAreRejected()
    {
        QFETCH(QByteArray, payload);
        QFETCH(QByteArray, status);
        ForumTestServer server;
        QVERIFY(server.listen());
        RawClient client(server);
        client.write(payload + "GET / HTTP/1.1\r\nHost: x\r\n\r\n");
        QTRY_VERIFY(client.closed);
        QVERIFY2(client.received.startsWith("HTTP/1.1 " + status + ' '), client.received.constData());
        QCOMPARE(client.received.count("HTTP/1.1 "), 1);
        QVERIFY(server.requests().isEmpty());
    }

    void oversizedHeaderClosesConnection()
    {
        ForumTestServer server;
        QVERIFY(server.listen());
        RawClient client(server);
        client.write("GET / HTTP/1.1\r\nX-Filler: " + QByteArray(qsizetype{70} * 1024, 'a'));
        QTRY_VERIFY(client.closed);
        QVERIFY(server.requests().isEmpty());
    }

    void serversOnSeparateLoopbackAddresses()
    {
        ForumTestServer first;
        ForumTestServer second;
        QVERIFY(first.listen(QHostAddress("127.0.0.2")));
        QVERIFY(second.listen(QHostAddress("127.0.0.3")));
        QCOMPARE(first.url("/x?y=1"), QUrl(QStringLiteral("http://127.0.0.2:%1/x?y=1").arg(first.port())));
        QNetworkAccessManager nam;

        QCOMPARE(statusOf(*fetch(nam, first.url())), 200);
        QCOMPARE(statusOf(*fetch(nam, second.url())), 200);
        QCOMPARE(first.requests().size(), 1);
        QCOMPARE(second.requests().size(), 1);
        QCOMPARE(first.requests().value(0).host, QStringLiteral("127.0.0.2:%1").arg(first.port()));
        QCOMPARE(second.requests().value(0).host, QStringLiteral("127.0.0.3:%1").arg(second.port()));
        // Different hosts are different cookie origins, so each server issues its own cookie.
        QVERIFY(!first.requests().value(0).issuedCookie.isEmpty());
        QVERIFY(!second.requests().value(0).issuedCookie.isEmpty());
        QVERIFY(first.requests().value(0).issuedCookie != second.requests().value(0).issuedCookie);
    }
};

QTEST_GUILESS_MAIN(TestForumTestServer)
#include "tst_forumtestserver.moc"
