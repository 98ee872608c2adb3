// The own engine against the Qt engine: random keys and member calls on both controls, which must agree on
// the text, the selection, the display lines and the saved bytes after every step.
#include <QApplication>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#include "harness.h"
#include "platform/richtextbox.h"
#include "platform/view/ownengine.h"
#include "qtengine/qtengine.h"

using platform::RichTextBox;

namespace {

struct Key
{
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
};

const QList<Key> moves = {
    {Qt::Key_Left, {}}, {Qt::Key_Right, {}}, {Qt::Key_Up, {}}, {Qt::Key_Down, {}}, {Qt::Key_Home, {}},
    {Qt::Key_End, {}}, {Qt::Key_Left, Qt::ControlModifier}, {Qt::Key_Right, Qt::ControlModifier},
    {Qt::Key_Home, Qt::ControlModifier}, {Qt::Key_End, Qt::ControlModifier},
};
const QList<Key> edits = {{Qt::Key_Backspace, {}}, {Qt::Key_Delete, {}}, {Qt::Key_Return, {}}, {Qt::Key_Tab, {}}};
// Typed one at a time: spaces of three kinds, a pair, a combining mark, word separators.
// U+2028 is left out: the Qt widget breaks the row there, the own view draws a mark inside the row.
const QStringList typed = {"a", "b", " ", "\u00a0", "\uFEFF", "\U0001F600", "e\u0301", "-", ".", "x"};
const QStringList inserted = {"one two", "\n", "x\ny", "\t", "\xef\xbb\xbf", "\U0001F600", "a\u0301b", "word-word"};

QByteArray randomFile(QRandomGenerator &random)
{
    // One line end throughout: with mixed ends the reference widget rewrites a line's end when the empty line
    // below it is joined away (the round-trip test pins that case; the model's own test covers mixed ends).
    const QList<QByteArray> parts = {"lorem", " ", "\n", "\n", "\n", "\t", "\xff", "\xc3\xa9", "ipsum-dolor", "..",
                                     "\xef\xbb\xbf", "\xf0\x9f\x98\x80", "e\xcc\x81", "\n"};
    QByteArray bytes;
    const int count = random.bounded(0, 30);
    for (int i = 0; i < count; ++i)
        bytes += parts[random.bounded(int(parts.size()))];
    return bytes;
}

QString shown(QString text)
{
    text.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    return text;
}

}

class tst_EngineDifferential : public QObject
{
    Q_OBJECT

    std::unique_ptr<RichTextBox> qt, own;
    QTemporaryDir dir;
    bool m_known = false;
    bool m_differed = false;

    std::unique_ptr<RichTextBox> make(const platform::TextEngineFactory &factory)
    {
        platform::setTextEngineFactory(factory);
        auto box = std::make_unique<RichTextBox>();
        platform::setTextEngineFactory(nullptr);
        box->resize(400, 300);
        box->setFontName(QStringLiteral("DejaVu Sans Mono"));
        box->setFontSize(10);
        box->setRightMargin(491520);   // no wrap: lines are the file's lines on both
        box->show();
        return box;
    }

    void compare(const QString &step)
    {
        const QString state = QStringLiteral("\"%1\" %2,%3");
        const QString ownState = state.arg(shown(own->Text())).arg(own->SelStart()).arg(own->SelLength());
        const QString qtState = state.arg(shown(qt->Text())).arg(qt->SelStart()).arg(qt->SelLength());
        if (m_known && ownState != qtState) {
            m_differed = true;
            return;
        }
        QVERIFY2(ownState == qtState, qPrintable(step + QStringLiteral("\n  own %1\n  qt  %2").arg(ownState, qtState)));
    }

private slots:
    void init()
    {
        qt = make(platform::makeQtEngine);
        own = make(platform::makeOwnEngine);
        QVERIFY(QTest::qWaitForWindowExposed(own.get()));
    }

