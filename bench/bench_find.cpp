// Find through 1 GB in the document model, beside grep and memmem over the same bytes in the same run.
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include "benchutil.h"
#include "text/document.h"
#include "text/search.h"

#include <cstring>
#include <functional>

namespace {

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

// Lines of words about 100 bytes long; `accented` puts French words in every line, none of them "café".
bool writeWords(const QString &path, qint64 size, bool accented)
{
    return bench::writeNumberedLines(path, size, accented
        ? QByteArray("D\xC3\xA9j\xC3\xA0 l'\xC3\xA9t\xC3\xA9, cr\xC3\xA8me br\xC3\xBBl\xC3\xA9\x65 et caff\xC3\xA8 na\xC3\xAF\x66 au "
                     "march\xC3\xA9 de la fa\xC3\xA7\x61\x64\x65 ")
        : QByteArray("Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor incididunt "));
}

qint64 best(int runs, const std::function<void()> &run)
{
    qint64 fastest = -1;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        const qint64 ns = timer.nsecsElapsed();
        fastest = fastest < 0 ? ns : std::min(fastest, ns);
    }
    return fastest;
}

qint64 grep(const QStringList &arguments)
{
    return best(3, [&] {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral("grep"), arguments);
        process.waitForFinished(-1);
    });
}

void line(const char *name, qint64 ns, qint64 baselineNs, const QString &baseline, bool sameAnswer)
{
    out() << name << ' ' << QString::number(double(ns) / double(baselineNs), 'f', 2) << "x " << baseline << " ("
          << QString::number(ns / 1e6, 'f', 0) << " ms vs " << QString::number(baselineNs / 1e6, 'f', 0) << " ms"
          << (sameAnswer ? "" : "; WRONG ANSWER") << ")\n";
    out().flush();
}

}

void benchFind()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("words-1GB.txt"));
    writeWords(path, 1000 * 1000 * 1000, false);
    {
        text::Document doc;
        doc.load(path);
        int found = 0;
        const qint64 exact = best(3, [&] { found = doc.find(u"QQZZXX", 0, -1, text::MatchCase); });
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        const QByteArray bytes = file.readAll();
        const void *hit = nullptr;
        const qint64 memmemNs = best(3, [&] { hit = memmem(bytes.constData(), size_t(bytes.size()), "QQZZXX", 6); });
        line("[find-1GB-match-case]", exact, memmemNs, QStringLiteral("memmem"), found < 0 && !hit);
        line("[find-1GB-match-case]", exact, grep({QStringLiteral("-cF"), QStringLiteral("QQZZXX"), path}),
             QStringLiteral("grep -cF"), found < 0);
        const qint64 folded = best(3, [&] { found = doc.find(u"QQZZXX", 0, -1, 0); });
        line("[find-1GB]", folded, grep({QStringLiteral("-ciF"), QStringLiteral("QQZZXX"), path}),
             QStringLiteral("grep -ciF"), found < 0);
        // The last line's number: every line's number holds candidates, and only the last one matches.
        const qint64 last = best(3, [&] { found = doc.find(u"09999999", 0, -1, 0); });
        line("[find-1GB-last-line]", last, grep({QStringLiteral("-cF"), QStringLiteral("09999999"), path}),
             QStringLiteral("grep -cF"), found > 0);
        const qint64 word = best(3, [&] { found = doc.find(u"09999999", 0, -1, text::WholeWord); });
        line("[find-1GB-whole-word]", word, last, QStringLiteral("whole word off"), found > 0);
    }
    QFile::remove(path);
    writeWords(path, 1000 * 1000 * 1000, true);
    {
        text::Document doc;
        doc.load(path);
        int found = 0;
        const qint64 folded = best(3, [&] { found = doc.find(u"caf\u00E9", 0, -1, 0); });
        line("[find-1GB-utf8]", folded, grep({QStringLiteral("-ciF"), QStringLiteral("caf\u00E9"), path}),
             QStringLiteral("grep -ciF"), found < 0);
    }
}
