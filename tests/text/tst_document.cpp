// The document model against the codec and against a plain QString with its line ends beside it.
#include "text/document.h"

#include "fixtures.h"

#include <QRandomGenerator>
#include <QTest>

using text::Document;
using text::Encoding;
using text::LineEnd;
using text::TextFormat;

namespace {

bool isUtf16(Encoding e) { return e == Encoding::Utf16LE || e == Encoding::Utf16BE; }

// The reference: the text, and per break the end it is written with.
struct Model
{
    QString text;
    std::vector<LineEnd> ends;
    TextFormat format;

    void replace(int position, int length, QStringView with)
    {
        const auto first = ends.begin() + QStringView(text).first(position).count(u'\n');
        const auto gone = first + QStringView(text).mid(position, length).count(u'\n');
        ends.insert(ends.erase(first, gone), size_t(with.count(u'\n')), format.lineEnd);
        text.replace(position, length, with.toString());
        settle();
    }
    // Outside UTF-16 every run of placeholders reads as its bytes read in UTF-8: where one shows, no character could.
    void settle()
    {
        if (isUtf16(format.encoding))
            return;
        QString out;
        std::vector<LineEnd> outEnds;
        size_t line = 0;
        for (qsizetype i = 0; i < text.size();) {
            if (!text::isPlaceholderAt(text, i)) {
                if (text[i] == u'\n')
                    outEnds.push_back(ends[line++]);
                out += text[i++];
                continue;
            }
            QByteArray bytes;
            for (; i < text.size() && text::isPlaceholderAt(text, i); ++i)
                bytes += char(text::placeholderByte(text[i]));
            const text::Decoded d = text::decode(bytes, TextFormat{Encoding::Utf8, false, LineEnd::LF});
            out += d.text;
            outEnds.insert(outEnds.end(), d.ends.begin(), d.ends.end());
        }
        text = out;
        ends = outEnds;
    }
    int replaceAll(QStringView needle, QStringView with, int options)
    {
        std::vector<int> at;
        const text::StringSource source(text);
        for (int m = 0; (m = text::find(source, needle, m, -1, options)) >= 0; m += int(needle.size()))
            at.push_back(m);
        for (auto m = at.rbegin(); m != at.rend(); ++m)
            replace(*m, int(needle.size()), with);
        return int(at.size());
    }
    // The format a save takes: UTF-8 when 8-bit cannot hold a character, then whatever reads back as written.
    TextFormat saveFormat() const
    {
        TextFormat f = format;
        if (f.encoding == Encoding::Latin8 && !text::canEncode(text, Encoding::Latin8))
            f = {Encoding::Utf8, false, f.lineEnd};
        for (TextFormat readable; (readable = text::readableFormat(f, text::encode(text, ends, f))) != f;)
            f = readable;
        return f;
    }
};

Model modelOf(const QByteArray &input)
{
    const TextFormat format = text::detect(input);
    text::Decoded d = text::decode(input, format);
    return {std::move(d.text), std::move(d.ends), format};
}

QByteArray hex(const QByteArray &b) { return b.toHex(' '); }

// Every query the view makes, at every position and line of a small text.
void compareQueries(const Document &doc, const Model &model, const char *where)
{
    QVERIFY2(doc.length() == model.text.size() && doc.Text() == model.text,
             (QByteArray(where) + ": " + doc.Text().toUtf8().toPercentEncoding() + " instead of "
              + model.text.toUtf8().toPercentEncoding()).constData());
    const int lines = int(model.text.count(u'\n')) + 1;
    QCOMPARE(doc.lineCount(), lines);
    int line = 0;
    for (int p = 0; p <= model.text.size(); ++p) {
        QVERIFY2(doc.lineFromPosition(p) == line, where);
        QVERIFY2(doc.charAt(p) == (p < model.text.size() ? model.text[p] : QChar()), where);
        QVERIFY2(doc.text(p, 3) == model.text.mid(p, 3), where);
        if (p < model.text.size() && model.text[p] == u'\n')
            ++line;
    }
    for (int l = 0, start = 0; l < lines; ++l) {
        const qsizetype nl = model.text.indexOf(u'\n', start);
        const int length = int((nl < 0 ? model.text.size() : nl) - start);
        QVERIFY2(doc.lineStart(l) == start && doc.lineLength(l) == length, where);
        if (nl >= 0)
            QVERIFY2(doc.lineEnd(l) == model.ends[size_t(l)], where);
        start += length + 1;
    }
}

// Saved bytes reopen as the text: in the format they were written in, the same characters and breaks, but for
// a character or byte the encoding cannot hold, which comes back U+FFFD (and the save counted it), and an LF end
// right after a CR end, which comes back CR LF so that the empty line between them stays.
void compareReopened(const Model &model, const QByteArray &saved, const TextFormat &written, qsizetype substituted,
                     const char *where)
{
    const TextFormat seen = text::detect(saved);
    QVERIFY2(seen.encoding == written.encoding && (written.encoding == Encoding::Latin8 || seen.bom == written.bom), where);
    const text::Decoded back = text::decode(saved, seen);
    QVERIFY2(back.text.size() == model.text.size() && back.ends.size() == model.ends.size(),
             (QByteArray(where) + ": " + hex(saved) + " reads as " + back.text.toUtf8().toPercentEncoding() + " instead of "
              + model.text.toUtf8().toPercentEncoding()).constData());
    qsizetype replaced = 0;
    for (qsizetype i = 0; i < back.text.size(); ++i) {
        const QChar shown = model.text[i];
        const bool alone = shown.isSurrogate() && !(shown.isHighSurrogate() && i + 1 < model.text.size() && model.text[i + 1].isLowSurrogate())
                           && !(shown.isLowSurrogate() && i > 0 && model.text[i - 1].isHighSurrogate());
        const bool keeps = !isUtf16(written.encoding) && text::isPlaceholderAt(model.text, i);
        if (back.text[i] != shown) {
            QVERIFY2(alone && !keeps && back.text[i] == QChar(QChar::ReplacementCharacter),
                     (QByteArray(where) + ": unit " + QByteArray::number(i) + " of " + model.text.toUtf8().toPercentEncoding()
                      + " reads back as " + back.text.toUtf8().toPercentEncoding() + " from " + hex(saved)).constData());
            ++replaced;
        }
    }
    QVERIFY2(replaced <= substituted, where);
    for (size_t k = 0, at = 0; k < back.ends.size(); ++k) {
        at = size_t(model.text.indexOf(u'\n', qsizetype(at))) + 1;
        const bool afterCR = k > 0 && model.ends[k - 1] == LineEnd::CR && model.text[qsizetype(at) - 2] == u'\n';
        QVERIFY2(back.ends[k] == model.ends[k] || (afterCR && model.ends[k] == LineEnd::LF && back.ends[k] == LineEnd::CRLF), where);
    }
}

} // namespace

