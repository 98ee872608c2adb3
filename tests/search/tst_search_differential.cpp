// Find Next, Replace and Replace All in the real windows against a reference model over a plain string:
// named edge cases first, then generated texts and answers.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>

#include <functional>

#include "engines.h"
#include "app/frmpenwick.h"
#include "platform/richtextbox.h"
#include "scripteddesktop.h"
#include "search/frmfind.h"
#include "search/frmreplace.h"

using namespace platform;

namespace {

enum Command { Find, Replace, ReplaceAll };

struct Case
{
    Command command;
    QString text;
    int selStart, selLength;
    QString what, with;
    int options;     // 2 whole words, 4 match case
    int nexts;       // Find Next after the first search

    QString describe() const
    {
        QString shown = text;
        shown.replace(QLatin1Char('\n'), QLatin1String("\\n"));
        return QStringLiteral("%1 \"%2\" at %3,%4 \"%5\" by \"%6\" options %7")
            .arg(QStringList{"find", "replace", "all"}[command], shown).arg(selStart).arg(selLength)
            .arg(what, with).arg(options);
    }
};

QString outcome(QString text, int selStart, int selLength, const QStringList &prompts)
{
    text.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    return QStringLiteral("\"%1\" %2,%3 [%4]").arg(text).arg(selStart).arg(selLength).arg(prompts.join(" | "));
}

QString prompt(const QString &text, int style)
{
    return QStringLiteral("%1 (%2)").arg(text).arg(style);
}

bool isWord(const QList<uint> &characters, bool last)
{
    if (characters.isEmpty())
        return false;
    const char32_t c = last ? characters.last() : characters.first();
    return c == U'_' || QChar::isLetterOrNumber(c) || QChar::isMark(c);
}

// The reference: the commands done the obvious, slow way, with a find of its own.
struct Model
{
    struct Prompt
    {
        QString text;
        int style, answer;
    };
    Model(std::function<int(int style)> answerer, const QString &start) : answer(std::move(answerer)), text(start) {}

    std::function<int(int style)> answer;
    QString text;
    int selStart = 0, selLength = 0;
    QList<Prompt> prompts;

    // First match at or after start ending at or before end (-1: the text's length).
    int find(const QString &needle, int start, int end, int options)
    {
        const int length = int(text.size()), size = int(needle.size());
        end = end < 0 || end > length ? length : end;
        for (int at = qMax(start, 0); size > 0 && at + size <= end; ++at) {
            const QString here = text.mid(at, size);
            if (options & 4 ? here != needle : here.toCaseFolded() != needle.toCaseFolded())
                continue;
            const bool wordBefore = isWord(QStringView(text).left(at).toUcs4(), true);
            const bool wordAfter = isWord(QStringView(text).mid(at + size).toUcs4(), false);
            if (!(options & 2) || (!wordBefore && !wordAfter)) {
                select(at, size);
                return at;
            }
        }
        return -1;
    }
    void select(int start, int length)
    {
        selStart = qBound(0, start, int(text.size()));
        selLength = qBound(0, length, int(text.size()) - selStart);
    }
    int ask(const QString &prompt, int style)
    {
        prompts.append({prompt, style, answer(style)});
        return prompts.last().answer;
    }
    void setSelText(const QString &with)
    {
        text.replace(selStart, selLength, with);
        select(selStart + int(with.size()), 0);
    }
    void findNext(const QString &what, int options)
    {
        const int start = selStart;
        const int offset = text.mid(selStart, selLength).toUpper() == what.toUpper() ? 1 : 0;
        if (find(what, start + offset, -1, options) < 0 && ask(endQuestion(), vbYesNo + vbQuestion) == vbYes
            && find(what, 0, start + int(what.size()), options) < 0)
            ask(QStringLiteral("No more occurrences of word."), vbInformation);
    }
    int confirm(const QString &what, const QString &with, int end, int options)
    {
        for (;;) {
            const int pos = find(what, selStart, end, options);
            if (pos < 0)
                return -1;
            const int answer = ask(QStringLiteral("Replace selection?"), vbYesNoCancel + vbQuestion);
            if (answer == vbCancel)
                return pos;
            if (answer == vbYes)
                setSelText(with);
            else
                select(selStart + 1, 0);
        }
    }
    void replace(const QString &what, const QString &with, int options)
    {
        const int start = selStart;
        if (confirm(what, with, -1, options) >= 0 || ask(endQuestion(), vbYesNo + vbQuestion) != vbYes)
            return;
        select(0, 0);
        // The end is fixed before the wrap pass: where an occurrence starting just before the start would end.
        const int size = int(what.size());
        const int end = start + size <= text.size() ? start + size - 1 : int(text.size());
        if (confirm(what, with, end, options) < 0)
            ask(QStringLiteral("No more occurrences of word"), vbInformation);
    }
    void replaceAll(const QString &what, const QString &with, int options)
    {
        int count = 0;
        for (int from = 0, pos = 0; (pos = find(what, from, -1, options)) >= 0; from = pos + int(with.size()), ++count)
            setSelText(with);
        ask(QString::number(count) + QStringLiteral(" replacements were made."), vbInformation);
    }
    static QString endQuestion() { return QStringLiteral("End of document. Continue from beginning?"); }
};

// Few letters, so occurrences overlap and case and word edges matter.
QString generate(QRandomGenerator &rng, const QString &alphabet, int maxLength)
{
    QString s;
    for (int n = int(rng.bounded(maxLength + 1)); n > 0; --n)
        s += alphabet[int(rng.bounded(int(alphabet.size())))];
    return s;
}

Case generateCase(QRandomGenerator &rng)
{
    Case c{Command(rng.bounded(3)), generate(rng, QStringLiteral("aAb _\n"), 24), 0, 0, {}, {}, 2 * int(rng.bounded(4)), 0};
    c.what = rng.bounded(20) == 0 ? QString() : generate(rng, QStringLiteral("aAb _"), 3);
    if (c.what.isEmpty() && rng.bounded(4) != 0)
        c.what = QStringLiteral("a");
    c.with = generate(rng, QStringLiteral("aAb _"), 3);
    c.selStart = int(rng.bounded(int(c.text.size()) + 1));
    c.selLength = int(rng.bounded(int(c.text.size()) - c.selStart + 1));
    // Often start on an occurrence, as a previous search would have left it.
    Model probe{{}, c.text};
    if (probe.find(c.what, c.selStart, -1, 0) >= 0 && rng.bounded(2) == 0) {
        c.selStart = probe.selStart;
        c.selLength = probe.selLength;
    }
    c.nexts = c.command == Find && !c.what.isEmpty() ? int(rng.bounded(4)) : 0;
    return c;
}

// Mostly Yes and No, so that the loops run on; Cancel now and then.
int generateAnswer(QRandomGenerator &rng, int style)
{
    const int roll = int(rng.bounded(10));
    if ((style & 7) == vbOKOnly)
        return vbOK;
    if ((style & 7) == vbYesNoCancel && roll == 0)
        return vbCancel;
    return roll < 6 ? vbYes : vbNo;
}

}

