// The one document: its name, modified flag and caption; New, Open, Save, Save As and drops.
#include "app/frmpenwick.h"

#include "platform/desktop.h"
#include "platform/richtextbox.h"
#include "platform/services.h"
#include "text/filename.h"

#include <QLocale>

using namespace platform;

namespace {

const QString Title = QStringLiteral("Penwick");

// The message as it always read, then the cause the user can act on (no space left, permission denied, ...).
QString withCause(const QString &message, const text::FileResult &result)
{
    return result.reason.isEmpty() ? message : message + QStringLiteral("\n\n") + result.reason;
}

QString unableToCreate(const QString &path, const text::FileResult &result)
{
    return withCause(QStringLiteral("Unable To Create '") + text::displayName(path)
                         + QStringLiteral("'.  Check file is not Read Only and path exists."),
                     result);
}

// What a save had to change so that the file reads back as the text, said once it is written.
void tellSaveChange(const QString &path, RichTextBox::SaveChange change)
{
    QString why;
    switch (change) {
    case RichTextBox::SaveChange::None: return;
    case RichTextBox::SaveChange::Utf8ToStore:
        why = QStringLiteral("' was saved as UTF-8, because it now holds characters that its previous encoding cannot store.");
        break;
    case RichTextBox::SaveChange::Utf8ToReadBack:
        why = QStringLiteral("' was saved as UTF-8, because in its previous encoding it would read back as other text.");
        break;
    case RichTextBox::SaveChange::Bom:
        why = QStringLiteral("' was saved with a UTF-8 byte order mark, because without one it would read back as other text.");
        break;
    case RichTextBox::SaveChange::Replaced:
        why = QStringLiteral("' was saved with U+FFFD in place of bytes that no longer form whole characters of its encoding.");
        break;
    }
    desktop().MsgBox(QLatin1Char('\'') + text::displayName(path) + why, vbOKOnly + vbInformation, Title);
}

}

QString frmPenwick::QuerySave()
{
    if (RichTextBox->Tag.toInt() != 1)
        return QStringLiteral("7");
    int answer;
    if (!CommonDialog.FileName.isEmpty()) {
        answer = desktop().MsgBox(QStringLiteral("Do you want to save changes to '") + text::displayName(CommonDialog.FileName) + QStringLiteral("'?"),
                                  vbYesNoCancel + vbQuestion, Title);
        if (answer == vbYes)
            mnuFileSave_Click();
    } else {
        answer = desktop().MsgBox(QStringLiteral("Do you want to save changes to 'Untitled'?"), vbYesNoCancel + vbQuestion, Title);
        if (answer == vbYes)
            mnuFileSaveas_Click();
    }
    if (answer == vbYes)
        return RichTextBox->Tag.toInt() == 1 ? QStringLiteral("2") : QStringLiteral("6");
    // The user let these edits go: a crash from here on must not offer them back.
    if (answer == vbNo)
        RichTextBox->DiscardJournal();
    return answer == vbNo ? QStringLiteral("7") : QStringLiteral("2");
}

void frmPenwick::OpenFile(const QString &path)
{
    RichTextBox->setFocus();   // the document opened, or the one kept, takes the keys
    if (QuerySave().toInt() == platform::vbCancel)
        return;
    CommonDialog.FileName = path;
    const bool recovered = openLeftBackup(path);
    if (recovered || RichTextBox->LoadFile(CommonDialog.FileName, 1) == 0) {
        RichTextBox->Tag = recovered ? QStringLiteral("1") : QStringLiteral("0");
        setWindowTitle(SetCaption(CommonDialog.FileName));
        mnuEditUndo->setEnabled(false);
        SetInitDir();
        SaveFollowsName();
        return;
    }
    const QString prompt = withCause(QStringLiteral("File '") + text::displayName(CommonDialog.FileName)
                                         + QStringLiteral("' does not exist or cannot be read. Do you wish to create it?"),
                                     RichTextBox->lastFileResult());
    if (desktop().MsgBox(prompt, vbYesNo + vbQuestion, Title) == vbYes) {
        RichTextBox->Tag = QStringLiteral("1");
        setWindowTitle(SetCaption(CommonDialog.FileName));
        RichTextBox->setText(QString());
        mnuEditUndo->setEnabled(false);
        SetInitDir();
    } else {
        RichTextBox->setText(QString());
        RichTextBox->Tag = QStringLiteral("0");
        setWindowTitle(Title);
        CommonDialog.FileName.clear();
        mnuEditUndo->setEnabled(false);
    }
    SaveFollowsName();
}

// A copy left by a save that did not finish is offered first; Yes makes its text the document,
// changed and owning the file's name, so that Save writes the file.
bool frmPenwick::openLeftBackup(const QString &path)
{
    m_recoveredBackup.clear();
    m_recoveredFor.clear();
    const LeftBackup left = leftBackup(path);
    if (!left)
        return false;
    const QString prompt = QStringLiteral("A backup copy of '") + text::displayName(path) + QStringLiteral("' from ")
        + QLocale::system().toString(left.modified, QLocale::ShortFormat)
        + QStringLiteral(" was left by a save that did not finish. Open the backup instead?");
    if (desktop().MsgBox(prompt, vbYesNo + vbExclamation, Title) != vbYes || RichTextBox->LoadFile(left.path, 1) != 0)
        return false;
    RichTextBox->ClaimPath(path);
    // After a crash the edits must come back onto the backup's text, never be replayed into the backup file.
    RichTextBox->RebaseJournal();
    m_recoveredBackup = left.path;
    m_recoveredFor = path;
    return true;
}