class TestDocument : public QObject
{
    Q_OBJECT

private slots:
    // Open and save gives the same bytes; random edits, undo, redo, compound edits and Replace All against the
    // reference, with pieces and leaves so small that every edit cuts and joins them. The saved bytes pin the
    // ends of split and joined lines, halves of pairs and 8-bit text that must turn UTF-8; reopened after every
    // step, in every encoding and mix of ends, they read as the text shown.
    void againstReference()
    {
        QRandomGenerator random(7);
        for (int round = 0; round < 300; ++round) {
            Document::Limits limits;
            // Pieces long enough now and then for the sixteen-byte walks.
            limits.pieceBytes = round % 2 ? 1 + random.bounded(6) : 16 + random.bounded(64);
            limits.leafPieces = 2 + random.bounded(3);
            limits.cacheBudget = random.bounded(64);
            limits.addedBlockBytes = round % 3 ? 4 + random.bounded(16) : 1 << 20;
            limits.passChanges = 1 + random.bounded(3);
            Document doc(limits);
            QByteArray input = randomBytes(random, random.bounded(60));
            // Every encoding it reads: UTF-8 with and without a mark, UTF-16 of both orders, 8-bit.
            if (round % 5 == 1)
                input.prepend("\xFF\xFE");
            else if (round % 5 == 2)
                input.prepend("\xFE\xFF");
            else if (round % 5 == 3)
                input.prepend("\xEF\xBB\xBF");
            doc.setBytes(input);
            Model model = modelOf(input);
            QCOMPARE(doc.format(), model.format);
            // The scan's own counts against the codec's text, before anything reads the pieces.
            QCOMPARE(doc.length(), int(model.text.size()));
            QCOMPARE(doc.lineCount(), int(model.ends.size()) + 1);
            QCOMPARE(hex(doc.toBytes()), hex(input));
            std::vector<Model> undone, done{model};
            const auto stepped = [&](bool changed) {
                if (changed) {
                    done.push_back(model);
                    undone.clear();
                }
            };
            // What the observer is told, applied to a copy, must keep that copy equal to the text.
            QString told = doc.Text();
            doc.setChangeObserver([&](int position, int removed, int inserted) {
                told.replace(position, removed, doc.text(position, inserted));
            });
            // Text comes in as the control hands it over: its breaks are '\n', U+FDD0 the placeholders of its bytes.
            const auto pasted = [&](int length) { return text::normaliseBreaks(randomText(random, length), doc.format().encoding); };
            for (int step = 0; step < 40; ++step) {
                const int op = random.bounded(10);
                const QByteArray where = QByteArray::number(round) + "/" + QByteArray::number(step) + " op " + QByteArray::number(op);
                if (op == 0) {
                    // A run of typing, which grows one piece and is one undo step; the caret is never inside a pair.
                    int at = random.bounded(doc.length() + 1);
                    at += at > 0 && doc.charAt(at).isLowSurrogate() && doc.charAt(at - 1).isHighSurrogate();
                    // Keys give characters, never a placeholder or half a pair.
                    QString typed = pasted(1 + random.bounded(6)).remove(u'\n');
                    typed.removeIf([](QChar c) { return c.isSurrogate(); });
                    doc.breakTyping();
                    for (int k = 0; k < typed.size(); ++k)
                        QVERIFY(doc.insert(at + k, QStringView(typed).mid(k, 1)));
                    model.replace(at, 0, typed);
                    stepped(!typed.isEmpty());
                } else if (op <= 4) {
                    const int at = random.bounded(doc.length() + 1);
                    const int len = random.bounded(qMin(8, doc.length() - at) + 1);
                    const QString with = op == 1 ? QString() : pasted(random.bounded(5));
                    doc.breakTyping();
                    QVERIFY(doc.replace(at, len, with));
                    model.replace(at, len, with);
                    stepped(len || !with.isEmpty());
                } else if (op == 5) {
                    // Edits as one step: anywhere, or each after the last, as the Replace window makes them.
                    doc.beginCompound();
                    bool changed = false;
                    const bool onward = random.bounded(2);
                    for (int k = 0, after = 0, edits = 2 + random.bounded(4); k < edits; ++k) {
                        // Settling placeholders may have taken in characters beyond the last edit's end.
                        after = qMin(after, doc.length());
                        const int at = onward ? after + random.bounded(doc.length() - after + 1) : random.bounded(doc.length() + 1);
                        const int len = random.bounded(qMin(4, doc.length() - at) + 1);
                        const QString with = pasted(random.bounded(3));
                        doc.replace(at, len, with);
                        model.replace(at, len, with);
                        after = at + int(with.size());
                        changed = changed || len || !with.isEmpty();
                    }
                    doc.endCompound();
                    stepped(changed);
                } else if (op == 6 || op == 7) {
                    QCOMPARE(doc.canUndo(), done.size() > 1);
                    if (done.size() > 1) {
                        QVERIFY(doc.undo() >= 0);
                        undone.push_back(done.back());
                        done.pop_back();
                        model = done.back();
                    }
                } else if (op == 8) {
                    QCOMPARE(doc.canRedo(), !undone.empty());
                    if (!undone.empty()) {
                        QVERIFY(doc.redo() >= 0);
                        done.push_back(undone.back());
                        undone.pop_back();
                        model = done.back();
                    }
                } else {
                    const QString needle = pasted(1 + random.bounded(2));
                    const QString with = pasted(random.bounded(3));
                    const int options = random.bounded(2) ? text::MatchCase : 0;
                    const int from = random.bounded(doc.length() + 1);
                    QCOMPARE(text::find(doc.blocks(), needle, from, -1, options),
                             text::find(text::StringSource(model.text), needle, from, -1, options));
                    const int expected = model.replaceAll(needle, with, options);
                    QCOMPARE(doc.replaceAll(needle, with, options), expected);
                    stepped(expected > 0);
                }
                compareQueries(doc, model, where.constData());
                QVERIFY2(told == model.text, where.constData());
                if (QTest::currentTestFailed())
                    return;
                // Saved in the format a save takes, the bytes are the model's, and they reopen as the text shown.
                const TextFormat written = model.saveFormat();
                QByteArray saved;
                qsizetype substituted = 0;
                doc.writeTo(written, [&](QByteArrayView chunk) { saved.append(chunk); return 0; }, &substituted);
                QVERIFY2(saved == text::encode(model.text, model.ends, written), where.constData());
                compareReopened(model, saved, written, substituted, where.constData());
                if (QTest::currentTestFailed())
                    return;
            }
            while (doc.canUndo())
                doc.undo();
            QCOMPARE(hex(doc.toBytes()), hex(input));
        }
    }

