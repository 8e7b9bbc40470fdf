#pragma once

#include <QString>
#include <QStringList>

namespace kelvora {

/** How the list file's bytes map to text. The caller picks it; this code never guesses. */
enum class TextEncoding
{
    Utf8,
    System, ///< the machine's local 8-bit code page
};

/** Outcome of a write. The error is a Chinese sentence for a message box, without the path. */
struct UrlListResult
{
    QString error;

    bool ok() const { return error.isEmpty(); }
};

/**
 * Outcome of reading the entries: on failure, whatever was read before it went wrong, plus why.
 * A file that is not all text is read as far as it makes sense; `notText` then says what was
 * wrong with it ("含有控制字符"), in Chinese, for one warning.
 */
struct UrlListRead
{
    QStringList entries;
    QString error;
    QString notText;

    bool ok() const { return error.isEmpty(); }
};

/** The file as the editor shows it, with the same conventions as UrlListRead. */
struct UrlListText
{
    QString text;
    QString error;
    QString notText;

    bool ok() const { return error.isEmpty(); }
};

/**
 * The forum address list: one entry per line, every written line ending in CR LF.
 *
 * Reading ends a line at CR LF or at a lone CR; a lone LF is no line end and stays in the entry.
 * Entries are taken as they are: no trimming, empty lines kept, duplicates kept, so what the
 * user typed in the editor is exactly what the slots get.
 *
 * A file that is not all text is read as far as it makes sense rather than failing the whole
 * list: one bad byte in a hand-edited file should not hide every other address. Bytes that are
 * invalid in the chosen encoding become U+FFFD, control characters other than tab and the line
 * ends are left out, and a NUL ends the text (what follows is taken to be no text at all).
 * Writing is stricter: a character the encoding cannot hold is an error and the old file is kept.
 *
 * Every write goes through a temporary file and a rename, so a crash or a full disk leaves
 * either the old file or the new one, never a mix. No file handle is kept between calls.
 */
class UrlListFile
{
public:
    UrlListFile(QString path, TextEncoding encoding);

    const QString &path() const { return m_path; }
    TextEncoding encoding() const { return m_encoding; }

    /** True only for an ordinary file; a folder or anything else at the path counts as absent. */
    bool exists() const;

    /** Creates or replaces the file with one line per entry. */
    [[nodiscard]] UrlListResult seed(const QStringList &entries) const;

    [[nodiscard]] UrlListRead readEntries() const;

    /** The entries as lines of a text box: each one followed by a line feed. */
    [[nodiscard]] UrlListText loadForEditor() const;

    /**
     * Replaces the file with the text box's lines, each line ending in CR LF: a text that ends
     * with a line end gets none added, and an empty text makes an empty file. So a list loaded
     * and saved unchanged stays byte for byte as it was.
     */
    [[nodiscard]] UrlListResult saveFromEditor(const QString &text) const;

private:
    QString m_path;
    TextEncoding m_encoding;
};

/** The 17 forum addresses a new installation starts with. */
const QStringList &defaultForumList();

} // namespace kelvora
