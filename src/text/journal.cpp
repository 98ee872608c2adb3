// The edit journal's format, its folder, and the writer that keeps its disk work off the caller's thread.
#include "text/journal.h"

#include "text/filename.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <limits>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace text {

namespace {

constexpr char Magic[] = "PWJ1";
constexpr qint64 Edge = 64 * 1024;

// A record is kind, payload length, payload, and a checksum of all three: a write torn by a crash shows.
quint32 checksum(QByteArrayView bytes, quint32 hash = 2166136261u)
{
    for (const char c : bytes)
        hash = (hash ^ quint8(c)) * 16777619u;
    return hash;
}

void putU32(QByteArray &out, quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

void putI64(QByteArray &out, qint64 v)
{
    char b[8];
    qToLittleEndian(v, b);
    out.append(b, 8);
}

void putUnits(QByteArray &out, QStringView s)
{
    out.append(reinterpret_cast<const char *>(s.utf16()), s.size() * 2);
}

QByteArray record(char kind, const QByteArray &payload)
{
    QByteArray out;
    out.reserve(payload.size() + 9);
    out.append(kind);
    putU32(out, quint32(payload.size()));
    out.append(payload);
    putU32(out, checksum(out));
    return out;
}

class Reader
{
public:
    explicit Reader(QByteArrayView bytes) : m_bytes(bytes) {}
    bool atEnd() const { return m_at >= m_bytes.size(); }
    bool take(qsizetype n, QByteArrayView &out)
    {
        if (n < 0 || m_bytes.size() - m_at < n)
            return false;
        out = m_bytes.sliced(m_at, n);
        m_at += n;
        return true;
    }
    bool u32(quint32 &v)
    {
        QByteArrayView b;
        if (!take(4, b))
            return false;
        v = qFromLittleEndian<quint32>(b.data());
        return true;
    }
    bool i64(qint64 &v)
    {
        QByteArrayView b;
        if (!take(8, b))
            return false;
        v = qFromLittleEndian<qint64>(b.data());
        return true;
    }
    bool units(qsizetype count, QString &s)
    {
        QByteArrayView b;
        if (!take(count * 2, b))
            return false;
        s = QString(count, Qt::Uninitialized);
        std::memcpy(s.data(), b.data(), size_t(count) * 2);
        return true;
    }
    QByteArrayView rest() const { return m_bytes.sliced(m_at); }
    // The next whole record with a good checksum.
    bool next(char &kind, QByteArrayView &payload)
    {
        const qsizetype start = m_at;
        quint32 length = 0, sum = 0;
        QByteArrayView k;
        if (!take(1, k) || !u32(length) || !take(qsizetype(length), payload))
            return false;
        const QByteArrayView whole = m_bytes.sliced(start, m_at - start);
        if (!u32(sum) || sum != checksum(whole))
            return false;
        kind = k[0];
        return true;
    }

private:
    QByteArrayView m_bytes;
    qsizetype m_at = 0;
};

bool writeAll(int fd, QByteArrayView bytes)
{
    const char *p = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(qMin<qsizetype>(left, qsizetype(1) << 30)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0)
            errno = ENOSPC;
        if (n <= 0)
            return false;
        p += n;
        left -= n;
    }
    return true;
}

// The folder and its parents that are ours to make, each only for its owner.
bool makeFolder(const QString &folder)
{
    const QStringList parts = QDir::cleanPath(folder).split(QLatin1Char('/'));
    QString path;
    for (const QString &part : parts) {
        path += part.isEmpty() ? QString() : QLatin1Char('/') + part;
        if (!path.isEmpty() && ::mkdir(encodeName(path).constData(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return ::chmod(encodeName(folder).constData(), 0700) == 0;
}

void syncFolderOf(const QString &file)
{
    const int dir = ::open(encodeName(QFileInfo(file).path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

}

QString JournalContents::baseText() const
{
    switch (base.kind) {
    case JournalBase::FileBytes: return decode(base.bytes, base.format).text;
    case JournalBase::Text: return base.text.isNull() ? QString(QLatin1String("")) : base.text;
    case JournalBase::None: break;
    }
    return QString();
}

QByteArray edgeHash(QByteArrayView bytes)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    if (bytes.size() <= 2 * Edge) {
        hash.addData(bytes);
    } else {
        hash.addData(bytes.first(Edge));
        hash.addData(bytes.last(Edge));
    }
    return hash.result();
}

std::optional<JournalHeader> headerOfFile(const QString &path)
{
    // Non-blocking: a FIFO put in the file's place must not hang the start.
    const int fd = ::open(encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st;
    QByteArray edges;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (ok) {
        const qint64 size = qint64(st.st_size);
        const qint64 first = size <= 2 * Edge ? size : Edge;
        edges.resize(size <= 2 * Edge ? size : 2 * Edge);
        ok = ::pread(fd, edges.data(), size_t(first), 0) == first;
        if (ok && size > 2 * Edge)
            ok = ::pread(fd, edges.data() + Edge, size_t(Edge), size - Edge) == Edge;
    }
    ::close(fd);
    if (!ok)
        return std::nullopt;
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(edges);
    return JournalHeader{path, qint64(st.st_size), qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec, hash.result()};
}

bool sameFile(const JournalHeader &a, const JournalHeader &b)
{
    return a.path == b.path && a.size == b.size && a.modifiedNs == b.modifiedNs && a.edgeHash == b.edgeHash;
}

QByteArray encodeJournalStart(const JournalHeader &header)
{
    QByteArray payload(Magic);
    putU32(payload, quint32(header.path.size()));
    putUnits(payload, header.path);
    putI64(payload, header.size);
    putI64(payload, header.modifiedNs);
    putU32(payload, quint32(header.edgeHash.size()));
    payload.append(header.edgeHash);
    return record('H', payload);
}

QByteArray encodeJournalBase(const JournalBase &base)
{
    QByteArray payload;
    switch (base.kind) {
    case JournalBase::FileBytes:
        payload.reserve(base.bytes.size() + 3);
        payload.append(char(base.format.encoding));
        payload.append(char(base.format.bom));
        payload.append(char(base.format.lineEnd));
        payload.append(base.bytes);
        return record('B', payload);
    case JournalBase::Text:
        putUnits(payload, base.text);
        return record('T', payload);
    case JournalBase::None: break;
    }
    return QByteArray();
}

QByteArray encodeJournalEdit(qint64 position, qint64 removed, QStringView inserted)
{
    QByteArray payload;
    payload.reserve(16 + inserted.size() * 2);
    putI64(payload, position);
    putI64(payload, removed);
    putUnits(payload, inserted);
    return record('E', payload);
}

std::optional<JournalContents> decodeJournal(QByteArrayView bytes)
{
    Reader reader(bytes);
    char kind = 0;
    QByteArrayView payload;
    if (!reader.next(kind, payload) || kind != 'H' || !payload.startsWith(Magic))
        return std::nullopt;
    JournalContents contents;
    {
        Reader h(payload.sliced(4));
        quint32 pathUnits = 0, hashSize = 0;
        QByteArrayView hash;
        if (!h.u32(pathUnits) || !h.units(pathUnits, contents.header.path) || !h.i64(contents.header.size)
            || !h.i64(contents.header.modifiedNs) || !h.u32(hashSize) || !h.take(hashSize, hash))
            return std::nullopt;
        contents.header.edgeHash = hash.toByteArray();
    }
    if (contents.header.size < 0 || contents.header.path.contains(QChar(0)))
        contents.fault = QStringLiteral("Its file's description is damaged.");
    // A record with a good checksum whose fields make no sense was not written by Penwick: nothing of the
    // journal is applied, and nothing after it is read.
    while (contents.fault.isEmpty() && reader.next(kind, payload)) {
        const bool baseAllowed = contents.edits.empty() && contents.base.kind == JournalBase::None;
        if (kind == 'E') {
            Reader e(payload);
            JournalEdit edit;
            if (!e.i64(edit.position) || !e.i64(edit.removed) || e.rest().size() % 2 != 0
                || !e.units(e.rest().size() / 2, edit.inserted) || edit.position < 0 || edit.removed < 0) {
                contents.fault = QStringLiteral("An edit in it is damaged.");
                break;
            }
            contents.edits.push_back(std::move(edit));
        } else if (kind == 'B' && baseAllowed && payload.size() >= 3 && quint8(payload[0]) <= quint8(Encoding::Latin8)
                   && quint8(payload[1]) <= 1 && quint8(payload[2]) <= quint8(LineEnd::PS)) {
            contents.base.kind = JournalBase::FileBytes;
            contents.base.format = {Encoding(payload[0]), payload[1] != 0, LineEnd(payload[2])};
            contents.base.bytes = payload.sliced(3).toByteArray();
        } else if (kind == 'T' && baseAllowed && payload.size() % 2 == 0) {
            contents.base.kind = JournalBase::Text;
            Reader(payload).units(payload.size() / 2, contents.base.text);
        } else {
            contents.fault = QStringLiteral("Its text is damaged.");
        }
    }
    return contents;
}

bool editFits(const JournalEdit &edit, qint64 length)
{
    // Positions are 32-bit, before and after the edit; no sum here can overflow.
    return length >= 0 && length <= std::numeric_limits<int>::max() && edit.position >= 0 && edit.removed >= 0
        && edit.position <= length && edit.removed <= length - edit.position
        && edit.inserted.size() <= std::numeric_limits<int>::max() - (length - edit.removed);
}

bool replayJournal(QString &text, const std::vector<JournalEdit> &edits)
{
    for (const JournalEdit &edit : edits) {
        if (!editFits(edit, text.size()))
            return false;
        text.replace(edit.position, edit.removed, edit.inserted);
    }
    return true;
}

QString journalFolder()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/Penwick/journal");
}

QStringList leftJournals(const QString &folder)
{
    QStringList left;
    const QStringList names = QDir(folder).entryList({QStringLiteral("*.journal")}, QDir::Files | QDir::Hidden, QDir::Time);
    for (const QString &name : names) {
        const QString file = folder + QLatin1Char('/') + name;
        const int fd = ::open(encodeName(file).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            left << file;
        ::close(fd);
    }
    return left;
}

std::optional<JournalContents> readJournal(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    return decodeJournal(f.readAll());
}

bool removeJournal(const QString &file)
{
    return ::unlink(encodeName(file).constData()) == 0 || errno == ENOENT;
}

// --- JournalWriter ---

JournalWriter::JournalWriter(int delayMs) : m_delayMs(delayMs), m_thread([this] { run(); }) {}

JournalWriter::~JournalWriter()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void JournalWriter::setReporter(Reporter reporter)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_reporter = std::move(reporter);
}

void JournalWriter::start(const QString &file, const QByteArray &head, const JournalBase &base, const QByteArray &first)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_ops.empty())
        m_firstPending = std::chrono::steady_clock::now();
    m_ops.push_back({Op::Create, file, head, base, first});
    m_file = file;
    m_wake.notify_all();
}

void JournalWriter::append(const QByteArray &bytes)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_ops.empty() && m_ops.back().file == m_file && m_ops.back().kind != Op::Remove) {
        // Still waiting: the bytes join it, and the worker's deadline stays that of the first.
        (m_ops.back().kind == Op::Create ? m_ops.back().after : m_ops.back().bytes).append(bytes);
        return;
    }
    if (m_ops.empty())
        m_firstPending = std::chrono::steady_clock::now();
    m_ops.push_back({Op::Append, m_file, bytes, {}, {}});
    m_wake.notify_all();
}

void JournalWriter::remove()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_file.isEmpty())
        return;
    bool created = true;
    while (!m_ops.empty() && m_ops.back().file == m_file && m_ops.back().kind != Op::Remove) {
        created = m_ops.back().kind != Op::Create;
        m_ops.pop_back();
    }
    if (created)
        m_ops.push_back({Op::Remove, m_file, {}, {}, {}});
    m_file.clear();
    m_urgent = true;
    m_wake.notify_all();
}

