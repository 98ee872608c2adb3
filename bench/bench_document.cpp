// The document model: open, peak memory, queries after many edits, save and Replace All, each
// against a bare baseline measured in the same run.
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>

#include "benchutil.h"
#include "text/document.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <functional>

#include <fcntl.h>
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

double ms(qint64 ns) { return ns / 1e6; }

// Lines of about 100 bytes; one in ten ends in CRLF and one in fifty holds a non-ASCII word.
bool writeLines(const QString &path, qint64 size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QByteArray block;
    for (qint64 written = 0, i = 0; written < size; ++i) {
        block += "Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor ";
        block += i % 50 == 0 ? QByteArray("caf\xC3\xA9 ") : QByteArray("cafe ");
        block += QByteArray::number(i).rightJustified(8, '0');
        block += i % 10 == 0 ? "\r\n" : "\n";
        if (block.size() >= (1 << 20)) {
            written += file.write(block);
            block.clear();
        }
    }
    return file.write(block) == block.size();
}

// The floor: read() into fresh memory and count the line feeds with memchr.
qint64 bareRead(const QString &path, qint64 &lines)
{
    QElapsedTimer timer;
    timer.start();
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    const qint64 size = QFileInfo(path).size();
    char *buffer = static_cast<char *>(std::malloc(size_t(size)));
    qint64 got = 0;
    for (ssize_t n; got < size && (n = ::read(fd, buffer + got, size_t(size - got))) > 0;)
        got += n;
    ::close(fd);
    lines = 0;
    for (const char *p = buffer, *end = buffer + got; (p = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)))); ++p)
        ++lines;
    const qint64 elapsed = timer.nsecsElapsed();
    std::free(buffer);
    return elapsed;
}

qint64 best(int runs, const std::function<qint64()> &run)
{
    qint64 fastest = LLONG_MAX;
    for (int i = 0; i < runs; ++i)
        fastest = std::min(fastest, run());
    return fastest;
}

void benchOpen(const QString &name, const QString &path, int runs)
{
    qint64 lines = 0;
    const qint64 floor = best(runs, [&] { return bareRead(path, lines); });
    int docLines = 0;
    const qint64 open = best(runs, [&] {
        QElapsedTimer timer;
        timer.start();
        text::Document doc;
        const bool loaded = bool(doc.load(path));
        const qint64 elapsed = timer.nsecsElapsed();
        docLines = loaded ? doc.lineCount() - 1 : -1;
        return elapsed;
    });
    out() << "[" << name << "] " << QString::number(double(open) / double(floor), 'f', 2) << "x read+scan ("
          << ms(open) << " ms vs " << ms(floor) << " ms read()+memchr; " << docLines << " breaks, "
          << (docLines == lines ? "as counted" : "MISCOUNTED") << ")\n";
    out().flush();
}

using bench::statusKb;

// Runs `work` in a child so that its peak is its own; the child returns the extra peak in KiB.
qint64 childPeak(const std::function<void()> &work)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::malloc_trim(0);   // free memory the parent kept would be reused without showing in the peak
        const qint64 before = statusKb("VmRSS:");
        QFile clear(QStringLiteral("/proc/self/clear_refs"));
        if (clear.open(QIODevice::WriteOnly))
            clear.write("5");   // the peak starts again from here
        clear.close();
        work();
        const qint64 peak = statusKb("VmHWM:") - before;
        (void)!::write(fds[1], &peak, sizeof peak);
        ::_exit(0);
    }
    ::close(fds[1]);
    qint64 peak = -1;
    if (::read(fds[0], &peak, sizeof peak) != sizeof peak)
        peak = -1;
    ::close(fds[0]);
    ::waitpid(pid, nullptr, 0);
    return peak;
}

void benchPeak(const QString &path)
{
    const qint64 size = QFileInfo(path).size();
    const qint64 peak = childPeak([&] {
        text::Document doc;
        doc.load(path);
    });
    out() << "[doc-peak-100MB] " << QString::number(double(peak) * 1024 / double(size), 'f', 3)
          << "x the file (" << peak / 1024 << " MiB peak for " << size / (1 << 20) << " MiB)\n";
    out().flush();
}

