// What the edit control needs of a text engine: text, selection, lines, undo, look, printing and files.
// The control keeps every rule of its own; an engine holds the text and shows it.
#pragma once

#include <QByteArray>
#include <QFont>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

#include "text/fileio.h"
#include "text/search.h"
#include "text/textformat.h"

class QKeyEvent;
class QMimeData;
class QMouseEvent;
class QPrinter;
class QWidget;

namespace platform {

// What an engine tells the control; the control turns these into its events and rules.
class TextEngineClient
{
public:
    virtual ~TextEngineClient() = default;
    // Before the engine acts on a key: true when the control dealt with it (or swallowed it).
    virtual bool keyPressed(QKeyEvent *event) = 0;
    virtual void keyReleased(QKeyEvent *event) = 0;
    virtual void mouseReleased(QMouseEvent *event) = 0;
    virtual void dropped(const QMimeData *data) = 0;
    virtual void pasted(const QString &text) = 0;   // the control inserts it under its line-end rule
    virtual void textChanged() = 0;
    // Every change of the text but reset and load, undo included, once the text holds it: removed characters
    // at position gave way to inserted ('\n' per break). A compound edit may come as one change.
    virtual void textEdited(int position, int removed, const QString &inserted) = 0;
    virtual void selectionChanged() = 0;
    // The wrapped rows above the caret, counted in the background, are all known again.
    virtual void linesCounted() {}
};

// Positions count a line break as one character; text in and out has one '\n' per break.
class TextEngine
{
public:
    virtual ~TextEngine() = default;
    virtual QWidget *widget() = 0;   // the view, placed inside the control, taking the focus

    virtual int length() const = 0;
    virtual QString text(int start, int length) const = 0;
    virtual const text::BlockSource &blocks() const = 0;   // for the search, without copying the text
    // text::find() over blocks(); an engine may answer from its own storage, faster, never differently.
    virtual int find(const QString &needle, int start, int end, int options) const
    {
        return text::find(blocks(), needle, start, end, options);
    }
    // Replaces every match of find() from `from` on, each time searching on after the text just put in, as one
    // compound change; the caret ends after the last. -1: the engine has no way of its own (the control loops).
    virtual int replaceAll(const QString &needle, const QString &with, int from, int options)
    {
        Q_UNUSED(needle) Q_UNUSED(with) Q_UNUSED(from) Q_UNUSED(options)
        return -1;
    }
    // Replaces a range; each '\n' becomes a break in the document's main style; the caret ends after the text.
    virtual void replace(int start, int length, const QString &text) = 0;
    // A new document: the text, no undo history, every break in the main style.
    virtual void reset(const QString &text) = 0;

    virtual int selectionStart() const = 0;
    virtual int selectionEnd() const = 0;
    virtual void select(int anchor, int position) = 0;

    // Display lines: wrapped rows count when the engine wraps.
    virtual int lineFromPosition(int position) = 0;
    virtual int lineStart(int line) = 0;   // -1 beyond the last line
    virtual bool linesCurrent() const = 0; // false while rows above the caret wait to be counted again

    // One undo step; selection changes stay internal until the outermost group ends.
    virtual void beginCompound() = 0;
    virtual void endCompound() = 0;
    virtual void undo() = 0;
    virtual bool canUndo() const = 0;
    virtual void resetUndo() = 0;

    virtual void setFont(const QFont &font) = 0;
    // Stops in pixels, each at least minimum after the one before; distance repeats after the last.
    virtual void setTabStops(const QList<qreal> &stops, qreal distance) = 0;
    virtual void setWrap(bool wrap) = 0;
    // Lays text out on the printer in the font, wrapped at the printable width; false when printing failed.
    virtual bool print(QPrinter &printer, const QFont &font, const QString &text) const = 0;

    // Files: the engine takes the bytes as read and says what format it found them in (finding it is a pass over
    // every byte, which the engine's own reading already makes), and gives them back in a format.
    virtual text::TextFormat load(QByteArray &&bytes) = 0;
    virtual bool fits(text::Encoding encoding) const = 0;   // every character can be stored in it
    // Streams the whole file in a format into the sink, which may stop it with an errno value (returned);
    // substituted: how many characters or bytes had to be written as something else (see text::Encoder).
    virtual int writeTo(const text::TextFormat &format, const text::ByteSink &sink, qsizetype *substituted = nullptr) const = 0;
};

using TextEngineFactory = std::function<std::unique_ptr<TextEngine>(TextEngineClient &client, QWidget *parent)>;
// The engine the program runs on: Penwick's own (makeOwnEngine).
std::unique_ptr<TextEngine> makeTextEngine(TextEngineClient &client, QWidget *parent);
// The engine every control made from now on gets (tests run the same cases on each engine); null: the program's.
void setTextEngineFactory(TextEngineFactory factory);
std::unique_ptr<TextEngine> makeChosenEngine(TextEngineClient &client, QWidget *parent);

}
