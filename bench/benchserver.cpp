// Serves eight forum-like thread pages, one per loopback host 127.0.0.2 … 127.0.0.9, for the
// memory and CPU benchmark. Each page is about 280 KB of HTML with a stylesheet, four images and
// a script that updates a clock every second, like a busy forum thread.
#include "common/forumserver.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QTextStream>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

using kelvora::test::ForumServer;

namespace {

QByteArray threadPage(int forum)
{
    QString html;
    QTextStream out(&html);
    out << "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>测试论坛 " << forum
        << " - 灌水专区</title><link rel=\"stylesheet\" href=\"/style.css\"></head><body>"
        << "<div id=\"top\">当前时间：<span id=\"clock\"></span></div>";
    for (int i = 1; i <= 4; ++i)
        out << "<img src=\"/img" << i << ".png\" alt=\"\">";
    const QString sentence = QStringLiteral("今天天气不错，大家一起来灌水聊天，顺便挂机积累在线时间。");
    // Most of the text is Chinese: about 2.5 bytes of UTF-8 per character.
    for (int post = 1; html.size() * 5 / 2 < 280 * 1024; ++post) {
        out << "<div class=\"post p" << post % 20 << "\"><div class=\"author\">会员" << post
            << "</div><div class=\"body\">";
        for (int s = 0; s < 8; ++s)
            out << sentence;
        out << "</div><div class=\"sign\">第 " << post << " 楼</div></div>";
    }
    out << "<script>setInterval(function(){document.getElementById('clock').textContent="
           "new Date().toLocaleTimeString();},1000);</script></body></html>";
    return html.toUtf8();
}

QByteArray styleSheet()
{
    QByteArray css;
    for (int i = 0; css.size() < 20 * 1024; ++i)
        css += ".p" + QByteArray::number(i) + " .body{color:#" + QByteArray::number(0x101010 * (i % 15), 16) +
               ";margin:4px " + QByteArray::number(i % 9) + "px;line-height:1." + QByteArray::number(i % 9) +
               ";}\n";
    return css;
}

QByteArray picture(int kilobytes, quint32 seed)
{
    // Noise does not compress: a PNG of it takes about three bytes a pixel.
    QRandomGenerator random(seed);
    const int side = static_cast<int>(std::sqrt(kilobytes * 1024 / 3.0));
    QImage image(side, side, QImage::Format_RGB32);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            image.setPixel(x, y, random.generate() | 0xff000000u);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const quint16 port = argc > 1 ? static_cast<quint16>(QByteArray(argv[1]).toUInt()) : 18080;
    // "hangs EVERY FOR": every EVERY seconds, every forum stops answering for FOR seconds.
    const bool hangs = argc > 4 && qstrcmp(argv[2], "hangs") == 0;
    const int hangEveryS = hangs ? QByteArray(argv[3]).toInt() : 0;
    const int hangForS = hangs ? QByteArray(argv[4]).toInt() : 0;
    // "accounts FILE": member m<N> of forum N logs in with password pw-<N> at /loginpage; the lines
    // "logout N" and "password N NEW" added to FILE log that member out, or change the password.
    const QString control =
        argc > 3 && qstrcmp(argv[2], "accounts") == 0 ? QString::fromLocal8Bit(argv[3]) : QString();

    const QByteArray css = styleSheet();
    const QByteArray images[] = {picture(27, 1), picture(35, 2), picture(86, 3), picture(60, 4)};
    std::vector<std::unique_ptr<ForumServer>> servers;
    for (int forum = 1; forum <= 8; ++forum) {
        auto server = std::make_unique<ForumServer>();
        if (!server->listen(QHostAddress(QStringLiteral("127.0.0.%1").arg(forum + 1)), port)) {
            std::fprintf(stderr, "cannot listen on 127.0.0.%d:%u\n", forum + 1, port);
            return 1;
        }
        server->setFile(QStringLiteral("/thread.html"), "text/html; charset=utf-8", threadPage(forum), true);
        server->setFile(QStringLiteral("/style.css"), "text/css", css);
        for (int i = 0; i < 4; ++i)
            server->setFile(QStringLiteral("/img%1.png").arg(i + 1), "image/png", images[i]);
        if (!control.isEmpty())
            server->setPassword(QStringLiteral("m%1").arg(forum), QStringLiteral("pw-%1").arg(forum));
        std::printf("%s\n", qPrintable(server->url(QStringLiteral("/thread.html")).toString()));
        // Every request as the forum saw it: "page" for a page it generated (what credits a
        // member's time), "request" for the rest; the forum, when (ms since the epoch), the login.
        QObject::connect(server.get(), &ForumServer::requestReceived, [forum](const ForumServer::Request &r) {
            const bool generated = r.kind == ForumServer::Kind::Page && r.serial > 0;
            if (generated && r.path != u"/thread.html") { // a page of a member's: logged in or not
                std::printf("member-page %d %lld %s %s %s\n", forum,
                            static_cast<long long>(QDateTime::currentMSecsSinceEpoch()),
                            qPrintable(r.member()), r.loggedIn ? "in" : "out", qPrintable(r.path));
                std::fflush(stdout);
                return;
            }
            std::printf("%s %d %lld %s %s\n", generated ? "page" : "request", forum,
                        static_cast<long long>(QDateTime::currentMSecsSinceEpoch()),
                        r.cookie.isEmpty() ? "-" : qPrintable(r.cookie), qPrintable(r.path));
            std::fflush(stdout);
        });
        servers.push_back(std::move(server));
    }
    std::fflush(stdout);
    QTimer controlWatch;
    qint64 controlRead = 0;
    if (!control.isEmpty()) {
        QObject::connect(&controlWatch, &QTimer::timeout, [&] {
            QFile file(control);
            if (!file.open(QIODevice::ReadOnly) || !file.seek(controlRead))
                return;
            while (!file.atEnd()) {
                const QByteArray line = file.readLine();
                if (!line.endsWith('\n'))
                    break; // the rest is still being written
                controlRead = file.pos();
                const QStringList words = QString::fromUtf8(line).simplified().split(u' ');
                const int forum = words.value(1).toInt();
                if (forum < 1 || forum > 8)
                    continue;
                ForumServer &server = *servers[std::size_t(forum - 1)];
                const QString member = QStringLiteral("m%1").arg(forum);
                if (words.first() == u"logout")
                    server.logOut(member);
                else if (words.first() == u"password" && words.size() > 2)
                    server.setPassword(member, words[2]);
                std::printf("control %s %lld\n", qPrintable(words.join(u' ')),
                            static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
                std::fflush(stdout);
            }
        });
        controlWatch.start(500);
    }
    QTimer hang;
    if (hangEveryS > 0) {
        QObject::connect(&hang, &QTimer::timeout, [&servers, hangForS] {
            for (auto &server : servers)
                server->setOutage(ForumServer::Outage::NoAnswer);
            std::printf("hang %lld\n", static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
            std::fflush(stdout);
            QTimer::singleShot(hangForS * 1000, [&servers] {
                for (auto &server : servers)
                    server->setOutage(ForumServer::Outage::None);
            });
        });
        hang.start(hangEveryS * 1000);
    }
    return QCoreApplication::exec();
}
