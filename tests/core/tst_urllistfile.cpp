#include "core/urllistfile.h"
#include "words/words.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <memory>

using namespace kelvora;

namespace {

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(file.errorString()));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

} // namespace

class TestUrlListFile : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void readEntries_data();
    void readEntries();
    void loadForEditor_data();
    void loadForEditor();
    void saveFromEditor_data();
    void saveFromEditor();
    void roundTrip_data();
    void roundTrip();
    void seedReplacesLongerFile();
    void writeCreatesMissingFolders();
    void exists_data();
    void exists();
    void readFailures_data();
    void readFailures();
    void writeFailuresKeepEverything_data();
    void writeFailuresKeepEverything();
    void notTextIsReadAsFarAsItGoes_data();
    void notTextIsReadAsFarAsItGoes();
    void defaultForumList();

private:
    QString pathOf(const QString &name) const { return m_dir->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestUrlListFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestUrlListFile::readEntries_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("entries");

    QTest::newRow("zero-byte file") << QByteArray() << QStringList();
    QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
    QTest::newRow("lone CR") << QByteArray("a\rb\r") << QStringList{"a", "b"};
    QTest::newRow("lone LF stays inside") << QByteArray("a\nb\r\nc\n") << QStringList{"a\nb", "c\n"};
    QTest::newRow("LF then CR") << QByteArray("a\n\rb") << QStringList{"a\n", "b"};
    QTest::newRow("CR CR LF is two ends") << QByteArray("a\r\r\nb") << QStringList{"a", "", "b"};
    QTest::newRow("last line without end") << QByteArray("a\r\nb") << QStringList{"a", "b"};
    QTest::newRow("only a line end") << QByteArray("\r\n") << QStringList{""};
    QTest::newRow("empty lines kept")
        << QByteArray("\r\na\r\n\r\n\rb\r\n") << QStringList{"", "a", "", "", "b"};
    QTest::newRow("spaces kept") << QByteArray(" a \r\n\t\r\n  ") << QStringList{" a ", "\t", "  "};
    QTest::newRow("duplicates kept") << QByteArray("a\r\na\r\n") << QStringList{"a", "a"};
    QTest::newRow("UTF-8 mark is not text")
        << QByteArray("\xEF\xBB\xBFhttp://a/\r\n") << QStringList{"http://a/"};
}

void TestUrlListFile::readEntries()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, entries);
    writeBytes(pathOf("list.txt"), bytes);

    const UrlListRead read = UrlListFile(pathOf("list.txt"), TextEncoding::Utf8).readEntries();
    QVERIFY2(read.ok(), qPrintable(urlListErrorText(read.error)));
    QCOMPARE(read.entries, entries);
}

void TestUrlListFile::loadForEditor_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    // The text box shows lines: no CR is ever shown, whatever the file's line ends.
    QTest::newRow("two lines") << QByteArray("A\r\nB\r\n") << QString("A\nB\n");
    QTest::newRow("zero-byte file") << QByteArray() << QString();
    QTest::newRow("unterminated last line gets an end") << QByteArray("A\r\nB") << QString("A\nB\n");
    QTest::newRow("lone CR") << QByteArray("A\rB\r") << QString("A\nB\n");
    QTest::newRow("lone LF") << QByteArray("A\nB") << QString("A\nB\n");
}

void TestUrlListFile::loadForEditor()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    writeBytes(pathOf("list.txt"), bytes);

    const UrlListText loaded = UrlListFile(pathOf("list.txt"), TextEncoding::Utf8).loadForEditor();
    QVERIFY2(loaded.ok(), qPrintable(urlListErrorText(loaded.error)));
    QCOMPARE(loaded.text, text);
}

void TestUrlListFile::saveFromEditor_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("loaded text saved back: no line added") << QString("A\nB\n") << QByteArray("A\r\nB\r\n");
    QTest::newRow("last line without an end gets one") << QString("A\nB") << QByteArray("A\r\nB\r\n");
    QTest::newRow("an empty last line is kept") << QString("A\n\n") << QByteArray("A\r\n\r\n");
    QTest::newRow("empty text, empty file") << QString() << QByteArray();
    QTest::newRow("pasted CR LF and CR") << QString("A\r\nB\rC") << QByteArray("A\r\nB\r\nC\r\n");
}

void TestUrlListFile::saveFromEditor()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    writeBytes(pathOf("list.txt"), "old content that is longer than any new one\r\n");

    const UrlListResult result = UrlListFile(pathOf("list.txt"), TextEncoding::Utf8).saveFromEditor(text);
    QVERIFY2(result.ok(), qPrintable(urlListErrorText(result.error)));
    QCOMPARE(readBytes(pathOf("list.txt")), bytes);
}

