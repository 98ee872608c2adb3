// Coords at the end of a 1,000,000-line document, wrap off and on: warm per call, and the cold recount.
#include <QElapsedTimer>
#include <QTextStream>

#include "app/frmpenwick.h"
#include "platform/richtextbox.h"
#include "platform/statusbar.h"

namespace {

QString millionLines()
{
    QString text;
    text.reserve(100'000'000);
    const QString line = QStringLiteral("The quick brown fox jumps over the lazy dog; pack my box with five dozen liquor jugs, %1\n");
    for (int i = 0; i < 1'000'000; ++i)
        text += line.arg(i, 7, 10, QLatin1Char('0'));
    return text;
}

double perCall(const std::function<void()> &work, int calls)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < calls; ++i)
        work();
    return double(timer.nsecsElapsed()) / calls / 1000.0;
}

}

void benchCoords()
{
    QTextStream out(stdout);
    frmPenwick window;
    window.Form_Load();
    window.show();
    platform::RichTextBox &box = *window.RichTextBox;
    box.setText(millionLines());
    box.setSelStart(box.textLength());
    const int calls = 2000;
    // The baseline: one read of the caret position, the least any caret display must do.
    volatile int sink = 0;
    const double baseline = perCall([&] { sink = sink + box.SelStart(); }, calls);
    const double off = perCall([&] { window.Coords(); }, calls);
    out << "coords, wrap off, end of 1,000,000 lines: " << off << " us per call (" << off / baseline << "x one caret read)\n";
    QElapsedTimer cold;
    cold.start();
    window.Wordwrap();
    const double coldSeconds = cold.nsecsElapsed() / 1e9;
    const double on = perCall([&] { window.Coords(); }, calls);
    out << "coords, wrap on, cold recount to the end: " << coldSeconds << " s (once per width, font or wrap change)\n";
    out << "coords, wrap on, warm: " << on << " us per call (" << on / baseline << "x one caret read)\n";
    box.setSelText(QStringLiteral("x"));
    const double edited = perCall([&] { window.Coords(); }, 1);
    out << "coords, wrap on, after a keystroke at the end: " << edited << " us\n";
    out.flush();
    box.Tag = QStringLiteral("0");
}
