// Find Next, Replace and Replace All against the reference model, over many generated texts and answers.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>

#include "app/frmpenwick.h"
#include "platform/richtextbox.h"
#include "scripteddesktop.h"
#include "search/frmfind.h"
#include "search/frmreplace.h"
#include "searchmodel.h"

namespace {

// Few letters, so occurrences overlap and case and word edges matter.
QString generate(QRandomGenerator &rng, const QString &alphabet, int maxLength)
{
    QString s;
    for (int n = int(rng.bounded(maxLength + 1)); n > 0; --n)
        s += alphabet[int(rng.bounded(int(alphabet.size())))];
    return s;
}

struct Case
{
    QString text, what, with;
    int options = 0;
    int selStart = 0, selLength = 0;

    QString describe() const
    {
        auto shown = [](QString s) { return s.replace(QLatin1Char('\n'), QLatin1String("\\n")); };
        return QStringLiteral("text \"%1\" what \"%2\" with \"%3\" options %4 selection %5,%6")
            .arg(shown(text), what, with).arg(options).arg(selStart).arg(selLength);
    }
};

Case generateCase(QRandomGenerator &rng)
{
    Case c;
    c.text = generate(rng, QStringLiteral("aAb _\n"), 24);
    c.what = rng.bounded(20) == 0 ? QString() : generate(rng, QStringLiteral("aAb _"), 3);
    if (c.what.isEmpty() && rng.bounded(4) != 0)
        c.what = QStringLiteral("a");
    c.with = generate(rng, QStringLiteral("aAb _"), 3);
    c.options = 2 * int(rng.bounded(4));
    c.selStart = int(rng.bounded(int(c.text.size()) + 1));
    c.selLength = int(rng.bounded(int(c.text.size()) - c.selStart + 1));
    // Often start on an occurrence, as a previous search would have left it.
    const int at = searchmodel::findIn(c.text, c.what, c.selStart, -1, 0);
    if (at >= 0 && rng.bounded(2) == 0) {
        c.selStart = at;
        c.selLength = int(c.what.size());
    }
    return c;
}

// Mostly Yes and No, so that the loops run on; Cancel now and then.
int generateAnswer(QRandomGenerator &rng, int style)
{
    const int roll = int(rng.bounded(10));
    if ((style & 7) == platform::vbYesNoCancel && roll == 0)
        return platform::vbCancel;
    return roll < 6 ? platform::vbYes : platform::vbNo;
}

QString outcome(const QString &text, int selStart, int selLength, const QStringList &prompts)
{
    QString shown = text;
    shown.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    return QStringLiteral("text \"%1\" selection %2,%3 prompts [%4]")
        .arg(shown).arg(selStart).arg(selLength).arg(prompts.join(QLatin1String(" | ")));
}

QString modelOutcome(const searchmodel::Session &model)
{
    QStringList prompts;
    for (const searchmodel::Prompt &p : model.prompts)
        prompts << QStringLiteral("%1 (%2)").arg(p.text).arg(p.style);
    return outcome(model.text, model.selStart, model.selLength, prompts);
}

}

class tst_search_differential : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void findNext_data();
    void findNext();
    void replace_data();
    void replace();

private:
    enum Command { Find, Replace, ReplaceAll };
    void seeds();
    void queue(ScriptedDesktop &desktop, const searchmodel::Session &model);
    QString realOutcome(const ScriptedDesktop &desktop) const;
    void openAndRun(ScriptedDesktop &desktop, Command command, const Case &c);

    frmPenwick *m_main = nullptr;
};

void tst_search_differential::initTestCase()
{
    m_main = new frmPenwick;
}

void tst_search_differential::cleanupTestCase()
{
    frmFind::unload();
    frmReplace::unload();
    delete m_main;
}

void tst_search_differential::seeds()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("cases");
    QTest::newRow("seed 1") << 1u << 150;
    QTest::newRow("seed 20240611") << 20240611u << 150;
    QTest::newRow("seed 77") << 77u << 150;
}

void tst_search_differential::queue(ScriptedDesktop &desktop, const searchmodel::Session &model)
{
    for (const searchmodel::Prompt &p : model.prompts)
        desktop.msgBox(p.answer, p.text, p.style);
}