void benchQueriesAndSave(const QString &path, const QString &savePath)
{
    text::Document doc;
    doc.load(path);
    QRandomGenerator random(42);
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 100000; ++i) {
        const int at = random.bounded(doc.length());
        doc.breakTyping();
        if (i % 2)
            doc.remove(at, 1);
        else
            doc.insert(at, u"x");
    }
    const qint64 edits = timer.nsecsElapsed();

    constexpr int queries = 300000;
    std::vector<int> positions(queries);
    for (int &p : positions)
        p = random.bounded(doc.length());
    const int lines = doc.lineCount();
    qint64 sum = 0;
    timer.restart();
    for (int i = 0; i < queries; i += 3) {
        sum += doc.lineFromPosition(positions[size_t(i)]);
        sum += doc.lineStart(positions[size_t(i) + 1] % lines);
        sum += doc.charAt(positions[size_t(i) + 2]).unicode();
    }
    const double perQuery = timer.nsecsElapsed() / 1e3 / queries;

    // The same questions of a 1 MB QString, answered the plain way.
    QString small;
    while (small.size() < 1000000)
        small += QStringLiteral("Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor cafe 00000000\n");
    const int smallLines = int(small.count(u'\n')) + 1;
    constexpr int smallQueries = 3000;
    timer.restart();
    for (int i = 0; i < smallQueries; i += 3) {
        const int p = positions[size_t(i)] % int(small.size());
        sum += QStringView(small).first(p).count(u'\n');
        int line = positions[size_t(i) + 1] % smallLines, start = 0;
        for (; line > 0; --line)
            start = int(small.indexOf(u'\n', start)) + 1;
        sum += start;
        sum += small.at(positions[size_t(i) + 2] % int(small.size())).unicode();
    }
    const double perString = timer.nsecsElapsed() / 1e3 / smallQueries;
    out() << "[doc-query-100MB] " << QString::number(perQuery / perString, 'f', 4) << "x QString on 1 MB ("
          << QString::number(perQuery, 'f', 2) << " us per query vs " << QString::number(perString, 'f', 1)
          << " us; " << doc.pieceCount() << " pieces after 100,000 edits in " << ms(edits) << " ms) " << (sum ? "" : " ") << "\n";
    out().flush();

    // Find a word that is not there, line by line over the pieces, against one indexOf over the whole text.
    {
        const QString whole = doc.Text();
        QElapsedTimer f;
        f.start();
        const qsizetype plain = whole.indexOf(QStringLiteral("absent word"), 0, Qt::CaseInsensitive);
        const qint64 baseline = f.nsecsElapsed();
        f.restart();
        const int found = text::find(doc.blocks(), u"absent word", 0, -1, 0);
        const qint64 find = f.nsecsElapsed();
        out() << "[doc-find-100MB] " << QString::number(double(find) / double(baseline), 'f', 2)
              << "x QString::indexOf on the whole text (" << ms(find) << " ms vs " << ms(baseline) << " ms; "
              << (found == plain ? "same answer" : "DIFFERENT ANSWER") << ")\n";
        out().flush();
    }

    // Save after one more edit, against writing and syncing the same bytes.
    doc.insert(doc.length() / 2, u"one edit");
    const QByteArray bytes = doc.toBytes();
    const QString barePath = savePath + QStringLiteral(".bare");
    const qint64 bare = best(3, [&] {
        QElapsedTimer t;
        t.start();
        const int fd = ::open(QFile::encodeName(barePath).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        qint64 done = 0;
        for (ssize_t n; done < bytes.size() && (n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done))) > 0;)
            done += n;
        ::fsync(fd);
        ::close(fd);
        return t.nsecsElapsed();
    });
    bool saved = true;
    const qint64 save = best(3, [&] {
        QElapsedTimer t;
        t.start();
        saved = saved && bool(doc.save(savePath));
        return t.nsecsElapsed();
    });
    QFile written(savePath);
    written.open(QIODevice::ReadOnly);
    const bool same = saved && written.readAll() == bytes;
    out() << "[doc-save-100MB] " << QString::number(double(save) / double(bare), 'f', 2) << "x a bare write ("
          << ms(save) << " ms vs " << ms(bare) << " ms write()+fsync; " << (same ? "same bytes" : "BYTES DIFFER") << ")\n";
    out().flush();
}

QByteArray needleDocument()
{
    const QByteArray filler = "lorem ipsum dolor sit amet consectetur adipiscing elit sed do eiusmod tempor incididunt";
    QByteArray text;
    for (int i = 0; i < 100000; ++i)
        text += filler.left(45 + i % 7) + " needle " + filler.left(46 - i % 7) + "\n";
    return text;
}

