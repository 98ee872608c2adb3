// The document model: the file's bytes and the typed text as pieces, indexed by characters and breaks.
#pragma once

#include "text/fileio.h"
#include "text/search.h"
#include "text/textformat.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringView>

#include <memory>
#include <vector>

namespace text {

class Document
{
public:
    // Small values make many pieces and leaves, which is what the tests want.
    struct Limits
    {
        int pieceBytes = 4096;   // the longest piece; a query inside a piece walks at most this much
        int leafPieces = 64;     // a leaf splits when it holds more pieces than this
        qint64 cacheBudget = qint64(8) << 20;   // decoded text kept for reading, in bytes
        int addedBlockBytes = 1 << 20;          // the added buffer grows by blocks that never move
        int passChanges = 64;   // an undo or redo of more changes than this rebuilds the pieces in one pass
    };

    Document();
    explicit Document(const Limits &limits);
    ~Document();
    Document(const Document &) = delete;
    Document &operator=(const Document &) = delete;

    // Both replace the whole document and forget its undo history.
    FileResult load(const QString &path);
    void setBytes(QByteArray bytes);
    void clear(const TextFormat &format = {});

    // The whole file as save() writes it; the sink returns 0 or an errno value, which stops the stream.
    int writeTo(const ByteSink &sink) const;
    // The same in a format the caller chose (the edit control decides when a file turns UTF-8); substituted
    // counts what had to be written as something else (see Encoder).
    int writeTo(const TextFormat &format, const ByteSink &sink, qsizetype *substituted = nullptr) const
    {
        return writeBytes(format, sink, substituted);
    }
    QByteArray toBytes() const;
    FileResult save(const QString &path, const WriteOptions &options = {});
    // A character the 8-bit encoding cannot hold makes save() write UTF-8 instead, and say so here.
    // Every character can be written in the encoding: for the file's own, only what edits added is looked at.
    bool canStore(Encoding encoding) const;
    bool lastSaveReencoded() const { return m_reencoded; }
    TextFormat format() const { return m_format; }

    // Positions are UTF-16 units of decode(bytes).text: every line break is one '\n'.
    int length() const;
    int lineCount() const;
    int lineFromPosition(int position) const;
    int lineStart(int line) const;
    int lineLength(int line) const;   // without its break
    LineEnd lineEnd(int line) const;  // what the break after the line is written as; the main end on the last line
    QString text(int position, int length) const;
    QString line(int line) const { return text(lineStart(line), lineLength(line)); }
    QString Text() const { return text(0, length()); }
    QChar charAt(int position) const;

    // A '\n' in text is a new break with the main line end. False, with nothing changed, when the
    // range is outside the text or the result would be too long. Typing merges into one undo step
    // as a text widget merges it: inserts without a break, each where the last ended, and runs of
    // Delete or Backspace without a break.
    bool replace(int position, int removedLength, QStringView text);
    bool insert(int position, QStringView text) { return replace(position, 0, text); }
    bool remove(int position, int length) { return replace(position, length, {}); }
    // Typing over a selection: the removal and the typed text start a step that further typing extends.
    bool typeOver(int position, int removedLength, QStringView text);

    // find() over blocks(), with the same answers, but scanning the stored bytes wherever their encoding allows.
    int find(QStringView needle, int start, int end, int options) const;
    // Replaces every match of find() in [start, end) with `with` as one undo step; returns how many.
    int replaceAll(QStringView needle, QStringView with, int options, int start = 0, int end = -1);
    const BlockSource &blocks() const;
    quint64 revision() const { return m_revision; }   // changes whenever the pieces do

    // Edits between these are one undo step; they nest.
    void beginCompound();
    void endCompound();
    // The next typing starts a new undo step (the caret moved, a command ran).
    void breakTyping() { m_mergeable = false; }
    bool canUndo() const;
    bool canRedo() const;
    // The position where the undone or redone change ends, or -1 when there was nothing to do.
    int undo();
    int redo();
    void resetUndo();

    // Told of every change of the text as it is made (edits, undo, redo, Replace All; not a load or clear):
    // where, how many units went, how many came.
    using ChangeObserver = std::function<void(int position, int removed, int inserted)>;
    void setChangeObserver(ChangeObserver observer) { m_observer = std::move(observer); }

    // How the index looks, for tests and benchmarks.
    int pieceCount() const;
    int leafCount() const { return int(m_leaves.size()); }
    qint64 addedBytes() const { return m_addedEnd; }

