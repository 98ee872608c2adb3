// The Replace window: replacing one occurrence at a time with a question each, or all at once.
#include "search/frmreplace.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
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

namespace {

const QString &title()
{
    static const QString penwick = QStringLiteral("Penwick");
    return penwick;
}

QLineEdit *makeTextBox(QWidget *parent, const char *name)
{
    auto *box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    QFont tahoma(QStringLiteral("Tahoma"));
    tahoma.setPointSizeF(8.25);
    tahoma.setStyleHint(QFont::SansSerif);
    box->setFont(tahoma);
    return box;
}

QPushButton *makeButton(QWidget *parent, const char *name, const QString &caption)
{
    // No button is the default, so Enter in a text box starts nothing.
    QPushButton *button = platform::makeControl<QPushButton>(parent, name, caption);
    button->setAutoDefault(false);
    return button;
}

}

frmReplace::frmReplace()
{
    setObjectName(QStringLiteral("frmReplace"));
    search::setUpWindow(*this, QStringLiteral("Replace"));

    // Created in tab order, which is also the focus chain.
    platform::TwipsLayout layout;
    lblReplace = layout.add<QLabel>(this, "lblReplace", QStringLiteral("Replace:"), 120, 60, 735, 255);
    txtReplace = makeTextBox(this, "txtReplace");
    layout.place(txtReplace, 840, 60, 2055, 285);
    txtWith = makeTextBox(this, "txtWith");
    layout.place(txtWith, 840, 420, 2055, 285);
    cmdReplace = makeButton(this, "cmdReplace", QStringLiteral("&Replace"));
    layout.place(cmdReplace, 3120, 60, 975, 375);
    cmdAll = makeButton(this, "cmdAll", QStringLiteral("Replace &All"));
    layout.place(cmdAll, 3120, 480, 975, 375);
    cmdCancel = makeButton(this, "cmdCancel", QStringLiteral("Cancel"));
    layout.place(cmdCancel, 3120, 900, 975, 375);
    chkCase = layout.add<QCheckBox>(this, "chkCase", QStringLiteral("Match &Case"), 120, 840, 1215, 195);
    chkWhole = layout.add<QCheckBox>(this, "chkWhole", QStringLiteral("Match &Whole Word"), 120, 1080, 1695, 195);
    lblWith = layout.add<QLabel>(this, "lblWith", QStringLiteral("With:"), 120, 420, 735, 255);
    for (QLabel *label : {lblReplace, lblWith})
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    layout.apply(*this, 4185, 1380);

    txtReplace->installEventFilter(this);
    connect(cmdReplace, &QPushButton::clicked, this, &frmReplace::cmdReplace_Click);
    connect(cmdAll, &QPushButton::clicked, this, &frmReplace::cmdAll_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmReplace::cmdCancel_Click);
}

frmReplace::~frmReplace() = default;

void frmReplace::setVisible(bool visible)
{
    if (visible && !isVisible()) {
        search::prepareShowing(*this, !m_shown);
        m_shown = true;
    }
    QDialog::setVisible(visible);
}

void frmReplace::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        Form_Activate();
}

void frmReplace::Form_Activate()
{
    txtReplace->clear();
    txtWith->clear();
    txtReplace->setFocus();
}

bool frmReplace::eventFilter(QObject *watched, QEvent *event)
{
    // Enter in the search box moves on to the replacement; the key itself goes on to the box as usual.
    if (watched == txtReplace && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            txtWith->setFocus();
    }
    return QDialog::eventFilter(watched, event);
}

void frmReplace::cmdCancel_Click()
{
    hide();
}

void frmReplace::reject()
{
    cmdCancel_Click();
}

void frmReplace::closeEvent(QCloseEvent *event)
{
    // The title bar's close box unloads the window; deletion waits until this event of its own is over.
    event->accept();
    unloadLater();
}

int frmReplace::GetOptions()
{
    hide();
    return search::findOptions(chkWhole->isChecked(), chkCase->isChecked());
}

int frmReplace::ConfirmReplace(const int &endIndex, const int &options)
{
    RichTextBox &box = *frmPenwick::instance()->RichTextBox;
    int answer = vbOK;
    int pos = -1;
    do {
        pos = box.Find(txtReplace->text(), box.SelStart(), endIndex, options);
        if (pos == -1)
            break;
        answer = desktop().MsgBox(QStringLiteral("Replace selection?"), vbYesNoCancel + vbQuestion, title());
        if (answer == vbYes)
            box.setSelText(txtWith->text());
        else if (answer == vbNo)
            box.setSelStart(box.SelStart() + 1);   // an occurrence overlapping the declined one comes next
    } while (answer != vbCancel);
    return pos;
}

void frmReplace::cmdReplace_Click()
{
    RichTextBox &box = *frmPenwick::instance()->RichTextBox;
    const int start = box.SelStart();
    const int options = GetOptions();
    if (ConfirmReplace(-1, options) != -1)
        return;
    if (desktop().MsgBox(QStringLiteral("End of document. Continue from beginning?"), vbYesNo + vbQuestion, title()) != vbYes)
        return;
    box.setSelStart(0);
    // The wrap-around pass ends where an occurrence starting just before the first pass's start would end.
    const int length = int(txtReplace->text().size());
    const int textLength = box.textLength();
    const int endIndex = start + length <= textLength ? start + length - 1 : textLength;
    if (ConfirmReplace(endIndex, options) == -1)
        desktop().MsgBox(QStringLiteral("No more occurrences of word"), vbInformation, title());
}

void frmReplace::cmdAll_Click()
{
    const int options = GetOptions();
    RichTextBox &box = *frmPenwick::instance()->RichTextBox;
    const QString what = txtReplace->text();
    const QString with = txtWith->text();
    // One undo step, and the view follows only the final selection.
    const int count = box.ReplaceAll(what, with, options);
    desktop().MsgBox(QString::number(count) + QStringLiteral(" replacements were made."), vbInformation, title());
}
