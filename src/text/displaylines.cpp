// Display rows per block: chunks of a few hundred blocks each keep their sum and how many are unknown.
#include "text/displaylines.h"

#include <algorithm>

namespace text {

void DisplayLines::reset(int blockCount)
{
    m_chunks.clear();
    m_blockCount = 0;
    replace(0, 0, blockCount);
}

void DisplayLines::locate(int block, int &chunk, int &offset) const
{
    chunk = 0;
    offset = block;
    while (chunk < int(m_chunks.size()) && offset >= int(m_chunks[chunk].rows.size())) {
        if (chunk + 1 == int(m_chunks.size()) && offset == int(m_chunks[chunk].rows.size()))
            return;   // one past the end: append to the last chunk
        offset -= int(m_chunks[chunk].rows.size());
        ++chunk;
    }
}

void DisplayLines::split(int chunk)
{
    Chunk &c = m_chunks[chunk];
    Chunk upper;
    const auto middle = c.rows.begin() + c.rows.size() / 2;
    upper.rows.assign(middle, c.rows.end());
    c.rows.erase(middle, c.rows.end());
    for (Chunk *part : {&c, &upper}) {
        part->knownSum = 0;
        part->unknown = 0;
        for (int r : part->rows) {
            if (r == Unknown)
                ++part->unknown;
            else
                part->knownSum += r;
        }
    }
    m_chunks.insert(m_chunks.begin() + chunk + 1, std::move(upper));
}

void DisplayLines::replace(int first, int removedCount, int addedCount)
{
    if (m_chunks.empty())
        m_chunks.emplace_back();
    int chunk, offset;
    locate(first, chunk, offset);
    while (removedCount > 0) {
        Chunk &c = m_chunks[chunk];
        const int take = std::min(removedCount, int(c.rows.size()) - offset);
        for (int i = offset; i < offset + take; ++i) {
            if (c.rows[i] == Unknown)
                --c.unknown;
            else
                c.knownSum -= c.rows[i];
        }
        c.rows.erase(c.rows.begin() + offset, c.rows.begin() + offset + take);
        removedCount -= take;
        m_blockCount -= take;
        if (removedCount > 0) {
            if (c.rows.empty() && m_chunks.size() > 1)
                m_chunks.erase(m_chunks.begin() + chunk);
            else
                ++chunk;
            offset = 0;
        }
    }
    while (addedCount > 0) {
        Chunk &c = m_chunks[chunk];
        const int room = std::max(1, m_chunkSize - int(c.rows.size()));
        const int put = std::min(addedCount, room);
        c.rows.insert(c.rows.begin() + offset, put, Unknown);
        c.unknown += put;
        m_blockCount += put;
        addedCount -= put;
        offset += put;
        if (int(c.rows.size()) >= 2 * m_chunkSize || (addedCount > 0 && int(c.rows.size()) >= m_chunkSize)) {
            const int before = int(c.rows.size() / 2);
            split(chunk);
            if (offset >= before) {
                offset -= before;
                ++chunk;
            }
        }
    }
    if (m_chunks[chunk].rows.empty() && m_chunks.size() > 1)
        m_chunks.erase(m_chunks.begin() + chunk);
}

long long DisplayLines::estimatedRows() const
{
    long long sum = 0;
    for (const Chunk &c : m_chunks)
        sum += c.knownSum + c.unknown;
    return sum;
}

int DisplayLines::rows(int block) const
{
    int chunk, offset;
    locate(block, chunk, offset);
    return m_chunks[chunk].rows[offset];
}

void DisplayLines::setRows(int block, int rows)
{
    int chunk, offset;
    locate(block, chunk, offset);
    Chunk &c = m_chunks[chunk];
    int &slot = c.rows[offset];
    if (slot == Unknown)
        --c.unknown;
    else
        c.knownSum -= slot;
    slot = rows;
    if (rows == Unknown)
        ++c.unknown;
    else
        c.knownSum += rows;
}

int DisplayLines::firstUnknownBefore(int block) const
{
    int start = 0;
    for (const Chunk &c : m_chunks) {
        if (start >= block)
            return -1;
        if (c.unknown > 0) {
            const int end = std::min(int(c.rows.size()), block - start);
            for (int i = 0; i < end; ++i)
                if (c.rows[i] == Unknown)
                    return start + i;
        }
        start += int(c.rows.size());
    }
    return -1;
}

void DisplayLines::countUnknown(int block, const std::function<int(int)> &measure)
{
    int start = 0;
    for (Chunk &c : m_chunks) {
        if (start >= block)
            return;
        const int end = std::min(int(c.rows.size()), block - start);
        for (int i = 0; c.unknown > 0 && i < end; ++i) {
            if (c.rows[i] != Unknown)
                continue;
            c.rows[i] = measure(start + i);
            c.knownSum += c.rows[i];
            --c.unknown;
        }
        start += int(c.rows.size());
    }
}

int DisplayLines::rowsBefore(int block) const
{
    long long sum = 0;
    int start = 0;
    for (const Chunk &c : m_chunks) {
        const int size = int(c.rows.size());
        if (start + size <= block) {
            sum += c.knownSum;
        } else {
            for (int i = 0; i < block - start; ++i)
                sum += std::max(c.rows[i], 0);
            break;
        }
        start += size;
    }
    return int(sum);
}

int DisplayLines::unknownBefore(int block) const
{
    int count = 0, start = 0;
    for (const Chunk &c : m_chunks) {
        const int size = int(c.rows.size());
        if (start + size <= block) {
            count += c.unknown;
        } else {
            for (int i = 0; c.unknown > 0 && i < block - start; ++i)
                count += c.rows[i] == Unknown;
            break;
        }
        start += size;
    }
    return count;
}

long long DisplayLines::estimatedRowsBefore(int block) const
{
    long long sum = 0;
    int start = 0;
    for (const Chunk &c : m_chunks) {
        const int size = int(c.rows.size());
        if (start + size <= block) {
            sum += c.knownSum + c.unknown;
        } else {
            for (int i = 0; i < block - start; ++i)
                sum += c.rows[i] == Unknown ? 1 : c.rows[i];
            break;
        }
        start += size;
    }
    return sum;
}

DisplayLines::Hit DisplayLines::blockOfEstimatedRow(long long row) const
{
    int start = 0;
    long long before = 0;
    for (const Chunk &c : m_chunks) {
        if (before + c.knownSum + c.unknown <= row) {
            before += c.knownSum + c.unknown;
            start += int(c.rows.size());
            continue;
        }
        for (int i = 0; i < int(c.rows.size()); ++i) {
            const int rows = c.rows[i] == Unknown ? 1 : c.rows[i];
            if (row < before + rows)
                return {start + i, int(row - before)};
            before += rows;
        }
        start += int(c.rows.size());
    }
    return {};
}

DisplayLines::Hit DisplayLines::blockOfRow(int row, int *firstUnknown) const
{
    if (firstUnknown)
        *firstUnknown = -1;
    int start = 0;
    long long before = 0;
    for (const Chunk &c : m_chunks) {
        if (c.unknown == 0 && before + c.knownSum <= row) {
            before += c.knownSum;
            start += int(c.rows.size());
            continue;
        }
        for (int i = 0; i < int(c.rows.size()); ++i) {
            if (c.rows[i] == Unknown) {
                if (firstUnknown)
                    *firstUnknown = start + i;
                return {};
            }
            if (row < before + c.rows[i])
                return {start + i, int(row - before)};
            before += c.rows[i];
        }
        start += int(c.rows.size());
    }
    return {};
}

}
