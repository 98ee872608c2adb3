// The scripted desktop: answers from a queue, fails on anything unexpected.
#include "scripteddesktop.h"

#include <QDialog>
#include <QPrinter>

#include <algorithm>
#include <utility>

using namespace platform;

ScriptedDesktop::ScriptedDesktop() : m_previous(setDesktop(this)) {}

QString ScriptedDesktop::s_left;

ScriptedDesktop::~ScriptedDesktop()
{
    setDesktop(m_previous);
    s_left += problems();
}

QString ScriptedDesktop::takeLeftProblems()
{
    return std::exchange(s_left, QString());
}

void ScriptedDesktop::msgBox(int answer, const QString &expectedPrompt, int expectedStyle)
{
    m_queue.append({QStringLiteral("MsgBox"), expectedPrompt, answer, expectedStyle, 0, {}});
}

void ScriptedDesktop::openDialog(const QString &path)
{
    m_queue.append({QStringLiteral("Open"), path, 0, -1, 0, {}});
}

void ScriptedDesktop::saveDialog(const QString &path)
{
    m_queue.append({QStringLiteral("Save"), path, 0, -1, 0, {}});
}

void ScriptedDesktop::fontDialog(const QString &name, float size)
{
    m_queue.append({QStringLiteral("Font"), name, 0, -1, size, {}});
}

void ScriptedDesktop::printDialog(int returnedFlags, int error, const QString &pdf)
{
    m_queue.append({QStringLiteral("Print"), pdf, returnedFlags, error, 0, {}});
}

void ScriptedDesktop::modal(std::function<void(QDialog &)> script)
{
    m_queue.append({QStringLiteral("Modal"), {}, 0, -1, 0, std::move(script)});
}

QString ScriptedDesktop::problems() const
{
    QStringList all = failures;
    for (const Step &step : m_queue)
        all << QStringLiteral("queued %1 \"%2\" never came").arg(step.kind, step.text);
    return all.join(QStringLiteral("; "));
}

void ScriptedDesktop::clear()
{
    m_queue.clear();
    failures.clear();
    calls.clear();
}

bool ScriptedDesktop::take(const Call &call, Step &step)
{
    calls.append(call);
    if (m_queue.isEmpty() || m_queue.first().kind != call.kind) {
        failures << QStringLiteral("unexpected %1 \"%2\"").arg(call.kind, call.prompt);
        return false;
    }
    step = m_queue.takeFirst();
    return true;
}

int ScriptedDesktop::MsgBox(const QString &prompt, int style, const QString &title)
{
    Step step;
    if (!take({QStringLiteral("MsgBox"), prompt, style, title}, step))
        return (style & 7) == vbYesNo ? vbNo : vbCancel;
    if (!step.text.isEmpty() && step.text != prompt)
        failures << QStringLiteral("message \"%1\" where \"%2\" was expected").arg(prompt, step.text);
    if (step.style >= 0 && step.style != style)
        failures << QStringLiteral("style %1 where %2 was expected for \"%3\"").arg(style).arg(step.style).arg(prompt);
    if (title != QLatin1String("Penwick"))
        failures << QStringLiteral("title \"%1\" for \"%2\"").arg(title, prompt);
    return step.number;
}

FileDialogAnswer ScriptedDesktop::fileDialog(const FileDialogRequest &request)
{
    const QString kind = request.save ? QStringLiteral("Save") : QStringLiteral("Open");
    Step step;
    if (!take({kind, request.initDir, request.flags, {}}, step) || step.text.isEmpty())
        return {cdlCancel, {}};
    return {0, step.text};
}

FontAnswer ScriptedDesktop::fontDialog(int flags, const QString &name, float size)
{
    Step step;
    const QString opensOn = name.isEmpty() ? QString() : name + QLatin1Char(' ') + QString::number(size);
    if (!take({QStringLiteral("Font"), opensOn, flags, {}}, step) || step.text.isEmpty())
        return {cdlCancel, {}, 0};
    return {0, step.text, step.size};
}

PrintAnswer ScriptedDesktop::printDialog(QPrinter &printer, int flags)
{
    Step step;
    if (!take({QStringLiteral("Print"), {}, flags, {}}, step))
        return {cdlCancel, flags};
    if (!step.text.isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(step.text);
    }
    return {step.style > 0 ? step.style : 0, step.number};
}

int ScriptedDesktop::helpDialog()
{
    calls.append({QStringLiteral("Help"), {}, 0, {}});
    failures << QStringLiteral("unexpected Help");
    return 0;
}

void ScriptedDesktop::showModal(QDialog &dialog)
{
    Step step;
    if (!take({QStringLiteral("Modal"), dialog.objectName(), 0, {}}, step))
        return;
    dialog.show();
    if (step.script)
        step.script(dialog);
    dialog.hide();
}

void ScriptedDesktop::End()
{
    calls.append({QStringLiteral("End"), {}, 0, {}});
}

int ScriptedDesktop::Shell(const QString &commandLine, int windowStyle)
{
    calls.append({QStringLiteral("Shell"), commandLine, windowStyle, {}});
    return 1;
}

int ScriptedDesktop::count(const QString &kind) const
{
    return int(std::count_if(calls.begin(), calls.end(), [&](const Call &call) { return call.kind == kind; }));
}
