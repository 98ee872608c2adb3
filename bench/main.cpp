// penwick-bench: each scenario next to a bare baseline measured in the same run, reported as a ratio.
#include <QApplication>
#include <QTemporaryDir>
#include <QTextStream>

#include <functional>

void benchCoords();
void benchFiles();
void benchFind();
void benchSave();
void benchWholeEdits();
void benchReplaceAll();
void benchReplaceScaling();
void benchDocument(const std::function<bool(const char *)> &wanted);
void benchJournal();
void benchView(const std::function<bool(const char *)> &wanted);

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The windows' edit journals go to a folder of the run's own, not the user's.
    QTemporaryDir state;
    qputenv("XDG_STATE_HOME", QFile::encodeName(state.path()));
    QApplication app(argc, argv);
    const QStringList only = app.arguments().mid(1);
    auto wanted = [&](const char *name) { return only.isEmpty() || only.contains(QLatin1String(name)); };
    if (wanted("coords"))
        benchCoords();
    if (wanted("files"))
        benchFiles();
    if (wanted("whole-edits"))
        benchWholeEdits();
    if (wanted("save"))
        benchSave();
    if (wanted("find"))
        benchFind();
    if (wanted("replace"))
        benchReplaceAll();
    if (wanted("replace") || wanted("replace-scaling"))
        benchReplaceScaling();
    benchDocument([&](const char *scenario) { return wanted("document") || wanted(scenario); });
    if (wanted("journal"))
        benchJournal();
    benchView([&](const char *scenario) { return wanted("view") || wanted(scenario); });
    return 0;
}
