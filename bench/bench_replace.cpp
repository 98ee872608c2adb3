// Replace All over a large document, timed against the same replacements on a bare QString.
#include <QCheckBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QTextStream>

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
    QString command;   // "cmdAll"

    int MsgBox(const QString &prompt, int, const QString &) override
    {
        lastMessage = prompt;
        return platform::vbOK;
    }
    platform::FileDialogAnswer fileDialog(const platform::FileDialogRequest &) override { return {platform::cdlCancel, {}}; }
    platform::FontAnswer fontDialog(int, const QString &, float) override { return {platform::cdlCancel, {}, 0}; }
    platform::PrintAnswer printDialog(QPrinter &, int flags) override { return {platform::cdlCancel, flags}; }
    int helpDialog() override { return 0; }
    void showModal(QDialog &dialog) override
    {
        dialog.show();
        frmReplace &replace = frmReplace::instance();
        replace.txtReplace->setText(QStringLiteral("needle"));
        replace.txtWith->setText(QStringLiteral("pin"));
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
