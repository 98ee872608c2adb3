// Search over the raw text, block by block: whole-word and case rules of the editor's Find.
#pragma once

#include <QString>
#include <QStringView>

namespace text {

enum FindOptions { WholeWord = 2, MatchCase = 4 };

// The document as a sequence of blocks (lines without their break); a break counts as one position.
class BlockSource
{
public:
    struct Block
    {
        int position = 0;
        QString text;
    };
    virtual ~BlockSource() = default;
    virtual int length() const = 0;
    virtual Block blockContaining(int position) const = 0;
    virtual bool next(Block &block) const = 0;   // false after the last block
    // Where the block holding `position` starts and ends (before its break), and units of it:
    // what a search inside a long line reads instead of the whole line.
    virtual void bounds(int position, int &start, int &end) const;
    virtual QString textOf(int position, int length) const;
};

class StringSource : public BlockSource
{
public:
    explicit StringSource(QString text) : m_text(std::move(text)) {}
    int length() const override { return int(m_text.size()); }
    Block blockContaining(int position) const override;
    bool next(Block &block) const override;
    void bounds(int position, int &start, int &end) const override;
    QString textOf(int position, int length) const override;

private:
    QString m_text;
};

bool isWordChar(char32_t c);
// No word character just before hay[at] or just after hay[at + length]; hay's ends count as line ends.
bool isWholeWord(QStringView hay, qsizetype at, qsizetype length);

// First match in hay[from, limit), or -1; hay's ends count as line ends for whole words.
qsizetype findInText(QStringView hay, QStringView needle, qsizetype from, qsizetype limit, int options);

// First match at or after start whose whole extent ends at or before end (-1: the text's length); -1 if none.
int find(const BlockSource &source, QStringView needle, int start, int end, int options);

}
