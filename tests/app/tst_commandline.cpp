// The command line's one name made into a full path, Windows style and native style.
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "app/commandline.h"

Q_DECLARE_METATYPE(PathStyle)

namespace {

// Current folders: the current drive is C:, drive D: is as the row says, other drives do not exist.
CurrentFolder folders(const QString &current, const QString &driveD)
{
    return [=](const QString &drive, QString &folder) {
        if (drive.isEmpty()) {
            folder = current;
            return true;
        }
        if (drive.compare(QLatin1String("D"), Qt::CaseInsensitive) == 0 && !driveD.isEmpty()) {
            folder = driveD;
            return true;
        }
        return false;
    };
}

class tst_CommandLine : public QObject
{
    Q_OBJECT

private slots:
    void resolve_data()
    {
        QTest::addColumn<PathStyle>("style");
        QTest::addColumn<QString>("cmd");
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("driveD");
        QTest::addColumn<QString>("expected");   // "(none)": nothing opens
        const auto W = PathStyle::Windows;
        const auto N = PathStyle::Native;

        QTest::newRow("empty") << W << "" << "C:\\work" << "" << "(none)";
        QTest::newRow("full path with blanks") << W << "C:\\My Files\\a.txt" << "C:\\work" << "" << "C:\\My Files\\a.txt";
        QTest::newRow("quoted full path") << W << "\"C:\\My Files\\a.txt\"" << "C:\\work" << "" << "C:\\My Files\\a.txt";
        QTest::newRow("root-relative") << W << "\\notes\\a.txt" << "C:\\work" << "" << "C:\\notes\\a.txt";
        QTest::newRow("drive-relative at its root") << W << "D:a.txt" << "C:\\work" << "D:\\" << "D:\\a.txt";
        QTest::newRow("drive-relative in a folder") << W << "D:a.txt" << "C:\\work" << "D:\\docs" << "D:\\docs\\a.txt";
        QTest::newRow("drive-relative, no such drive") << W << "Q:a.txt" << "C:\\work" << "" << "(none)";
        QTest::newRow("relative in a folder") << W << "a.txt" << "C:\\work" << "" << "C:\\work\\a.txt";
        QTest::newRow("network path") << W << "\\\\server\\share\\a.txt" << "C:\\work" << "" << "\\\\server\\share\\a.txt";
        QTest::newRow("two quoted names lose first and last only") << W << "\"C:\\a.txt\" \"C:\\b.txt\"" << "C:\\work" << ""
                                                                   << "C:\\a.txt\" \"C:\\b.txt";
        QTest::newRow("quote at the start only") << W << "\"C:\\a.txtx" << "C:\\work" << "" << "C:\\a.txt";
        QTest::newRow("a lone quote") << W << "\"" << "C:\\work" << "" << "(none)";

        QTest::newRow("native absolute") << N << "/home/ann/My Notes.txt" << "/tmp" << "" << "/home/ann/My Notes.txt";
        QTest::newRow("native relative") << N << "a.txt" << "/home/ann" << "" << "/home/ann/a.txt";
        QTest::newRow("native relative at the root") << N << "a.txt" << "/" << "" << "/a.txt";
        QTest::newRow("native name that looks like an option") << N << "-reverse" << "/home/ann" << "" << "/home/ann/-reverse";
        QTest::newRow("native name with a colon") << N << "a:b.txt" << "/home/ann" << "" << "/home/ann/a:b.txt";
        QTest::newRow("native backslash is a character") << N << "\\x.txt" << "/home/ann" << "" << "/home/ann/\\x.txt";
        QTest::newRow("native two quotes") << N << "\"\"" << "/home" << "" << "(none)";
    }

    void resolve()
    {
        QFETCH(PathStyle, style);
        QFETCH(QString, cmd);
        QFETCH(QString, current);
        QFETCH(QString, driveD);
        QFETCH(QString, expected);
        const std::optional<QString> path = resolveCommandLine(cmd, style, folders(current, driveD));
        QCOMPARE(path.value_or(QStringLiteral("(none)")), expected);
    }

    void inputMethod_data()
    {
        QTest::addColumn<QString>("environment");
        QTest::addColumn<QByteArray>("module");
        QTest::newRow("GNOME on Wayland: ibus") << "XDG_CURRENT_DESKTOP=ubuntu:GNOME XDG_SESSION_TYPE=wayland" << QByteArray("ibus");
        QTest::newRow("GNOME, a Wayland display") << "XDG_CURRENT_DESKTOP=GNOME WAYLAND_DISPLAY=wayland-0" << QByteArray("ibus");
        QTest::newRow("GNOME, the user's module stays") << "XDG_CURRENT_DESKTOP=GNOME XDG_SESSION_TYPE=wayland QT_IM_MODULE=fcitx" << QByteArray();
        QTest::newRow("GNOME on XWayland by choice") << "XDG_CURRENT_DESKTOP=GNOME XDG_SESSION_TYPE=wayland QT_QPA_PLATFORM=xcb" << QByteArray();
        QTest::newRow("GNOME on X") << "XDG_CURRENT_DESKTOP=GNOME XDG_SESSION_TYPE=x11" << QByteArray();
        QTest::newRow("Plasma on Wayland: Qt's own") << "XDG_CURRENT_DESKTOP=KDE XDG_SESSION_TYPE=wayland" << QByteArray();
    }

    void inputMethod()
    {
        QFETCH(QString, environment);
        QFETCH(QByteArray, module);
        QProcessEnvironment env;
        for (const QString &pair : environment.split(QLatin1Char(' ')))
            env.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
        QCOMPARE(inputMethodModule(env), module);
    }

    // The real program: Qt's own options are file names to it. "-platform nosuch" would make Qt give up at once.
    void qtOptionsDoNotAct()
    {
        QTemporaryDir home;
        QProcess penwick;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        penwick.setProcessEnvironment(env);
        penwick.setWorkingDirectory(home.path());
        penwick.start(QStringLiteral(PENWICK_BINARY), {QStringLiteral("-platform"), QStringLiteral("nosuch")});
        QVERIFY(penwick.waitForStarted());
        QVERIFY2(!penwick.waitForFinished(1500), penwick.readAllStandardError().constData());
        penwick.kill();
        penwick.waitForFinished();
    }
};

}

QTEST_GUILESS_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
