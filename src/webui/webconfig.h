#pragma once

#include <QHostAddress>
#include <QString>
#include <QStringList>

#include <optional>

namespace kelvora {

/**
 * How the web page is served, kept in the data folder beside the slots' state: the address and
 * port, the names it may be reached by, the HTTPS certificate and key, the password's hash.
 */
struct WebUiConfig
{
    static constexpr quint16 DefaultPort = 8391;

    QHostAddress address = QHostAddress(QHostAddress::LocalHost);
    quint16 port = DefaultPort;
    /** Names other than the address the page may be reached by (a DNS name, a tunnel's). */
    QStringList hostNames;
    QString certificateFile;
    QString keyFile;
    /** The password's salted slow hash (see hashWebPassword); empty: none was set. */
    QString passwordHash;
    /** Whether the desktop program serves the page too. */
    bool servedByDesktop = false;

    bool isSecure() const { return !certificateFile.isEmpty(); }
    /** The address to open the page at. */
    QString pageAddress() const;

    static QString fileName() { return QStringLiteral("web.ini"); }
    /** What the file says; the defaults where it says nothing. `error`: why it could not be read. */
    static WebUiConfig read(const QString &path, QString *error = nullptr);
    /** Writes the file, readable by the user only. */
    bool write(const QString &path, QString *error) const;
};

/** This machine's first IPv4 address that is not loopback; loopback when it has none. */
QHostAddress firstOutsideAddress();

/** The password as kept: PBKDF2-SHA512 with a random salt, "pbkdf2-sha512$iterations$salt$hash". */
QString hashWebPassword(const QString &password, int iterations = 120000);
/** Whether `password` is the one `stored` was made from; compared in constant time. */
bool webPasswordMatches(const QString &stored, const QString &password);

/**
 * The access code that stands for a password until one is set: the one kept at `path`, or a new
 * one written there, readable by the user only. None, with `error`, when neither can be.
 */
std::optional<QString> webAccessCode(const QString &path, QString *error);
inline QString webAccessCodeFileName()
{
    return QStringLiteral("web-token");
}

/** Writes `data` to `path` whole, readable and writable by the user only. */
bool writePrivateFile(const QString &path, const QByteArray &data, QString *error);

} // namespace kelvora
