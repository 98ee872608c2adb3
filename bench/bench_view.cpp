// The own view beside the Qt engine in one run: open and first paint, a keystroke at the end, the wrap recount.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTextStream>

#include <functional>
#include <memory>

#include "platform/richtextbox.h"
#include "platform/view/ownengine.h"
#include "qtengine/qtengine.h"

namespace {

struct Engine
{
    const char *name;
    platform::TextEngineFactory factory;
};

std::unique_ptr<platform::RichTextBox> makeBox(const Engine &engine, bool wrap)
{
    platform::setTextEngineFactory(engine.factory);
    auto box = std::make_unique<platform::RichTextBox>();
    platform::setTextEngineFactory(nullptr);
    box->resize(800, 600);
    box->setRightMargin(wrap ? 0 : 491520);
    box->show();
    QApplication::processEvents();
    return box;
}

double msOf(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

// Typing one character at the end and drawing it, averaged over a few keys after one that scrolls there.
double keystrokeMs(platform::RichTextBox &box)
{
    box.setSelStart(box.textLength());
    QWidget *view = box.focusProxy();
    auto key = [&] {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        QApplication::sendEvent(view, &press);
        view->grab();
    };
    key();
    constexpr int keys = 5;
    return msOf([&] {
               for (int i = 0; i < keys; ++i)
                   key();
           })
        / keys;
}

void report(const char *name, double own, double qt, const char *unit = "ms")
{
    QTextStream(stdout) << '[' << name << "] " << QString::number(own / qt, 'f', 3) << "x the Qt engine (own "
                        << QString::number(own, 'f', 2) << ' ' << unit << " vs " << QString::number(qt, 'f', 2) << ' '
                        << unit << ")\n";
}

void writeFile(const QString &path, const std::function<void(QFile &)> &fill)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        fill(f);
}

}

void benchView(const std::function<bool(const char *)> &wanted)
{
    QTemporaryDir dir;
    const QString lines = dir.filePath(QStringLiteral("lines.txt")), single = dir.filePath(QStringLiteral("line.txt"));
    writeFile(lines, [](QFile &f) {
        const QByteArray line = "The quick brown fox jumps over the lazy dog; pack my box with five dozen liquor jugs, 0000000\n";
        for (int i = 0; i < 1'000'000; ++i)
            f.write(line);
    });
    writeFile(single, [](QFile &f) {
        const QByteArray words = "lorem ipsum dolor sit amet consectetur adipiscing elit sed do eiusmod tempor ";
        for (qint64 written = 0; written < 5'000'000; written += words.size())
            f.write(words);
    });
    const Engine own{"own", platform::makeOwnEngine}, qt{"qt", platform::makeQtEngine};

    if (wanted("view-100MB")) {
        double open[2] = {}, key[2] = {}, wrap[2] = {};
        int i = 0;
        for (const Engine &engine : {own, qt}) {
            auto box = makeBox(engine, false);
            open[i] = msOf([&] {
                box->LoadFile(lines);
                box->focusProxy()->grab();
            });
            key[i] = keystrokeMs(*box);
            wrap[i] = msOf([&] {
                box->setRightMargin(0);
                box->GetLineFromChar(box->textLength());
                while (!box->displayLinesCurrent())
                    QApplication::processEvents();
            });
            ++i;
        }
        report("view-open-100MB", open[0], open[1]);
        report("view-key-100MB", key[0], key[1]);
        report("view-wrap-recount-1M-lines", wrap[0], wrap[1]);
    }
    if (wanted("view-wrap-10M-lines")) {
        // Wrap on at the end of ten million short lines: keys typed while the rows above are counted, each
        // beside a keystroke with wrap off on the same document and the counting slice it may wait behind.
        const QString many = dir.filePath(QStringLiteral("many.txt"));
        writeFile(many, [](QFile &f) { f.write(QByteArray("a\n").repeated(10'000'000)); });
        auto box = makeBox(own, false);
        box->LoadFile(many);
        const double floor = keystrokeMs(*box);
        const double wrapOn = msOf([&] {
            box->setRightMargin(0);
            box->GetLineFromChar(box->textLength());
            box->focusProxy()->grab();
        });
        QWidget *view = box->focusProxy();
        double worstKey = 0, worstSlice = 0, keys = 0, slices = 0;
        constexpr int typed = 40;
        QElapsedTimer counting;
        counting.start();
        for (int k = 0; k < typed; ++k) {
            const double slice = msOf([] { QApplication::processEvents(); });
            worstSlice = qMax(worstSlice, slice);
            slices += slice;
            const double key = msOf([&] {
                QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
                QApplication::sendEvent(view, &press);
                box->GetLineFromChar(box->SelStart());   // what the status bar asks after each key
                view->grab();
            });
            worstKey = qMax(worstKey, key);
            keys += key;
        }
        const bool stillCounting = !box->displayLinesCurrent();
        while (!box->displayLinesCurrent())
            QApplication::processEvents();
        const double counted = double(counting.nsecsElapsed()) / 1e6;
        const bool exact = box->GetLineFromChar(box->textLength()) == 10'000'000;
        QTextStream(stdout) << "[view-wrap-10M-lines] wrap on at the end " << QString::number(wrapOn, 'f', 1)
                            << " ms; keys while counting" << (stillCounting ? "" : " (COUNTING HAD ENDED)") << ": mean "
                            << QString::number(keys / typed, 'f', 2) << " ms, worst " << QString::number(worstKey, 'f', 2)
                            << " ms; a pass of the event loop with a counting slice: mean " << QString::number(slices / typed, 'f', 2)
                            << " ms, worst " << QString::number(worstSlice, 'f', 2) << " ms (floor: "
                            << QString::number(floor, 'f', 2) << " ms with wrap off, "
                            << QString::number(keys / typed / floor, 'f', 1) << "x the mean key); rows all counted after "
                            << QString::number(counted / 1000, 'f', 1) << " s, caret line " << (exact ? "exact" : "WRONG")
                            << "\n";
    }
    if (wanted("view-5MB-line")) {
        double open[2] = {}, key[2] = {}, keyWrapped[2] = {};
        int i = 0;
        for (const Engine &engine : {own, qt}) {
            auto box = makeBox(engine, false);
            open[i] = msOf([&] {
                box->LoadFile(single);
                box->focusProxy()->grab();
            });
            key[i] = keystrokeMs(*box);
            box->setRightMargin(0);
            box->GetLineFromChar(box->textLength());
            keyWrapped[i] = keystrokeMs(*box);
            ++i;
        }
        report("view-open-5MB-line", open[0], open[1]);
        report("view-key-5MB-line", key[0], key[1]);
        report("view-key-5MB-line-wrapped", keyWrapped[0], keyWrapped[1]);
    }
}
