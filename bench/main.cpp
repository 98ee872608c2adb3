// penwick-bench: each scenario next to a bare baseline measured in the same run, reported as a ratio.
#include <QApplication>
#include <QTemporaryDir>
#include <QTextStream>

void benchCoords();
void benchFiles();
void benchReplaceAll();
void benchJournal();

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
    if (wanted("replace"))
        benchReplaceAll();
    if (wanted("journal"))
        benchJournal();
    return 0;
}
