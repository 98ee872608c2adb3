// The Find window: its controls, and the search that both its Find button and Find Next run.
#include "search/frmfind.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

#include "app/frmpenwick.h"
#include "platform/desktop.h"
#include "platform/richtextbox.h"
#include "platform/twipslayout.h"
#include "search/searchform.h"

using namespace platform;

frmFind::frmFind()
{
    setObjectName(QStringLiteral("frmFind"));
    search::setUpWindow(*this, QStringLiteral("Find"));

    // Created in tab order, which is also the focus chain.
    platform::TwipsLayout layout;
    lblFind = platform::makeControl<QLabel>(this, "lblFind", QStringLiteral("Find:"));
    lblFind->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    layout.place(lblFind, 120, 60, 495, 255);
    txtFind = new QLineEdit(this);
    txtFind->setObjectName(QStringLiteral("txtFind"));
    QFont tahoma(QStringLiteral("Tahoma"));
    tahoma.setPointSizeF(8.25);
    tahoma.setStyleHint(QFont::SansSerif);
    txtFind->setFont(tahoma);
    layout.place(txtFind, 600, 60, 2055, 285);
    cmdFind = platform::makeControl<QPushButton>(this, "cmdFind", QStringLiteral("&Find"));
    cmdFind->setDefault(true);
    layout.place(cmdFind, 2880, 60, 975, 375);
    cmdCancel = layout.add<QPushButton>(this, "cmdCancel", QStringLiteral("Cancel"), 2880, 480, 975, 375);
    chkCase = layout.add<QCheckBox>(this, "chkCase", QStringLiteral("Match &Case"), 120, 420, 1215, 195);
    chkWhole = layout.add<QCheckBox>(this, "chkWhole", QStringLiteral("Match &Whole Word"), 120, 660, 1815, 195);
    layout.apply(*this, 3915, 960);

    connect(cmdFind, &QPushButton::clicked, this, &frmFind::cmdFind_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmFind::cmdCancel_Click);
}

frmFind::~frmFind() = default;

void frmFind::setVisible(bool visible)
{
    if (visible && !isVisible()) {
        search::prepareShowing(*this, !m_shown);
        m_shown = true;
    }
    QDialog::setVisible(visible);
}

void frmFind::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Coming back from a minimised state is no new showing.
    if (!event->spontaneous())
        Form_Activate();
}

void frmFind::Form_Activate()
{
    txtFind->clear();
    txtFind->setFocus();
}

void frmFind::cmdCancel_Click()
{
    txtFind->clear();
    hide();
}

void frmFind::reject()
{
    cmdCancel_Click();
}

void frmFind::closeEvent(QCloseEvent *event)
{
    // The title bar's close box unloads the window; deletion waits until this event of its own is over.
    event->accept();
    unloadLater();
}

void frmFind::cmdFind_Click()
{
    RichTextBox &box = *frmPenwick::instance()->RichTextBox;
    const int start = box.SelStart();
    hide();
    const int options = search::findOptions(chkWhole->isChecked(), chkCase->isChecked());
    const QString what = txtFind->text();
    // A match left selected by the last search is stepped over by one character, so overlapping ones come next.
    const int offset = box.SelText().toUpper() == what.toUpper() ? 1 : 0;
    if (box.Find(what, start + offset, -1, options) != -1)
        return;
    const QString title = QStringLiteral("Penwick");
    if (desktop().MsgBox(QStringLiteral("End of document. Continue from beginning?"), vbYesNo + vbQuestion, title) != vbYes)
        return;
    // The wrap pass reaches every occurrence that begins at or before the first pass's start.
    if (box.Find(what, 0, start + int(what.size()), options) == -1)
        desktop().MsgBox(QStringLiteral("No more occurrences of word."), vbInformation, title);
}