void JournalWriter::waitWritten()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_urgent = true;
    m_wake.notify_all();
    m_done.wait(lock, [this] { return m_ops.empty() && !m_busy; });
}

bool JournalWriter::written()
{
    waitWritten();
    std::lock_guard<std::mutex> lock(m_mutex);
    return !m_retrying;
}

void JournalWriter::run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    const auto asked = [this] { return m_stop || !m_ops.empty(); };
    for (;;) {
        if (m_retrying)
            m_wake.wait_for(lock, std::chrono::milliseconds(qBound(1, m_delayMs, 1000)), asked);
        else
            m_wake.wait(lock, asked);
        if (m_ops.empty() && !m_retrying)
            break;
        // Typing goes on while the bytes wait: one write and one flush carry a burst of keystrokes.
        if (!m_ops.empty() && !m_urgent && !m_stop)
            m_wake.wait_until(lock, m_firstPending + std::chrono::milliseconds(m_delayMs), [this] { return m_stop || m_urgent; });
        std::vector<Op> ops;
        ops.swap(m_ops);
        m_urgent = false;
        m_busy = true;
        lock.unlock();
        process(ops);
        const QString problem = flush();
        const bool changed = problem != m_problem;
        m_problem = problem;
        lock.lock();
        m_retrying = !problem.isEmpty();
        const Reporter reporter = changed ? m_reporter : Reporter();
        m_busy = false;
        m_done.notify_all();
        if (reporter) {
            lock.unlock();
            reporter(problem);
            lock.lock();
        }
        // Stopping: what could not be written after one more try stays unwritten.
        if (m_stop && m_ops.empty())
            break;
    }
    closeFile();
}

