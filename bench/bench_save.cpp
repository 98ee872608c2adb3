// Save through the edit control after one keystroke at the end of 100 MB and 1 GB, beside dd writing and
// syncing the same file in the same run: time, the process's peak memory during the save, and after it.
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include "benchutil.h"
#include "platform/richtextbox.h"

namespace {

void benchSaveOf(const QString &name, qint64 size)
{
    QTextStream out(stdout);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.txt"));
    bench::writeNumberedLines(path, size, "Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor incididunt ");
    const double fileMb = double(QFile(path).size()) / (1 << 20);
    QElapsedTimer timer;
    timer.start();
    QProcess dd;
    dd.start(QStringLiteral("dd"), {QStringLiteral("if=") + path, QStringLiteral("of=") + dir.filePath(QStringLiteral("dd.txt")),
                                    QStringLiteral("bs=1M"), QStringLiteral("conv=fsync")});
    dd.waitForFinished(-1);
    const qint64 ddNs = timer.nsecsElapsed();
    QFile::remove(dir.filePath(QStringLiteral("dd.txt")));
    {
        platform::RichTextBox box;
        box.LoadFile(path, 1);
        box.setSelStart(box.textLength());
        box.setSelText(QStringLiteral("x"));
        const double before = bench::statusKb("VmRSS:") / 1024.0;
        // The peak from here on is the save's own.
        QFile clear(QStringLiteral("/proc/self/clear_refs"));
        if (clear.open(QIODevice::WriteOnly))
            clear.write("5");
        clear.close();
        timer.restart();
        const int error = box.SaveFile(path, 1);
        const qint64 saveNs = timer.nsecsElapsed();
        const double peak = bench::statusKb("VmHWM:") / 1024.0;
        const double after = bench::statusKb("VmRSS:") / 1024.0;
        QFile saved(path);
        const bool right = saved.size() == qint64(fileMb * (1 << 20)) + 1;
        out << name << ' ' << QString::number(double(saveNs) / double(ddNs), 'f', 2) << "x dd conv=fsync ("
            << QString::number(saveNs / 1e6, 'f', 0) << " ms vs " << QString::number(ddNs / 1e6, 'f', 0) << " ms); peak "
            << QString::number(peak / fileMb, 'f', 2) << "x the file during the save (" << QString::number(before / fileMb, 'f', 2)
            << "x before it), after it "
            << QString::number(after / before, 'f', 3) << "x before" << (error == 0 && right ? "" : "; FAILED") << "\n";
        out.flush();
    }
}

}

void benchSave()
{
    benchSaveOf(QStringLiteral("[save-100MB]"), 100 * 1000 * 1000);
    benchSaveOf(QStringLiteral("[save-1GB]"), 1000 * 1000 * 1000);
}
