// Start-up: journals of edits that a crash kept from being saved are offered back, one document at a time.
#include "app/frmpenwick.h"

#include "platform/desktop.h"
#include "platform/richtextbox.h"
#include "text/filename.h"
#include "text/journal.h"

using namespace platform;

// Each left journal is asked about in turn until one is taken; the others wait for the next start.
void frmPenwick::OfferJournals()
{
    for (const QString &file : text::leftJournals(text::journalFolder())) {
        if (recoverJournal(file))
            return;
    }
}

// True when the journal's document became this window's.
bool frmPenwick::recoverJournal(const QString &file)
{
    const std::optional<text::JournalContents> journal = text::readJournal(file);
    if (!journal || journal->edits.empty()) {
        text::removeJournal(file);   // torn before its first edit: nothing in it to lose
        return false;
    }
    const QString path = journal->header.path;
    const std::optional<text::JournalHeader> now = path.isEmpty() ? std::nullopt : text::headerOfFile(path);
    // The edits go onto the file only while it holds the very bytes they were made on.
    const bool onFile = now && text::sameFile(*now, journal->header);
    QString recovered;
    if (!onFile) {
        recovered = journal->baseText();
        if (recovered.isNull() || !text::replayJournal(recovered, journal->edits)) {
            qWarning("Penwick: the journal %s no longer matches its file and holds no text of its own; it is kept.",
                     qPrintable(file));
            return false;
        }
    }
    const QString name = path.isEmpty() ? QStringLiteral("Untitled") : text::displayName(path);
    if (desktop().MsgBox(QStringLiteral("Penwick closed without saving changes to '") + name + QStringLiteral("'. Recover them?"),
                         vbYesNo + vbQuestion, QStringLiteral("Penwick"))
        != vbYes) {
        text::removeJournal(file);
        return false;
    }
    if (onFile) {
        if (RichTextBox->LoadFile(path, 1) != 0 || !RichTextBox->Replay(journal->edits)) {
            RichTextBox->setText(QString());
            return false;
        }
        CommonDialog.FileName = path;
        setWindowTitle(SetCaption(path));
        SetInitDir();
    } else {
        // Typed into an empty document, the recovered text is journaled again like any edit.
        RichTextBox->setText(QString());
        RichTextBox->setSelText(recovered);
        RichTextBox->resetUndo();
        RichTextBox->setSelStart(0);
        CommonDialog.FileName.clear();
        setWindowTitle(QStringLiteral("Penwick"));
    }
    RichTextBox->Tag = QStringLiteral("1");
    mnuEditUndo->setEnabled(onFile);
    SaveFollowsName();
    // The new journal holds the edits before the old one goes.
    RichTextBox->WaitJournalWritten();
    text::removeJournal(file);
    return true;
}
