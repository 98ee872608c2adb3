// The edit control on QPlainTextEdit: selection, text, events, fonts, tab stops, undo.
#include "platform/richtextbox.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QPrinter>
#include <QScrollBar>
#include <QTextDocument>
#include <QVBoxLayout>

#include "platform/fonts.h"
#include "platform/keys.h"
#include "platform/richtextbox_p.h"
#include "platform/services.h"
#include "platform/twips.h"

namespace platform {

namespace {

constexpr int InvalidPropertyValue = 380;

// Clipboard and pasted text: every kind of line break becomes a break in the main style.
QStringList splitLines(const QString &text)
{
    QString normal = text;
    normal.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    normal.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    normal.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    // Frame marks cannot live in the widget: keep them as the placeholders of their UTF-8 bytes.
    for (const char16_t mark : {u'\xFDD0', u'\xFDD1'}) {
        const QByteArray bytes = QString(QChar(mark)).toUtf8();
        QString placeholders;
        for (const char b : bytes)
            placeholders += QChar(char16_t(text::placeholderBase + uchar(b)));
        normal.replace(QChar(mark), placeholders);
    }
    return normal.split(QLatin1Char('\n'));
}

}

// --- Editor: the Qt widget, forwarding its events to the control's ---

Editor::Editor(RichTextBox &box) : QPlainTextEdit(&box), m_box(box)
{
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

bool Editor::event(QEvent *e)
{
    // Ctrl+A belongs to the Select All command of the menu, not to the widget.
    if (e->type() == QEvent::ShortcutOverride) {
        auto *key = static_cast<QKeyEvent *>(e);
        if (key->key() == Qt::Key_A && key->modifiers() == Qt::ControlModifier)
            return false;
    }
    return QPlainTextEdit::event(e);
}

void Editor::keyPressEvent(QKeyEvent *e)
{
    int code = keyCodeFromQt(e->key());
    const int shift = shiftFromQt(e->modifiers());
    emit m_box.KeyDown(code, shift);
    if (code == 0) {
        e->accept();
        return;
    }
    if (code == vbKeyBack && shift == vbAltMask) {
        m_box.Undo();
        return;
    }
    if (code == vbKeyReturn) {
        // Every Enter is a line break of the document's own style, with Shift or Ctrl too.
        QTextCursor c = textCursor();
        m_box.m_engine->insertText(c, QStringLiteral("\n"));
        setTextCursor(c);
        ensureCursorVisible();
        return;
    }
    if (e->matches(QKeySequence::Undo)) {
        m_box.Undo();
        return;
    }
    QPlainTextEdit::keyPressEvent(e);
}

void Editor::keyReleaseEvent(QKeyEvent *e)
{
    int code = keyCodeFromQt(e->key());
    emit m_box.KeyUp(code, shiftFromQt(e->modifiers()));
    QPlainTextEdit::keyReleaseEvent(e);
}

void Editor::mouseReleaseEvent(QMouseEvent *e)
{
    QPlainTextEdit::mouseReleaseEvent(e);
    int button = 0;
    switch (e->button()) {
    case Qt::LeftButton: button = 1; break;
    case Qt::RightButton: button = 2; break;
    case Qt::MiddleButton: button = 4; break;
    default: break;
    }
    const QPoint at = e->position().toPoint();
    emit m_box.Click();
    emit m_box.MouseUp(button, shiftFromQt(e->modifiers()), float(pixelsToTwips(at.x())), float(pixelsToTwips(at.y())));
}

void Editor::contextMenuEvent(QContextMenuEvent *e)
{
    // The window shows its own Edit menu on the right button's release.
    e->accept();
}

void Editor::dragEnterEvent(QDragEnterEvent *e)
{
    if (e->mimeData()->hasUrls())
        e->acceptProposedAction();
    else
        e->ignore();
}

void Editor::dragMoveEvent(QDragMoveEvent *e)
{
    if (e->mimeData()->hasUrls())
        e->acceptProposedAction();
    else
        e->ignore();
}

void Editor::dropEvent(QDropEvent *e)
{
    // Only a file list does anything; dragged text is never inserted.
    const QStringList files = droppedFiles(e->mimeData());
    e->acceptProposedAction();
    if (!files.isEmpty())
        emit m_box.OLEDragDrop(files);
}

bool Editor::canInsertFromMimeData(const QMimeData *source) const
{
    return source->hasText();
}

void Editor::insertFromMimeData(const QMimeData *source)
{
    if (!source->hasText())
        return;
    QTextCursor c = textCursor();
    m_box.m_engine->insertText(c, source->text());
    setTextCursor(c);
}

void Editor::resizeEvent(QResizeEvent *e)
{
    QPlainTextEdit::resizeEvent(e);
    EditorEngine &engine = *m_box.m_engine;
    if (engine.wraps() && viewport()->width() != engine.layoutWidth)
        engine.invalidateRows();
}

// --- EditorEngine ---

EditorEngine::EditorEngine(RichTextBox &owner) : box(owner), editor(new Editor(owner))
{
    rows.reset(1);
}

QTextCursor EditorEngine::cursor() const
{
    return compoundDepth > 0 ? compoundCursor : editor->textCursor();
}

void EditorEngine::setCursor(const QTextCursor &c)
{
    if (compoundDepth > 0)
        compoundCursor = c;
    else
        editor->setTextCursor(c);
}

void EditorEngine::insertText(QTextCursor &c, const QString &text)
{
    const QStringList lines = splitLines(text);
    c.beginEditBlock();
    c.insertText(lines.first());
    for (int i = 1; i < lines.size(); ++i) {
        c.insertBlock();
        // The new block copied the upper block's record; a typed break takes the main style.
        QTextBlockFormat f = c.blockFormat();
        if (f.hasProperty(LineEndProperty)) {
            f.clearProperty(LineEndProperty);
            c.setBlockFormat(f);
        }
        c.insertText(lines[i]);
    }
    c.endEditBlock();
}

// --- Marks ---

void Marks::setSpaceWidth(qreal width)
{
    if (width == m_space)
        return;
    m_space = width;
    rehighlight();
}

void Marks::highlightBlock(const QString &line)
{
    QTextCharFormat mark;
    mark.setBackground(QColor(0xff, 0xc8, 0xc8));
    mark.setForeground(QColor(0xa0, 0x00, 0x00));
    for (qsizetype i = 0; i < line.size(); ++i) {
        const bool beforeTab = i + 1 < line.size() && line[i + 1] == QLatin1Char('\t') && line[i] != QLatin1Char('\t');
        const bool placeholder = text::isPlaceholderAt(line, i);
        if (!beforeTab && !placeholder)
            continue;
        QTextCharFormat f = placeholder ? mark : QTextCharFormat();
        if (beforeTab) {
            f.setFontLetterSpacingType(QFont::AbsoluteSpacing);
            f.setFontLetterSpacing(m_space);
        }
        setFormat(int(i), 1, f);
    }
}

void EditorEngine::showMarks()
{
    if (!marks)
        marks = new Marks(document(), spaceWidth());
}

void EditorEngine::showMarksFor(int position, int added)
{
    if (marks || wholeText)
        return;
    for (QTextBlock b = document()->findBlock(position); b.isValid() && b.position() <= position + added; b = b.next()) {
        const QString line = b.text();
        for (qsizetype i = 0; i < line.size(); ++i) {
            if (line[i] == QLatin1Char('\t') || text::isPlaceholderAt(line, i)) {
                showMarks();
                return;
            }
        }
    }
}

qreal EditorEngine::spaceWidth() const
{
    return QFontMetricsF(editor->font()).horizontalAdvance(QLatin1Char(' '));
}

// --- RichTextBox ---

RichTextBox::RichTextBox(QWidget *parent) : QWidget(parent), m_engine(std::make_unique<EditorEngine>(*this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_engine->editor);
    setFocusProxy(m_engine->editor);
    m_engine->editor->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_engine->editor->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);

    QTextDocument *doc = m_engine->document();
    connect(doc, &QTextDocument::contentsChange, this, [this](int position, int removed, int added) {
        m_engine->markEdited(position, removed, added);
        m_engine->showMarksFor(position, added);
    });
    connect(m_engine->editor, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_engine->quiet)
            emit Change();
    });
    // Inside a compound edit the selection is internal: one SelChange comes when the group closes.
    auto selectionChanged = [this] {
        if (m_engine->compoundDepth == 0)
            emit SelChange();
    };
    connect(m_engine->editor, &QPlainTextEdit::cursorPositionChanged, this, selectionChanged);
    connect(m_engine->editor, &QPlainTextEdit::selectionChanged, this, selectionChanged);
    applyFont();
}

