#include "core/urllistfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <optional>
#include <utility>

namespace kelvora {

namespace {

const QString lineEnd = QStringLiteral("\r\n");

QStringConverter::Encoding converterFor(TextEncoding encoding)
{
    return encoding == TextEncoding::System ? QStringConverter::System : QStringConverter::Utf8;
}

UrlListError failure(UrlListError::Kind kind, TextEncoding encoding, const QString &detail = {})
{
    return {kind, detail, encoding};
}

QStringList splitLines(QStringView text)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r')
            continue;
        lines.append(text.sliced(start, i - start).toString());
        if (i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.append(text.sliced(start).toString());
    return lines;
}

// Leaves out what no address holds, and notes what was found.
void keepTextOnly(QString &text, NotText &found)
{
    if (const qsizetype nul = text.indexOf(QChar(0)); nul >= 0) {
        text.truncate(nul);
        found.nulCut = true;
    }
    const qsizetype before = text.size();
    text.removeIf([](QChar c) {
        return (c.unicode() < 0x20 && c != u'\t' && c != u'\r' && c != u'\n') || c.unicode() == 0x7F;
    });
    found.controlChars = text.size() != before;
}

// The encoders differ in how they report a character they cannot hold (the Windows code page one
// substitutes a best-fit or '?' without a word), so the bytes are decoded again and compared.
// An initial U+FEFF is kept as a character here so that it does not count as a loss.
std::optional<QByteArray> encode(const QString &text, TextEncoding encoding)
{
    QStringEncoder encoder(converterFor(encoding));
    QByteArray bytes = encoder(text);
    QStringDecoder decoder(converterFor(encoding), QStringConverter::Flag::ConvertInitialBom);
    const QString back = decoder(bytes);
    if (encoder.hasError() || decoder.hasError() || back != text)
        return std::nullopt;
    return bytes;
}

UrlListResult writeText(const QString &path, const QString &text, TextEncoding encoding)
{
    const QFileInfo info(path);
    using Kind = UrlListError::Kind;
    if (info.isDir())
        return {failure(Kind::IsFolder, encoding)};

    // Checked before anything is created, so a refused text leaves no trace on disk.
    const std::optional<QByteArray> bytes = encode(text, encoding);
    if (!bytes)
        return {failure(Kind::Unencodable, encoding)};

    if (!QDir().mkpath(info.absolutePath()))
        return {failure(Kind::CannotMakeFolder, encoding)};

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {failure(Kind::CannotCreate, encoding, file.errorString())};
    if (file.write(*bytes) != bytes->size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return {failure(Kind::CannotWrite, encoding, reason)};
    }
    if (!file.commit())
        return {failure(Kind::CannotSave, encoding, file.errorString())};
    return {};
}

} // namespace

UrlListFile::UrlListFile(QString path, TextEncoding encoding) : m_path(std::move(path)), m_encoding(encoding)
{}

bool UrlListFile::exists() const
{
    return QFileInfo(m_path).isFile();
}

UrlListResult UrlListFile::seed(const QStringList &entries) const
{
    QString text;
    for (const QString &entry : entries)
        text += entry + lineEnd;
    return writeText(m_path, text, m_encoding);
}

UrlListRead UrlListFile::readEntries() const
{
    using Kind = UrlListError::Kind;
    const QFileInfo info(m_path);
    if (info.isDir())
        return {{}, failure(Kind::IsFolder, m_encoding), {}};
    if (!info.exists())
        return {{}, failure(Kind::Missing, m_encoding), {}};

    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return {{}, failure(Kind::CannotOpen, m_encoding, file.errorString()), {}};
    const QByteArray bytes = file.readAll();
    const bool failed = file.error() != QFileDevice::NoError;
    const QString reason = file.errorString();
    file.close();

    QStringDecoder decoder(converterFor(m_encoding));
    QString text = decoder(bytes);
    NotText found;
    found.encoding = m_encoding;
    found.badBytes = decoder.hasError();
    keepTextOnly(text, found);

    UrlListRead result{splitLines(text), {}, found};
    if (failed)
        result.error = failure(Kind::CannotRead, m_encoding, reason);
    return result;
}

UrlListText UrlListFile::loadForEditor() const
{
    const UrlListRead read = readEntries();
    UrlListText result{{}, read.error, read.notText};
    for (const QString &entry : read.entries)
        result.text += entry + u'\n';
    return result;
}

UrlListResult UrlListFile::saveFromEditor(const QString &text) const
{
    QString lines = text;
    lines.replace(lineEnd, QStringLiteral("\n")).replace(u'\r', u'\n');
    if (!lines.isEmpty() && !lines.endsWith(u'\n'))
        lines += u'\n';
    return writeText(m_path, lines.replace(u'\n', lineEnd), m_encoding);
}

const QStringList &defaultForumList()
{
    static const QStringList list{
        QStringLiteral("http://bbs.lanting.cn"),    QStringLiteral("http://bbs.qingshan.cn/"),
        QStringLiteral("http://club.yunshui.cn"),   QStringLiteral("http://bbs.moyuan.com/"),
        QStringLiteral("http://bbs.taohua.cn/"),    QStringLiteral("http://bbs.songfeng.cn/"),
        QStringLiteral("http://bbs.xiyang.com/"),   QStringLiteral("http://club.hanmo.cn/"),
        QStringLiteral("http://bbs.cuizhu.org/"),   QStringLiteral("http://bbs.liuli.com/"),
        QStringLiteral("http://bbs.jiangnan.cn/"),  QStringLiteral("http://www.dongpo.cn/bbs/"),
        QStringLiteral("http://bbs.mingyue.cn/"),   QStringLiteral("http://bbs.yanyu.net/"),
        QStringLiteral("http://club.shuxiang.cn/"), QStringLiteral("http://bbs.feiyun.cn/"),
        QStringLiteral("http://bbs.qiuse.com/"),
    };
    return list;
}

} // namespace kelvora
