// Find over stored bytes: the search text as byte forms of each of its characters, and a scan that finds
// candidates sixteen bytes at a time and checks each where it stands.
#pragma once

#include "text/pieces_p.h"

#include <QStringView>

#include <vector>

namespace text::bytefind {

using pieces::uchar;

// One way a character can stand in a buffer: its bytes there.
struct Form
{
    uchar bytes[3] = {};
    int size = 0;
};

class Matcher
{
public:
    // Every character of the search text is a BMP character that is no break, placeholder or surrogate
    // (searchable() says so); each gets the byte forms of every character that matches it.
    Matcher(QStringView needle, bool matchCase, pieces::Kind kind);
    static bool searchable(QStringView needle);

    // The first match that starts in [from, end) and lies in [from, end); nullptr if none. Bytes from
    // `begin` on may be looked at behind a candidate.
    const uchar *find(const uchar *begin, const uchar *from, const uchar *end) const;
    int units() const { return int(m_chars.size()); }

private:
    bool matchesAt(const uchar *begin, const uchar *anchor, const uchar *end, const uchar **start) const;

    std::vector<std::vector<Form>> m_chars;
    bool m_impossible = false;   // a character with no form in this buffer: nothing matches
    // Candidates: the first bytes of one character's forms, and where a second character (or -1) must stand.
    int m_anchor = 0;
    std::vector<uchar> m_first;
    int m_pair = -1;
    int m_pairDistance = 0;   // bytes from the anchor's start to the second character's start
    std::vector<uchar> m_second;
};

} // namespace text::bytefind