RichTextBox::~RichTextBox() = default;

QString RichTextBox::Text() const
{
    QString raw = m_engine->document()->toRawText();
    raw.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return raw;
}

void RichTextBox::setText(const QString &text)
{
    // Replacing the whole text also forgets the undo history, every line's recorded ending and the file's format.
    m_engine->format = text::TextFormat();
    const QString plain = splitLines(text).join(QLatin1Char('\n'));
    m_engine->wholeText = true;
    m_engine->editor->setPlainText(plain);
    m_engine->wholeText = false;
    if (plain.contains(QLatin1Char('\t')) || holdsPlaceholder(plain))
        m_engine->showMarks();
}

int RichTextBox::textLength() const
{
    return m_engine->document()->characterCount() - 1;
}

int RichTextBox::SelStart() const
{
    return m_engine->cursor().selectionStart();
}

void RichTextBox::setSelStart(int position)
{
    QTextCursor c = m_engine->cursor();
    c.setPosition(qBound(0, position, textLength()));
    m_engine->setCursor(c);
}

int RichTextBox::SelLength() const
{
    const QTextCursor c = m_engine->cursor();
    return c.selectionEnd() - c.selectionStart();
}

void RichTextBox::setSelLength(int length)
{
    QTextCursor c = m_engine->cursor();
    const int start = c.selectionStart();
    c.setPosition(start);
    c.setPosition(qBound(start, start + qMax(0, length), textLength()), QTextCursor::KeepAnchor);
    m_engine->setCursor(c);
}

