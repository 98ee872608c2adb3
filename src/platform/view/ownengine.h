// Penwick's own engine: the document model shown by a scroll area that lays out only the rows in view.
#pragma once

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QClipboard>
#include <QHash>
#include <QTimer>

#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/textengine.h"
#include "platform/view/linelayout.h"
#include "text/displaylines.h"
#include "text/document.h"

namespace platform {

class OwnEngine;

// The view: paints rows, takes keys, mouse, drops and input methods, and hands the control what is its.
class OwnView : public QAbstractScrollArea
{
    Q_OBJECT   // its class name is what the accessibility factory knows it by

public:
    OwnView(OwnEngine &engine, TextEngineClient &client, QWidget *parent);

    void updateScrollBars();
    void ensureCaretVisible();
    void ensureVisible(int position);
    QRectF caretRect();   // in viewport pixels
    QRectF positionRect(int position);   // a caret's box at position, in viewport pixels
    static constexpr int Margin = 4;

    // What a screen reader is told, only while one listens: a removal about to be made (its text is gone
    // once the model reports it), each change of the text, and, once the engine is consistent again, the
    // changes since the last telling as one event, then the caret and the selection if they moved.
    void noteRemoval(int position, int length);
    void noteEdit(int position, int removed, int inserted);
    void tellEdit();
    void tellSelection();

protected:
    bool event(QEvent *e) override;
    void paintEvent(QPaintEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void showEvent(QShowEvent *e) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent *e) override;
    void keyReleaseEvent(QKeyEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void contextMenuEvent(QContextMenuEvent *e) override;
    void dragEnterEvent(QDragEnterEvent *e) override;
    void dragMoveEvent(QDragMoveEvent *e) override;
    void dropEvent(QDropEvent *e) override;
    void focusInEvent(QFocusEvent *e) override;
    void focusOutEvent(QFocusEvent *e) override;
    void timerEvent(QTimerEvent *e) override;
    void inputMethodEvent(QInputMethodEvent *e) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

private:
    friend class OwnEngine;
    friend class OwnViewAccessible;
    // The caret shows at once after it moves or the view gains focus, then blinks at the desktop's rate.
    void restartBlink();
    bool editKey(QKeyEvent *e);
    bool deleteKey(QKeyEvent *e);
    bool moveKey(QKeyEvent *e);
    bool verticalKey(QKeyEvent *e);
    int rowEnd(int line, int rowInLine);
    void paintRow(QPainter &painter, int line, int row, double y);
    int positionAt(QPointF viewportPoint);
    double xInRow(int line, int row, int offset);
    QTextLayout &shaped(const QString &text, const LinePiece &piece) const;
    int offsetInRow(int line, int row, double x);
    int rowInLineOf(int position, int *line);
    void moveVertically(int rows, bool keepAnchor);
    int wordStart(int position) const;
    int wordEnd(int position) const;
    void dragTo(QPointF viewportPoint);
    void autoScroll();
    void copy(QClipboard::Mode mode = QClipboard::Clipboard);
    void paste(QClipboard::Mode mode = QClipboard::Clipboard);

    OwnEngine &m_engine;
    TextEngineClient &m_client;
    QBasicTimer m_blink;
    bool m_caretOn = true;
    double m_goalX = -1;   // the column Up and Down keep, in pixels
    int m_clicks = 0;      // 1 char, 2 word, 3 line: what a drag extends by
    int m_clickAnchorStart = 0;
    int m_clickAnchorEnd = 0;
    qint64 m_lastClickTime = 0;
    QPoint m_lastClickPoint;
    bool m_dragging = false;
    QPointF m_dragPoint;
    QTimer m_autoScroll;
    QString m_preedit;
    int m_preeditCursor = 0;
    double m_widest = 0;   // the widest row painted so far: the horizontal range without wrap
    bool m_caretToShow = false;

    struct Removal
    {
        int position = -1;
        int length = 0;
        QString head;   // its first characters, as many as a screen reader is told
    };
    struct Edit
    {
        bool pending = false;
        int start = 0;
        int end = 0;     // in the text as it is now
        int delta = 0;   // characters the text gained
        bool removedKnown = false;
        QString removedHead;
    };
    Removal m_removal;
    Edit m_edit;
    int m_toldPosition = 0;
    int m_toldStart = 0;
    int m_toldEnd = 0;
};

class OwnEngine : public TextEngine
{
public:
    OwnEngine(TextEngineClient &client, QWidget *parent);
    ~OwnEngine() override;

    QWidget *widget() override { return m_view; }
    int length() const override { return m_doc.length(); }
    QString text(int start, int length) const override { return m_doc.text(start, length); }
    const text::BlockSource &blocks() const override { return m_doc.blocks(); }
    int find(const QString &needle, int start, int end, int options) const override
    {
        return m_doc.find(needle, start, end, options);
    }
    void replace(int start, int length, const QString &text) override;
    void reset(const QString &text) override;

    int selectionStart() const override { return qMin(m_anchor, m_position); }
    int selectionEnd() const override { return qMax(m_anchor, m_position); }
    void select(int anchor, int position) override;

