// The edit journal: a document's unsaved edits, appended to a file in the user's state folder so that a
// crash or a power cut does not take them; and reading such a file back.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "text/textformat.h"

namespace text {

// The file the document's text came from when the journal began (path empty: untitled).
struct JournalHeader
{
    QString path;
    qint64 size = 0;
    qint64 modifiedNs = 0;
    QByteArray edgeHash;   // of the first and last 64 KB
};

// The text the edits apply to, kept in the journal when it is small enough: either a file's bytes in their
// format, or text. Without it, the edits can only go onto the file the header names, unchanged.
struct JournalBase
{
    enum Kind { None, FileBytes, Text } kind = None;
    QByteArray bytes;
    TextFormat format;
    QString text;
};

struct JournalEdit
{
    qint64 position = 0;
    qint64 removed = 0;
    QString inserted;
};

struct JournalContents
{
    JournalHeader header;
    JournalBase base;
    std::vector<JournalEdit> edits;
    QString fault;              // why the records cannot be trusted; empty when they can
    QString baseText() const;   // the base decoded; null without one
};

// The largest base a journal stores, in bytes of the file or of UTF-16 text.
constexpr qsizetype MaxJournalBase = qsizetype(16) << 20;

QByteArray edgeHash(QByteArrayView bytes);
// The header of the file as it is now: size, time and edge hash; nullopt when it cannot be read.
std::optional<JournalHeader> headerOfFile(const QString &path);
bool sameFile(const JournalHeader &a, const JournalHeader &b);

QByteArray encodeJournalStart(const JournalHeader &header);
QByteArray encodeJournalBase(const JournalBase &base);
QByteArray encodeJournalEdit(qint64 position, qint64 removed, QStringView inserted);
// Whole records only: a record torn by a crash and what follows it are left out. Nullopt when not even the
// header is whole.
std::optional<JournalContents> decodeJournal(QByteArrayView bytes);
// Whether the edit lies within a text of that length, and what it leaves still fits 32-bit positions.
bool editFits(const JournalEdit &edit, qint64 length);
// False, leaving text unspecified, when an edit falls outside the text.
bool replayJournal(QString &text, const std::vector<JournalEdit> &edits);

// $XDG_STATE_HOME/Penwick/journal (by default ~/.local/state/Penwick/journal).
QString journalFolder();
// Journals in the folder that no running program keeps, newest first (their owner holds a lock on each while it lives).
QStringList leftJournals(const QString &folder);
std::optional<JournalContents> readJournal(const QString &file);
bool removeJournal(const QString &file);

// Appends to one journal file at a time on a thread of its own: a caller never waits for the disk. Bytes are
// written and flushed (fdatasync) once they have waited `delay` milliseconds; a removal goes at once. Bytes that
// could not be written are kept and tried again every `delay` (at least every second) until they are on the disk.
class JournalWriter
{
public:
    // Called on the writer's thread with why the journal cannot be written, and with an empty reason once it can.
    using Reporter = std::function<void(const QString &problem)>;

    explicit JournalWriter(int delayMs = 1000);
    ~JournalWriter();   // finishes what was asked first
    JournalWriter(const JournalWriter &) = delete;
    JournalWriter &operator=(const JournalWriter &) = delete;

    void setReporter(Reporter reporter);
    void start(const QString &file, const QByteArray &head, const JournalBase &base, const QByteArray &first);
    void append(const QByteArray &bytes);
    void remove();
    bool started() const { return !m_file.isEmpty(); }
    QString file() const { return m_file; }
    void waitWritten();   // everything asked so far has been tried once
    bool written();       // and is on the disk

private:
    struct Op
    {
        enum Kind { Create, Append, Remove } kind;
        QString file;
        QByteArray bytes;
        JournalBase base;
        QByteArray after;   // Create: the first edits, after the base
    };
    void run();
    void process(std::vector<Op> &ops);
    QString flush();
    QString create();
    void closeFile();

    const int m_delayMs;
    QString m_file;   // the caller's view: the file its next bytes go to
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    std::vector<Op> m_ops;
    std::chrono::steady_clock::time_point m_firstPending;
    bool m_busy = false;
    bool m_urgent = false;
    bool m_stop = false;
    bool m_retrying = false;
    Reporter m_reporter;
    // The worker's: the open journal, how much of it is surely on the disk, and what must follow.
    int m_fd = -1;
    QString m_openFile;
    bool m_created = false;
    qint64 m_synced = 0;
    QByteArray m_pending;
    QString m_problem;
    std::thread m_thread;
};

// What the edit control keeps: the text's origin from the last load or save, and the edits since, in a
// journal file that exists from the first edit until the document is saved or discarded.
class EditJournal
{
public:
    explicit EditJournal(const QString &folder, int delayMs = 1000);
    void begin(const JournalHeader &header, const JournalBase &base);
    void edited(qint64 position, qint64 removed, QStringView inserted);
    void discard();
    void waitWritten() { m_writer.waitWritten(); }
    bool written() { return m_writer.written(); }
    void setReporter(JournalWriter::Reporter reporter) { m_writer.setReporter(std::move(reporter)); }
    QString file() const { return m_writer.file(); }

private:
    QString m_folder;
    JournalHeader m_header;
    JournalBase m_base;
    JournalWriter m_writer;
};

}