void benchReplace()
{
    const QByteArray bytes = needleDocument();
    const QString string = QString::fromUtf8(bytes);
    QString bare;
    const qint64 baseline = best(3, [&] {
        bare = string;
        QElapsedTimer t;
        t.start();
        bare.replace(QStringLiteral("needle"), QStringLiteral("pin"), Qt::CaseInsensitive);
        return t.nsecsElapsed();
    });
    text::Document doc;
    doc.setBytes(bytes);
    QElapsedTimer t;
    t.start();
    const int count = doc.replaceAll(u"needle", u"pin", 0);
    const qint64 replace = t.nsecsElapsed();
    const bool same = doc.Text() == bare;
    t.restart();
    doc.undo();
    const qint64 undo = t.nsecsElapsed();
    const bool restored = doc.toBytes() == bytes;
    out() << "[doc-replace-10MB] " << QString::number(double(replace) / double(baseline), 'f', 2)
          << "x QString::replace (" << ms(replace) << " ms vs " << ms(baseline) << " ms; " << count
          << " replacements, " << (same ? "same text" : "TEXT DIFFERS") << ")\n";
    out() << "[doc-undo-replace-10MB] " << QString::number(double(undo) / double(replace), 'f', 3)
          << "x the Replace All (" << ms(undo) << " ms; " << (restored ? "bytes restored" : "BYTES DIFFER") << ")\n";
    out().flush();
}

// About ten million replacements of "a" by "aa", in a child to measure its peak.
void benchReplaceEvery()
{
    QByteArray bytes;
    while (bytes.size() < 10 * 1000 * 1000)
        bytes += QByteArray(99, 'a') + (bytes.size() % 1000 == 0 ? "b\n" : "\n");
    const QString string = QString::fromLatin1(bytes);
    QElapsedTimer t;
    t.start();
    QString bare = string;
    bare.replace(u'a', QStringLiteral("aa"));
    const qint64 baseline = t.nsecsElapsed();

    int fds[2];
    if (::pipe(fds) != 0)
        return;
    struct Result { qint64 replace, undo, peakKb; int count; bool same; };
    childPeak([&] {
        ::malloc_trim(0);
        const qint64 before = statusKb("VmRSS:");
        text::Document doc;
        doc.setBytes(QByteArray(bytes.constData(), bytes.size()));   // its own copy, counted in the peak
        QElapsedTimer timer;
        timer.start();
        Result r{};
        r.count = doc.replaceAll(u"a", u"aa", text::MatchCase);
        r.replace = timer.nsecsElapsed();
        r.same = doc.length() == bare.size() && doc.text(0, 1000) == bare.left(1000);
        timer.restart();
        doc.undo();
        r.undo = timer.nsecsElapsed();
        r.peakKb = statusKb("VmHWM:") - before;   // before the check below makes bytes of its own
        r.same = r.same && doc.toBytes() == bytes;
        (void)!::write(fds[1], &r, sizeof r);
    });
    ::close(fds[1]);
    Result r{};
    const bool got = ::read(fds[0], &r, sizeof r) == sizeof r;
    ::close(fds[0]);
    const qint64 peak = r.peakKb;
    out() << "[doc-replace-every-10MB] " << QString::number(r.replace / 1e9, 'f', 2) << " s ("
          << QString::number(double(r.replace) / double(baseline), 'f', 1) << "x QString::replace, " << r.count
          << " replacements; peak " << QString::number(double(peak) * 1024 / double(bytes.size()), 'f', 2)
          << "x the file, the document included; undo " << QString::number(r.undo / 1e9, 'f', 3) << " s; "
          << (got && r.same ? "text and bytes right" : "WRONG") << ")\n";
    out().flush();
}

} // namespace

// Every scenario runs with "document"; one alone with its name, e.g. doc-replace-10MB.
void benchDocument(const std::function<bool(const char *)> &wanted)
{
    QTemporaryDir dir;
    const QString path100 = dir.filePath(QStringLiteral("100MB.txt"));
    if (wanted("doc-peak-100MB") || wanted("doc-open-100MB") || wanted("doc-query-100MB") || wanted("doc-save-100MB"))
        writeLines(path100, 100 * 1000 * 1000);
    if (wanted("doc-peak-100MB"))
        benchPeak(path100);
    if (wanted("doc-open-100MB"))
        benchOpen(QStringLiteral("doc-open-100MB"), path100, 5);
    if (wanted("doc-open-1GB")) {
        const QString path1g = dir.filePath(QStringLiteral("1GB.txt"));
        writeLines(path1g, 1000 * 1000 * 1000);
        benchOpen(QStringLiteral("doc-open-1GB"), path1g, 2);
        QFile::remove(path1g);
    }
    if (wanted("doc-query-100MB") || wanted("doc-save-100MB"))
        benchQueriesAndSave(path100, dir.filePath(QStringLiteral("saved.txt")));
    if (wanted("doc-replace-10MB") || wanted("doc-undo-replace-10MB"))
        benchReplace();
    if (wanted("doc-replace-every-10MB"))
        benchReplaceEvery();
}
