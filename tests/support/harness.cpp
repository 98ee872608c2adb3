// The test harness: a real main window on a scripted desktop.
#include "harness.h"

#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

#include "about/frmabout.h"
#include "platform/services.h"
#include "search/frmfind.h"
#include "search/frmreplace.h"
#include "settings/frmoptions.h"
#include "text/filename.h"

#include <fcntl.h>

Harness::Harness(const QStringList &commandLine, const QList<QPair<QString, QString>> &settings, bool loadNow)
{
    QStandardPaths::setTestModeEnabled(true);
    {
        QSettings store(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Penwick"), QStringLiteral("Penwick"));
        store.clear();
        for (const auto &[key, value] : settings)
            store.setValue(QStringLiteral("Options/") + key, value);
    }
    // The edit journal of every window test stays in its own folder; a test may point elsewhere before load().
    qputenv("XDG_STATE_HOME", QFile::encodeName(dir.filePath(QStringLiteral("state"))));
    platform::setCommandLine(commandLine);
    window = std::make_unique<frmPenwick>();
    if (loadNow)
        load();
}

Harness::~Harness()
{
    window.reset();
    frmAbout::unload();
    frmFind::unload();
    frmReplace::unload();
    frmOptions::unload();
    QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Penwick"), QStringLiteral("Penwick")).clear();
}

// Paths as the program names files: a byte that is not UTF-8 is its placeholder.
void Harness::write(const QString &path, const QByteArray &bytes)
{
    QFile file;
    const int fd = ::open(text::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd >= 0 && file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle))
        file.write(bytes);
}

QByteArray Harness::read(const QString &path)
{
    QFile file;
    const int fd = ::open(text::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    return fd >= 0 && file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle) ? file.readAll()
                                                                                       : QByteArray("(unreadable)");
}

QString Harness::open(const QString &name, const QByteArray &bytes)
{
    const QString file = path(name);
    write(file, bytes);
    desktop.openDialog(file);
    window->mnuFileOpen_Click();
    return file;
}

void Harness::show()
{
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
}
