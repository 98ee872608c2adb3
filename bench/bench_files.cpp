// Open and save of a 100 MB, 1,000,000-line file, against a bare read-and-decode and encode-and-write.
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextStream>

#include "platform/richtextbox.h"
#include "text/fileio.h"
#include "text/textformat.h"

void benchFiles()
{
    QTextStream out(stdout);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.txt"));
    {
        QByteArray bytes;
        bytes.reserve(101'000'000);
        for (int i = 0; i < 1'000'000; ++i)
            bytes += QByteArray("Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor ")
                     + QByteArray::number(i).rightJustified(8, '0') + (i % 10 == 0 ? "\r\n" : "\n");
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
    }
    QElapsedTimer timer;
    timer.start();
    QByteArray raw;
    text::readFile(path, raw);
    const text::TextFormat format = text::detect(raw);
    const text::Decoded decoded = text::decode(raw, format);
    const double bareRead = timer.nsecsElapsed() / 1e9;

    double qtFloor = 0;
    // The toolkit's floor: Qt's own plain-text widget taking the same text.
    {
        QPlainTextEdit bare;
        timer.restart();
        bare.setPlainText(decoded.text);
        const double floor = timer.nsecsElapsed() / 1e9;
        qtFloor = floor;
    }

    platform::RichTextBox box;
    timer.restart();
    const int loadError = box.LoadFile(path, 1);
    const double open = timer.nsecsElapsed() / 1e9;
    out << "open 100 MB / 1,000,000 lines: " << open << " s, error " << loadError << " (" << open / bareRead
        << "x a bare read and decode of " << bareRead << " s; " << open / (bareRead + qtFloor)
        << "x that plus QPlainTextEdit::setPlainText, " << qtFloor << " s)\n";

    timer.restart();
    const QByteArray encoded = text::encode(decoded.text, decoded.ends, format);
    text::writeFile(dir.filePath(QStringLiteral("bare.txt")), encoded);
    const double bareWrite = timer.nsecsElapsed() / 1e9;
    timer.restart();
    const int saveError = box.SaveFile(path, 1);
    const double save = timer.nsecsElapsed() / 1e9;
    out << "save 100 MB / 1,000,000 lines: " << save << " s, error " << saveError << " (" << save / bareWrite
        << "x a bare encode and write of " << bareWrite << " s)\n";
    QFile a(path), b(dir.filePath(QStringLiteral("bare.txt")));
    a.open(QIODevice::ReadOnly);
    b.open(QIODevice::ReadOnly);
    out << "saved bytes identical to the original: " << (a.readAll() == b.readAll() ? "yes" : "NO") << "\n";

    // Every save reads its folder for the temporaries a crashed save left.
    QTemporaryDir crowded;
    for (int i = 0; i < 10'000; ++i)
        QFile(crowded.filePath(QString::number(i))).open(QIODevice::WriteOnly);
    const auto smallSave = [&](const QString &file) {
        timer.restart();
        for (int i = 0; i < 200; ++i)
            text::writeFile(file, QByteArray(1024, 'x'));
        return timer.nsecsElapsed() / 200e9;
    };
    const double alone = smallSave(dir.filePath(QStringLiteral("small.txt")));
    const double amid = smallSave(crowded.filePath(QStringLiteral("small.txt")));
    out << "save 1 KB beside 10,000 files: " << amid * 1e3 << " ms (" << amid / alone
        << "x the same save in a folder of three, " << alone * 1e3 << " ms)\n";
    out.flush();
}
