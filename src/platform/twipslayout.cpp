// The growing twips layout: design rectangles first, then every control as large as its caption needs.
#include "platform/twipslayout.h"

#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionGroupBox>

#include "platform/twips.h"

#include <algorithm>

namespace platform {

namespace {

// Room kept between a grown control and the one it pushes, in pixels: at most what the design had, at least a sliver.
constexpr int kSpacing = 6;
constexpr int kLeast = 4;

// Overlaps in the design (a label reaching under its text box) are kept while the first control keeps its place.
int gapToKeep(int designGap, bool grew)
{
    const int gap = qMin(designGap, kSpacing);
    return grew ? qMax(gap, kLeast) : gap;
}

bool overlaps(int a0, int a1, int b0, int b1)
{
    return a0 < b1 && b0 < a1;
}

// B comes after A on A's row: it starts past A's middle and shares some of A's height.
bool rightOf(const QRect &a, const QRect &b)
{
    return b.x() >= a.x() + a.width() / 2 && overlaps(a.y(), a.y() + a.height(), b.y(), b.y() + b.height());
}

bool below(const QRect &a, const QRect &b)
{
    return b.y() >= a.y() + a.height() / 2 && overlaps(a.x(), a.x() + a.width(), b.x(), b.x() + b.width());
}

QSize buttonNeeds(const QPushButton *button)
{
    // The style's own size hint has a minimum width of its own; only the caption's needs count here.
    const QSize text = button->fontMetrics().size(Qt::TextShowMnemonic, button->text());
    const QStyle *style = button->style();
    const int frame = 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button)
        + style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
    return {text.width() + frame, text.height() + frame};
}

}