Q_DECLARE_METATYPE(Case)

class tst_search_differential : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { EXPECT_DESKTOP_SATISFIED(); }
    void initTestCase() { m_main = new frmPenwick; }

    void cleanupTestCase()
    {
        frmFind::unload();
        frmReplace::unload();
        delete m_main;
    }

    void named_data()
    {
        QTest::addColumn<Case>("c");
        QTest::addColumn<QList<int>>("answers");   // to the questions, in order; message boxes are just seen
        QTest::addColumn<QString>("pinned");       // what the windows must show, step by step

        const QString q = QStringLiteral("Replace selection? (35)");
        const QString end = QStringLiteral("End of document. Continue from beginning? (36)");
        // Find: the command, the text, the selection, what, with, options, Find Next after.
        QTest::newRow("aa in aaaa visits 0, 1, 2, then wraps to 0") << Case{Find, "aaaa", 0, 0, "aa", "", 0, 3} << QList<int>{vbYes}
            << "\"aaaa\" 0,2 [] / \"aaaa\" 1,2 [] / \"aaaa\" 2,2 [] / \"aaaa\" 0,2 [" + end + "]";
        QTest::newRow("selection longer than the search text, starting with it")
            << Case{Find, "abab ab", 0, 4, "ab", "", 0, 0} << QList<int>{} << "\"abab ab\" 0,2 []";
        QTest::newRow("case-different selection with match case, offset still 1")
            << Case{Find, "Aaa", 0, 2, "aa", "", 4, 0} << QList<int>{} << "\"Aaa\" 1,2 []";
        QTest::newRow("only occurrence is the selection: selected again")
            << Case{Find, "xx ab", 3, 2, "ab", "", 0, 0} << QList<int>{vbYes} << "\"xx ab\" 3,2 [" + end + "]";
        QTest::newRow("caret inside the only occurrence: the wrap finds it")
            << Case{Find, "xx foo yy", 4, 0, "foo", "", 0, 0} << QList<int>{vbYes} << "\"xx foo yy\" 3,3 [" + end + "]";
        // Each "cat" but the last touches an underscore, a digit, an accented or astral letter, or a mark.
        const QString joined = QString::fromUcs4(U"a_cat 2cat \u00e9cat cat\u0301 \U0001D49Ccat cat");
        QTest::newRow("_, digits, letters and marks join a word") << Case{Find, joined, 0, 0, "cat", "", 2, 0} << QList<int>{}
            << "\"" + joined + "\" 27,3 []";
        QTest::newRow("punctuation ends a word") << Case{Find, "(cat)", 0, 0, "cat", "", 2, 0} << QList<int>{} << "\"(cat)\" 1,3 []";
        QTest::newRow("a space never matches a no-break space") << Case{Find, "a\u00a0b a b", 0, 0, "a b", "", 0, 0}
            << QList<int>{} << QStringLiteral("\"a\u00a0b a b\" 4,3 []");
        QTest::newRow("find: empty search text ends") << Case{Find, "abc", 1, 0, "", "", 0, 0} << QList<int>{vbYes}
            << "\"abc\" 1,0 [" + end + " | No more occurrences of word. (64)]";
        // Replace.
        QTest::newRow("No at every question walks every occurrence, then the end question")
            << Case{Replace, "aaa", 0, 0, "aa", "b", 0, 0} << QList<int>{vbNo, vbNo, vbNo}
            << "\"aaa\" 2,0 [" + q + " | " + q + " | " + end + "]";
        QTest::newRow("Cancel ends at once") << Case{Replace, "a a a", 0, 0, "a", "b", 0, 0} << QList<int>{vbYes, vbCancel}
            << "\"b a a\" 2,1 [" + q + " | " + q + "]";
        QTest::newRow("wrap pass keeps its end after longer replacements")
            << Case{Replace, "a a a", 3, 0, "a", "xxx", 0, 0} << QList<int>{vbYes, vbYes, vbYes}
            << "\"xxx a xxx\" 3,0 [" + q + " | " + end + " | " + q + " | No more occurrences of word (64)]";
        // Replace All: the caret is ignored.
        QTest::newRow("a by ab ends after one pass") << Case{ReplaceAll, "a a", 3, 0, "a", "ab", 0, 0} << QList<int>{}
            << "\"ab ab\" 5,0 [2 replacements were made. (64)]";
        QTest::newRow("no occurrence: 0 replacements") << Case{ReplaceAll, "bbb", 3, 0, "a", "x", 0, 0} << QList<int>{}
            << "\"bbb\" 3,0 [0 replacements were made. (64)]";
    }

    void named()
    {
        QFETCH(Case, c);
        QFETCH(QList<int>, answers);
        QFETCH(QString, pinned);

        int questions = 0;
        QStringList real;
        run(c, [&](int style) { return (style & 7) == vbOKOnly ? vbOK : answers.value(questions++, vbCancel); }, real);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(questions, int(answers.size()));
        QCOMPARE(real.join(" / "), pinned);
    }

    void generated_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::newRow("seed 1") << 1u;
        QTest::newRow("seed 20240611") << 20240611u;
        QTest::newRow("seed 77") << 77u;
    }

    void generated()
    {
        QFETCH(quint32, seed);
        QRandomGenerator rng(seed);
        for (int n = 0; n < 300 && !QTest::currentTestFailed(); ++n) {
            QStringList real;
            run(generateCase(rng), [&rng](int style) { return generateAnswer(rng, style); }, real);
        }
    }