QString tst_search_differential::realOutcome(const ScriptedDesktop &desktop) const
{
    QStringList prompts;
    for (const ScriptedDesktop::Call &call : desktop.calls) {
        if (call.kind == QLatin1String("MsgBox"))
            prompts << QStringLiteral("%1 (%2)").arg(call.prompt).arg(call.style);
    }
    const platform::RichTextBox &box = *m_main->RichTextBox;
    return outcome(box.Text(), box.SelStart(), box.SelLength(), prompts);
}

void tst_search_differential::openAndRun(ScriptedDesktop &desktop, Command command, const Case &c)
{
    desktop.modal([command, c](QDialog &) {
        if (command == Find) {
            frmFind &find = frmFind::instance();
            find.txtFind->setText(c.what);
            find.chkWhole->setChecked(c.options & 2);
            find.chkCase->setChecked(c.options & 4);
            find.cmdFind->click();
            return;
        }
        frmReplace &replace = frmReplace::instance();
        replace.txtReplace->setText(c.what);
        replace.txtWith->setText(c.with);
        replace.chkWhole->setChecked(c.options & 2);
        replace.chkCase->setChecked(c.options & 4);
        (command == Replace ? replace.cmdReplace : replace.cmdAll)->click();
    });
}

void tst_search_differential::findNext_data()
{
    seeds();
}

// A first search from the dialog, then up to three Find Next, compared after each.
void tst_search_differential::findNext()
{
    QFETCH(quint32, seed);
    QFETCH(int, cases);
    QRandomGenerator rng(seed);
    for (int n = 0; n < cases; ++n) {
        const Case c = generateCase(rng);
        searchmodel::Session model([&rng](const QString &, int style) { return generateAnswer(rng, style); });
        model.text = c.text;
        model.select(c.selStart, c.selLength);
        m_main->RichTextBox->setText(c.text);
        m_main->RichTextBox->setSelStart(c.selStart);
        m_main->RichTextBox->setSelLength(c.selLength);
        const int searches = c.what.isEmpty() ? 1 : 1 + int(rng.bounded(4));
        for (int step = 0; step < searches; ++step) {
            ScriptedDesktop desktop;
            model.prompts.clear();
            model.findNext(c.what, c.options);
            if (step == 0)
                openAndRun(desktop, Find, c);
            queue(desktop, model);
            if (step == 0)
                m_main->mnuSearchFind_Click();
            else
                m_main->mnuSearchNext_Click();
            const QString where = c.describe() + QStringLiteral(" search %1: ").arg(step + 1);
            QCOMPARE(where + realOutcome(desktop), where + modelOutcome(model));
            QCOMPARE(where + desktop.problems(), where);
        }
    }
}

void tst_search_differential::replace_data()
{
    seeds();
}

void tst_search_differential::replace()
{
    QFETCH(quint32, seed);
    QFETCH(int, cases);
    QRandomGenerator rng(seed);
    for (int n = 0; n < cases; ++n) {
        const Case c = generateCase(rng);
        const Command command = rng.bounded(3) == 0 ? ReplaceAll : Replace;
        searchmodel::Session model([&rng](const QString &, int style) { return generateAnswer(rng, style); });
        model.text = c.text;
        model.select(c.selStart, c.selLength);
        if (command == ReplaceAll)
            model.replaceAll(c.what, c.with, c.options);
        else
            model.replace(c.what, c.with, c.options);

        ScriptedDesktop desktop;
        openAndRun(desktop, command, c);
        queue(desktop, model);
        m_main->RichTextBox->setText(c.text);
        m_main->RichTextBox->setSelStart(c.selStart);
        m_main->RichTextBox->setSelLength(c.selLength);
        m_main->mnuSearchReplace_Click();

        const QString where = c.describe() + (command == ReplaceAll ? QStringLiteral(" all: ") : QStringLiteral(": "));
        QCOMPARE(where + realOutcome(desktop), where + modelOutcome(model));
        QCOMPARE(where + desktop.problems(), where);
    }
}

QTEST_MAIN(tst_search_differential)
#include "tst_search_differential.moc"
