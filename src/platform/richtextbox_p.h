// Inside the edit control: the Qt widget and the state kept beside it. Only src/platform includes this.
#pragma once

#include <QPlainTextEdit>
#include <QSet>
#include <QTextBlock>
#include <QTextCursor>

#include "text/displaylines.h"
#include "text/search.h"
#include "text/textformat.h"

#include <QSyntaxHighlighter>

namespace platform {

class RichTextBox;

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

class Editor : public QPlainTextEdit
{
public:
    explicit Editor(RichTextBox &box);

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
    RichTextBox &m_box;
};

class EditorEngine
{
public:
    explicit EditorEngine(RichTextBox &box);

    QTextDocument *document() const { return editor->document(); }
    QTextCursor cursor() const;
    void setCursor(const QTextCursor &c);
    void insertText(QTextCursor &c, const QString &text);   // line breaks take the main style
    void markEdited(int position, int removed, int added);
    void invalidateRows();
    void countRowsBefore(int block);
    int rowsOf(const QTextBlock &block) const;
    bool wraps() const;

    RichTextBox &box;
    Editor *editor;
    int compoundDepth = 0;
    QTextCursor compoundCursor;
    bool quiet = false;                 // format work that is not a text change
    bool wholeText = false;             // the whole text is being replaced; marks are decided after
    text::DisplayLines rows;
    int knownBlockCount = 1;
    int layoutWidth = -1;
    text::TextFormat format;
    QSet<QString> ownedPaths;
    Marks *marks = nullptr;          // only on documents that hold a tab or a placeholder
    void showMarks();
    void showMarksFor(int position, int added);
    qreal spaceWidth() const;
};

bool holdsPlaceholder(const QString &text);

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

}