QString RichTextBox::SelText() const
{
    QString selected = m_engine->cursor().selectedText();
    selected.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return selected;
}

void RichTextBox::setSelText(const QString &text)
{
    QTextCursor c = m_engine->cursor();
    m_engine->insertText(c, text);
    m_engine->setCursor(c);
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
    const DocumentSource source(*m_engine->document());
    const int at = text::find(source, needle, start, end, options);
    if (at >= 0) {
        QTextCursor c = m_engine->cursor();
        c.setPosition(at);
        c.setPosition(at + int(needle.size()), QTextCursor::KeepAnchor);
        m_engine->setCursor(c);
    }
    return at;
}

QWidget *RichTextBox::hWnd()
{
    return this;
}

void RichTextBox::setRightMargin(float twips)
{
    m_rightMargin = twips;
    // 0 wraps at the control's width; any other margin lies beyond what a screen shows.
    m_engine->quiet = true;
    m_engine->editor->setLineWrapMode(twips == 0 ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    m_engine->quiet = false;
    m_engine->invalidateRows();
}

int RichTextBox::wrapWidthPixels() const
{
    return m_engine->wraps() ? m_engine->editor->viewport()->width() : 0;
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
    // Stops at or below zero, or absurdly far, still let a tab move the caret visibly.
    const double minimum = qMax(1, QFontMetrics(resolvedFont()).horizontalAdvance(QLatin1Char(' ')));
    const double maximum = 4096;
    QList<QTextOption::Tab> stops;
    double last = 0, spacing = 0;
    for (const float twips : m_tabs) {
        const double px = qBound(0.0, twips * logicalDpi() / 1440.0, maximum);
        // Stops closer together than a space would let a tab advance by less.
        if (px >= last + minimum - 0.01) {
            spacing = px - last;
            stops << QTextOption::Tab(px, QTextOption::LeftTab);
            last = px;
        }
    }
    QTextOption option = m_engine->document()->defaultTextOption();
    option.setTabs(stops);
    option.setTabStopDistance(qBound(minimum, spacing > 0 ? spacing : minimum, maximum));
    m_engine->quiet = true;
    m_engine->document()->setDefaultTextOption(option);
    m_engine->quiet = false;
    m_engine->invalidateRows();
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
    m_engine->quiet = true;
    m_engine->editor->setFont(resolvedFont());
    if (m_engine->marks)
        m_engine->marks->setSpaceWidth(m_engine->spaceWidth());
    m_engine->quiet = false;
    if (!m_tabs.empty())
        applyTabs();
    m_engine->invalidateRows();
}

int RichTextBox::SelPrint(QPrinter &printer)
{
    if (!printer.isValid())
        return 482;
    QTextDocument copy;
    copy.setDefaultFont(resolvedFont());
    QTextOption option = m_engine->document()->defaultTextOption();
    // Paper has no horizontal scroll bar: printed lines always wrap at the printable width.
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    copy.setDefaultTextOption(option);
    copy.setPlainText(SelLength() > 0 ? SelText() : Text());
    // The same room before a tab as on screen.
    QTextCharFormat spaced;
    spaced.setFontLetterSpacingType(QFont::AbsoluteSpacing);
    spaced.setFontLetterSpacing(QFontMetricsF(resolvedFont()).horizontalAdvance(QLatin1Char(' ')));
    QTextCursor before(&copy);
    for (QTextBlock b = copy.firstBlock(); b.isValid(); b = b.next()) {
        const QString line = b.text();
        for (qsizetype i = 1; i < line.size(); ++i) {
            if (line[i] != QLatin1Char('\t') || line[i - 1] == QLatin1Char('\t'))
                continue;
            before.setPosition(b.position() + int(i) - 1);
            before.setPosition(b.position() + int(i), QTextCursor::KeepAnchor);
            before.mergeCharFormat(spaced);
        }
    }
    copy.print(&printer);
    return printer.printerState() == QPrinter::Error ? 482 : 0;
}

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

void RichTextBox::Undo()
{
    m_engine->editor->undo();
}

bool RichTextBox::canUndo() const
{
    return m_engine->document()->isUndoAvailable();
}

void RichTextBox::resetUndo()
{
    m_engine->document()->clearUndoRedoStacks();
}

RichTextBox::CompoundEdit::CompoundEdit(RichTextBox &box) : m_box(box)
{
    EditorEngine &engine = *box.m_engine;
    if (engine.compoundDepth++ == 0) {
        engine.compoundCursor = engine.editor->textCursor();
        engine.compoundCursor.beginEditBlock();
    }
}

RichTextBox::CompoundEdit::~CompoundEdit()
{
    EditorEngine &engine = *m_box.m_engine;
    if (--engine.compoundDepth == 0) {
        engine.compoundCursor.endEditBlock();
        engine.editor->setTextCursor(engine.compoundCursor);
        emit m_box.SelChange();
    }
}

}
