// A keystroke with the edit journal on against one without, on two controls holding the same file, in
// alternating rounds so that both see the same machine.
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTextStream>

#include "platform/richtextbox.h"

#include <algorithm>

namespace {

void key(QWidget *view, int code, const QString &text)
{
    QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier, text);
    QKeyEvent release(QEvent::KeyRelease, code, Qt::NoModifier, text);
    QApplication::sendEvent(view, &press);
    QApplication::sendEvent(view, &release);
}

// Microseconds per keystroke over a round of typing with a few corrections in the middle of the document.
double typingRound(platform::RichTextBox &box, int keys)
{
    QWidget *view = box.focusProxy();
    box.setSelStart(box.textLength() / 2);
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < keys; ++i) {
        // Lines stay short, as typed prose does: a long line's layout would swamp both sides.
        if (i % 50 == 49)
            key(view, Qt::Key_Return, QStringLiteral("\r"));
        else if (i % 10 == 9)
            key(view, Qt::Key_Backspace, QString());
        else
            key(view, Qt::Key_A + i % 26, QString(QChar(u'a' + i % 26)));
    }
    return double(timer.nsecsElapsed()) / keys / 1000.0;
}

}

void benchJournal()
{
    QTextStream out(stdout);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("doc.txt"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return;
        for (int i = 0; i < 10000; ++i)
            file.write(QByteArray("The quick brown fox jumps over the lazy dog, line ") + QByteArray::number(i) + '\n');
    }
    platform::RichTextBox plain, journaled;
    journaled.KeepJournal(dir.filePath(QStringLiteral("journal")));
    for (platform::RichTextBox *box : {&plain, &journaled}) {
        box->resize(800, 600);
        box->show();
        box->LoadFile(path);
    }
    std::vector<double> off, on;
    const int keys = 3000;
    for (int round = 0; round < 8; ++round) {
        off.push_back(typingRound(plain, keys));
        on.push_back(typingRound(journaled, keys));
    }
    journaled.WaitJournalWritten();
    std::sort(off.begin(), off.end());
    std::sort(on.begin(), on.end());
    const double medianOff = (off[3] + off[4]) / 2, medianOn = (on[3] + on[4]) / 2;
    out << "keystroke, journal off: " << medianOff << " us; journal on: " << medianOn << " us ("
        << medianOn / medianOff << "x; median of 8 rounds of " << keys << " keys)\n";
    out.flush();
}
