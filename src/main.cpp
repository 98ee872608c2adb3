// Starts Penwick: the main window is the start-up object.
#include <QApplication>
#include <QStringList>

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

    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    QApplication::setApplicationName(QStringLiteral("Penwick"));
    QApplication::setOrganizationName(QStringLiteral("Penwick"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/penwick-32.png")));

    frmPenwick window;
    window.Form_Load();
    window.show();
    return app.exec();
}
