// The edit control's engine on Qt's plain-text widget, kept as the reference the own engine is checked and
// measured against: blocks of a QTextDocument, each break's ending kept as a property of the block after it.
#pragma once

#include <QPlainTextEdit>
#include <QSyntaxHighlighter>
#include <QTextBlock>
#include <QTextCursor>

#include "platform/textengine.h"
#include "text/displaylines.h"

namespace platform {

// Each block records the ending of the line before it when that differs from the file's main style.
constexpr int LineEndProperty = QTextFormat::UserProperty + 1;

// Formats that are no text change: the marks of undecodable bytes, and the room before a tab that keeps
// a tab from advancing less than a space (the character before it is spaced by a space's width, so the
// widget's "next stop after x" becomes "next stop at least a space after the text").
class Marks : public QSyntaxHighlighter
{
public:
    Marks(QTextDocument *document, qreal spaceWidth) : QSyntaxHighlighter(document), m_space(spaceWidth) {}
    void setSpaceWidth(qreal width);

protected:
    void highlightBlock(const QString &line) override;

private:
    qreal m_space;
};

// Reads the document block by block for the search, without copying the whole text.
class DocumentSource : public text::BlockSource
{
public:
    explicit DocumentSource(const QTextDocument &document) : m_document(document) {}
    int length() const override { return m_document.characterCount() - 1; }
    Block blockContaining(int position) const override;
    bool next(Block &block) const override;

private:
    const QTextDocument &m_document;
    mutable QTextBlock m_block;
};

class QtEngine;

class Editor : public QPlainTextEdit
{
public:
    Editor(QtEngine &engine, TextEngineClient &client, QWidget *parent);

protected:
    bool event(QEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void keyReleaseEvent(QKeyEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void contextMenuEvent(QContextMenuEvent *e) override;
    void dragEnterEvent(QDragEnterEvent *e) override;
    void dragMoveEvent(QDragMoveEvent *e) override;
    void dropEvent(QDropEvent *e) override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;
    void resizeEvent(QResizeEvent *e) override;

private:
    QtEngine &m_engine;
    TextEngineClient &m_client;
};

class QtEngine : public TextEngine
{
public:
    QtEngine(TextEngineClient &client, QWidget *parent);

    QWidget *widget() override { return m_editor; }
    int length() const override { return document()->characterCount() - 1; }
    QString text(int start, int length) const override;
    const text::BlockSource &blocks() const override { return m_source; }
    void replace(int start, int length, const QString &text) override;
    void reset(const QString &text) override;

    int selectionStart() const override { return cursor().selectionStart(); }
    int selectionEnd() const override { return cursor().selectionEnd(); }
    void select(int anchor, int position) override;

    int lineFromPosition(int position) override;
    int lineStart(int line) override;
    bool linesCurrent() const override;

    void beginCompound() override;
    void endCompound() override;
    void undo() override;
    bool canUndo() const override { return document()->isUndoAvailable(); }
    void resetUndo() override { document()->clearUndoRedoStacks(); }

    void setFont(const QFont &font) override;
    void setTabStops(const QList<qreal> &stops, qreal distance) override;
    void setWrap(bool wrap) override;
    bool print(QPrinter &printer, const QFont &font, const QString &text) const override;

    text::TextFormat load(QByteArray &&bytes) override;
    bool fits(text::Encoding encoding) const override;
    int writeTo(const text::TextFormat &format, const text::ByteSink &sink, qsizetype *substituted = nullptr) const override;

    void widthChanged();

private:
    QTextDocument *document() const { return m_editor->document(); }
    QTextCursor cursor() const;
    void setCursor(const QTextCursor &c);
    void insertText(QTextCursor &c, const QString &text);
    void replaceAll(const QString &text);
    void edited(int position, int added);
    void reportEdit(int position, int added);
    void showMarks();
    qreal spaceWidth() const;

    // Wrapped rows
    bool wraps() const { return m_editor->lineWrapMode() != QPlainTextEdit::NoWrap; }
    void invalidateRows();
    void countRowsBefore(int block);
    int rowsOf(const QTextBlock &block) const;
    void rowsEdited(int position, int added);

    TextEngineClient &m_client;
    Editor *m_editor;
    DocumentSource m_source;
    int m_compoundDepth = 0;
    QTextCursor m_compoundCursor;
    bool m_quiet = false;       // format work that is not a text change
    bool m_wholeText = false;   // the whole text is being replaced; marks are decided after
    text::DisplayLines m_rows;
    int m_knownBlockCount = 1;
    int m_reportedLength = 0;   // the length the client last heard of
    bool m_newDocument = false; // reset or load: the client knows, and copying the text for it would cost
    int m_layoutWidth = -1;
    text::LineEnd m_main = text::LineEnd::LF;   // the style the block records are relative to
    Marks *m_marks = nullptr;   // only on documents that hold a tab or a placeholder
};

std::unique_ptr<TextEngine> makeQtEngine(TextEngineClient &client, QWidget *parent);

}
