// The About box: its lines centred on the window's middle, the two links, and the one instance's lifetime.
#include "about/frmabout.h"

#include <QCloseEvent>
#include <QColor>
#include <QCursor>
#include <QFont>
#include <QLabel>
#include <QList>
#include <QMouseEvent>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QRect>
#include <QSize>

#include <algorithm>
#include <cstdlib>

#include "platform/services.h"
#include "platform/twips.h"
#include "platform/twipslayout.h"
#include "search/searchform.h"

using platform::twipsToPixels;

namespace {

// Room, in pixels, that a grown line keeps from its neighbours and from the window's edges: at most the design's.
constexpr int kSpacing = 6;
constexpr int kLeast = 2;
constexpr int kMargin = 12;
// A design centre this close to the window's middle is meant to sit on it.
constexpr int kCentred = 4;

// Lines at their design tops, centred on the window's middle. A line needing more room widens both ways and pushes
// its row's off-centre pictures outwards, a taller one pushes the lines below it down, and the window grows to hold all.
class CentredLayout
{
public:
    CentredLayout(int clientWidth, int clientHeight) : m_width(clientWidth), m_height(clientHeight) {}
    void place(QWidget *control, int left, int top, int width, int height);
    void apply(QDialog &dialog);

private:
    struct Item
    {
        QWidget *control;
        QRect design;
        QRect now;
        int designOffset;   // of the design centre from the middle
        int offset;
    };
    int widen(int clientWidth);
    void pushDown();

    int m_width;
    int m_height;
    QList<Item> m_items;
};

int gapToKeep(int designGap)
{
    return std::max(kLeast, std::min(designGap, kSpacing));
}

bool overlaps(int a0, int a1, int b0, int b1)
{
    return a0 < b1 && b0 < a1;
}

void CentredLayout::place(QWidget *control, int left, int top, int width, int height)
{
    const QRect design(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
    int offset = twipsToPixels(left + width / 2.0 - m_width / 2.0);
    if (std::abs(offset) <= kCentred)
        offset = 0;
    m_items.append({control, design, design, offset, offset});
}

// Widths and offsets first; returns the client width the lines need.
int CentredLayout::widen(int clientWidth)
{
    for (Item &item : m_items)
        item.now.setSize(item.design.size().expandedTo(platform::TwipsLayout::neededSize(item.control)));
    // Nearest the middle first, so a picture beside a grown title moves out past it.
    std::stable_sort(m_items.begin(), m_items.end(),
                     [](const Item &a, const Item &b) { return std::abs(a.designOffset) < std::abs(b.designOffset); });
    int needed = clientWidth;
    for (Item &b : m_items) {
        const int side = b.designOffset < 0 ? -1 : 1;
        for (const Item &a : m_items) {
            if (std::abs(a.designOffset) >= std::abs(b.designOffset)
                || !overlaps(a.design.top(), a.design.bottom() + 1, b.design.top(), b.design.bottom() + 1))
                continue;
            // How far out, on b's side, the inner control reaches.
            auto reach = [side](int offset, int width) { return side * offset + width / 2; };
            const int designGap = side * b.designOffset - b.design.width() / 2 - reach(a.designOffset, a.design.width());
            const int least = reach(a.offset, a.now.width()) + b.now.width() / 2 + gapToKeep(designGap);
            if (side * b.offset < least)
                b.offset = side * least;
        }
        const int margin = std::min({b.design.left(), clientWidth - b.design.right() - 1, kMargin});
        needed = std::max(needed, 2 * (std::abs(b.offset) + (b.now.width() + 1) / 2 + margin));
    }
    return needed;
}

// Top to bottom, a line stays clear of every line above it that it now shares some width with.
void CentredLayout::pushDown()
{
    std::stable_sort(m_items.begin(), m_items.end(), [](const Item &a, const Item &b) { return a.design.top() < b.design.top(); });
    for (Item &b : m_items) {
        int top = b.design.top();
        for (const Item &a : m_items) {
            if (&a == &b)
                break;
            if (a.design.top() + a.design.height() / 2 > b.design.top()
                || !overlaps(a.now.left(), a.now.right() + 1, b.now.left(), b.now.right() + 1))
                continue;
            top = std::max(top, a.now.bottom() + 1 + gapToKeep(b.design.top() - a.design.bottom() - 1));
        }
        b.now.moveTop(top);
    }
}

void CentredLayout::apply(QDialog &dialog)
{
    QSize client(twipsToPixels(m_width), twipsToPixels(m_height));
    client.setWidth(widen(client.width()));
    for (Item &item : m_items)
        item.now.moveLeft((client.width() - item.now.width()) / 2 + item.offset);
    pushDown();
    const int designHeight = client.height();
    for (const Item &item : m_items) {
        const int margin = std::min(designHeight - item.design.bottom() - 1, kMargin);
        client.setHeight(std::max(client.height(), item.now.bottom() + 1 + margin));
        item.control->setGeometry(item.now);
    }
    dialog.setFixedSize(client);
}

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

    CentredLayout layout(4575, 3750);
    Label1 = line(this, "Label1", QStringLiteral("Penwick 1.63"));
    layout.place(Label1, 1740, 240, 1185, 195);
    Image1 = picture(this, "Image1");
    layout.place(Image1, 600, 360, 480, 480);
    Image2 = picture(this, "Image2");
    layout.place(Image2, 3480, 360, 480, 480);
    Label2 = line(this, "Label2", QStringLiteral("Copyright (C) 2026"));
    layout.place(Label2, 1620, 720, 1335, 195);
    Label3 = line(this, "Label3", QStringLiteral("by the Penwick developers"));
    layout.place(Label3, 690, 960, 3195, 195);
    Label4 = line(this, "Label4", QStringLiteral("This program is freeware"));
    layout.place(Label4, 1410, 1440, 1755, 195);
    Label5 = line(this, "Label5", QStringLiteral("Comments? Suggestions?"));
    layout.place(Label5, 1365, 1920, 1845, 195);
    lblMail = link(this, "lblMail", QStringLiteral("E-Mail: ") + mailAddress());
    layout.place(lblMail, 1245, 2160, 2085, 195);
    Label7 = line(this, "Label7", QStringLiteral("For latest version visit:"));
    layout.place(Label7, 1500, 2640, 1575, 195);
    lblWeb = link(this, "lblWeb", webAddress());
    layout.place(lblWeb, 1305, 2850, 1905, 195);
    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    layout.place(cmdOK, 1800, 3300, 975, 315);
    layout.apply(*this);

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
