// The edit control's own rules over its engine: selection, text, events, fonts, tab stops, undo, geometry.
#include "platform/richtextbox.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPageLayout>
#include <QPrinter>
#include <QVBoxLayout>

#include "platform/fonts.h"
#include "platform/keys.h"
#include "platform/services.h"
#include "platform/twips.h"

namespace platform {

namespace {

constexpr int InvalidPropertyValue = 380;
constexpr int PrinterError = 482;

TextEngineFactory &chosenFactory()
{
    static TextEngineFactory factory;
    return factory;
}

}

void setTextEngineFactory(TextEngineFactory factory)
{
    chosenFactory() = std::move(factory);
}

std::unique_ptr<TextEngine> makeChosenEngine(TextEngineClient &client, QWidget *parent)
{
    return chosenFactory() ? chosenFactory()(client, parent) : makeTextEngine(client, parent);
}

RichTextBox::RichTextBox(QWidget *parent) : QWidget(parent)
{
    m_engine = makeChosenEngine(*this, this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_engine->widget());
    setFocusProxy(m_engine->widget());
    applyFont();
}

// A control that goes away normally takes its journal with it: only a crash leaves one.
RichTextBox::~RichTextBox()
{
    DiscardJournal();
    m_journal.reset();
}

// --- Events from the engine ---

bool RichTextBox::keyPressed(QKeyEvent *event)
{
    int code = keyCodeFromQt(event->key());
    const int shift = shiftFromQt(event->modifiers());
    emit KeyDown(code, shift);
    if (code == 0)
        return true;
    if (code == vbKeyBack && shift == vbAltMask) {
        Undo();
        return true;
    }
    if (code == vbKeyReturn) {
        // Every Enter is a line break of the document's own style, with Shift or Ctrl too.
        setSelText(QStringLiteral("\n"));
        return true;
    }
    return false;
}

void RichTextBox::keyReleased(QKeyEvent *event)
{
    int code = keyCodeFromQt(event->key());
    emit KeyUp(code, shiftFromQt(event->modifiers()));
}

void RichTextBox::mouseReleased(QMouseEvent *event)
{
    int button = 0;
    switch (event->button()) {
    case Qt::LeftButton: button = 1; break;
    case Qt::RightButton: button = 2; break;
    case Qt::MiddleButton: button = 4; break;
    default: break;
    }
    const QPoint at = event->position().toPoint();
    emit Click();
    emit MouseUp(button, shiftFromQt(event->modifiers()), float(pixelsToTwips(at.x())), float(pixelsToTwips(at.y())));
}

void RichTextBox::dropped(const QMimeData *data)
{
    const QStringList files = droppedFiles(data);
    if (!files.isEmpty())
        emit OLEDragDrop(files);
}

void RichTextBox::pasted(const QString &text)
{
    setSelText(text);
}

// --- Text and selection ---

QString RichTextBox::Text() const
{
    return m_engine->text(0, m_engine->length());
}

void RichTextBox::setText(const QString &text)
{
    // Replacing the whole text also forgets the undo history, every line's recorded ending and the file's format.
    m_format = text::TextFormat();
    m_stampedPath.clear();
    const QString normalised = text::normaliseBreaks(text);
    m_engine->reset(normalised);
    beginJournal(QString(), QByteArray(), normalised);
}

int RichTextBox::textLength() const
{
    return m_engine->length();
}

int RichTextBox::SelStart() const
{
    return m_engine->selectionStart();
}

void RichTextBox::setSelStart(int position)
{
    const int at = qBound(0, position, textLength());
    m_engine->select(at, at);
}

int RichTextBox::SelLength() const
{
    return m_engine->selectionEnd() - m_engine->selectionStart();
}

void RichTextBox::setSelLength(int length)
{
    const int start = SelStart();
    m_engine->select(start, qBound(start, start + qMax(0, length), textLength()));
}

QString RichTextBox::SelText() const
{
    return m_engine->text(SelStart(), SelLength());
}

void RichTextBox::setSelText(const QString &text)
{
    m_engine->replace(SelStart(), SelLength(), text::normaliseBreaks(text, m_format.encoding));
}

QString RichTextBox::SelRTF() const
{
    return SelText();
}

void RichTextBox::setTextRTF(const QString &text)
{
    setText(text);
}

int RichTextBox::Find(const QString &needle, int start, int end, int options)
{
    // A search through hundreds of megabytes takes a noticeable moment: say so with the cursor.
    const int span = (end < 0 ? m_engine->length() : end) - start;
    const bool busy = span > 256 * 1024 * 1024;
    if (busy)
        QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    const int at = m_engine->find(needle, start, end, options);
    if (busy)
        QGuiApplication::restoreOverrideCursor();
    if (at >= 0)
        m_engine->select(at, at + int(needle.size()));
    return at;
}

int RichTextBox::ReplaceAll(const QString &needle, const QString &with, int options)
{
    const QString replacement = text::normaliseBreaks(with, m_format.encoding);
    CompoundEdit group(*this);
    // The engine replaces what it finds in the text as it was. The loop below judges a whole word next to the
    // replacement before it; the two agree unless the needle and the replacement end in different kinds.
    const auto endsInWord = [](const QString &s) {
        return !s.isEmpty() && text::isWordChar(s.size() > 1 && s.back().isLowSurrogate() && s[s.size() - 2].isHighSurrogate()
                                                    ? QChar::surrogateToUcs4(s[s.size() - 2], s.back())
                                                    : s.back().unicode());
    };
    if (!(options & text::WholeWord) || endsInWord(needle) == endsInWord(replacement)) {
        const int count = m_engine->replaceAll(needle, replacement, 0, options);
        if (count >= 0)
            return count;
    }
    int count = 0;
    int from = 0;
    for (int pos = Find(needle, from, -1, options); pos != -1; pos = Find(needle, from, -1, options)) {
        setSelText(with);
        from = pos + int(replacement.size());   // the replacement itself is never searched again
        ++count;
    }
    return count;
}

int RichTextBox::GetLineFromChar(int position)
{
    return m_engine->lineFromPosition(position);
}

int RichTextBox::lineIndex(int line)
{
    return m_engine->lineStart(line);
}

bool RichTextBox::displayLinesCurrent() const
{
    return m_engine->linesCurrent();
}

QWidget *RichTextBox::hWnd()
{
    return this;
}

// --- Margin, tab stops, font ---

void RichTextBox::setRightMargin(float twips)
{
    m_rightMargin = twips;
    // 0 wraps at the control's width; any other margin lies beyond what a screen shows.
    m_engine->setWrap(twips == 0);
}

void RichTextBox::setSelTabCount(int count)
{
    m_tabs.resize(size_t(qBound(0, count, 32)), 0.0f);
    applyTabs();
}

float RichTextBox::SelTabs(int index) const
{
    return index >= 0 && index < int(m_tabs.size()) ? m_tabs[size_t(index)] : 0.0f;
}

void RichTextBox::setSelTabs(int index, float twips)
{
    if (index < 0 || index >= int(m_tabs.size()))
        return;
    m_tabs[size_t(index)] = twips;
    applyTabs();
}

void RichTextBox::applyTabs()
{
    // Stops at or below zero, or absurdly far, still let a tab move the caret visibly; stops closer together
    // than a space would let a tab advance by less.
    const double minimum = qMax(1, QFontMetrics(resolvedFont()).horizontalAdvance(QLatin1Char(' ')));
    const double maximum = 4096;
    QList<qreal> stops;
    double last = 0, spacing = 0;
    for (const float twips : m_tabs) {
        const double px = qBound(0.0, twips * logicalDpi() / 1440.0, maximum);
        if (px >= last + minimum - 0.01) {
            spacing = px - last;
            stops << px;
            last = px;
        }
    }
    m_engine->setTabStops(stops, qBound(minimum, spacing > 0 ? spacing : minimum, maximum));
}

void RichTextBox::setFontName(const QString &name)
{
    m_fontName = name;
    applyFont();
}

void RichTextBox::setFontSize(float points)
{
    if (points > 0 && points < 1000)
        m_fontSize = points;
    applyFont();
}

void RichTextBox::setFontBold(bool bold)
{
    m_fontBold = bold;
    applyFont();
}

void RichTextBox::setFontItalic(bool italic)
{
    m_fontItalic = italic;
    applyFont();
}

QFont RichTextBox::resolvedFont() const
{
    return resolveFont(m_fontName, m_fontSize, m_fontBold, m_fontItalic);
}

void RichTextBox::applyFont()
{
    m_engine->setFont(resolvedFont());
    if (!m_tabs.empty())
        applyTabs();
}

int RichTextBox::SelPrint(QPrinter &printer)
{
    if (!printer.isValid())
        return PrinterError;
    // Many printers cannot print near the paper's edge: a printed page's margins, or the printer's where wider.
    QPageLayout layout = printer.pageLayout();
    layout.setUnits(QPageLayout::Millimeter);
    const QMarginsF least = layout.minimumMargins();
    constexpr double Margin = 20;
    printer.setPageMargins(QMarginsF(qMax(Margin, least.left()), qMax(Margin, least.top()), qMax(Margin, least.right()),
                                     qMax(Margin, least.bottom())),
                           QPageLayout::Millimeter);
    // The font as the printer draws it: the Fixedsys stand-in's cell is measured again on paper.
    const QFont font = resolveFont(m_fontName, m_fontSize, m_fontBold, m_fontItalic, &printer);
    return m_engine->print(printer, font, SelLength() > 0 ? SelText() : Text()) ? 0 : PrinterError;
}

// --- Geometry ---

float RichTextBox::Left() const { return float(pixelsToTwips(x())); }
float RichTextBox::Top() const { return float(pixelsToTwips(y())); }
float RichTextBox::Width() const { return float(pixelsToTwips(width())); }
float RichTextBox::Height() const { return float(pixelsToTwips(height())); }

int RichTextBox::setLeft(float twips)
{
    move(twipsToPixels(twips), y());
    return 0;
}

int RichTextBox::setTop(float twips)
{
    move(x(), twipsToPixels(twips));
    return 0;
}

int RichTextBox::setWidth(float twips)
{
    if (!(twips >= 0) || twips > 1e7f)
        return InvalidPropertyValue;
    resize(twipsToPixels(twips), height());
    return 0;
}

int RichTextBox::setHeight(float twips)
{
    if (!(twips >= 0) || twips > 1e7f)
        return InvalidPropertyValue;
    resize(width(), twipsToPixels(twips));
    return 0;
}

// --- Undo ---

void RichTextBox::Undo()
{
    m_engine->undo();
}

bool RichTextBox::canUndo() const
{
    return m_engine->canUndo();
}

void RichTextBox::resetUndo()
{
    m_engine->resetUndo();
}

RichTextBox::CompoundEdit::CompoundEdit(RichTextBox &box) : m_box(box)
{
    box.m_engine->beginCompound();
}

RichTextBox::CompoundEdit::~CompoundEdit()
{
    m_box.m_engine->endCompound();
}

}
