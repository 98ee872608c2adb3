// Start-up: journals of edits that a crash kept from being saved are offered back, one document at a time;
// and what the window says while its own journal cannot be written.
#include "app/frmpenwick.h"

#include <QFileInfo>

#include "platform/desktop.h"
#include "platform/richtextbox.h"
#include "platform/statusbar.h"
#include "text/filename.h"
#include "text/journal.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace platform;

namespace {

const QString Title = QStringLiteral("Penwick");

// However many journals were left, a start asks about this many; the others wait for the next start.
constexpr int MostOffered = 3;

// The file was deleted from a folder that is still there (not a drive that is away, nor a folder moved).
bool deletedFile(const QString &path)
{
    struct stat st;
    return ::stat(text::encodeName(path).constData(), &st) != 0 && errno == ENOENT
        && ::stat(text::encodeName(QFileInfo(path).path()).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A journal that cannot be applied is said so and put aside under another name, where no start offers it again.
void refuse(const QString &file, const QString &name, const QString &why)
{
    const QString kept = file + QStringLiteral(".refused");
    const bool moved = ::rename(text::encodeName(file).constData(), text::encodeName(kept).constData()) == 0;
    desktop().MsgBox(QStringLiteral("Penwick closed without saving changes to '") + name
                         + QStringLiteral("', but they cannot be recovered. ") + why + QStringLiteral("\n\nThey are kept in '")
                         + (moved ? kept : file) + QStringLiteral("'."),
                     vbOKOnly + vbExclamation, Title);
}

}

// Each left journal is asked about in turn, newest first, until one is taken.
bool frmPenwick::OfferJournals()
{
    int asked = 0;
    for (const QString &file : text::leftJournals(text::journalFolder())) {
        if (asked == MostOffered)
            break;
        switch (recoverJournal(file)) {
        case Recovery::Recovered: return true;
        case Recovery::Asked: ++asked; break;
        case Recovery::Nothing: break;
        }
    }
    return false;
}

frmPenwick::Recovery frmPenwick::recoverJournal(const QString &file)
{
    const std::optional<text::JournalContents> journal = text::readJournal(file);
    if (!journal || (journal->edits.empty() && journal->fault.isEmpty())) {
        text::removeJournal(file);   // torn before its first edit: nothing in it to lose
        return Recovery::Nothing;
    }
    const QString path = journal->header.path;
    const QString name = path.isEmpty() ? QStringLiteral("Untitled") : text::displayName(path);
    if (!journal->fault.isEmpty()) {
        refuse(file, name, journal->fault);
        return Recovery::Asked;
    }
    const std::optional<text::JournalHeader> now = path.isEmpty() ? std::nullopt : text::headerOfFile(path);
    // The edits go onto the file only while it holds the very bytes they were made on.
    const bool onFile = now && text::sameFile(*now, journal->header);
    QString recovered = journal->baseText();
    if (!recovered.isNull() && !text::replayJournal(recovered, journal->edits)) {
        refuse(file, name, QStringLiteral("Its edits do not fit the text they were made on."));
        return Recovery::Asked;
    }
    if (!onFile && recovered.isNull()) {
        // A file on a drive that is away may come back: its journal waits for it, unasked.
        if (!now && !QFileInfo(QFileInfo(path).path()).isDir())
            return Recovery::Nothing;
        // Edits with neither their file nor a copy of its text: nothing can come back from them.
        if (deletedFile(path)) {
            text::removeJournal(file);
            return Recovery::Nothing;
        }
        refuse(file, name, QStringLiteral("The file was changed since, and they were made on its old text."));
        return Recovery::Asked;
    }
    if (desktop().MsgBox(QStringLiteral("Penwick closed without saving changes to '") + name + QStringLiteral("'. Recover them?"),
                         vbYesNo + vbQuestion, Title)
        != vbYes) {
        text::removeJournal(file);
        return Recovery::Asked;
    }
    const bool loaded = onFile && RichTextBox->LoadFile(path, 1) == 0 && RichTextBox->Replay(journal->edits);
    if (onFile && !loaded && recovered.isNull()) {
        RichTextBox->setText(QString());
        RichTextBox->Tag = QStringLiteral("0");
        refuse(file, name, QStringLiteral("The file cannot be read, or its edits do not fit it."));
        return Recovery::Asked;
    }
    if (loaded) {
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
        setWindowTitle(Title);
    }
    RichTextBox->Tag = QStringLiteral("1");
    mnuEditUndo->setEnabled(loaded);
    SaveFollowsName();
    // The new journal holds the edits before the old one goes; while it cannot be written, the old one stays,
    // locked as the live journal is, so that another Penwick does not offer it.
    if (RichTextBox->JournalWritten()) {
        text::removeJournal(file);
    } else {
        m_oldJournal = file;
        m_oldJournalLock = ::open(text::encodeName(file).constData(), O_RDONLY | O_CLOEXEC);
        if (m_oldJournalLock >= 0)
            ::flock(m_oldJournalLock, LOCK_EX | LOCK_NB);
    }
    return Recovery::Recovered;
}

// Said once per outage, where it does not take the keys from someone typing: the status bar, or, with the bar
// hidden, a message once the typing pauses.
void frmPenwick::RichTextBox_JournalProblem(const QString &problem)
{
    m_journalProblem = problem;
    StatusBar->setPanelText(3, problem.isEmpty() ? QString() : QStringLiteral("Not crash-safe: ") + problem);
    StatusBar->setToolTip(problem.isEmpty() ? QString() : journalProblemMessage());
    if (problem.isEmpty()) {
        m_journalProblemTold = false;
        m_journalMessage.stop();
        if (!m_oldJournal.isEmpty()) {
            text::removeJournal(m_oldJournal);
            if (m_oldJournalLock >= 0)
                ::close(m_oldJournalLock);
            m_oldJournal.clear();
            m_oldJournalLock = -1;
        }
    } else if (!m_journalProblemTold && !StatusBar->Visible()) {
        m_journalProblemTold = true;
        m_journalMessage.start();
    }
}

void frmPenwick::journalMessageWaits()
{
    if (m_journalMessage.isActive())
        m_journalMessage.start();
}

QString frmPenwick::journalProblemMessage() const
{
    return QStringLiteral("Unsaved changes are not protected against a crash: the journal of edits cannot be written (%1). "
                          "Penwick keeps trying; saving the document protects it.").arg(m_journalProblem);
}

void frmPenwick::tellJournalProblem()
{
    if (!m_journalProblem.isEmpty())
        desktop().MsgBox(journalProblemMessage(), vbOKOnly + vbExclamation, Title);
}