void TestUrlListFile::roundTrip_data()
{
    QTest::addColumn<TextEncoding>("encoding");
    QTest::addColumn<QStringList>("entries");

    QTest::newRow("Chinese in UTF-8")
        << TextEncoding::Utf8 << QStringList{"http://论坛.中国/", "", "  天涯 海角  ", "http://a/?q=é"};
    // ASCII only: what else the local code page holds depends on the machine running the test.
    QTest::newRow("ASCII in the system code page")
        << TextEncoding::System << QStringList{"http://bbs.a.cn/", "", " x "};
}

void TestUrlListFile::roundTrip()
{
    QFETCH(TextEncoding, encoding);
    QFETCH(QStringList, entries);
    const UrlListFile file(pathOf("list.txt"), encoding);

    const UrlListResult seeded = file.seed(entries);
    QVERIFY2(seeded.ok(), qPrintable(urlListErrorText(seeded.error)));
    if (encoding == TextEncoding::Utf8)
        QCOMPARE(readBytes(file.path()), (entries.join("\r\n") + "\r\n").toUtf8());
    QVERIFY(!readBytes(file.path()).startsWith("\xEF\xBB\xBF"));
    QCOMPARE(file.readEntries().entries, entries);

    // Loaded into the editor and saved unchanged, the file stays byte for byte as it was.
    const QByteArray seededBytes = readBytes(file.path());
    const UrlListText loaded = file.loadForEditor();
    QCOMPARE(loaded.text, entries.join("\n") + "\n");
    const UrlListResult saved = file.saveFromEditor(loaded.text);
    QVERIFY2(saved.ok(), qPrintable(urlListErrorText(saved.error)));
    QCOMPARE(readBytes(file.path()), seededBytes);
}

void TestUrlListFile::seedReplacesLongerFile()
{
    writeBytes(pathOf("list.txt"), "first\r\nsecond\r\nthird\r\nfourth\r\n");
    const UrlListFile file(pathOf("list.txt"), TextEncoding::Utf8);

    QVERIFY(file.seed({"x"}).ok());
    QCOMPARE(readBytes(file.path()), QByteArray("x\r\n"));
    QVERIFY(file.seed({}).ok());
    QCOMPARE(readBytes(file.path()), QByteArray());
    QVERIFY(file.exists());
}

void TestUrlListFile::writeCreatesMissingFolders()
{
    const UrlListFile seeded(pathOf("a/b/list.txt"), TextEncoding::Utf8);
    QVERIFY(seeded.seed({"x"}).ok());
    QCOMPARE(readBytes(seeded.path()), QByteArray("x\r\n"));

    const UrlListFile saved(pathOf("c/d/list.txt"), TextEncoding::Utf8);
    QVERIFY(saved.saveFromEditor("y").ok());
    QCOMPARE(readBytes(saved.path()), QByteArray("y\r\n"));
}

void TestUrlListFile::exists_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("exists");

    QTest::newRow("missing file") << "missing.txt" << false;
    QTest::newRow("directory") << "folder" << false;
    QTest::newRow("zero-byte file") << "empty.txt" << true;
    QTest::newRow("file with lines") << "list.txt" << true;
}

void TestUrlListFile::exists()
{
    QFETCH(QString, name);
    QFETCH(bool, exists);
    QVERIFY(QDir(m_dir->path()).mkdir("folder"));
    writeBytes(pathOf("empty.txt"), {});
    writeBytes(pathOf("list.txt"), "a\r\n");

    QCOMPARE(UrlListFile(pathOf(name), TextEncoding::Utf8).exists(), exists);
}

void TestUrlListFile::readFailures_data()
{
    QTest::addColumn<QString>("name");

    QTest::newRow("missing file") << "missing.txt";
    QTest::newRow("directory") << "folder";
}

void TestUrlListFile::readFailures()
{
    QFETCH(QString, name);
    QVERIFY(QDir(m_dir->path()).mkdir("folder"));
    writeBytes(pathOf("folder/inside.txt"), "a\r\n");
    const UrlListFile file(pathOf(name), TextEncoding::Utf8);

    const UrlListRead read = file.readEntries();
    QVERIFY(!read.ok());
    QVERIFY(read.entries.isEmpty());

    const UrlListText loaded = file.loadForEditor();
    QVERIFY(!loaded.ok());
    QVERIFY(loaded.text.isEmpty());
}

void TestUrlListFile::writeFailuresKeepEverything_data()
{
    QTest::addColumn<bool>("viaEditor");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");

    struct Case
    {
        const char *what;
        QString name;
        QString text;
    };
    // "blocker" is a file where the list's folder would have to be, so the folder cannot be made.
    const Case cases[] = {
        {"file in place of the folder", "blocker/list.txt", "x"},
        {"path is a directory", "folder", "x"},
        {"character UTF-8 cannot hold", "list.txt", "a" + QString(QChar(0xD800))},
    };
    for (const bool viaEditor : {false, true}) {
        for (const Case &c : cases)
            QTest::addRow("%s: %s", viaEditor ? "save" : "seed", c.what) << viaEditor << c.name << c.text;
    }
}