    void randomSequencesAgree_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed = 1; seed <= 40; ++seed)
            QTest::newRow(qPrintable(QStringLiteral("sequence %1").arg(seed))) << seed;
    }

    void randomSequencesAgree()
    {
        QFETCH(quint32, seed);
        // Known differences, kept visible: these sequences must keep differing until the engines agree.
        // 33, 36: undo after Backspace and Delete at one place, where the Qt widget merges more into one step.
        m_known = seed == 33 || seed == 36;
        m_differed = false;
        QRandomGenerator random(seed);
        const QString file = dir.filePath(QStringLiteral("start%1").arg(seed));
        const QByteArray start = randomFile(random);
        Harness::write(file, start);
        QCOMPARE(own->LoadFile(file), qt->LoadFile(file));
        compare(QStringLiteral("load"));
        QStringList steps;
        for (int step = 0; step < 40; ++step) {
            const int length = qt->textLength();
            QString did;
            // The same call on both controls.
            const auto both = [&](const std::function<void(RichTextBox &)> &call) { call(*qt); call(*own); };
            switch (random.bounded(9)) {
            case 0: case 1: case 2: {
                const Key k = moves[random.bounded(int(moves.size()))];
                const auto modifiers = k.modifiers | (random.bounded(2) ? Qt::ShiftModifier : Qt::NoModifier);
                did = QStringLiteral("key %1 %2").arg(k.key, 0, 16).arg(int(modifiers), 0, 16);
                both([&](RichTextBox &box) { QTest::keyClick(box.focusProxy(), k.key, modifiers); });
                break;
            }
            case 3: {
                const Key k = edits[random.bounded(int(edits.size()))];
                did = QStringLiteral("edit %1").arg(k.key, 0, 16);
                both([&](RichTextBox &box) { QTest::keyClick(box.focusProxy(), k.key, k.modifiers); });
                break;
            }
            case 4: {
                const QString t = typed[random.bounded(int(typed.size()))];
                did = QStringLiteral("type %1").arg(t);
                both([&](RichTextBox &box) { QTest::sendKeyEvent(QTest::Click, box.focusProxy(), Qt::Key_unknown, t, Qt::NoModifier); });
                break;
            }
            case 5: {
                const int at = random.bounded(length + 1), count = random.bounded(length - at + 1);
                did = QStringLiteral("select %1,%2").arg(at).arg(count);
                both([&](RichTextBox &box) { box.setSelStart(at); box.setSelLength(count); });
                break;
            }
            case 6: {
                const QString t = inserted[random.bounded(int(inserted.size()))];
                did = QStringLiteral("SelText %1").arg(shown(t));
                both([&](RichTextBox &box) { box.setSelText(t); });
                break;
            }
            case 7:
                did = QStringLiteral("undo");
                both([](RichTextBox &box) { box.Undo(); });
                break;
            default: {
                const QString needle = QStringList{"lorem", "e", " ", "\n"}[random.bounded(4)];
                const int options = QList<int>{0, 2, 4, 6}[random.bounded(4)];
                const int start = random.bounded(length + 1);
                did = QStringLiteral("find %1 from %2 options %3").arg(shown(needle)).arg(start).arg(options);
                QCOMPARE(own->Find(needle, start, -1, options), qt->Find(needle, start, -1, options));
            }
            }
            steps << did + QStringLiteral(" -> %1,%2").arg(qt->SelStart()).arg(qt->SelLength());
            compare(steps.join(QStringLiteral(" / ")));
            if (QTest::currentTestFailed())
                return;
            if (m_differed) {
                QVERIFY2(m_known, "an unknown difference");
                return;
            }
        }
        for (int p = 0; p <= qt->textLength(); ++p)
            QVERIFY2(own->GetLineFromChar(p) == qt->GetLineFromChar(p), qPrintable(QStringLiteral("line of %1 in \"%2\": %3 vs %4").arg(p).arg(shown(qt->Text())).arg(own->GetLineFromChar(p)).arg(qt->GetLineFromChar(p))));
        for (int line = 0; line <= qt->GetLineFromChar(qt->textLength()) + 1; ++line)
            QCOMPARE(own->lineIndex(line), qt->lineIndex(line));
        QVERIFY2(!m_known, "a known difference is gone: take the sequence off the list");
        const auto saved = [&](RichTextBox &box, const QString &name) {
            const QString path = dir.filePath(name + QString::number(seed));
            return box.SaveFile(path) == 0 ? Harness::read(path) : QByteArray("(not saved)");
        };
        const QByteArray ownBytes = saved(*own, QStringLiteral("own")), qtBytes = saved(*qt, QStringLiteral("qt"));
        QVERIFY2(ownBytes == qtBytes, qPrintable(steps.join(QStringLiteral(" / ")) + QStringLiteral("\n  own %1\n  qt  %2\n  start %3")
                                                     .arg(QString::fromLatin1(ownBytes.toPercentEncoding()), QString::fromLatin1(qtBytes.toPercentEncoding()), QString::fromLatin1(start.toPercentEncoding()))));
    }
};

QTEST_MAIN(tst_EngineDifferential)
#include "tst_engine_differential.moc"
