// The edit journal: its records against a plain string model, torn tails, and the writer's files on disk.
#include "text/journal.h"

#include "fixtures.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>

#include <limits>

using namespace text;

namespace {

// Random edits on the model, each recorded as the journal records it.
std::vector<JournalEdit> randomEdits(QRandomGenerator &random, QString &model, int count)
{
    std::vector<JournalEdit> edits;
    for (int i = 0; i < count; ++i) {
        const qint64 at = random.bounded(int(model.size()) + 1);
        const qint64 removed = random.bounded(int(qMin<qint64>(model.size() - at, 6)) + 1);
        const QString inserted = randomText(random, int(random.bounded(i % 7 == 0 ? 41 : 4)));
        model.replace(at, removed, inserted);
        edits.push_back({at, removed, inserted});
    }
    return edits;
}

}

class tst_Journal : public QObject
{
    Q_OBJECT

private slots:
    void replayEqualsTheModel_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("seed");
        const JournalBase::Kind text = JournalBase::Text, file = JournalBase::FileBytes;
        QTest::newRow("untitled, empty") << int(text) << QByteArray() << 1;
        QTest::newRow("file, UTF-8 with CRLF") << int(file) << QByteArray("caf\xc3\xa9\r\nline\r\n") << 3;
        QTest::newRow("file, UTF-16 LE with BOM") << int(file) << QByteArray("\xff\xfe" "a\0\n\0b\0", 8) << 4;
        QTest::newRow("file, invalid byte kept") << int(file) << QByteArray("a\xff" "b\n") << 5;
    }

    void replayEqualsTheModel()
    {
        QFETCH(int, kind);
        QFETCH(QByteArray, bytes);
        QFETCH(int, seed);
        JournalBase base;
        base.kind = JournalBase::Kind(kind);
        if (base.kind == JournalBase::FileBytes) {
            base.bytes = bytes;
            base.format = detect(bytes);
        } else {
            base.text = QString::fromUtf8(bytes);
        }
        const JournalHeader header{QStringLiteral("/tmp/a ") + QChar(0xDCFF), bytes.size(), 1234567890123, edgeHash(bytes)};
        JournalContents start;
        start.base = base;
        QString model = start.baseText();
        QRandomGenerator random{quint32(seed)};
        const std::vector<JournalEdit> edits = randomEdits(random, model, 300);

        QByteArray journal = encodeJournalStart(header) + encodeJournalBase(base);
        for (const JournalEdit &e : edits)
            journal += encodeJournalEdit(e.position, e.removed, e.inserted);
        const std::optional<JournalContents> read = decodeJournal(journal);
        QVERIFY(read);
        QVERIFY(sameFile(read->header, header));
        QCOMPARE(read->edits.size(), edits.size());
        QString replayed = read->baseText();
        QVERIFY(!replayed.isNull());
        QVERIFY(replayJournal(replayed, read->edits));
        QCOMPARE(replayed, model);
    }

    // Any tail of the last record torn off, or any one of its bytes changed, loses that record alone.
    void aTornTailLosesOnlyItsRecord()
    {
        const QByteArray last = encodeJournalEdit(0, 2, u"last");
        const QByteArray journal = encodeJournalStart({}) + encodeJournalBase({JournalBase::Text, {}, {}, QStringLiteral("x")})
            + encodeJournalEdit(0, 0, u"a") + encodeJournalEdit(1, 1, u"b") + last;
        const auto editsIn = [](const QByteArray &bytes) {
            const std::optional<JournalContents> read = decodeJournal(bytes);
            return read ? int(read->edits.size()) : -1;
        };
        QCOMPARE(editsIn(journal), 3);
        for (int i = 1; i <= last.size(); ++i) {
            QByteArray changed = journal;
            changed[changed.size() - i] = char(changed[changed.size() - i] ^ 0x20);
            QVERIFY2(editsIn(journal.chopped(i)) == 2 && editsIn(changed) == 2, qPrintable(QString::number(i)));
        }
        QCOMPARE(editsIn(journal.left(10)), -1);
    }

    // Journals made by hand, every record's checksum good: only a journal Penwick could have written applies.
    void aCraftedJournalAppliesOnlyWhenSound_data()
    {
        QTest::addColumn<QByteArray>("journal");
        QTest::addColumn<bool>("applies");
        const qint64 most = std::numeric_limits<qint64>::max();
        const QByteArray start = encodeJournalStart({});
        const QByteArray text = encodeJournalBase({JournalBase::Text, {}, {}, QStringLiteral("abc")});
        const auto bytes = [](int encoding, int lineEnd) {
            return encodeJournalBase({JournalBase::FileBytes, QByteArray("abc"), {Encoding(encoding), false, LineEnd(lineEnd)}, {}});
        };
        QTest::newRow("sound: text, an edit") << start + text + encodeJournalEdit(1, 2, u"x") << true;
        QTest::newRow("sound: file bytes, an edit") << start + bytes(3, 2) + encodeJournalEdit(3, 0, u"x") << true;
        QTest::newRow("edit at 2^63-1 removing 2") << start + text + encodeJournalEdit(most, 2, u"x") << false;
        QTest::newRow("edit at 1 removing 2^63-1") << start + text + encodeJournalEdit(1, most, u"x") << false;
        QTest::newRow("edit at 2^63-1 removing 2^63-1") << start + text + encodeJournalEdit(most, most, u"") << false;
        QTest::newRow("edit at -1") << start + text + encodeJournalEdit(-1, 0, u"x") << false;
        QTest::newRow("edit removing -2") << start + text + encodeJournalEdit(0, -2, u"x") << false;
        QTest::newRow("edit past the end") << start + text + encodeJournalEdit(4, 0, u"x") << false;
        QTest::newRow("encoding byte 4") << start + bytes(4, 0) + encodeJournalEdit(0, 0, u"x") << false;
        QTest::newRow("encoding byte 255") << start + bytes(255, 0) + encodeJournalEdit(0, 0, u"x") << false;
        QTest::newRow("line-end byte 4") << start + bytes(0, 4) + encodeJournalEdit(0, 0, u"x") << false;
        QTest::newRow("a base after an edit") << start + text + encodeJournalEdit(0, 0, u"x") + text << false;
        QTest::newRow("two bases") << start + text + bytes(0, 0) + encodeJournalEdit(0, 0, u"x") << false;
        QTest::newRow("file size -1") << encodeJournalStart({QStringLiteral("/a"), -1, 0, {}}) + text + encodeJournalEdit(0, 0, u"x") << false;
    }

    void aCraftedJournalAppliesOnlyWhenSound()
    {
        QFETCH(QByteArray, journal);
        QFETCH(bool, applies);
        const std::optional<JournalContents> read = decodeJournal(journal);
        QVERIFY(read);
        // Never taken for a journal torn before its first edit, which start-up deletes.
        QVERIFY(!read->edits.empty() || !read->fault.isEmpty());
        QString text = read->baseText();
        const QString before = text;
        const bool applied = read->fault.isEmpty() && !text.isNull() && replayJournal(text, read->edits);
        QVERIFY2(applied == applies, qPrintable(read->fault + QLatin1Char('|') + text));
        // A refused journal says why when its records are to blame; edits that do not fit are found by replaying.
        if (!applies && read->fault.isEmpty())
            QVERIFY(!editFits(read->edits.back(), before.size()));
    }

    void writerKeepsOneFileUntilDiscarded()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("state/Penwick/journal"));
        EditJournal journal(folder, 60000);
        journal.begin({}, {JournalBase::Text, {}, {}, QStringLiteral("base")});
        QVERIFY(journal.file().isEmpty());
        journal.edited(4, 0, u"!");
        journal.edited(0, 1, u"B");
        // An hour's delay: nothing waits for the disk until asked.
        QVERIFY(!QFile::exists(journal.file()));
        journal.waitWritten();
        const QString file = journal.file();
        QCOMPARE(statOf(file).st_mode & 07777, mode_t(0600));
        QCOMPARE(statOf(folder).st_mode & 07777, mode_t(0700));
        QCOMPARE(leftJournals(folder), QStringList());
        // What a crash leaves: the same bytes with no owner holding them.
        const QString left = folder + QStringLiteral("/1-2-0.journal");
        QVERIFY(QFile::copy(file, left));
        QCOMPARE(leftJournals(folder), QStringList(left));
        QVERIFY(QFile::remove(left));
        std::optional<JournalContents> read = readJournal(file);
        QVERIFY(read);
        QString text = read->baseText();
        QVERIFY(replayJournal(text, read->edits));
        QCOMPARE(text, QStringLiteral("Base!"));

        // A new beginning drops the old file; the next edit starts another beside nothing.
        journal.begin({}, {JournalBase::Text, {}, {}, QStringLiteral("new")});
        journal.waitWritten();
        QVERIFY(!QFile::exists(file));
        journal.edited(0, 0, u"x");
        journal.discard();
        journal.waitWritten();
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    void headerOfFileSeesEveryChange_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<bool>("touch");   // put the old time back after writing
        QTest::addColumn<bool>("same");
        QByteArray big(300 * 1024, 'x');
        for (qsizetype i = 0; i < big.size(); i += 1000)
            big[i] = char('a' + i % 26);
        QTest::newRow("untouched") << big << big << false << true;
        QTest::newRow("same size, same time, first byte changed") << big << QByteArray("y" + big.mid(1)) << true << false;
        QTest::newRow("same size, same time, last byte changed") << big << QByteArray(big.chopped(1) + "y") << true << false;
        QTest::newRow("same size, same time, middle changed: unseen") << big << QByteArray(big.left(150000) + "y" + big.mid(150001)) << true << true;
        QTest::newRow("small, same size and time, changed") << QByteArray("abc") << QByteArray("abd") << true << false;
        QTest::newRow("grown") << QByteArray("abc") << QByteArray("abcd") << true << false;
    }

    void headerOfFileSeesEveryChange()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QFETCH(bool, touch);
        QFETCH(bool, same);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("f.txt"));
        QVERIFY(put(path, before));
        const std::optional<JournalHeader> first = headerOfFile(path);
        QVERIFY(first);
        QCOMPARE(first->edgeHash, edgeHash(before));
        if (before != after) {
            QVERIFY(put(path, after));
            if (touch) {
                const struct timespec times[2] = {{0, UTIME_OMIT}, {first->modifiedNs / 1000000000, first->modifiedNs % 1000000000}};
                QCOMPARE(::utimensat(AT_FDCWD, native(path).constData(), times, 0), 0);
            }
        }
        const std::optional<JournalHeader> second = headerOfFile(path);
        QVERIFY(second);
        QCOMPARE(sameFile(*first, *second), same);
    }
};

QTEST_GUILESS_MAIN(tst_Journal)
#include "tst_journal.moc"
