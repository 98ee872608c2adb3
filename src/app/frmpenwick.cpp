// The main window: construction, start-up, resize and close.
#include "app/frmpenwick.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>

#include "about/frmabout.h"
#include "app/commandline.h"
#include "platform/desktop.h"
#include "platform/richtextbox.h"
#include "platform/services.h"
#include "platform/statusbar.h"
#include "platform/twips.h"
#include "search/frmfind.h"
#include "search/frmreplace.h"
#include "settings/frmoptions.h"
#include "text/journal.h"

#include <unistd.h>

namespace {

frmPenwick *g_main = nullptr;

}

// The resources live in a static library, which the linker would drop unless something names them.
static void loadResources()
{
    Q_INIT_RESOURCE(penwick);
}

// The windows shown from the menu close with the program; a window that is not loaded is left alone.
static void unloadDialogs()
{
    frmAbout::unload();
    frmFind::unload();
    frmReplace::unload();
}

frmPenwick::frmPenwick()
{
    loadResources();
    g_main = this;
    setObjectName(QStringLiteral("frmPenwick"));
    setWindowTitle(QStringLiteral("Penwick"));
    setWindowIcon(platform::programIcon());
    setAcceptDrops(true);

    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("client"));
    setCentralWidget(m_client);

    RichTextBox = new platform::RichTextBox(m_client);
    RichTextBox->setObjectName(QStringLiteral("RichTextBox"));
    RichTextBox->setFontName(QStringLiteral("Fixedsys"));
    RichTextBox->setFontSize(9);
    tmpClipboard = new platform::RichTextBox(m_client);
    tmpClipboard->setObjectName(QStringLiteral("tmpClipboard"));
    tmpClipboard->setVisible(false);
    StatusBar = new platform::StatusBar(m_client);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));

    CommonDialog.DefaultExt = QStringLiteral("TXT");
    CommonDialog.Filter = QStringLiteral("Text files (*.txt)|*.txt|Batch files (*.bat)|*.bat|"
                                         "HTML files (*.html;*.htm)|*.html;*.htm|All files (*.*)|*.*");

    setupFileMenu();
    setupEditMenu();
    setupSearchMenu();
    setupOptionsMenu();
    setupHelpMenu();
    connectEditControl();
    m_coordsAfterResize.setSingleShot(true);
    m_coordsAfterResize.setInterval(150);
    connect(&m_coordsAfterResize, &QTimer::timeout, this, &frmPenwick::Coords);
    m_journalMessage.setSingleShot(true);
    m_journalMessage.setInterval(3000);
    connect(&m_journalMessage, &QTimer::timeout, this, &frmPenwick::tellJournalProblem);
    connect(RichTextBox, &platform::RichTextBox::journalProblem, this, &frmPenwick::RichTextBox_JournalProblem);
    connect(RichTextBox, &platform::RichTextBox::Change, this, &frmPenwick::journalMessageWaits);

    // The design size is the client area's; the frame and menu bar come on top.
    const QSize client(platform::twipsToPixels(DesignClientWidth), platform::twipsToPixels(DesignClientHeight));
    resize(client.width(), client.height() + menuBar()->sizeHint().height());
}

frmPenwick::~frmPenwick()
{
    if (g_main == this)
        g_main = nullptr;
    if (m_oldJournalLock >= 0)
        ::close(m_oldJournalLock);
}

frmPenwick *frmPenwick::instance()
{
    return g_main;
}

void frmPenwick::Form_Load()
{
    RichTextBox->setTop(0);
    RichTextBox->setLeft(0);
    RichTextBox->setRightMargin(platform::NoWrapMargin);
    LoadSettings();
    SetTabs();
    frmOptions &options = frmOptions::instance();
    RichTextBox->setFontName(options.lblScreen->font().family());
    RichTextBox->setFontSize(float(options.lblScreen->font().pointSizeF()));
    RichTextBox->KeepJournal(text::journalFolder());
    // A recovered document stays: opening the command-line file would ask about it, and No would lose it.
    if (OfferJournals())
        return;
    QString cmd = platform::Command();
    OpenCommandLine(cmd);
    mnuEditUndo->setEnabled(false);
}

void frmPenwick::OpenCommandLine(QString &cmd)
{
    const std::optional<QString> path = resolveCommandLine(cmd, PathStyle::Native, platform::CurDir);
    if (!path)
        return;
    cmd = *path;
    OpenFile(cmd);
}

double frmPenwick::ScaleWidth() const
{
    return platform::pixelsToTwips(m_client->width());
}

double frmPenwick::ScaleHeight() const
{
    return platform::pixelsToTwips(m_client->height());
}

void frmPenwick::Form_Resize()
{
    // Only the height is guarded: a minimised or tiny window refuses it and keeps the old one.
    const double clientHeight = ScaleHeight();
    const bool roomForStatus = frmOptions::value(frmOptions::instance().chkStatus) == 1;
    RichTextBox->setHeight(float(roomForStatus ? clientHeight - StatusBar->Height() : clientHeight));
    RichTextBox->setWidth(float(ScaleWidth()));
    // Wrapped rows counted again up to the caret can take seconds in a huge document: once per burst of resizes.
    if (RichTextBox->displayLinesCurrent())
        Coords();
    else
        m_coordsAfterResize.start();
}

void frmPenwick::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void frmPenwick::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

void frmPenwick::Form_Unload(int &Cancel)
{
    if (QuerySave().toInt() == platform::vbCancel) {
        Cancel = 1;
        return;
    }
    unloadDialogs();
    frmOptions::unload();
}

void frmPenwick::closeEvent(QCloseEvent *event)
{
    int cancel = 0;
    Form_Unload(cancel);
    if (cancel)
        event->ignore();
    else
        event->accept();
}

void frmPenwick::mnuFile_Click()
{
    SaveFollowsName();
}

void frmPenwick::mnuFileExit_Click()
{
    if (QuerySave().toInt() == platform::vbCancel)
        return;
    unloadDialogs();
    platform::End();
}

void frmPenwick::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void frmPenwick::dropEvent(QDropEvent *event)
{
    event->acceptProposedAction();
    Form_OLEDragDrop(platform::droppedFiles(event->mimeData()));
}
