// A fresh main window per test: scripted desktop, a settings store of its own, files in a temporary folder.
#pragma once

#include <QByteArray>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

#include "app/frmpenwick.h"
#include "scripteddesktop.h"

class Harness
{
public:
    // Settings are written before the window loads them; the command line is what main() would pass.
    explicit Harness(const QStringList &commandLine = {}, const QList<QPair<QString, QString>> &settings = {}, bool load = true);
    void load() { window->Form_Load(); }   // for tests that queue answers for start-up first
    ~Harness();

    frmPenwick &w() { return *window; }
    QString path(const QString &name) const { return dir.filePath(name); }
    static void write(const QString &path, const QByteArray &bytes);
    static QByteArray read(const QString &path);
    QString open(const QString &name, const QByteArray &bytes);   // writes dir/name and opens it from the File menu
    void show();   // shows the window and waits until it is active

    // The program's questions, word for word.
    static QString saveQuestion(const QString &name) { return QStringLiteral("Do you want to save changes to '%1'?").arg(name); }
    static QString createQuestion(const QString &path, const QString &cause = QStringLiteral("No such file or directory"))
    {
        return QStringLiteral("File '%1' does not exist or cannot be read. Do you wish to create it?\n\n%2").arg(path, cause);
    }
    static QString unable(const QString &path, const QString &cause)
    {
        return QStringLiteral("Unable To Create '%1'.  Check file is not Read Only and path exists.\n\n%2").arg(path, cause);
    }

    ScriptedDesktop desktop;
    QTemporaryDir dir;
    std::unique_ptr<frmPenwick> window;
};
