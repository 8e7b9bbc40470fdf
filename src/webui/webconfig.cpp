#include "webui/webconfig.h"

#include "webui/webguard.h"

#include <QCryptographicHash>
#include <QFile>
#include <QNetworkInterface>
#include <QPasswordDigestor>
#include <QSaveFile>
#include <QSettings>

namespace kelvora {
namespace {

constexpr int HashBytes = 64;

QByteArray derive(const QString &password, const QByteArray &salt, int iterations)
{
    return QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha512, password.toUtf8(), salt, iterations,
                                              HashBytes);
}

} // namespace

QHostAddress firstOutsideAddress()
{
    for (const QHostAddress &address : QNetworkInterface::allAddresses()) {
        if (!address.isLoopback() && address.protocol() == QAbstractSocket::IPv4Protocol)
            return address;
    }
    return QHostAddress(QHostAddress::LocalHost);
}

QString WebUiConfig::pageAddress() const
{
    QString host = address.toString();
    if (address == QHostAddress::LocalHost)
        host = QStringLiteral("127.0.0.1");
    else if (address == QHostAddress::Any || address == QHostAddress::AnyIPv4)
        host = firstOutsideAddress().toString();
    else if (address.protocol() == QAbstractSocket::IPv6Protocol)
        host = QLatin1Char('[') + host + QLatin1Char(']');
    return QStringLiteral("%1://%2:%3/")
        .arg(isSecure() ? QStringLiteral("https") : QStringLiteral("http"), host)
        .arg(port);
}

WebUiConfig WebUiConfig::read(const QString &path, QString *error)
{
    WebUiConfig config;
    if (!QFile::exists(path))
        return config;
    QSettings file(path, QSettings::IniFormat);
    if (file.status() != QSettings::NoError) {
        if (error)
            *error = QStringLiteral("format");
        return config;
    }
    file.beginGroup(QStringLiteral("web"));
    const QHostAddress address(file.value(QStringLiteral("address")).toString());
    if (!address.isNull())
        config.address = address;
    const uint port = file.value(QStringLiteral("port"), DefaultPort).toUInt();
    if (port > 0 && port <= 65535)
        config.port = quint16(port);
    config.hostNames = file.value(QStringLiteral("hostNames")).toStringList();
    config.certificateFile = file.value(QStringLiteral("certificate")).toString();
    config.keyFile = file.value(QStringLiteral("key")).toString();
    config.passwordHash = file.value(QStringLiteral("password")).toString();
    config.servedByDesktop = file.value(QStringLiteral("servedByDesktop"), false).toBool();
    return config;
}

bool WebUiConfig::write(const QString &path, QString *error) const
{
    // QSettings would write the file with the process's usual permissions: it is made whole here.
    QString text = QStringLiteral("[web]\n");
    const auto line = [&text](const QString &key, const QString &value) {
        text += key + QLatin1Char('=') + value + QLatin1Char('\n');
    };
    const auto quoted = [](QString value) {
        return QLatin1Char('"') +
               value.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
                   .replace(QLatin1Char('"'), QStringLiteral("\\\"")) +
               QLatin1Char('"');
    };
    line(QStringLiteral("address"), address.toString());
    line(QStringLiteral("port"), QString::number(port));
    QStringList names;
    for (const QString &name : hostNames)
        names << quoted(name);
    line(QStringLiteral("hostNames"),
         names.isEmpty() ? QStringLiteral("@Invalid()") : names.join(QStringLiteral(", ")));
    line(QStringLiteral("certificate"), quoted(certificateFile));
    line(QStringLiteral("key"), quoted(keyFile));
    line(QStringLiteral("password"), quoted(passwordHash));
    line(QStringLiteral("servedByDesktop"),
         servedByDesktop ? QStringLiteral("true") : QStringLiteral("false"));
    return writePrivateFile(path, text.toUtf8(), error);
}

QString hashWebPassword(const QString &password, int iterations)
{
    const QByteArray salt = randomToken(16);
    return QStringLiteral("pbkdf2-sha512$%1$%2$%3")
        .arg(iterations)
        .arg(QString::fromLatin1(salt), QString::fromLatin1(derive(password, salt, iterations).toBase64()));
}

bool webPasswordMatches(const QString &stored, const QString &password)
{
    const QStringList parts = stored.split(QLatin1Char('$'));
    if (parts.size() != 4 || parts[0] != u"pbkdf2-sha512")
        return false;
    bool ok = false;
    const int iterations = parts[1].toInt(&ok);
    if (!ok || iterations < 1 || iterations > 10'000'000)
        return false;
    const QByteArray expected = QByteArray::fromBase64(parts[3].toLatin1());
    return equalInConstantTime(derive(password, parts[2].toLatin1(), iterations), expected);
}

std::optional<QString> webAccessCode(const QString &path, QString *error)
{
    QFile kept(path);
    if (kept.open(QIODevice::ReadOnly)) {
        const QString code = QString::fromLatin1(kept.read(256)).trimmed();
        if (code.size() >= 16)
            return code;
    }
    const QByteArray code = randomToken(18);
    if (!writePrivateFile(path, code + '\n', error))
        return std::nullopt;
    return QString::fromLatin1(code);
}

bool writePrivateFile(const QString &path, const QByteArray &data, QString *error)
{
    QSaveFile file(path);
    // The permissions are the temporary file's from its start, so nobody else can open it between.
    if (!file.open(QIODevice::WriteOnly) ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        file.write(data) != data.size() || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace kelvora
