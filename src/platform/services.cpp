// Desktop services on Qt.
#include "platform/services.h"

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDebug>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QKeyEvent>
#include <QLocale>
#include <QMimeData>
#include <QProcess>
#include <QScreen>
#include <QSet>
#include <QSettings>
#include <QStandardPaths>
#include <QUrl>
#include <QWidget>

#include <cmath>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/desktop.h"
#include "platform/view/clipboardtext.h"
#include "platform/twips.h"
#include "text/filename.h"
#include "text/textformat.h"

namespace platform {

namespace {

QString g_commandLine;

// The store reads every one of these files; a FIFO among them would block start-up for ever, and
// a write would replace a FIFO or a device with a file. Such a store is left alone, said once.
bool storeUsable(const QString &appName)
{
    static QSet<QString> told;
    const QStringList names{QLatin1Char('/') + appName + QLatin1Char('/') + appName + QStringLiteral(".conf"),
                            QLatin1Char('/') + appName + QStringLiteral(".conf")};
    for (const QString &folder : QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation)) {
        for (const QString &name : names) {
            struct stat st;
            if (::stat(QFile::encodeName(folder + name).constData(), &st) != 0 || S_ISREG(st.st_mode))
                continue;
            const QString path = folder + name;
            if (!told.contains(path + QString::number(st.st_mode & S_IFMT))) {
                told.insert(path + QString::number(st.st_mode & S_IFMT));
                qWarning().noquote() << QStringLiteral("Penwick: '%1' is not a regular file; the default settings are used and nothing is saved.").arg(path);
            }
            return false;
        }
    }
    return true;
}

}

QString GetSetting(const QString &appName, const QString &section, const QString &key, const QString &defaultValue)
{
    if (!storeUsable(appName))
        return defaultValue;
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, appName, appName);
    const QVariant value = settings.value(section + QLatin1Char('/') + key);
    if (!value.isValid())
        return defaultValue;
    // The INI format returns an unquoted comma as a list: join it back.
    if (value.userType() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

void SaveSetting(const QString &appName, const QString &section, const QString &key, const QString &value)
{
    if (!storeUsable(appName))
        return;
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, appName, appName);
    settings.setValue(section + QLatin1Char('/') + key, value);
}

QString numberToText(double value)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value, 'g', QLocale::FloatingPointShortest);
}

bool textToNumber(const QString &text, double &value)
{
    const QString trimmed = text.trimmed();
    bool ok = false;
    value = QLocale().toDouble(trimmed, &ok);
    if (!ok)
        value = QLocale::c().toDouble(trimmed, &ok);
    if (!ok) {
        QString swapped = trimmed;
        swapped.replace(QLocale().decimalPoint(), QStringLiteral("."));
        value = QLocale::c().toDouble(swapped, &ok);
    }
    return ok && std::isfinite(value);
}

LeftBackup leftBackup(const QString &path)
{
    return text::leftBackup(path);
}

void discardBackup(const QString &backupPath)
{
    ::unlink(text::encodeName(backupPath).constData());
}

QStringList droppedFiles(const QMimeData *data)
{
    // Read from the percent-encoded list itself: QUrl would turn bytes that are not UTF-8 into U+FFFD.
    QStringList files;
    const QByteArray list = data->data(QStringLiteral("text/uri-list"));
    for (QByteArray line : list.split('\n')) {
        line = line.trimmed();
        if (line.startsWith('#') || !line.startsWith("file:"))
            continue;
        const QUrl url = QUrl::fromEncoded(line);
        if (!url.isLocalFile())
            continue;
        const QByteArray path = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
        files << text::decodeName(path);
    }
    return files;
}

namespace Clipboard {

void Clear()
{
    QApplication::clipboard()->clear();
}

void SetText(const QString &text)
{
    QApplication::clipboard()->setMimeData(clipboardData(text));
}

QString GetText()
{
    return clipboardText(QApplication::clipboard()->mimeData());
}

bool GetFormat(int format)
{
    const QMimeData *data = QApplication::clipboard()->mimeData();
    return format == vbCFText && data && data->hasText();
}

}

void SendKeys(const QString &keys, bool)
{
    QWidget *target = QApplication::focusWidget();
    if (!target || keys != QLatin1String("%{BS}"))
        return;
    // Sent, not posted: the keystroke is processed before the call returns.
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Backspace, Qt::AltModifier);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Backspace, Qt::AltModifier);
    QApplication::sendEvent(target, &press);
    QApplication::sendEvent(target, &release);
}

double ScreenWidthTwips()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return pixelsToTwips(screen ? screen->geometry().width() : 1024);
}

double ScreenHeightTwips()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return pixelsToTwips(screen ? screen->geometry().height() : 768);
}

QString GeneralDateTime()
{
    const QLocale locale = QLocale::system();
    QString time = locale.timeFormat(QLocale::LongFormat);
    // The long format ends in the time zone ("t"); the editor's date-time text has none.
    time.remove(QLatin1Char('t'));
    time = time.trimmed();
    const QDateTime now = QDateTime::currentDateTime();
    return locale.toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ') + locale.toString(now.time(), time);
}

void setCommandLine(const QStringList &arguments)
{
    g_commandLine = arguments.join(QLatin1Char(' '));
}

QString Command()
{
    return g_commandLine;
}

bool CurDir(const QString &drive, QString &folder)
{
    if (!drive.isEmpty())
        return false;   // Linux has no drives
    folder = QDir::currentPath();
    return true;
}

void End()
{
    desktop().End();
}

int Shell(const QString &commandLine, int windowStyle)
{
    return desktop().Shell(commandLine, windowStyle);
}

QIcon programIcon()
{
    QIcon bundled;
    for (int size : {16, 32, 64})
        bundled.addFile(QStringLiteral(":/penwick-%1.png").arg(size));
    return QIcon::fromTheme(QStringLiteral("penwick"), bundled);
}


}
