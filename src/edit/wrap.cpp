// Word wrap and tab stops of the edit control.
#include "app/frmpenwick.h"

#include <QComboBox>

#include "platform/richtextbox.h"
#include "settings/frmoptions.h"
#include "text/numbers.h"

void frmPenwick::Wordwrap()
{
    if (!mnuOptionsWordwrap->isChecked()) {
        RichTextBox->setRightMargin(0);
        mnuOptionsWordwrap->setChecked(true);
    } else {
        RichTextBox->setRightMargin(platform::NoWrapMargin);
        mnuOptionsWordwrap->setChecked(false);
    }
    Coords();
}

void frmPenwick::mnuOptionsWordwrap_Click()
{
    // The menu has already flipped its own check mark; the mark is the wrap state, so Wordwrap flips it.
    mnuOptionsWordwrap->setChecked(!mnuOptionsWordwrap->isChecked());
    Wordwrap();
}

void frmPenwick::SetTabs()
{
    // Keep the modified flag: setting tab stops must not mark the document changed.
    const short modified = text::toInt16(text::leadingNumber(RichTextBox->Tag));
    RichTextBox->setSelTabCount(32);
    const int count = RichTextBox->SelTabCount();
    for (int i = 0; i < count; ++i) {
        const double size = text::leadingNumber(frmOptions::instance().cboTab->currentText());
        RichTextBox->setSelTabs(i, float(i * (size * 120)));
    }
    RichTextBox->Tag = QString::number(modified);
}
