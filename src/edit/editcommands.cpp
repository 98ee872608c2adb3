// The Edit menu, the context menu, the edit control's special keys and its change event.
#include "app/frmpenwick.h"

#include <QCursor>
#include <QMenu>

#include "platform/keys.h"
#include "platform/richtextbox.h"
#include "platform/services.h"

using namespace platform;

void frmPenwick::connectEditControl()
{
    connect(RichTextBox, &RichTextBox::Change, this, &frmPenwick::RichTextBox_Change);
    connect(RichTextBox, &RichTextBox::Click, this, &frmPenwick::RichTextBox_Click);
    connect(RichTextBox, &RichTextBox::SelChange, this, &frmPenwick::RichTextBox_SelChange);
    connect(RichTextBox, &RichTextBox::DisplayLinesCounted, this, &frmPenwick::Coords);
    connect(RichTextBox, &RichTextBox::KeyDown, this, &frmPenwick::RichTextBox_KeyDown);
    connect(RichTextBox, &RichTextBox::KeyUp, this, &frmPenwick::RichTextBox_KeyUp);
    connect(RichTextBox, &RichTextBox::MouseUp, this, &frmPenwick::RichTextBox_MouseUp);
    connect(RichTextBox, &RichTextBox::OLEDragDrop, this, &frmPenwick::RichTextBox_OLEDragDrop);
}

void frmPenwick::mnuEdit_Click()
{
    mnuEditPaste->setEnabled(Clipboard::GetFormat(vbCFText));
    const bool selected = RichTextBox->SelLength() != 0;
    mnuEditCut->setEnabled(selected);
    mnuEditCopy->setEnabled(selected);
    mnuEditDelete->setEnabled(selected);
}

void frmPenwick::mnuEditUndo_Click()
{
    RichTextBox->setFocus();
    SendKeys(QStringLiteral("%{BS}"), true);
}

void frmPenwick::CopyPlainText()
{
    // The conversion runs through tmpClipboard only: the desktop clipboard never sees the intermediate form.
    tmpClipboard->setTextRTF(RichTextBox->SelRTF());
    Clipboard::Clear();
    Clipboard::SetText(tmpClipboard->Text());
}

void frmPenwick::mnuEditCut_Click()
{
    CopyPlainText();
    RichTextBox->setSelText(QString());
}

void frmPenwick::mnuEditCopy_Click()
{
    CopyPlainText();
}

void frmPenwick::mnuEditPaste_Click()
{
    // Without text on the clipboard the selection stays as it is.
    if (!Clipboard::GetFormat(vbCFText))
        return;
    RichTextBox->setSelText(Clipboard::GetText());
}

void frmPenwick::mnuEditDelete_Click()
{
    RichTextBox->setSelText(QString());
}

void frmPenwick::mnuEditSelectall_Click()
{
    // One change of the selection: the view stays where it is rather than going to the start and the end.
    platform::RichTextBox::CompoundEdit group(*RichTextBox);
    RichTextBox->setSelStart(0);
    RichTextBox->setSelLength(RichTextBox->textLength());
}

void frmPenwick::RichTextBox_Change()
{
    RichTextBox->Tag = QStringLiteral("1");
    mnuEditUndo->setEnabled(true);
    Coords();
}

void frmPenwick::RichTextBox_Click()
{
    Coords();
}

void frmPenwick::RichTextBox_SelChange()
{
    Coords();
}

void frmPenwick::RichTextBox_KeyUp(int &, int)
{
    Coords();
}

void frmPenwick::RichTextBox_KeyDown(int &KeyCode, int Shift)
{
    Coords();
    if ((KeyCode == vbKeyV && Shift == vbCtrlMask) || (KeyCode == vbKeyInsert && Shift == vbShiftMask)) {
        if (Clipboard::GetFormat(vbCFText))
            mnuEditPaste_Click();
        KeyCode = 0;
    } else if ((KeyCode == vbKeyInsert && Shift == vbCtrlMask) || (KeyCode == vbKeyC && Shift == vbCtrlMask)) {
        if (RichTextBox->SelLength() != 0)
            mnuEditCopy_Click();
        KeyCode = 0;
    } else if ((KeyCode == vbKeyX && Shift == vbCtrlMask) || (KeyCode == vbKeyDelete && Shift == vbShiftMask)) {
        if (RichTextBox->SelLength() != 0)
            mnuEditCut_Click();
        KeyCode = 0;
    } else if (KeyCode == vbKeyZ && Shift == vbCtrlMask) {
        mnuEditUndo_Click();
        KeyCode = 0;
    } else if (KeyCode == vbKeyF5) {
        RichTextBox->setSelText(GeneralDateTime());
        KeyCode = 0;
    }
}

void frmPenwick::RichTextBox_MouseUp(int Button, int, float, float)
{
    if (Button != 2)
        return;
    mnuEdit_Click();
    mnuEdit->popup(QCursor::pos());
}
