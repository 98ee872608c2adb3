// Display rows per block in chunks with running sums, so a line lookup never walks the document.
#pragma once

#include <functional>
#include <vector>

namespace text {

class DisplayLines
{
public:
    static constexpr int Unknown = -1;

    explicit DisplayLines(int chunkSize = 512) : m_chunkSize(chunkSize) {}

    void reset(int blockCount);                                // every block's rows unknown
    void replace(int first, int removedCount, int addedCount); // the edited blocks become unknown
    int blockCount() const { return m_blockCount; }

    int rows(int block) const;
    // Known rows plus one for each block still unknown: what a scroll bar can show before counting ends.
    long long estimatedRows() const;
    void setRows(int block, int rows);

    // First block below `block` whose rows are unknown, or -1.
    int firstUnknownBefore(int block) const;
    int rowsBefore(int block) const;   // all blocks below `block` must be known
    int unknownBefore(int block) const;
    // Known rows below `block` plus one for each block still unknown: where the view places a block
    // while counting goes on, and exactly rowsBefore once the blocks below are known.
    long long estimatedRowsBefore(int block) const;
    // Measures every unknown block below `block`, in increasing order.
    void countUnknown(int block, const std::function<int(int)> &measure);

    struct Hit
    {
        int block = -1;   // -1 when the row lies beyond the known blocks
        int rowInBlock = 0;
    };
    // The block holding display row `row`, walking known blocks only; stops at the first unknown one.
    Hit blockOfRow(int row, int *firstUnknown = nullptr) const;
    // The same over estimated rows: an unknown block is one row, and may be the block hit.
    Hit blockOfEstimatedRow(long long row) const;

private:
    struct Chunk
    {
        std::vector<int> rows;
        long long knownSum = 0;
        int unknown = 0;
    };
    void locate(int block, int &chunk, int &offset) const;
    void split(int chunk);

    int m_chunkSize;
    int m_blockCount = 0;
    std::vector<Chunk> m_chunks;
};

}