private:
    // The case on the model and in the windows, compared after every step; the windows' outcomes go to real.
    void run(const Case &c, const std::function<int(int)> &answer, QStringList &real)
    {
        Model model{answer, c.text};
        model.select(c.selStart, c.selLength);
        RichTextBox &box = *m_main->RichTextBox;
        box.setText(c.text);
        box.setSelStart(c.selStart);
        box.setSelLength(c.selLength);
        for (int step = 0; step <= c.nexts; ++step) {
            model.prompts.clear();
            if (c.command == Find)
                model.findNext(c.what, c.options);
            else if (c.command == Replace)
                model.replace(c.what, c.with, c.options);
            else
                model.replaceAll(c.what, c.with, c.options);
            ScriptedDesktop desktop;
            if (step == 0) {
                desktop.modal([c](QDialog &) {
                    const bool find = c.command == Find;
                    QDialog &dialog = find ? static_cast<QDialog &>(frmFind::instance()) : frmReplace::instance();
                    dialog.findChild<QLineEdit *>(find ? "txtFind" : "txtReplace")->setText(c.what);
                    if (!find)
                        frmReplace::instance().txtWith->setText(c.with);
                    dialog.findChild<QCheckBox *>("chkWhole")->setChecked(c.options & 2);
                    dialog.findChild<QCheckBox *>("chkCase")->setChecked(c.options & 4);
                    dialog.findChild<QPushButton *>(find ? "cmdFind" : c.command == Replace ? "cmdReplace" : "cmdAll")->click();
                });
            }
            QStringList expected;
            for (const Model::Prompt &p : model.prompts) {
                desktop.msgBox(p.answer, p.text, p.style);
                expected << prompt(p.text, p.style);
            }
            if (step > 0)
                m_main->mnuSearchNext_Click();
            else if (c.command == Find)
                m_main->mnuSearchFind_Click();
            else
                m_main->mnuSearchReplace_Click();
            QStringList asked;
            for (const ScriptedDesktop::Call &call : desktop.calls) {
                if (call.kind == QLatin1String("MsgBox"))
                    asked << prompt(call.prompt, call.style);
            }
            real << outcome(box.Text(), box.SelStart(), box.SelLength(), asked);
            const QString where = c.describe() + QStringLiteral(" step %1: ").arg(step + 1);
            QCOMPARE(where + real.last(), where + outcome(model.text, model.selStart, model.selLength, expected));
            QCOMPARE(where + desktop.problems(), where);
        }
    }

    frmPenwick *m_main = nullptr;
};

PENWICK_TEST_MAIN_ON_EVERY_ENGINE(tst_search_differential)
#include "tst_search_differential.moc"
