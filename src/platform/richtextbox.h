// The edit control: the document's text, selection, search, files, layout and events, as rules over a text engine.
#pragma once

#include <QSet>
#include <QStringList>
#include <QWidget>

#include <memory>
#include <vector>

#include "platform/textengine.h"
#include "text/fileio.h"
#include "text/filestamp.h"
#include "text/journal.h"

class QPrinter;

namespace platform {

// A right margin beyond what any screen shows: lines do not wrap.
constexpr float NoWrapMargin = 491520;

class RichTextBox : public QWidget, private TextEngineClient
{
    Q_OBJECT

public:
    explicit RichTextBox(QWidget *parent = nullptr);
    ~RichTextBox() override;

    // Text and selection; positions count a line break as one character.
    QString Text() const;
    void setText(const QString &text);   // also clears the undo history
    int textLength() const;
    int SelStart() const;
    void setSelStart(int position);      // leaves nothing selected
    int SelLength() const;
    void setSelLength(int length);
    QString SelText() const;
    void setSelText(const QString &text);
    QString SelRTF() const;              // plain text: there is no markup to carry
    void setTextRTF(const QString &text);

    int Find(const QString &text, int start = 0, int end = -1, int options = 0);
    // Every match from the start, each replaced and the search going on after the replacement, in one undo
    // step; the caret ends after the last. How many were replaced.
    int ReplaceAll(const QString &text, const QString &with, int options);
    int GetLineFromChar(int position);
    int lineIndex(int line);             // EM_LINEINDEX: first position of a display line, -1 beyond the last
    // False while wrapped rows above the caret wait to be counted again (after a width, font or wrap change).
    bool displayLinesCurrent() const;
    QWidget *hWnd();

    // Plain-text files; 0 or an error number, with the cause in lastFileResult().
    int LoadFile(const QString &path, int type = 1);
    int SaveFile(const QString &path, int type = 1);
    const text::FileResult &lastFileResult() const { return m_fileResult; }
    // The user chose this name in Save As: an existing file there may be replaced.
    void ClaimPath(const QString &path);
    // Another program changed the file at path since this control read or wrote it (not: deleted it).
    bool changedOnDisk(const QString &path) const;
    // What the last save had to change so that the file holds the text and reads back as it: nothing; its
    // encoding, to store every character or so that it is not taken for another; a mark at its start; or
    // bytes that no longer form whole characters of the encoding, written as U+FFFD.
    enum class SaveChange { None, Utf8ToStore, Utf8ToReadBack, Bom, Replaced };
    SaveChange lastSaveChange() const { return m_saveChange; }
    bool lastSaveReencoded() const { return m_saveChange == SaveChange::Utf8ToStore || m_saveChange == SaveChange::Utf8ToReadBack; }

    // The edit journal: from now on, unsaved edits go to a journal file in folder until the document is saved,
    // replaced or discarded, so that a crash does not take them.
    void KeepJournal(const QString &folder, int delayMs = 1000);
    void DiscardJournal();
    // The text now is what later edits apply to, with no file behind it (text that is not its file's).
    void RebaseJournal();
    void WaitJournalWritten();   // blocks until the journal's bytes so far were tried once
    bool JournalWritten();       // waits likewise; true when they are on the disk
    QString journalFile() const;
    // Edits from a journal, as one undo step; false when one does not fit the text (nothing is then changed).
    bool Replay(const std::vector<text::JournalEdit> &edits);

    float RightMargin() const { return m_rightMargin; }
    void setRightMargin(float twips);

    int SelTabCount() const { return int(m_tabs.size()); }
    void setSelTabCount(int count);
    float SelTabs(int index) const;
    void setSelTabs(int index, float twips);

    QString FontName() const { return m_fontName; }
    void setFontName(const QString &name);
    float FontSize() const { return m_fontSize; }
    void setFontSize(float points);
    bool FontBold() const { return m_fontBold; }
    void setFontBold(bool bold);
    bool FontItalic() const { return m_fontItalic; }
    void setFontItalic(bool italic);
    QFont resolvedFont() const;

    int SelPrint(QPrinter &printer);

    QString Tag;

    // Geometry in twips; a refused value returns an error and leaves the property as it was.
    float Left() const;
    float Top() const;
    float Width() const;
    float Height() const;
    int setLeft(float twips);
    int setTop(float twips);
    int setWidth(float twips);
    int setHeight(float twips);
    bool Visible() const { return !isHidden(); }

    // Undo: the control's own, the one Alt+Backspace reaches.
    void Undo();
    bool canUndo() const;
    void resetUndo();

    // Groups edits into one undo step; selections stay internal until the group closes.
    class CompoundEdit
    {
    public:
        explicit CompoundEdit(RichTextBox &box);
        ~CompoundEdit();
        CompoundEdit(const CompoundEdit &) = delete;
        CompoundEdit &operator=(const CompoundEdit &) = delete;

    private:
        RichTextBox &m_box;
    };

signals:
    // The journal cannot be written, and why; or, with an empty problem, it can again.
    void journalProblem(const QString &problem);
    void Change();
    void Click();
    void SelChange();
    void DisplayLinesCounted();   // the caret's display line is exact again after rows were counted
    void KeyDown(int &KeyCode, int Shift);
    void KeyUp(int &KeyCode, int Shift);
    void MouseUp(int Button, int Shift, float X, float Y);
    void OLEDragDrop(const QStringList &files);

private:
    bool keyPressed(QKeyEvent *event) override;
    void keyReleased(QKeyEvent *event) override;
    void mouseReleased(QMouseEvent *event) override;
    void dropped(const QMimeData *data) override;
    void pasted(const QString &text) override;
    void textChanged() override { emit Change(); }
    void selectionChanged() override { emit SelChange(); }
    void linesCounted() override { emit DisplayLinesCounted(); }
    void textEdited(int position, int removed, const QString &inserted) override;
    // edges: the file's edge hash when its bytes are not at hand (a big file just saved).
    void beginJournal(const QString &path, const QByteArray &bytes, const QString &text, const QByteArray &edges = {});
    void showAsSaved(const QByteArray &bytes);

    void applyTabs();
    void applyFont();

    std::unique_ptr<TextEngine> m_engine;
    text::TextFormat m_format;   // of the file the text came from, kept until it is saved in another
    QSet<QString> m_ownedPaths;
    QString m_stampedPath;       // the file last read or written, and what it was then
    text::FileStamp m_stamp;
    text::FileResult m_fileResult;
    float m_rightMargin = 0;
    std::vector<float> m_tabs;
    QString m_fontName = QStringLiteral("Fixedsys");
    float m_fontSize = 9;
    bool m_fontBold = false;
    bool m_fontItalic = false;
    SaveChange m_saveChange = SaveChange::None;
    std::unique_ptr<text::EditJournal> m_journal;
};

}
