// Display lines of the edit control: block numbers without wrap, counted rows with wrap.
#include "platform/richtextbox.h"

#include <QAbstractTextDocumentLayout>
#include <QTextLayout>

#include "platform/richtextbox_p.h"

namespace platform {

bool EditorEngine::wraps() const
{
    return editor->lineWrapMode() != QPlainTextEdit::NoWrap;
}

void EditorEngine::invalidateRows()
{
    rows.reset(document()->blockCount());
    knownBlockCount = document()->blockCount();
    layoutWidth = editor->viewport()->width();
}

void EditorEngine::markEdited(int position, int, int added)
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
    const int removedBlocks = last - first + 1 - (count - knownBlockCount);
    if (first < 0 || removedBlocks < 0 || first + removedBlocks > rows.blockCount()) {
        invalidateRows();
        return;
    }
    rows.replace(first, removedBlocks, last - first + 1);
    knownBlockCount = count;
}

int EditorEngine::rowsOf(const QTextBlock &block) const
{
    // Asking for the block's rectangle lays it out at the view's width if it was not yet.
    document()->documentLayout()->blockBoundingRect(block);
    const QTextLayout *layout = block.layout();
    return layout && layout->lineCount() > 0 ? layout->lineCount() : 1;
}

void EditorEngine::countRowsBefore(int blockNumber)
{
    QTextBlock block;
    rows.countUnknown(blockNumber, [&](int number) {
        block = block.isValid() && block.blockNumber() + 1 == number ? block.next()
                                                                    : document()->findBlockByNumber(number);
        return rowsOf(block);
    });
}

int RichTextBox::GetLineFromChar(int position)
{
    EditorEngine &engine = *m_engine;
    const QTextBlock block = engine.document()->findBlock(qBound(0, position, textLength()));
    if (!engine.wraps())
        return block.blockNumber();
    if (engine.editor->viewport()->width() != engine.layoutWidth || engine.knownBlockCount != engine.document()->blockCount())
        engine.invalidateRows();
    engine.countRowsBefore(block.blockNumber());
    engine.rowsOf(block);
    const QTextLine line = block.layout()->lineForTextPosition(qBound(0, position - block.position(), block.length() - 1));
    return engine.rows.rowsBefore(block.blockNumber()) + (line.isValid() ? line.lineNumber() : 0);
}

bool RichTextBox::displayLinesCurrent() const
{
    const EditorEngine &engine = *m_engine;
    if (!engine.wraps())
        return true;
    if (engine.editor->viewport()->width() != engine.layoutWidth || engine.knownBlockCount != engine.document()->blockCount())
        return false;
    return engine.rows.firstUnknownBefore(engine.document()->findBlock(SelStart()).blockNumber()) < 0;
}

int RichTextBox::lineIndex(int line)
{
    EditorEngine &engine = *m_engine;
    if (line < 0)
        return -1;
    if (!engine.wraps()) {
        const QTextBlock block = engine.document()->findBlockByNumber(line);
        return block.isValid() ? block.position() : -1;
    }
    for (;;) {
        int unknown = -1;
        const text::DisplayLines::Hit hit = engine.rows.blockOfRow(line, &unknown);
        if (hit.block >= 0) {
            const QTextBlock block = engine.document()->findBlockByNumber(hit.block);
            engine.rowsOf(block);
            return block.position() + block.layout()->lineAt(hit.rowInBlock).textStart();
        }
        if (unknown < 0)
            return -1;
        // Count the next stretch of blocks and look again.
        engine.countRowsBefore(qMin(unknown + 4096, engine.rows.blockCount()));
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
