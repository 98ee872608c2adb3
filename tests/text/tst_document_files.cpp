// The document and the disk: reading while scanning, files changed under an open document, refusals.
#include "text/document.h"

#include "fixtures.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using text::Document;
using text::Encoding;

Q_DECLARE_METATYPE(text::Encoding)

namespace {

// A few megabytes of the pieces in random order, or of random bytes when there are none, so that reads
// and chunks end at every kind of byte: pairs, sequences, CR LF.
QByteArray largeContent(quint32 seed, const QByteArray &mark, const QByteArrayList &pieces = {})
{
    QRandomGenerator random(seed);
    QByteArray out = mark;
    while (out.size() < 3 * 1024 * 1024)
        out += pieces.isEmpty() ? QByteArray(1, char(random.bounded(256))) : pieces[random.bounded(int(pieces.size()))];
    return out;
}

} // namespace

class TestDocumentFiles : public QObject
{
    Q_OBJECT

private slots:
    // Loaded while scanned; then another program truncates, rewrites or deletes the file, and the text
    // and what is saved stay ours.
    void loadedTextOutlivesTheFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<Encoding>("encoding");
        QTest::addColumn<QByteArray>("other");   // what the other program leaves; "-": it deletes the file
        const QByteArrayList utf8 = {bytes("line\n"), bytes("\r\n"), bytes("\r"), bytes("\xC3\xA9"), bytes("\xF0\x9F\x98\x80"),
                                     bytes("\xE2\x80\xA9"), bytes("\xEF\xB7\x90"), bytes("\xFF"), bytes("\xE2\x82"),
                                     bytes("abcdefghijklmnopqrstuvwxyz")};
        const QByteArrayList utf16 = {bytes("a\0\n\0"), bytes("\r\0\n\0"), bytes("\r\0"), bytes("\x3D\xD8\x00\xDE"),
                                      bytes("\x00\xD8"), bytes("b\0c\0d\0e\0f\0g\0h\0")};
        QTest::newRow("utf-8 with sequences, pairs and bad bytes; truncated")
            << largeContent(1, {}, utf8) << Encoding::Utf8 << QByteArray();
        QTest::newRow("utf-8 with a mark; rewritten shorter")
            << largeContent(2, bytes("\xEF\xBB\xBF"), utf8) << Encoding::Utf8 << bytes("other\n");
        QTest::newRow("8-bit noise; rewritten longer") << largeContent(3, {}) << Encoding::Latin8 << QByteArray(8 << 20, 'x');
        QTest::newRow("utf-16le with pairs and lone halves; deleted")
            << largeContent(4, bytes("\xFF\xFE"), utf16) << Encoding::Utf16LE << QByteArray("-");
        // After the 2-byte mark every 4-byte pair or CR LF is cut in two by each 1 MB read.
        QTest::newRow("utf-16le of pairs and CR LF only; truncated")
            << largeContent(5, bytes("\xFF\xFE"), {bytes("\x3D\xD8\x00\xDE"), bytes("\r\0\n\0")}) << Encoding::Utf16LE
            << QByteArray();
    }
    void loadedTextOutlivesTheFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(Encoding, encoding);
        QFETCH(QByteArray, other);
        QTemporaryDir dir;
        const QString path = dir.filePath("f.txt");
        QVERIFY(put(path, content));
        Document doc;
        QVERIFY(doc.load(path));
        const text::TextFormat format = text::detect(content);
        QCOMPARE(format.encoding, encoding);
        QCOMPARE(doc.format(), format);
        const text::Decoded decoded = text::decode(content, format);
        QCOMPARE(doc.lineCount(), int(decoded.ends.size()) + 1);

        QVERIFY(other == "-" ? QFile::remove(path) : put(path, other));
        QVERIFY(doc.Text() == decoded.text);
        QVERIFY(doc.toBytes() == content);
        QVERIFY(doc.replace(doc.length() / 2, 10, u"edited\n"));
        const QByteArray expected = doc.toBytes();
        QVERIFY(doc.save(path));
        QVERIFY(contents(path) == expected);
        doc.undo();
        QVERIFY(doc.toBytes() == content);
    }

    // Refused before anything is read: a sparse file stands in for gigabytes, since the size alone tells.
    // Folders, pipes and missing files meet the check readFile makes, tested with it.
    void refusesWhatItCannotHold_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<qint64>("size");
        QTest::newRow("2^31 bytes of 8-bit or UTF-8") << QByteArray() << (qint64(1) << 31);
        QTest::newRow("UTF-16 with a mark, 2^31 units") << bytes("\xFF\xFE") << (qint64(1) << 32) + 2;
    }
    void refusesWhatItCannotHold()
    {
        QFETCH(QByteArray, head);
        QFETCH(qint64, size);
        QTemporaryDir dir;
        QFile file(dir.filePath("huge"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(head) == head.size() && file.resize(size));
        file.close();
        Document doc;
        QVERIFY(doc.insert(0, u"kept"));
        const text::FileResult result = doc.load(file.fileName());
        QCOMPARE(result.error, EFBIG);
        QVERIFY2(result.reason.contains(QLatin1String("characters")), qPrintable(result.reason));
        QCOMPARE(doc.Text(), QStringLiteral("kept"));
    }

    // A producer that fails half way leaves the old file as it was.
    void failedStreamKeepsTheFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("f.txt");
        QVERIFY(put(path, "old content\n"));
        const text::FileResult result = text::writeFile(path, [](const text::ByteSink &sink) {
            if (const int error = sink("new "))
                return error;
            return EIO;
        });
        QCOMPARE(result.error, EIO);
        QCOMPARE(contents(path), QByteArray("old content\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"f.txt"});
    }
};

QTEST_GUILESS_MAIN(TestDocumentFiles)
#include "tst_document_files.moc"
