// Command-line resolution: Windows paths with drives and network names, native paths with "/".
#include "app/commandline.h"

#include <QProcessEnvironment>
#include <QStringList>

namespace {

QString joined(const QString &folder, const QString &name, QChar separator)
{
    return folder.endsWith(separator) ? folder + name : folder + separator + name;
}

std::optional<QString> resolveWindows(const QString &cmd, const CurrentFolder &currentFolder)
{
    const QChar bs = QLatin1Char('\\');
    if (cmd.mid(1, 2) == QLatin1String(":\\") || cmd.startsWith(QLatin1String("\\\\")))
        return cmd;
    QString folder;
    if (cmd.startsWith(bs)) {
        if (!currentFolder(QString(), folder))
            return std::nullopt;
        return folder.left(2) + cmd;
    }
    if (cmd.size() >= 2 && cmd[1] == QLatin1Char(':')) {
        if (!currentFolder(cmd.left(1), folder))
            return std::nullopt;
        return joined(folder, cmd.mid(2), bs);
    }
    if (!currentFolder(QString(), folder))
        return std::nullopt;
    return joined(folder, cmd, bs);
}

std::optional<QString> resolveNative(const QString &cmd, const CurrentFolder &currentFolder)
{
    const QChar slash = QLatin1Char('/');
    if (cmd.startsWith(slash))
        return cmd;
    QString folder;
    if (!currentFolder(QString(), folder))
        return std::nullopt;
    return joined(folder, cmd, slash);
}

}

std::optional<QString> resolveCommandLine(QString cmd, PathStyle style, const CurrentFolder &currentFolder)
{
    if (cmd.isEmpty())
        return std::nullopt;
    if (cmd.startsWith(QLatin1Char('"')))
        cmd = cmd.mid(1, cmd.size() - 2);
    // A lone quote, or a pair of them, names nothing.
    if (cmd.isEmpty())
        return std::nullopt;
    return style == PathStyle::Windows ? resolveWindows(cmd, currentFolder) : resolveNative(cmd, currentFolder);
}

QByteArray inputMethodModule(const QProcessEnvironment &environment)
{
    if (!environment.value(QStringLiteral("QT_IM_MODULE")).isEmpty())
        return {};
    const QString platform = environment.value(QStringLiteral("QT_QPA_PLATFORM"));
    const bool wayland = platform.isEmpty()
        ? environment.value(QStringLiteral("XDG_SESSION_TYPE")) == QLatin1String("wayland")
            || !environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty()
        : platform.startsWith(QLatin1String("wayland"));
    const QStringList desktops = environment.value(QStringLiteral("XDG_CURRENT_DESKTOP")).split(QLatin1Char(':'));
    if (wayland && desktops.contains(QLatin1String("GNOME"), Qt::CaseInsensitive))
        return QByteArrayLiteral("ibus");
    return {};
}