    int lineFromPosition(int position) override;
    int lineStart(int line) override;
    bool linesCurrent() const override;

    void beginCompound() override;
    void endCompound() override;
    void undo() override;
    int replaceAll(const QString &needle, const QString &with, int from, int options) override;
    bool canUndo() const override { return m_doc.canUndo(); }
    void resetUndo() override { m_doc.resetUndo(); }

    void setFont(const QFont &font) override;
    void setTabStops(const QList<qreal> &stops, qreal distance) override;
    void setWrap(bool wrap) override;
    bool print(QPrinter &printer, const QFont &font, const QString &text) const override;

    text::TextFormat load(QByteArray &&bytes) override;
    bool fits(text::Encoding encoding) const override;
    int writeTo(const text::TextFormat &format, const text::ByteSink &sink, qsizetype *substituted = nullptr) const override;

    // For the view.
    const text::Document &document() const { return m_doc; }
    int anchor() const { return m_anchor; }
    int position() const { return m_position; }
    void moveTo(int position, bool keepAnchor);
    void breakTyping() { m_doc.breakTyping(); }
    // An edit from the keyboard: consecutive typing merges into one undo step.
    void type(int start, int length, const QString &text, bool typing = true);
    // The pieces of one row, measured once while the line stays as it is.
    const std::vector<LinePiece> &piecesOf(int line, int row);
    void redo();
    bool wraps() const { return m_wrap; }
    const LineMetrics &metrics() const { return m_metrics; }
    const QString &lineText(int line) const;
    const QList<qreal> &tabStops() const { return m_stops; }
    // Rows of a line at the view's width: row starts, first 0.
    const std::vector<int> &rowsOf(int line);
    qint64 totalRows();
    int rowOfPosition(int position);
    // The line and its row that display row `row` is; counts rows above it where needed.
    void locateRow(qint64 row, int &line, int &rowInLine);
    void widthChanged();
    int wrapWidth() const;
    // What a change of width, font, tabs or wrap keeps in place: the caret where it is in view, else the first
    // character in view, at its row on screen. Taken before the change, applied after it.
    struct ViewAnchor
    {
        int position = -1;
        int rowsDown = 0;
    };
    ViewAnchor viewAnchor();
    // After a resize the view goes to the anchor when it next paints (counting rows above it costs what
    // painting there costs), unless the user scrolls first; a burst of resizes keeps the first anchor.
    void keepInView(const ViewAnchor &anchor);
    void placeAnchor();
    void forgetAnchor() { m_anchorToKeep = ViewAnchor(); }

private:
    void edited(int first, int removedLines, int addedLines);
    struct CachedLine;
    void keepLine(int line, CachedLine kept, int offset, int removed, const QString &text);
    void invalidateRows();
public:
    void trimCache();   // between paints: references into the cache do not outlive one
private:
    void countSlice();
    void keepingTheView(const std::function<void()> &count);
    // Tells the control, once, that a line it was given while rows were uncounted is exact now.
    void tellWhenCounted();
    int countRows(int line, int width);
    void selectionMoved();
    void showCaret();
    void changed();
    void stepped(const std::function<int()> &step, bool selectRestored);
    void noteStep(int position, int removed, int inserted);

    TextEngineClient &m_client;
    text::Document m_doc;
    OwnView *m_view;
    LineMetrics m_metrics;
    QList<qreal> m_stops;   // as the control set them, for the paper
    qreal m_tabDistance = 80;
    int m_anchor = 0;
    int m_position = 0;
    int m_compoundDepth = 0;
    bool m_compoundChanged = false;
    bool m_newText = false;   // reset() fills the model: no edit to tell
    bool m_stepping = false;  // inside an undo or redo, whose changes the model reports one by one
    int m_linesBefore = 0;    // the line count before the change reported next
    int m_changeStart = 0;    // where the text the model reported last starts and ends
    int m_changeEnd = 0;
    int m_changeFurthest = 0;   // the furthest end of a change the model reported, for Replace All's caret
    struct StepRegion
    {
        int changes = 0;
        bool contiguous = true;
        int start = 0;
        int end = 0;       // of the text the step put in
        int removed = 0;   // characters it took out
    };
    StepRegion m_step;
    ViewAnchor m_anchorToKeep;
    bool m_provisional = false;   // a line was answered from estimated rows
    bool m_wrap = true;

    text::DisplayLines m_rows;
    int m_layoutWidth = -1;   // the width the rows were counted at
    QTimer m_counter;         // counts rows in slices while the user works
    struct Counted
    {
        int line = -2;
        quint64 revision = 0;
        text::BlockSource::Block block;
    };
    Counted m_counted;        // the line the count read last
    // Lines met lately, with their rows: what one paint or keystroke needs.
    struct CachedLine
    {
        QString text;
        std::vector<int> rows;
        int rowsWidth = -2;
        std::unordered_map<int, std::vector<LinePiece>> pieces;   // per row
    };
    // Node-based, so that a reference to a line stays good while others are added.
    mutable std::unordered_map<int, CachedLine> m_lines;
};

// The engine on Penwick's own view.
std::unique_ptr<TextEngine> makeOwnEngine(TextEngineClient &client, QWidget *parent);

}
