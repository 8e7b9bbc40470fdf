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

/** Why the list could not be read or written; the path is not part of it. */
struct UrlListError
{
    enum class Kind
    {
        None,
        IsFolder,         ///< the path is a folder
        Missing,          ///< no file
        CannotOpen,       ///< `detail`: the system's words
        CannotRead,       ///< `detail`: the system's words; what was read before is there
        Unencodable,      ///< the text holds a character the encoding can't hold
        CannotMakeFolder, ///< the file's folder can't be made
        CannotCreate,     ///< `detail`: the system's words
        CannotWrite,      ///< `detail`: the system's words
        CannotSave,       ///< `detail`: the system's words
    };
    Kind kind = Kind::None;
    QString detail;
    TextEncoding encoding = TextEncoding::Utf8;

    bool isError() const { return kind != Kind::None; }
};

/** What was left out of a file that is not all text, for one warning. */
struct NotText
{
    bool badBytes = false;     ///< bytes the encoding does not know, read as U+FFFD
    bool nulCut = false;       ///< a NUL, and nothing after it read
    bool controlChars = false; ///< control characters, left out
    TextEncoding encoding = TextEncoding::Utf8;

    bool any() const { return badBytes || nulCut || controlChars; }
};

/** Outcome of a write. */
struct UrlListResult
{
    UrlListError error;

    bool ok() const { return !error.isError(); }
};

/**
 * Outcome of reading the entries: on failure, whatever was read before it went wrong, plus why.
 * A file that is not all text is read as far as it makes sense; `notText` then says what was
 * wrong with it.
 */
struct UrlListRead
{
    QStringList entries;
    UrlListError error;
    NotText notText;

    bool ok() const { return !error.isError(); }
};

/** The file as the editor shows it, with the same conventions as UrlListRead. */
struct UrlListText
{
    QString text;
    UrlListError error;
    NotText notText;

    bool ok() const { return !error.isError(); }
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
