// Replace All over a large document, timed against the same replacements on a bare QString.
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QKeyEvent>
#include <QTextStream>

#include <functional>

#include "app/frmpenwick.h"
#include "platform/desktop.h"
#include "platform/richtextbox.h"
#include "search/frmreplace.h"

namespace {

// Shows the Replace window's command at once and takes its closing message, so nothing waits for a person.
class BenchDesktop : public platform::Desktop
{
public:
    QString lastMessage;
    QString what = QStringLiteral("needle");
    QString with = QStringLiteral("pin");

    int MsgBox(const QString &prompt, int, const QString &) override
    {
        lastMessage = prompt;
        return platform::vbOK;
    }
    platform::FileDialogAnswer fileDialog(const platform::FileDialogRequest &) override { return {platform::cdlCancel, {}}; }
    platform::FontAnswer fontDialog(int, const QString &, float) override { return {platform::cdlCancel, {}, 0}; }
    platform::PrintAnswer printDialog(QPrinter &, int flags) override { return {platform::cdlCancel, flags}; }
    int helpDialog() override { return 0; }
    void End() override {}
    int Shell(const QString &, int) override { return 0; }
    void showModal(QDialog &dialog) override
    {
        dialog.show();
        frmReplace &replace = frmReplace::instance();
        replace.txtReplace->setText(what);
        replace.txtWith->setText(with);
        replace.chkCase->setChecked(false);
        replace.chkWhole->setChecked(false);
        replace.cmdAll->click();
        dialog.hide();
    }
};

// About 10 MB in lines of 100 characters, one occurrence on each.
QString buildDocument(int lines)
{
    const QString filler = QStringLiteral("lorem ipsum dolor sit amet consectetur adipiscing elit sed do eiusmod tempor incididunt");
    QString text;
    text.reserve(qsizetype(lines) * 101);
    for (int i = 0; i < lines; ++i) {
        text += filler.left(45 + i % 7);
        text += QStringLiteral(" needle ");
        text += filler.left(46 - i % 7);
        text += QLatin1Char('\n');
    }
    return text;
}

}

void benchReplaceAll()
{
    QTextStream out(stdout);
    constexpr int occurrences = 100000;
    const QString document = buildDocument(occurrences);

    QElapsedTimer timer;
    timer.start();
    QString bare = document;
    bare.replace(QStringLiteral("needle"), QStringLiteral("pin"), Qt::CaseInsensitive);
    const qint64 baseline = qMax<qint64>(1, timer.nsecsElapsed());

    const bool ownWindow = frmPenwick::instance() == nullptr;
    frmPenwick *main = ownWindow ? new frmPenwick : frmPenwick::instance();
    if (ownWindow)
        main->Form_Load();
    platform::RichTextBox &box = *main->RichTextBox;
    timer.restart();
    box.setText(document);
    const qint64 load = timer.nsecsElapsed();

    BenchDesktop desktop;
    platform::Desktop *previous = platform::setDesktop(&desktop);
    timer.restart();
    main->mnuSearchReplace_Click();
    const qint64 replaceAll = timer.nsecsElapsed();
    timer.restart();
    box.Undo();
    const qint64 undo = timer.nsecsElapsed();
    platform::setDesktop(previous);

    const bool same = desktop.lastMessage == QStringLiteral("%1 replacements were made.").arg(occurrences);
    out << "replace all: document of " << document.size() << " characters, " << occurrences << " occurrences\n";
    out << "replace all: loading the document " << load / 1000000 << " ms\n";
    out << "replace all: QString::replace baseline " << baseline / 1000 << " us\n";
    out << "replace all: Replace All " << replaceAll / 1000000 << " ms (" << desktop.lastMessage << ")"
        << (same ? "" : " UNEXPECTED COUNT") << "\n";
    out << "replace all: ratio to the baseline " << double(replaceAll) / double(baseline) << "\n";
    out << "replace all: one Undo of it " << undo / 1000000 << " ms, text restored: "
        << (box.textLength() == document.size() ? "yes" : "no") << "\n";
    out.flush();
    if (ownWindow)
        delete main;
    else
        box.setText(QString());
}