void JournalWriter::closeFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

void JournalWriter::process(std::vector<Op> &ops)
{
    for (Op &op : ops) {
        switch (op.kind) {
        case Op::Create:
            closeFile();
            m_openFile = op.file;
            m_created = false;
            m_synced = 0;
            m_pending = op.bytes + encodeJournalBase(op.base) + op.after;
            break;
        case Op::Append:
            if (op.file == m_openFile)
                m_pending.append(op.bytes);
            break;
        case Op::Remove:
            ::unlink(encodeName(op.file).constData());
            if (op.file == m_openFile) {
                closeFile();
                m_openFile.clear();
                m_created = false;
                m_pending.clear();
            }
            break;
        }
    }
}

// Empty once everything asked is on the disk; otherwise why not, with the bytes kept for the next try.
QString JournalWriter::flush()
{
    if (m_openFile.isEmpty() || m_pending.isEmpty())
        return QString();
    if (!m_created)
        return create();
    // Written again from the last point known to be on the disk: a torn write or a failed flush loses nothing.
    const char *p = m_pending.constData();
    qint64 at = m_synced;
    qsizetype left = m_pending.size();
    bool ok = true;
    while (ok && left > 0) {
        const ssize_t n = ::pwrite(m_fd, p, size_t(qMin<qsizetype>(left, qsizetype(1) << 30)), off_t(at));
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0)
            errno = ENOSPC;
        ok = n > 0;
        if (ok) {
            p += n;
            at += n;
            left -= n;
        }
    }
    ok = ok && ::fdatasync(m_fd) == 0;
    if (!ok) {
        const int error = errno;
        // Whole records stay readable, and the space a torn record took is given back.
        if (::ftruncate(m_fd, off_t(m_synced)) != 0) {
            // Left as it is: the next try writes over it from the same point, and a torn record fails its checksum.
        }
        return qt_error_string(error);
    }
    m_synced = at;
    m_pending.clear();
    return QString();
}

