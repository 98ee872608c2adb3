// The Qt widget engine: the widget's events handed to the control, text and selection through cursors.
#include "qtengine/qtengine.h"

#include <QAbstractTextDocumentLayout>
#include <QKeyEvent>
#include <QMimeData>
#include <QPrinter>
#include <QTextDocument>

namespace platform {

// --- Editor: the Qt widget, forwarding its events to the control ---

Editor::Editor(QtEngine &engine, TextEngineClient &client, QWidget *parent)
    : QPlainTextEdit(parent), m_engine(engine), m_client(client)
{
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
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
    if (m_client.keyPressed(e)) {
        e->accept();
        return;
    }
    if (e->matches(QKeySequence::Undo)) {
        m_engine.undo();
        return;
    }
    QPlainTextEdit::keyPressEvent(e);
}

void Editor::keyReleaseEvent(QKeyEvent *e)
{
    m_client.keyReleased(e);
    QPlainTextEdit::keyReleaseEvent(e);
}

void Editor::mouseReleaseEvent(QMouseEvent *e)
{
    QPlainTextEdit::mouseReleaseEvent(e);
    m_client.mouseReleased(e);
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
    e->acceptProposedAction();
    m_client.dropped(e->mimeData());
}

bool Editor::canInsertFromMimeData(const QMimeData *source) const
{
    return source->hasText();
}

void Editor::insertFromMimeData(const QMimeData *source)
{
    if (source->hasText())
        m_client.pasted(source->text());
}

void Editor::resizeEvent(QResizeEvent *e)
{
    QPlainTextEdit::resizeEvent(e);
    m_engine.widthChanged();
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

// --- QtEngine ---

std::unique_ptr<TextEngine> makeQtEngine(TextEngineClient &client, QWidget *parent)
{
    return std::make_unique<QtEngine>(client, parent);
}

QtEngine::QtEngine(TextEngineClient &client, QWidget *parent)
    : m_client(client), m_editor(new Editor(*this, client, parent)), m_source(*m_editor->document())
{
    m_rows.reset(1);
    QObject::connect(document(), &QTextDocument::contentsChange, m_editor, [this](int position, int, int added) {
        edited(position, added);
        reportEdit(position, added);
    });
    QObject::connect(m_editor, &QPlainTextEdit::textChanged, m_editor, [this] {
        if (!m_quiet)
            m_client.textChanged();
    });
    // Inside a compound edit the selection is internal: one change comes when the group closes.
    auto selectionChanged = [this] {
        if (m_compoundDepth == 0)
            m_client.selectionChanged();
    };
    QObject::connect(m_editor, &QPlainTextEdit::cursorPositionChanged, m_editor, selectionChanged);
    QObject::connect(m_editor, &QPlainTextEdit::selectionChanged, m_editor, selectionChanged);
}

QTextCursor QtEngine::cursor() const
{
    return m_compoundDepth > 0 ? m_compoundCursor : m_editor->textCursor();
}

void QtEngine::setCursor(const QTextCursor &c)
{
    if (m_compoundDepth > 0)
        m_compoundCursor = c;
    else
        m_editor->setTextCursor(c);
}

QString QtEngine::text(int start, int length) const
{
    QTextCursor c(document());
    c.setPosition(start);
    c.setPosition(start + length, QTextCursor::KeepAnchor);
    // The selection's own text keeps U+00A0 and U+2028; blocks meet at U+2029.
    QString selected = c.selectedText();
    selected.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return selected;
}

void QtEngine::insertText(QTextCursor &c, const QString &text)
{
    const QStringList lines = text.split(QLatin1Char('\n'));
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

void QtEngine::replace(int start, int length, const QString &text)
{
    QTextCursor c = cursor();
    c.setPosition(start);
    c.setPosition(start + length, QTextCursor::KeepAnchor);
    insertText(c, text);
    setCursor(c);
    if (m_compoundDepth == 0)
        m_editor->ensureCursorVisible();
}

void QtEngine::replaceAll(const QString &text)
{
    delete m_marks;
    m_marks = nullptr;
    m_wholeText = true;
    m_editor->setPlainText(text);
    m_wholeText = false;
    bool marked = text.contains(QLatin1Char('\t'));
    for (qsizetype i = 0; !marked && i < text.size(); ++i)
        marked = text::isPlaceholderAt(text, i);
    if (marked)
        showMarks();
}

void QtEngine::reset(const QString &text)
{
    m_main = text::LineEnd::LF;
    m_newDocument = true;
    replaceAll(text);
    m_newDocument = false;
    invalidateRows();
}

// As on the own engine, an undo that puts back text the step had replaced selects that text again.
void QtEngine::undo()
{
    int changes = 0, start = 0, end = 0, removedOutside = 0;
    bool contiguous = true;
    const auto watch = QObject::connect(document(), &QTextDocument::contentsChange, m_editor, [&](int at, int removed, int added) {
        if (changes++ == 0) {
            start = at;
            end = at + added;
            removedOutside = removed;
        } else if (at > end || at + removed < start) {
            contiguous = false;
        } else {
            removedOutside += removed - qMax(0, qMin(end, at + removed) - qMax(start, at));
            end = qMax(end, at + removed) + added - removed;
            start = qMin(start, at);
        }
    });
    m_editor->undo();
    QObject::disconnect(watch);
    if (contiguous && removedOutside > 0 && end > start)
        select(start, end);
}

void QtEngine::select(int anchor, int position)
{
    QTextCursor c = cursor();
    c.setPosition(anchor);
    c.setPosition(position, QTextCursor::KeepAnchor);
    setCursor(c);
}

void QtEngine::beginCompound()
{
    if (m_compoundDepth++ == 0) {
        m_compoundCursor = m_editor->textCursor();
        m_compoundCursor.beginEditBlock();
    }
}

void QtEngine::endCompound()
{
    if (--m_compoundDepth == 0) {
        m_compoundCursor.endEditBlock();
        m_editor->setTextCursor(m_compoundCursor);
        m_client.selectionChanged();
    }
}

void QtEngine::edited(int position, int added)
{
    rowsEdited(position, added);
    if (m_marks || m_wholeText)
        return;
    // A keystroke looks at what it typed, not at its whole line (which may be megabytes long).
    if (added < 4096) {
        const QTextDocument *doc = document();
        for (int i = position; i < position + added; ++i) {
            const QChar c = doc->characterAt(i);
            if (c == QLatin1Char('\t') || (text::isPlaceholder(c) && !doc->characterAt(i - 1).isHighSurrogate())) {
                showMarks();
                return;
            }
        }
        return;
    }
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

// Qt's span can be wider than the change (format changes, the document's final separator), never narrower:
// clamped to the text and balanced against the length, it still describes the change exactly.
void QtEngine::reportEdit(int position, int added)
{
    const int before = m_reportedLength;
    const int now = length();
    m_reportedLength = now;
    position = qBound(0, position, now);
    added = qBound(0, added, now - position);
    if (m_newDocument)
        return;
    const int removed = added - (now - before);
    if (removed < 0 || position + removed > before) {
        // A span that does not cover the change: the whole text stands in for it.
        m_client.textEdited(0, before, text(0, now));
        return;
    }
    if (removed > 0 || added > 0)
        m_client.textEdited(position, removed, text(position, added));
}

void QtEngine::showMarks()
{
    if (!m_marks)
        m_marks = new Marks(document(), spaceWidth());
}

qreal QtEngine::spaceWidth() const
{
    return QFontMetricsF(m_editor->font()).horizontalAdvance(QLatin1Char(' '));
}

void QtEngine::setFont(const QFont &font)
{
    m_quiet = true;
    m_editor->setFont(font);
    if (m_marks)
        m_marks->setSpaceWidth(spaceWidth());
    m_quiet = false;
    invalidateRows();
}

void QtEngine::setTabStops(const QList<qreal> &stops, qreal distance)
{
    QList<QTextOption::Tab> tabs;
    for (const qreal stop : stops)
        tabs << QTextOption::Tab(stop, QTextOption::LeftTab);
    QTextOption option = document()->defaultTextOption();
    option.setTabs(tabs);
    option.setTabStopDistance(distance);
    m_quiet = true;
    document()->setDefaultTextOption(option);
    m_quiet = false;
    invalidateRows();
}

void QtEngine::setWrap(bool wrap)
{
    m_quiet = true;
    m_editor->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    m_quiet = false;
    invalidateRows();
}

bool QtEngine::print(QPrinter &printer, const QFont &font, const QString &text) const
{
    QTextDocument copy;
    copy.setDefaultFont(font);
    QTextOption option = document()->defaultTextOption();
    // Paper has no horizontal scroll bar: printed lines always wrap at the printable width.
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    copy.setDefaultTextOption(option);
    copy.setPlainText(text);
    // The same room before a tab as on screen.
    QTextCharFormat spaced;
    spaced.setFontLetterSpacingType(QFont::AbsoluteSpacing);
    spaced.setFontLetterSpacing(QFontMetricsF(font).horizontalAdvance(QLatin1Char(' ')));
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
    return printer.printerState() != QPrinter::Error;
}

// --- Files ---

namespace {

text::LineEnd endBefore(const QTextBlock &block, text::LineEnd main)
{
    const QVariant kind = block.blockFormat().property(LineEndProperty);
    return kind.isValid() ? text::LineEnd(kind.toInt()) : main;
}

}

text::TextFormat QtEngine::load(QByteArray &&bytes)
{
    const text::TextFormat format = text::detect(bytes);
    text::Decoded decoded = text::decode(bytes, format);
    bytes = QByteArray();
    m_main = format.lineEnd;
    m_newDocument = true;
    replaceAll(decoded.text);

    // Record each line end that differs from the main style on the block after it.
    QTextDocument *doc = document();
    doc->setUndoRedoEnabled(false);
    QTextCursor c(doc);
    c.beginEditBlock();
    QTextBlock block = doc->firstBlock();
    for (const text::LineEnd end : decoded.ends) {
        block = block.next();
        if (end == format.lineEnd || !block.isValid())
            continue;
        QTextBlockFormat f = block.blockFormat();
        f.setProperty(LineEndProperty, int(end));
        c.setPosition(block.position());
        c.setBlockFormat(f);
    }
    c.endEditBlock();
    doc->setUndoRedoEnabled(true);
    m_newDocument = false;
    setCursor(QTextCursor(doc));
    invalidateRows();
    return format;
}

bool QtEngine::fits(text::Encoding encoding) const
{
    for (QTextBlock b = document()->firstBlock(); b.isValid(); b = b.next())
        if (!text::canEncode(b.text(), encoding))
            return false;
    return true;
}

int QtEngine::writeTo(const text::TextFormat &format, const text::ByteSink &sink, qsizetype *substituted) const
{
    text::Encoder encoder(format);
    const QTextDocument *doc = document();
    for (QTextBlock b = doc->firstBlock(); b.isValid(); b = b.next()) {
        if (b != doc->firstBlock())
            encoder.appendEnd(endBefore(b, m_main));
        encoder.appendLine(b.text());
    }
    encoder.finish();
    if (substituted)
        *substituted = encoder.substitutions();
    return sink(encoder.take());
}

}