namespace {

// The program's window for a scenario, made and loaded here unless an earlier scenario made it.
struct ScenarioWindow
{
    ScenarioWindow() : own(frmPenwick::instance() == nullptr), main(own ? new frmPenwick : frmPenwick::instance())
    {
        if (own)
            main->Form_Load();
    }
    ~ScenarioWindow()
    {
        if (own)
            delete main;
    }
    const bool own;
    frmPenwick *const main;
};


struct ReplaceTimes
{
    double bare = 0, all = 0, undo = 0, redo = 0;
    bool exact = false;   // the replaced text, the undone and the redone text are what they must be
};

double msSince(QElapsedTimer &timer)
{
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    timer.restart();
    return ms;
}

// Replace All of "a" by "aa" through the window, then its Undo, then Ctrl+Y on the edit control.
ReplaceTimes replaceUndoRedo(frmPenwick &main, const QString &document)
{
    ReplaceTimes t;
    QElapsedTimer timer;
    timer.start();
    QString bare = document;
    bare.replace(QLatin1Char('a'), QLatin1String("aa"));
    t.bare = qMax(0.001, msSince(timer));

    platform::RichTextBox &box = *main.RichTextBox;
    box.setText(document);
    BenchDesktop desktop;
    desktop.what = QStringLiteral("a");
    desktop.with = QStringLiteral("aa");
    platform::Desktop *previous = platform::setDesktop(&desktop);
    QWidget *view = box.focusProxy();
    auto key = [&](int k) {
        QKeyEvent press(QEvent::KeyPress, k, Qt::ControlModifier);
        QApplication::sendEvent(view, &press);
        view->grab();
    };
    timer.restart();
    main.mnuSearchReplace_Click();
    view->grab();
    t.all = msSince(timer);
    const bool replaced = box.Text() == bare;
    timer.restart();
    box.Undo();   // what Edit > Undo and Ctrl+Z come to
    view->grab();
    t.undo = msSince(timer);
    const bool undone = box.Text() == document;
    timer.restart();
    key(Qt::Key_Y);
    t.redo = msSince(timer);
    t.exact = replaced && undone && box.Text() == bare;
    if (!t.exact)
        QTextStream(stdout) << "replaced " << replaced << " undone " << undone << " redone " << (box.Text() == bare) << "\n";
    platform::setDesktop(previous);
    box.setText(QString());
    return t;
}

}

// Replace All, its undo and redo at 1x and 4x the matches: linear work keeps each ratio near the bare one.
void benchReplaceScaling()
{
    QTextStream out(stdout);
    const ScenarioWindow window;
    frmPenwick *main = window.main;
    main->show();
    struct Shape
    {
        const char *name;
        int matches;
        std::function<QString(int)> build;
    };
    const Shape shapes[] = {
        {"replace-lines", 99000, [](int n) { return QString(QString(99, QLatin1Char('a')) + QLatin1Char('\n')).repeated(n / 99); }},
        {"replace-one-line", 10000, [](int n) { return QStringLiteral("a bcdefghi").repeated(n); }},
    };
    for (const Shape &shape : shapes) {
        const ReplaceTimes one = replaceUndoRedo(*main, shape.build(shape.matches));
        const ReplaceTimes four = replaceUndoRedo(*main, shape.build(4 * shape.matches));
        auto ratio = [](double a, double b) { return QString::number(a / b, 'f', 2); };
        out << '[' << shape.name << "] " << shape.matches << " / " << 4 * shape.matches << " matches of \"a\" by \"aa\""
            << ((one.exact && four.exact) ? "" : " WRONG TEXT") << "; 4x/1x: bare QString::replace "
            << ratio(four.bare, one.bare) << ", Replace All " << ratio(four.all, one.all) << ", Undo "
            << ratio(four.undo, one.undo) << ", Redo " << ratio(four.redo, one.redo) << "\n";
        out << '[' << shape.name << "] at 4x: Replace All " << QString::number(four.all, 'f', 1) << " ms ("
            << ratio(four.all, four.bare) << "x the bare replace), Undo " << QString::number(four.undo, 'f', 1)
            << " ms, Redo " << QString::number(four.redo, 'f', 1) << " ms\n";
        out.flush();
    }
    // 1,000,000 matches in 100 MB, one in each line.
    const ReplaceTimes big = replaceUndoRedo(*main, (QString(98, QLatin1Char('b')) + QStringLiteral("a\n")).repeated(1000000));
    out << "[replace-100MB] 1,000,000 matches in 100 MB: Replace All " << QString::number(big.all, 'f', 0) << " ms ("
        << QString::number(big.all / big.bare, 'f', 2) << "x the bare replace), Undo " << QString::number(big.undo, 'f', 1)
        << " ms, Redo " << QString::number(big.redo, 'f', 1) << " ms" << (big.exact ? "" : " WRONG TEXT") << "\n";
    out.flush();
}

// Whole-document edits on 100 MB through the window's commands: Select All + Copy, Paste over it, Select All +
// Delete and its Undo.
void benchWholeEdits()
{
    QTextStream out(stdout);
    const ScenarioWindow window;
    frmPenwick *main = window.main;
    main->show();
    platform::RichTextBox &box = *main->RichTextBox;
    const QString document = (QString(98, QLatin1Char('b')) + QStringLiteral("a\n")).repeated(1000000);
    box.setText(document);
    QWidget *view = box.focusProxy();
    QElapsedTimer timer;
    auto time = [&](const std::function<void()> &command) {
        timer.restart();
        command();
        view->grab();
        return msSince(timer);
    };
    const double copy = time([&] { main->mnuEditSelectall_Click(); main->mnuEditCopy_Click(); });
    const double paste = time([&] { main->mnuEditPaste_Click(); });
    const bool pasted = box.textLength() == document.size();
    const double remove = time([&] { main->mnuEditSelectall_Click(); main->mnuEditDelete_Click(); });
    const double undo = time([&] { box.Undo(); });
    const bool restored = box.Text() == document;
    out << "[whole-edits-100MB] Select All + Copy " << QString::number(copy, 'f', 0) << " ms, Paste over it "
        << QString::number(paste, 'f', 0) << " ms, Select All + Delete " << QString::number(remove, 'f', 0)
        << " ms, its Undo " << QString::number(undo, 'f', 0) << " ms" << (pasted && restored ? "" : " WRONG TEXT") << "\n";
    out.flush();
    box.setText(QString());
}