    void typingMerges_data()
    {
        QTest::addColumn<QStringList>("edits");   // "+pos text" inserts, "-pos length" removes, "|" breaks typing
        QTest::addColumn<QStringList>("afterUndos");

        QTest::newRow("[abc] typed is one step") << QStringList{"+0 a", "+1 b", "+2 c"} << QStringList{""};
        QTest::newRow("[ab]|[c]: a moved caret starts a step") << QStringList{"+0 a", "+1 b", "|", "+2 c"} << QStringList{"ab", ""};
        QTest::newRow("[a][c]: typing elsewhere starts a step") << QStringList{"+0 a", "+1 b", "+0 c"} << QStringList{"ab", ""};
        QTest::newRow("[ab][\\n][c]: Enter is a step of its own") << QStringList{"+0 a", "+1 b", "+2 \n", "+3 c"} << QStringList{"ab\n", "ab", ""};
        QTest::newRow("abcd, backspace twice merges") << QStringList{"+0 abcd", "|", "-3 1", "-2 1"} << QStringList{"abcd", ""};
        QTest::newRow("abcd, delete twice merges") << QStringList{"+0 abcd", "|", "-1 1", "-1 1"} << QStringList{"abcd", ""};
        QTest::newRow("a\\nb, deleting the break is a step") << QStringList{"+0 a\nb", "|", "-2 1", "-1 1"} << QStringList{"a\n", "a\nb", ""};
        QTest::newRow("typing then deleting are two steps") << QStringList{"+0 ab", "+2 c", "-2 1"} << QStringList{"abc", ""};
    }
    void typingMerges()
    {
        QFETCH(QStringList, edits);
        QFETCH(QStringList, afterUndos);
        Document doc;
        for (const QString &e : edits) {
            if (e == u"|") {
                doc.breakTyping();
                continue;
            }
            const int space = int(e.indexOf(u' '));
            const int pos = e.mid(1, space - 1).toInt();
            if (e[0] == u'+')
                doc.insert(pos, e.mid(space + 1));
            else
                doc.remove(pos, e.mid(space + 1).toInt());
        }
        for (const QString &expected : afterUndos) {
            QVERIFY(doc.undo() >= 0);
            QCOMPARE(doc.Text(), expected);
        }
        QVERIFY(!doc.canUndo());
    }
};

QTEST_GUILESS_MAIN(TestDocument)
#include "tst_document.moc"
