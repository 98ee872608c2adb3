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
    // Ties the window to penwick.desktop where the desktop matches windows to entries by name.
    QGuiApplication::setDesktopFileName(QStringLiteral("penwick"));

    frmPenwick window;
    // After the window, whose construction loads the bundled icons: dialogs take the program's icon from here.
    QApplication::setWindowIcon(window.windowIcon());
    window.Form_Load();
    window.show();
    return app.exec();
}
