// A desktop for tests: every prompt and dialog is recorded and answered from a queue, in order.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

#include "platform/desktop.h"

// In a test class's cleanup(): nothing a scripted desktop of the test was told to expect went missing.
#define EXPECT_DESKTOP_SATISFIED()                                        \
    do {                                                                 \
        const QString left = ScriptedDesktop::takeLeftProblems();        \
        QVERIFY2(left.isEmpty(), qPrintable(left));                       \
    } while (false)

class ScriptedDesktop : public platform::Desktop
{
public:
    struct Call
    {
        QString kind;     // "MsgBox", "Open", "Save", "Font", "Print", "Help", "Modal", "End", "Shell"
        QString prompt;   // message text, the modal window's objectName, or the font a font dialog opens on
        int style = 0;    // message style or dialog flags
        QString title;
    };

    ScriptedDesktop();    // installs itself
    ~ScriptedDesktop() override;   // puts the previous desktop back

    // Queue what the person answers, in the order the questions come.
    void msgBox(int answer, const QString &expectedPrompt = {}, int expectedStyle = -1);
    void openDialog(const QString &path);        // empty path: cancel
    void saveDialog(const QString &path);        // empty path: cancel
    void fontDialog(const QString &name, float size);   // empty name: cancel
    void printDialog(int returnedFlags, int error = 0, const QString &pdf = {});   // pdf: print into that file
    void modal(std::function<void(QDialog &)> script);  // runs while the window is shown

    QList<Call> calls;
    QStringList failures;   // unexpected or mismatched calls
    // Empty when every queued answer was used and nothing unexpected came.
    QString problems() const;
    void clear();
    // What the desktops gone since the last call left unanswered or found unexpected: every test's cleanup() looks.
    static QString takeLeftProblems();

    int MsgBox(const QString &prompt, int style, const QString &title) override;
    platform::FileDialogAnswer fileDialog(const platform::FileDialogRequest &request) override;
    platform::FontAnswer fontDialog(int flags, const QString &name, float size) override;
    platform::PrintAnswer printDialog(QPrinter &printer, int flags) override;
    int helpDialog() override;
    void showModal(QDialog &dialog) override;
    void End() override;                                                 // recorded as "End"
    int Shell(const QString &commandLine, int windowStyle) override;   // recorded as "Shell", started never
    int count(const QString &kind) const;

private:
    struct Step
    {
        QString kind;
        QString text;
        int number = 0;
        int style = -1;
        float size = 0;
        std::function<void(QDialog &)> script;
    };
    bool take(const Call &call, Step &step);   // records the call, then takes the next answer if it is of its kind

    QList<Step> m_queue;
    platform::Desktop *m_previous;
    static QString s_left;
};