void TestUrlListFile::writeFailuresKeepEverything()
{
    QFETCH(bool, viaEditor);
    QFETCH(QString, name);
    QFETCH(QString, text);
    writeBytes(pathOf("blocker"), "blocker content");
    QVERIFY(QDir(m_dir->path()).mkdir("folder"));
    writeBytes(pathOf("folder/inside.txt"), "inside content");
    writeBytes(pathOf("list.txt"), "old\r\nlist\r\n");
    const QDir root(m_dir->path());
    const QStringList before = root.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);

    const UrlListFile file(pathOf(name), TextEncoding::Utf8);
    const UrlListResult result = viaEditor ? file.saveFromEditor(text) : file.seed({text});
    QVERIFY(!result.ok());

    // No temporary left behind, and nothing that was there changed.
    QCOMPARE(root.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), before);
    QCOMPARE(QDir(pathOf("folder")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{"inside.txt"});
    QCOMPARE(readBytes(pathOf("blocker")), QByteArray("blocker content"));
    QCOMPARE(readBytes(pathOf("folder/inside.txt")), QByteArray("inside content"));
    QCOMPARE(readBytes(pathOf("list.txt")), QByteArray("old\r\nlist\r\n"));
}

void TestUrlListFile::notTextIsReadAsFarAsItGoes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("found");

    QTest::newRow("plain text") << QByteArray("a\r\n\tb\r\n") << QStringList{"a", "\tb"} << QString();
    QTest::newRow("invalid byte") << QByteArray("http://a/\r\nhttp://\xff/\r\n")
                                  << QStringList{"http://a/", "http://\uFFFD/"}
                                  << QStringLiteral("含有 UTF-8 无法识别的字节");
    QTest::newRow("control characters") << QByteArray("a\x01"
                                                      "b\r\nc\x1b\x7f\r\n")
                                        << QStringList{"ab", "c"} << QStringLiteral("含有控制字符，已略去");
    QTest::newRow("NUL ends it") << QByteArrayLiteral("a\r\nb\0garbage\r\nmore\r\n") << QStringList{"a", "b"}
                                 << QStringLiteral("含有空字符，其后的内容没有读取");
    QTest::newRow("all of it")
        << QByteArrayLiteral("\xfe\x02"
                             "a\0")
        << QStringList{"\uFFFDa"}
        << QStringLiteral("含有 UTF-8 无法识别的字节、含有空字符，其后的内容没有读取、含有控制字符，已略去");
}

void TestUrlListFile::notTextIsReadAsFarAsItGoes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, entries);
    QFETCH(QString, found);
    writeBytes(pathOf("list.txt"), bytes);
    const UrlListFile file(pathOf("list.txt"), TextEncoding::Utf8);

    const UrlListRead read = file.readEntries();
    QVERIFY(read.ok());
    QCOMPARE(read.entries, entries);
    QCOMPARE(notTextText(read.notText), found);
    QCOMPARE(notTextText(file.loadForEditor().notText), found);
    // Reading never writes: the file is only changed by a save.
    QCOMPARE(readBytes(file.path()), bytes);
}

void TestUrlListFile::defaultForumList()
{
    const QStringList &list = kelvora::defaultForumList();
    QCOMPARE(list.size(), 17);
    QCOMPARE(QSet<QString>(list.begin(), list.end()).size(), list.size());

    const QRegularExpression host("^http://[a-z0-9-]+\\.[a-z0-9-]+\\.[a-z]+");
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QString &entry = list[i];
        const qsizetype position = i + 1;
        const QRegularExpressionMatch match = host.match(entry);
        QVERIFY2(match.hasMatch(), qPrintable(entry));
        const QString tail = entry.sliced(match.capturedLength());
        QVERIFY2(entry.size() >= 19 && entry.size() <= 27, qPrintable(entry));
        if (position == 1 || position == 3)
            QCOMPARE(tail, QString());
        else if (position == 12)
            QCOMPARE(tail, QString("/bbs/"));
        else
            QCOMPARE(tail, QString("/"));
    }

    const UrlListFile file(pathOf("list.txt"), TextEncoding::Utf8);
    QVERIFY(file.seed(list).ok());
    const QByteArray bytes = readBytes(file.path());
    QCOMPARE(bytes.size(), 409);
    QVERIFY(std::all_of(bytes.begin(), bytes.end(), [](char c) { return c > 0; }));
}

QTEST_GUILESS_MAIN(TestUrlListFile)
#include "tst_urllistfile.moc"