// Once the recovered text is in its file, the copy it came from has done its work.
void frmPenwick::discardRecoveredBackup()
{
    if (m_recoveredBackup.isEmpty() || CommonDialog.FileName != m_recoveredFor)
        return;
    discardBackup(m_recoveredBackup);
    m_recoveredBackup.clear();
    m_recoveredFor.clear();
}

QString frmPenwick::SetCaption(const QString &path)
{
    // The last character is never looked at, so "/docs/" gives "docs/".
    const int slash = path.size() >= 2 ? int(path.lastIndexOf(QLatin1Char('/'), path.size() - 2)) : -1;
    return text::displayName(path.mid(slash + 1)) + QStringLiteral(" - Penwick");
}

void frmPenwick::SetInitDir()
{
    const int slash = int(CommonDialog.FileName.lastIndexOf(QLatin1Char('/')));
    if (slash >= 0)
        CommonDialog.InitDir = CommonDialog.FileName.left(slash + 1);
}

void frmPenwick::mnuFileNew_Click()
{
    RichTextBox->setFocus();
    if (QuerySave().toInt() == platform::vbCancel)
        return;
    RichTextBox->setText(QString());
    RichTextBox->Tag = QStringLiteral("0");
    setWindowTitle(Title);
    CommonDialog.FileName.clear();
    m_recoveredBackup.clear();
    mnuEditUndo->setEnabled(false);
    SaveFollowsName();
}

void frmPenwick::mnuFileOpen_Click()
{
    const QString remembered = CommonDialog.FileName;
    CommonDialog.FileName.clear();
    CommonDialog.Flags = cdlOFNPathMustExist | cdlOFNHideReadOnly;
    if (CommonDialog.ShowOpen() != 0) {
        CommonDialog.FileName = remembered;
        return;
    }
    const QString chosen = CommonDialog.FileName;
    CommonDialog.FileName = remembered;
    OpenFile(chosen);
}

void frmPenwick::mnuFileSave_Click()
{
    // No name: nothing was tried, so nothing failed; the user picks a name.
    if (CommonDialog.FileName.isEmpty()) {
        mnuFileSaveas_Click();
        return;
    }
    // Another program's version of the file is not overwritten unasked; No keeps the document as it is.
    if (RichTextBox->changedOnDisk(CommonDialog.FileName)
        && desktop().MsgBox(QLatin1Char('\'') + text::displayName(CommonDialog.FileName)
                                + QStringLiteral("' was changed by another program after it was opened. "
                                                 "Do you want to replace it with this document?"),
                            vbYesNo + vbExclamation, Title) != vbYes)
        return;
    const int error = RichTextBox->SaveFile(CommonDialog.FileName, 1);
    RichTextBox->Tag = QStringLiteral("0");
    if (error != 0) {
        desktop().MsgBox(unableToCreate(CommonDialog.FileName, RichTextBox->lastFileResult()), vbOKOnly + vbExclamation, Title);
        RichTextBox->Tag = QStringLiteral("1");
        mnuFileSaveas_Click();
        return;
    }
    discardRecoveredBackup();
    tellSaveChange(CommonDialog.FileName, RichTextBox->lastSaveChange());
}

void frmPenwick::mnuFileSaveas_Click()
{
    const QString remembered = CommonDialog.FileName;
    CommonDialog.FileName.clear();
    CommonDialog.Flags = cdlOFNPathMustExist | cdlOFNHideReadOnly | cdlOFNOverwritePrompt;
    if (CommonDialog.ShowSave() != 0) {
        CommonDialog.FileName = remembered;
        return;
    }
    SaveFollowsName();
    // Chosen in Save As, and confirmed where it exists: this document may replace that file.
    RichTextBox->ClaimPath(CommonDialog.FileName);
    if (RichTextBox->SaveFile(CommonDialog.FileName, 1) != 0) {
        desktop().MsgBox(unableToCreate(CommonDialog.FileName, RichTextBox->lastFileResult()), vbOKOnly + vbExclamation, Title);
        mnuFileSaveas_Click();
        return;
    }
    RichTextBox->Tag = QStringLiteral("0");
    discardRecoveredBackup();
    setWindowTitle(QStringLiteral("Penwick   '") + text::displayName(CommonDialog.FileName) + QLatin1Char('\''));
    tellSaveChange(CommonDialog.FileName, RichTextBox->lastSaveChange());
}

void frmPenwick::SaveFollowsName()
{
    mnuFileSave->setEnabled(!CommonDialog.FileName.isEmpty());
}

void frmPenwick::Form_OLEDragDrop(const QStringList &files)
{
    if (!files.isEmpty())
        OpenFile(files.first());
}

void frmPenwick::RichTextBox_OLEDragDrop(const QStringList &files)
{
    if (!files.isEmpty())
        OpenFile(files.first());
}
