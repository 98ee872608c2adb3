// Plain-text files of the edit control: read and written through the safe file functions, in the file's format.
#include "platform/richtextbox.h"

#include <QFileInfo>

#include "text/fileio.h"

#include <cerrno>
#include <new>

namespace platform {

namespace {

constexpr int FileAccessError = 75;

QString pathKey(const QString &path)
{
    return QFileInfo(path).absoluteFilePath();
}

}

int RichTextBox::LoadFile(const QString &path, int)
{
    QByteArray bytes;
    m_fileResult = text::readFile(path, bytes);
    if (!m_fileResult)
        return FileAccessError;
    try {
        const QByteArray loaded = bytes;   // shared, not copied: the journal's base
        m_format = m_engine->load(std::move(bytes));
        m_ownedPaths.insert(pathKey(path));
        m_stampedPath = pathKey(path);
        m_stamp = text::stampOf(path);
        beginJournal(m_stampedPath, loaded, QString());
    } catch (const std::bad_alloc &) {
        m_fileResult = {ENOMEM, QStringLiteral("There is not enough memory to hold the file.")};
        return FileAccessError;
    }
    return 0;
}

int RichTextBox::SaveFile(const QString &path, int)
{
    if (path.isEmpty()) {
        m_fileResult = {ENOENT, QStringLiteral("The document has no name.")};
        return FileAccessError;
    }
    text::TextFormat format = m_format;
    // Never write a character as something else: the whole file becomes UTF-8.
    const bool unstorable = format.encoding == text::Encoding::Latin8 && !m_engine->fits(format.encoding);
    if (unstorable)
        format = {text::Encoding::Utf8, false, format.lineEnd};
    // A first pass keeps no copy of the file, only what it tells and a small file's bytes (the journal's base).
    struct Probe
    {
        text::ReadBack readBack;
        qint64 size = 0;
        qsizetype substituted = 0;
        QByteArray bytes;   // while the file is small enough for the journal to hold
    } probe;
    const auto look = [&](const text::TextFormat &f) {
        probe = Probe();
        m_engine->writeTo(f, [&](QByteArrayView chunk) {
            probe.readBack.feed(chunk);
            probe.size += chunk.size();
            if (probe.size <= text::MaxJournalBase)
                probe.bytes.append(chunk);
            else
                probe.bytes = QByteArray();
            return 0;
        }, &probe.substituted);
    };
    try {
        look(format);
        // Bytes that another reading would take for other text are written in a format that reads them as they are.
        for (text::TextFormat readable; (readable = probe.readBack.format(format)) != format;) {
            format = readable;
            look(format);
        }
    } catch (const std::bad_alloc &) {
        m_fileResult = {ENOMEM, QStringLiteral("There is not enough memory to write the file.")};
        return FileAccessError;
    }
    const bool small = probe.size <= text::MaxJournalBase;
    const text::WriteOptions options{m_ownedPaths.contains(pathKey(path))};
    m_fileResult = small ? text::writeFile(path, probe.bytes, options)
                         : text::writeFile(path, [&](const text::ByteSink &sink) { return m_engine->writeTo(format, sink); }, options);
    if (!m_fileResult)
        return FileAccessError;
    m_saveChange = format.encoding != m_format.encoding ? (unstorable ? SaveChange::Utf8ToStore : SaveChange::Utf8ToReadBack)
                   : format.bom != m_format.bom     ? SaveChange::Bom
                   : probe.substituted > 0          ? SaveChange::Replaced
                                                    : SaveChange::None;
    m_format = format;
    m_ownedPaths.insert(pathKey(path));
    m_stampedPath = pathKey(path);
    m_stamp = text::stampOf(path);
    if (probe.substituted > 0) {
        if (!small)
            text::readFile(path, probe.bytes);   // rare: what a big file reads as now, to show it
        showAsSaved(probe.bytes);
    }
    if (small) {
        beginJournal(m_stampedPath, probe.bytes, QString());
    } else {
        const std::optional<text::JournalHeader> written = text::headerOfFile(m_stampedPath);
        beginJournal(m_stampedPath, QByteArray(), QString(), written ? written->edgeHash : QByteArray());
    }
    return 0;
}

// What was written as U+FFFD is shown so from now on (one undo step), so that the text is what the file reads as.
void RichTextBox::showAsSaved(const QByteArray &bytes)
{
    const QString saved = text::decode(bytes, m_format).text;
    const QString shown = Text();
    if (saved.size() != shown.size())
        return;
    const int start = SelStart(), length = SelLength();
    {
        CompoundEdit group(*this);
        for (qsizetype i = 0; i < saved.size(); ++i) {
            qsizetype j = i;
            while (j < saved.size() && saved[j] != shown[j])
                ++j;
            if (j > i)
                m_engine->replace(int(i), int(j - i), saved.mid(i, j - i));
            i = j;
        }
    }
    m_engine->select(start, start + length);
}

bool RichTextBox::changedOnDisk(const QString &path) const
{
    if (pathKey(path) != m_stampedPath)
        return false;
    const text::FileStamp now = text::stampOf(path);
    return now.exists && now != m_stamp;
}

// --- The edit journal ---

void RichTextBox::KeepJournal(const QString &folder, int delayMs)
{
    // What the document holds now may already differ from its file: that text is the journal's base.
    m_journal = std::make_unique<text::EditJournal>(folder, delayMs);
    m_journal->setReporter([this](const QString &problem) {
        QMetaObject::invokeMethod(this, [this, problem] { emit journalProblem(problem); }, Qt::QueuedConnection);
    });
    beginJournal(QString(), QByteArray(), Text());
}

void RichTextBox::DiscardJournal()
{
    if (m_journal)
        m_journal->discard();
}

void RichTextBox::RebaseJournal()
{
    beginJournal(QString(), QByteArray(), Text());
}

void RichTextBox::WaitJournalWritten()
{
    if (m_journal)
        m_journal->waitWritten();
}

bool RichTextBox::JournalWritten()
{
    return !m_journal || m_journal->written();
}

QString RichTextBox::journalFile() const
{
    return m_journal ? m_journal->file() : QString();
}

void RichTextBox::textEdited(int position, int removed, const QString &inserted)
{
    if (m_journal)
        m_journal->edited(position, removed, inserted);
}

// The document now is the file's bytes (path set) or the text (untitled): the edits from here on apply to it.
void RichTextBox::beginJournal(const QString &path, const QByteArray &bytes, const QString &text, const QByteArray &edges)
{
    if (!m_journal)
        return;
    text::JournalHeader header;
    text::JournalBase base;
    if (path.isEmpty()) {
        base.kind = text::JournalBase::Text;
        base.text = text;
    } else {
        header = {path, m_stamp.size, m_stamp.modifiedNs, edges.isEmpty() ? text::edgeHash(bytes) : edges};
        if (edges.isEmpty() && bytes.size() <= text::MaxJournalBase) {
            base.kind = text::JournalBase::FileBytes;
            base.bytes = bytes;
            base.format = m_format;
        }
    }
    m_journal->begin(header, base);
}

bool RichTextBox::Replay(const std::vector<text::JournalEdit> &edits)
{
    qint64 length = textLength();
    for (const text::JournalEdit &edit : edits) {
        if (!text::editFits(edit, length))
            return false;
        length += edit.inserted.size() - edit.removed;
    }
    CompoundEdit group(*this);
    for (const text::JournalEdit &edit : edits)
        m_engine->replace(int(edit.position), int(edit.removed), edit.inserted);
    return true;
}

void RichTextBox::ClaimPath(const QString &path)
{
    m_ownedPaths.insert(pathKey(path));
}

}