void TwipsLayout::place(QWidget *control, int left, int top, int width, int height)
{
    const QRect design(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
    control->setGeometry(design);
    m_items.append({control, design, design});
}

void TwipsLayout::placeCentred(QWidget *control, int left, int top, int width, int height)
{
    place(control, left, top, width, height);
    m_items.last().centred = true;
}

QSize TwipsLayout::neededSize(const QWidget *control)
{
    if (const auto *button = qobject_cast<const QPushButton *>(control))
        return buttonNeeds(button);
    if (const auto *edit = qobject_cast<const QLineEdit *>(control))
        return {0, edit->minimumSizeHint().height()};
    if (qobject_cast<const QLabel *>(control) || qobject_cast<const QCheckBox *>(control))
        return control->sizeHint();
    return {0, 0};
}

QSize TwipsLayout::apply(QDialog &dialog, int clientWidth, int clientHeight)
{
    const QSize designClient(twipsToPixels(clientWidth), twipsToPixels(clientHeight));
    int designRight = 0;
    int designBottom = 0;
    for (Item &item : m_items) {
        // From the design each time, so a caption that became shorter gives the room back.
        item.now = QRect(item.design.topLeft(), item.design.size().expandedTo(neededSize(item.control)));
        if (item.centred)
            item.now.moveLeft(item.design.x() + item.design.width() / 2 - item.now.width() / 2);
        designRight = qMax(designRight, item.design.x() + item.design.width());
        designBottom = qMax(designBottom, item.design.y() + item.design.height());
    }
    // Each round moves controls only forward, so this settles; the bound guards against a cycle all the same.
    for (int round = 0; round < 4 * m_items.size() && (pushApart() || pushOutwards() || alignEdges() || encloseChildren());
         ++round) {
    }
    QSize client = designClient;
    centre(client, designClient);
    for (const Item &item : m_items) {
        item.control->setGeometry(item.now);
        client = client.expandedTo({item.now.x() + item.now.width() + qMax(0, designClient.width() - designRight),
                                    item.now.y() + item.now.height() + qMax(0, designClient.height() - designBottom)});
    }
    dialog.setFixedSize(client);
    return client;
}

bool TwipsLayout::pushApart()
{
    bool moved = false;
    for (const Item &a : m_items) {
        for (Item &b : m_items) {
            // A group box and what it frames move together; enclosing is encloseChildren's work.
            if (&a == &b || a.design.contains(b.design) || b.design.contains(a.design))
                continue;
            // A centred line is never pushed sideways: what flanks it makes way (pushOutwards).
            if (rightOf(a.design, b.design) && !b.centred) {
                const int designRight = a.design.x() + a.design.width();
                const int right = a.now.x() + a.now.width();
                const int least = right + gapToKeep(b.design.x() - designRight, right > designRight);
                if (b.now.x() < least) {
                    b.now.moveLeft(least);
                    moved = true;
                }
            }
            if (below(a.design, b.design)) {
                const int designBottom = a.design.y() + a.design.height();
                const int bottom = a.now.y() + a.now.height();
                const int least = bottom + gapToKeep(b.design.y() - designBottom, bottom > designBottom);
                if (b.now.y() < least) {
                    b.now.moveTop(least);
                    moved = true;
                }
            }
        }
    }
    return moved;
}

// What flanks a centred line on its left keeps its distance as the line widens leftwards.
bool TwipsLayout::pushOutwards()
{
    bool moved = false;
    for (const Item &a : m_items) {
        if (!a.centred)
            continue;
        for (Item &b : m_items) {
            if (&a == &b || !rightOf(b.design, a.design))
                continue;
            const int most = a.now.x() - gapToKeep(a.design.x() - (b.design.x() + b.design.width()), a.now.x() < a.design.x())
                - b.now.width();
            if (b.now.x() > most) {
                b.now.moveLeft(most);
                moved = true;
            }
        }
    }
    return moved;
}

// The window grows by the same amount on both sides, as far as what reaches furthest from the middle needs,
// keeping the design's margins; centred lines sit on the new middle.
void TwipsLayout::centre(QSize &client, const QSize &designClient)
{
    if (std::none_of(m_items.begin(), m_items.end(), [](const Item &item) { return item.centred; }))
        return;
    const int middle = designClient.width() / 2;
    int half = middle;
    for (const Item &item : m_items) {
        const int margin = qMax(qMin(item.design.x(), designClient.width() - item.design.x() - item.design.width()), 0);
        half = std::max({half, middle - item.now.x() + margin, item.now.x() + item.now.width() - middle + margin});
    }
    const int shift = half - middle;
    for (Item &item : m_items) {
        item.now.translate(shift, 0);
        if (item.centred)
            item.now.moveLeft(half - item.now.width() / 2);
    }
    client.setWidth(qMax(client.width(), 2 * half));
}

// Controls that shared a left edge (a column of buttons) or a top edge (a row) in the design keep sharing it,
// and a column of equal widths, or a row of equal heights, stays equal.
bool TwipsLayout::alignEdges()
{
    bool moved = false;
    auto raise = [&moved](int &value, int least) {
        if (value < least) {
            value = least;
            moved = true;
        }
    };
    for (const Item &a : m_items) {
        for (Item &b : m_items) {
            int x = b.now.x(), y = b.now.y(), width = b.now.width(), height = b.now.height();
            if (a.design.x() == b.design.x()) {
                raise(x, a.now.x());
                if (a.design.width() == b.design.width())
                    raise(width, a.now.width());
            }
            if (a.design.y() == b.design.y()) {
                raise(y, a.now.y());
                if (a.design.height() == b.design.height())
                    raise(height, a.now.height());
            }
            b.now.setRect(x, y, width, height);
        }
    }
    return moved;
}

// A group box keeps around the controls it frames the margins the design gave them, and nothing it frames
// sits on its title or its frame line.
bool TwipsLayout::encloseChildren()
{
    bool moved = false;
    for (Item &box : m_items) {
        const auto *group = qobject_cast<QGroupBox *>(box.control);
        if (!group)
            continue;
        QStyleOptionGroupBox option;
        option.initFrom(group);
        option.rect = QRect(QPoint(0, 0), box.now.size());
        option.text = group->title();
        option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
        const int contentsTop =
            group->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxContents, group).top();
        for (Item &inner : m_items) {
            if (&inner == &box || !box.design.contains(inner.design))
                continue;
            if (inner.now.top() < box.now.top() + contentsTop + kLeast) {
                inner.now.moveTop(box.now.top() + contentsTop + kLeast);
                moved = true;
            }
            const int right = inner.now.right() + (box.design.right() - inner.design.right());
            const int bottom = inner.now.bottom() + (box.design.bottom() - inner.design.bottom());
            if (box.now.right() < right || box.now.bottom() < bottom) {
                box.now.setRight(qMax(box.now.right(), right));
                box.now.setBottom(qMax(box.now.bottom(), bottom));
                moved = true;
            }
        }
    }
    return moved;
}

}
