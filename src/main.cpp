// Starts Penwick: the main window is the start-up object.
#include <QApplication>
#include <QProcessEnvironment>
#include <QStringList>

#include "app/commandline.h"
#include "app/frmpenwick.h"
#include "platform/services.h"
#include "text/filename.h"

int main(int argc, char *argv[])
{
    // The command line is one file name: Qt is never shown its own options ("-reverse", "-style"), and a
    // name's bytes survive even when they are not UTF-8.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << text::decodeName(argv[i]);
    platform::setCommandLine(arguments);

    const QByteArray inputMethod = inputMethodModule(QProcessEnvironment::systemEnvironment());
    if (!inputMethod.isEmpty())
        qputenv("QT_IM_MODULE", inputMethod);

    int qtArgc = 1;
    QApplication app(qtArgc, argv);
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