// Made under another name and renamed once locked and whole, so no reader sees it unlocked or empty.
QString JournalWriter::create()
{
    const QString fresh = m_openFile + QStringLiteral(".new");
    const QByteArray native = encodeName(fresh);
    bool ok = makeFolder(QFileInfo(m_openFile).path());
    if (ok) {
        m_fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        ok = m_fd >= 0;
    }
    ok = ok && ::flock(m_fd, LOCK_EX | LOCK_NB) == 0;
    ok = ok && writeAll(m_fd, m_pending) && ::fdatasync(m_fd) == 0 && ::rename(native.constData(), encodeName(m_openFile).constData()) == 0;
    if (!ok) {
        const int error = errno;
        ::unlink(native.constData());
        closeFile();
        return qt_error_string(error);
    }
    syncFolderOf(m_openFile);
    m_created = true;
    m_synced = m_pending.size();
    m_pending.clear();
    return QString();
}

// --- EditJournal ---

EditJournal::EditJournal(const QString &folder, int delayMs) : m_folder(folder), m_writer(delayMs) {}

void EditJournal::begin(const JournalHeader &header, const JournalBase &base)
{
    discard();
    m_header = header;
    m_base = base;
}

void EditJournal::edited(qint64 position, qint64 removed, QStringView inserted)
{
    QByteArray edit = encodeJournalEdit(position, removed, inserted);
    if (m_writer.started()) {
        m_writer.append(edit);
        return;
    }
    // Several windows share the folder: the process and the moment name each journal apart.
    static std::atomic<int> serial{0};
    const QString name = QStringLiteral("%1-%2-%3.journal")
                             .arg(QCoreApplication::applicationPid())
                             .arg(QDateTime::currentMSecsSinceEpoch())
                             .arg(serial++);
    m_writer.start(m_folder + QLatin1Char('/') + name, encodeJournalStart(m_header), m_base, edit);
}

void EditJournal::discard()
{
    m_writer.remove();
}

}
