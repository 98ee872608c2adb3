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
            box->setRightMargin(0);
            wrap[i] = msOf([&] { box->GetLineFromChar(box->textLength()); });
            ++i;
        }
        report("view-open-100MB", open[0], open[1]);
        report("view-key-100MB", key[0], key[1]);
        report("view-wrap-recount-1M-lines", wrap[0], wrap[1]);
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