    // A run of one buffer's bytes: the index's unit (public for the scan that makes the first ones).
    struct Piece
    {
        qint64 start = 0;   // in its buffer
        qint32 bytes = 0;
        qint32 units = 0;
        qint32 breaks = 0;
        bool added = false;
        bool simple = false;   // one byte per unit, and '\n' bytes are the only breaks
        bool counted = false;  // every unit starts at a byte that is no continuation byte
    };

private:
    struct Leaf
    {
        std::vector<Piece> pieces;
        qint64 units = 0;
        qint64 breaks = 0;
        qint64 bytes = 0;
    };
    struct Loc
    {
        int leaf = 0;
        int index = 0;
        qint64 offset = 0;   // units into the piece
    };
    struct Change
    {
        qint64 position = 0;
        qint64 removedUnits = 0;
        qint64 insertedUnits = 0;
        std::vector<Piece> removed;
        std::vector<Piece> inserted;
    };
    enum class StepKind { Insert, Delete, Other };
    struct Step
    {
        std::vector<Change> changes;
        StepKind kind = StepKind::Other;
    };
    struct PieceText
    {
        QString text;
        std::vector<unsigned char> ends;   // per break: a LineEnd, or MainEnd
    };
    static constexpr unsigned char MainEnd = 4;
    class Source;
    class Reader;
    friend class Reader;
    friend class Source;

    TextFormat saveFormat() const;
    int writeBytes(const TextFormat &format, const ByteSink &sink, qsizetype *substituted = nullptr) const;
    void reset(QByteArray bytes, std::vector<Piece> pieces, const TextFormat &format);

    const char *bufferOf(const Piece &piece) const;
    PieceText decodePiece(const Piece &piece) const;
    const QString &cachedText(const Piece &piece) const;
    qint64 byteOfUnit(const Piece &piece, qint64 unit, qint64 *atomStart, int *atomUnits) const;
    qint64 breaksBefore(const Piece &piece, qint64 unit) const;
    qint64 unitAfterBreak(const Piece &piece, qint64 nth) const;
    Piece subPiece(const Piece &piece, qint64 fromByte, qint64 toByte) const;

    void ensurePrefix() const;
    void invalidate(int leaf);
    Loc locate(qint64 position) const;
    std::vector<Piece> cutPiece(const Piece &piece, qint64 offset, int &right);
    Loc splitAt(qint64 position);
    void setPieces(const std::vector<Piece> &pieces);
    std::vector<Piece> splice(qint64 position, qint64 length, const std::vector<Piece> &pieces);
    void normalize(int first, int last);

    std::vector<Piece> appendAdded(QStringView text);
    unsigned char *addedAt(qint64 offset) const
    {
        return m_addedBlocks[size_t(offset / m_limits.addedBlockBytes)].get() + offset % m_limits.addedBlockBytes;
    }
    unsigned char *addedRoom(qint64 bytes);
    qint64 addedSpace() const;
    void appendUnits(QStringView text);
    void appendBreak(unsigned char end);
    std::vector<Piece> cutAdded(qint64 from, qint64 to) const;
    bool extendTyping(qint64 position, QStringView text, Change &change);

    void record(Change change, StepKind kind);
    // anyway: look at both ends even when the text brings no placeholder (it is in the document already).
    bool settleBytes(int &position, int &removedLength, QStringView text, QString &settled,
                     std::vector<unsigned char> &ends, bool anyway = false) const;
    bool replaceSettled(int position, int removedLength, const QString &text, const std::vector<unsigned char> &ends);
    void settleAt(int position, int length);
    struct Span
    {
        qint64 position;   // in the text before any of them
        qint64 length;
        const std::vector<Piece> *pieces;
    };
    bool joinable(const Piece &a, const Piece &b) const;
    static void join(Piece &a, const Piece &b);
    void spliceInOnePass(const std::vector<Span> &spans);
    bool stepInOnePass(const Step &step, bool undoing, qint64 &at);
    int replaceAcrossLines(QStringView needle, QStringView with, int options, int start, int end);

    Limits m_limits;
    QByteArray m_original;   // the file's bytes as read; never changed
    // What edits brought, appended only, in blocks; a piece never spans two, and the end of a block
    // too short for the next unit holds Filler.
    static constexpr unsigned char Filler = 0xFF;
    std::vector<std::unique_ptr<unsigned char[]>> m_addedBlocks;
    qint64 m_addedEnd = 0;
    TextFormat m_format;     // how the document is saved
    Encoding m_sourceEncoding = Encoding::Utf8;   // how m_original reads
    bool m_reencoded = false;

    std::vector<Leaf> m_leaves;
    mutable std::vector<qint64> m_unitsBefore;   // per leaf, plus the total
    mutable std::vector<qint64> m_breaksBefore;
    mutable int m_validPrefix = 0;   // entries [0, m_validPrefix] are current

    std::vector<Step> m_steps;
    size_t m_done = 0;   // steps [0, m_done) are applied
    int m_compoundDepth = 0;
    bool m_compoundOpen = false;
    bool m_mergeable = false;

    struct CacheEntry
    {
        QString text;
        quint64 used = 0;
    };
    // Keyed by a piece's buffer range, which never changes meaning: buffers are never rewritten.
    mutable QHash<quint64, CacheEntry> m_cache;
    mutable qint64 m_cacheBytes = 0;
    mutable quint64 m_cacheClock = 0;
    quint64 m_revision = 0;   // counts changes to the pieces, so readers know when to start again
    std::unique_ptr<Source> m_source;
    ChangeObserver m_observer;
};

} // namespace text
