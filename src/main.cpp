// Starts Penwick: the main window is the start-up object.
#include <QApplication>
#include <QStringList>

#include "app/frmpenwick.h"
#include "platform/services.h"

int main(int argc, char *argv[])
{
    // Taken before QApplication removes its own options, so a file named "-reverse" still opens.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    platform::setCommandLine(arguments);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Penwick"));
    QApplication::setOrganizationName(QStringLiteral("Penwick"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/penwick-32.png")));

    frmPenwick window;
    window.Form_Load();
    window.show();
    return app.exec();
}
