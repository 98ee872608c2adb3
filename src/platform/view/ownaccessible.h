// What a screen reader reads of the own view: its text by characters, words, lines and sentences, the caret, the
// selection, and edits made through it. Every answer is bounded: a document may be 100 MB, a line 5 MB.
#pragma once

#include <QAccessibleWidget>

namespace platform {

class OwnEngine;
class OwnView;

class OwnViewAccessible : public QAccessibleWidget, public QAccessibleTextInterface, public QAccessibleEditableTextInterface
{
public:
    // A word, line or sentence is answered with at most this many characters round the offset asked about.
    static constexpr int WindowChars = 1000;
    // What text() hands out at once: a page of reading, never the whole of a large document.
    static constexpr int TextChars = 65536;
    // What an event carries of the text an edit changed.
    static constexpr int ToldChars = 1000;
    // A byte's placeholder goes out as U+FFFD, one unit for one, so that offsets stay right.
    static QString readable(QString text);

    explicit OwnViewAccessible(OwnView *view);
    // The factory Qt asks for an object's interface.
    static QAccessibleInterface *create(const QString &className, QObject *object);

    QAccessible::State state() const override;
    void *interface_cast(QAccessible::InterfaceType type) override;

    void selection(int selectionIndex, int *startOffset, int *endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType, int *startOffset,
                             int *endOffset) const override;
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType, int *startOffset,
                            int *endOffset) const override;
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int *startOffset,
                         int *endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint &point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int *startOffset, int *endOffset) const override;

    // Edits go through the engine as an input method's do: one undo step each, the Change event, the journal.
    void deleteText(int startOffset, int endOffset) override;
    void insertText(int offset, const QString &text) override;
    void replaceText(int startOffset, int endOffset, const QString &text) override;

private:
    struct Span
    {
        int start = 0;
        int end = 0;
    };
    enum class Side { Before, At, After };

    OwnView &view() const;
    OwnEngine &engine() const;
    QString answer(int offset, QAccessible::TextBoundaryType type, Side side, int *startOffset, int *endOffset) const;
    Span unit(int position, QAccessible::TextBoundaryType type, Side side) const;
    Span character(int position) const;
    Span word(int position) const;
    Span sentence(int position) const;
    Span row(int position, int *next) const;
    Span paragraph(int position, int *next) const;
    Span lineOrRow(int position, bool rows, int *next) const;
    int skipBreaks(int position, int step, bool spaces) const;
    QString lineWindow(int position, int *from) const;
    Span bounded(Span span, int around) const;
};

}
