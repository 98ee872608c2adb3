// Display lines of the Qt engine: block numbers without wrap, counted rows with wrap.
#include "qtengine/qtengine.h"

#include <QAbstractTextDocumentLayout>
#include <QTextDocument>
#include <QTextLayout>

namespace platform {

void QtEngine::widthChanged()
{
    if (wraps() && m_editor->viewport()->width() != m_layoutWidth)
        invalidateRows();
}

void QtEngine::invalidateRows()
{
    m_rows.reset(document()->blockCount());
    m_knownBlockCount = document()->blockCount();
    m_layoutWidth = m_editor->viewport()->width();
}

void QtEngine::rowsEdited(int position, int added)
{
    // Without wrap the rows are not used, and switching wrap on counts them afresh.
    if (!wraps())
        return;
    const QTextDocument *doc = document();
    const int count = doc->blockCount();
    const int first = doc->findBlock(position).blockNumber();
    int last = doc->findBlock(position + added).blockNumber();
    if (last < 0)
        last = count - 1;
    const int removedBlocks = last - first + 1 - (count - m_knownBlockCount);
    if (first < 0 || removedBlocks < 0 || first + removedBlocks > m_rows.blockCount()) {
        invalidateRows();
        return;
    }
    m_rows.replace(first, removedBlocks, last - first + 1);
    m_knownBlockCount = count;
}

int QtEngine::rowsOf(const QTextBlock &block) const
{
    // Asking for the block's rectangle lays it out at the view's width if it was not yet.
    document()->documentLayout()->blockBoundingRect(block);
    const QTextLayout *layout = block.layout();
    return layout && layout->lineCount() > 0 ? layout->lineCount() : 1;
}

void QtEngine::countRowsBefore(int blockNumber)
{
    QTextBlock block;
    m_rows.countUnknown(blockNumber, [&](int number) {
        block = block.isValid() && block.blockNumber() + 1 == number ? block.next()
                                                                    : document()->findBlockByNumber(number);
        return rowsOf(block);
    });
}

int QtEngine::lineFromPosition(int position)
{
    const QTextBlock block = document()->findBlock(qBound(0, position, length()));
    if (!wraps())
        return block.blockNumber();
    if (m_editor->viewport()->width() != m_layoutWidth || m_knownBlockCount != document()->blockCount())
        invalidateRows();
    countRowsBefore(block.blockNumber());
    rowsOf(block);
    const QTextLine line = block.layout()->lineForTextPosition(qBound(0, position - block.position(), block.length() - 1));
    return m_rows.rowsBefore(block.blockNumber()) + (line.isValid() ? line.lineNumber() : 0);
}

bool QtEngine::linesCurrent() const
{
    if (!wraps())
        return true;
    if (m_editor->viewport()->width() != m_layoutWidth || m_knownBlockCount != document()->blockCount())
        return false;
    return m_rows.firstUnknownBefore(document()->findBlock(selectionStart()).blockNumber()) < 0;
}

int QtEngine::lineStart(int line)
{
    if (line < 0)
        return -1;
    if (!wraps()) {
        const QTextBlock block = document()->findBlockByNumber(line);
        return block.isValid() ? block.position() : -1;
    }
    for (;;) {
        int unknown = -1;
        const text::DisplayLines::Hit hit = m_rows.blockOfRow(line, &unknown);
        if (hit.block >= 0) {
            const QTextBlock block = document()->findBlockByNumber(hit.block);
            rowsOf(block);
            return block.position() + block.layout()->lineAt(hit.rowInBlock).textStart();
        }
        if (unknown < 0)
            return -1;
        // Count the next stretch of blocks and look again.
        countRowsBefore(qMin(unknown + 4096, m_rows.blockCount()));
    }
}

text::BlockSource::Block DocumentSource::blockContaining(int position) const
{
    m_block = m_document.findBlock(position);
    return {m_block.position(), m_block.text()};
}

bool DocumentSource::next(Block &block) const
{
    m_block = m_block.next();
    if (!m_block.isValid())
        return false;
    block = {m_block.position(), m_block.text()};
    return true;
}

}
