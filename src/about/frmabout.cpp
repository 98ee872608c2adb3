// The About box: its lines centred on the window's middle, the two links.
#include "about/frmabout.h"

#include <QCloseEvent>
#include <QColor>
#include <QCursor>
#include <QFont>
#include <QLabel>
#include <QMouseEvent>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>

#include "platform/services.h"
#include "platform/twipslayout.h"
#include "search/searchform.h"

namespace {

QLabel *line(QWidget *parent, const char *name, const QString &text)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    return label;
}

QLabel *picture(QWidget *parent, const char *name)
{
    QLabel *label = line(parent, name, QString());
    label->setPixmap(QPixmap(QStringLiteral(":/penwick-32.png")));
    return label;
}

QLabel *link(QWidget *parent, const char *name, const QString &text)
{
    QLabel *label = line(parent, name, text);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8.25);
    font.setUnderline(true);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    label->setPalette(palette);
    label->setCursor(QCursor(QPixmap(QStringLiteral(":/pointing-hand.png")), 12, 1));
    return label;
}

}

const QString &frmAbout::mailAddress()
{
    static const QString address = QStringLiteral("penwick@example.org");
    return address;
}

const QString &frmAbout::webAddress()
{
    static const QString address = QStringLiteral("https://penwick.example.org/");
    return address;
}

frmAbout::frmAbout()
{
    setObjectName(QStringLiteral("frmAbout"));
    search::setUpWindow(*this, QStringLiteral("About Penwick"));

    platform::TwipsLayout layout;
    Label1 = line(this, "Label1", QStringLiteral("Penwick 1.63"));
    layout.placeCentred(Label1, 1740, 240, 1185, 195);
    Image1 = picture(this, "Image1");
    layout.place(Image1, 600, 360, 480, 480);
    Image2 = picture(this, "Image2");
    layout.place(Image2, 3480, 360, 480, 480);
    Label2 = line(this, "Label2", QStringLiteral("Copyright (C) 2026"));
    layout.placeCentred(Label2, 1620, 720, 1335, 195);
    Label3 = line(this, "Label3", QStringLiteral("by the Penwick developers"));
    layout.placeCentred(Label3, 690, 960, 3195, 195);
    Label4 = line(this, "Label4", QStringLiteral("This program is freeware"));
    layout.placeCentred(Label4, 1410, 1440, 1755, 195);
    Label5 = line(this, "Label5", QStringLiteral("Comments? Suggestions?"));
    layout.placeCentred(Label5, 1365, 1920, 1845, 195);
    lblMail = link(this, "lblMail", QStringLiteral("E-Mail: ") + mailAddress());
    layout.placeCentred(lblMail, 1245, 2160, 2085, 195);
    Label7 = line(this, "Label7", QStringLiteral("For latest version visit:"));
    layout.placeCentred(Label7, 1500, 2640, 1575, 195);
    lblWeb = link(this, "lblWeb", webAddress());
    layout.placeCentred(lblWeb, 1305, 2850, 1905, 195);
    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    layout.placeCentred(cmdOK, 1800, 3300, 975, 315);
    layout.apply(*this, 4575, 3750);

    lblMail->installEventFilter(this);
    lblWeb->installEventFilter(this);
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
}

frmAbout::~frmAbout() = default;

void frmAbout::setVisible(bool visible)
{
    if (visible && !isVisible()) {
        search::prepareShowing(*this, !m_shown);
        m_shown = true;
    }
    QDialog::setVisible(visible);
}

void frmAbout::cmdOK_Click()
{
    hide();
}

// A failed start is no concern of the editor's: the box stays open either way.
void frmAbout::lblMail_Click()
{
    platform::Shell(QStringLiteral("explorer mailto:") + mailAddress(), 1);
}

void frmAbout::lblWeb_Click()
{
    platform::Shell(QStringLiteral("explorer ") + webAddress(), 1);
}

// A link is clicked when the left button goes down and comes up on it; the second press of a double click is none.
bool frmAbout::eventFilter(QObject *watched, QEvent *event)
{
    auto *label = qobject_cast<QLabel *>(watched);
    const QEvent::Type type = event->type();
    if ((label != lblMail && label != lblWeb)
        || (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease && type != QEvent::MouseButtonDblClick)
        || static_cast<QMouseEvent *>(event)->button() != Qt::LeftButton)
        return QDialog::eventFilter(watched, event);
    const auto *mouse = static_cast<QMouseEvent *>(event);
    if (type == QEvent::MouseButtonPress) {
        m_pressed = label;
        return true;
    }
    if (type == QEvent::MouseButtonRelease) {
        const bool clicked = m_pressed == label && label->rect().contains(mouse->position().toPoint());
        m_pressed = nullptr;
        if (clicked)
            label == lblMail ? lblMail_Click() : lblWeb_Click();
        return true;
    }
    return true;
}

void frmAbout::reject()
{
    cmdOK_Click();
}

void frmAbout::closeEvent(QCloseEvent *event)
{
    // The title bar's close box unloads the box; deletion waits until this event of its own is over.
    event->accept();
    unloadLater();
}
