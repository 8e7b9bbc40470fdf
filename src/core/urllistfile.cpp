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

QString folderError()
{
    return QStringLiteral("路径是一个文件夹");
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

// Leaves out what no address holds; says what was found, in words for the user.
QStringList keepTextOnly(QString &text)
{
    QStringList problems;
    if (const qsizetype nul = text.indexOf(QChar(0)); nul >= 0) {
        text.truncate(nul);
        problems << QStringLiteral("含有空字符，其后的内容没有读取");
    }
    const qsizetype before = text.size();
    text.removeIf([](QChar c) {
        return (c.unicode() < 0x20 && c != u'\t' && c != u'\r' && c != u'\n') || c.unicode() == 0x7F;
    });
    if (text.size() != before)
        problems << QStringLiteral("含有控制字符，已略去");
    return problems;
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
    if (info.isDir())
        return {folderError()};

    // Checked before anything is created, so a refused text leaves no trace on disk.
    const std::optional<QByteArray> bytes = encode(text, encoding);
    if (!bytes) {
        return {encoding == TextEncoding::System ? QStringLiteral("文本中有无法用系统编码保存的字符")
                                                 : QStringLiteral("文本中有无法用 UTF-8 保存的字符")};
    }

    if (!QDir().mkpath(info.absolutePath()))
        return {QStringLiteral("无法创建文件所在的文件夹")};

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {QStringLiteral("无法创建文件：") + file.errorString()};
    if (file.write(*bytes) != bytes->size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return {QStringLiteral("无法写入文件：") + reason};
    }
    if (!file.commit())
        return {QStringLiteral("无法保存文件：") + file.errorString()};
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
    const QFileInfo info(m_path);
    if (info.isDir())
        return {{}, folderError(), {}};
    if (!info.exists())
        return {{}, QStringLiteral("文件不存在"), {}};

    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return {{}, QStringLiteral("无法打开文件：") + file.errorString(), {}};
    const QByteArray bytes = file.readAll();
    const bool failed = file.error() != QFileDevice::NoError;
    const QString reason = file.errorString();
    file.close();

    QStringDecoder decoder(converterFor(m_encoding));
    QString text = decoder(bytes);
    QStringList problems;
    if (decoder.hasError()) {
        problems << (m_encoding == TextEncoding::System ? QStringLiteral("含有系统编码无法识别的字节")
                                                        : QStringLiteral("含有 UTF-8 无法识别的字节"));
    }
    problems << keepTextOnly(text);

    UrlListRead result{splitLines(text), {}, problems.join(QStringLiteral("、"))};
    if (failed)
        result.error = QStringLiteral("无法读取文件：") + reason;
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
