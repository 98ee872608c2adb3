// penwick-bench: each scenario next to a bare baseline measured in the same run, reported as a ratio.
#include <QApplication>
#include <QTextStream>

#include <functional>

void benchCoords();
void benchFiles();
void benchReplaceAll();
void benchDocument(const std::function<bool(const char *)> &wanted);
void benchView(const std::function<bool(const char *)> &wanted);

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList only = app.arguments().mid(1);
    auto wanted = [&](const char *name) { return only.isEmpty() || only.contains(QLatin1String(name)); };
    if (wanted("coords"))
        benchCoords();
    if (wanted("files"))
        benchFiles();
    if (wanted("replace"))
        benchReplaceAll();
    benchDocument([&](const char *scenario) { return wanted("document") || wanted(scenario); });
    benchView([&](const char *scenario) { return wanted("view") || wanted(scenario); });
    return 0;
}
