// The file codec: bytes on disk <-> text as lines, losing nothing in either direction.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QChar>
#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

namespace text {

// Latin8: 8-bit text shown as Windows-1252 shows it, with its five holes kept as themselves.
enum class Encoding { Utf8, Utf16LE, Utf16BE, Latin8 };
enum class LineEnd : unsigned char { LF, CRLF, CR, PS };

// bom is ignored for Latin8, which has none.
struct TextFormat {
    Encoding encoding = Encoding::Utf8;
    bool bom = false;
    LineEnd lineEnd = LineEnd::LF;
};
bool operator==(const TextFormat &a, const TextFormat &b);
inline bool operator!=(const TextFormat &a, const TextFormat &b) { return !(a == b); }

// Every line break is one '\n' in text; ends[i] says what the break after line i was in the file.
struct Decoded {
    QString text;
    std::vector<LineEnd> ends;
};

// A byte the encoding cannot show travels through the text as U+DC00 + byte and is written back
// as that byte. Only a low surrogate with no high surrogate before it is a placeholder.
constexpr char16_t placeholderBase = 0xDC00;
constexpr QChar placeholder(unsigned char byte) { return QChar(char16_t(placeholderBase + byte)); }
constexpr bool isPlaceholder(QChar c) { return c.unicode() >= placeholderBase && c.unicode() <= placeholderBase + 0xFF; }
constexpr unsigned char placeholderByte(QChar c) { return static_cast<unsigned char>(c.unicode() - placeholderBase); }
bool isPlaceholderAt(QStringView text, qsizetype index);

// Length of the well-formed UTF-8 sequence at p (2..4) with its code point, or 0 (ASCII included).
inline int utf8Sequence(const unsigned char *p, const unsigned char *end, char32_t &cp)
{
    const uchar b = *p;
    int len = 0;
    uchar lo = 0x80, hi = 0xBF;   // the second byte's range rules out overlongs, surrogates and > U+10FFFF
    if (b >= 0xC2 && b <= 0xDF) {
        len = 2;
        cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3;
        cp = b & 0x0F;
        lo = b == 0xE0 ? 0xA0 : 0x80;
        hi = b == 0xED ? 0x9F : 0xBF;
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4;
        cp = b & 0x07;
        lo = b == 0xF0 ? 0x90 : 0x80;
        hi = b == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (end - p < len || p[1] < lo || p[1] > hi)
        return 0;
    cp = cp << 6 | (p[1] & 0x3F);
    for (int i = 2; i < len; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        cp = cp << 6 | (p[i] & 0x3F);
    }
    return len;
}

TextFormat detect(QByteArrayView bytes);
// The format to write bytes made in `format` in instead, so that detect() takes them for that format again:
// UTF-8 that would read as 8-bit or as marked gains a mark; 8-bit that would read as anything else turns
// UTF-8. `format` itself when the bytes already read back in it.
TextFormat readableFormat(const TextFormat &format, QByteArrayView bytes);
// readableFormat() over bytes that come in pieces, as a save streams them: nothing kept but a few bytes.
class ReadBack
{
public:
    void feed(QByteArrayView bytes);
    TextFormat format(const TextFormat &written) const;

private:
    void scan(QByteArrayView bytes, bool last);

    QByteArray m_head;    // the first bytes, where a mark would be
    QByteArray m_carry;   // the start of a sequence that the last piece cut off
    qsizetype m_valid = 0;
    qsizetype m_invalid = 0;
};
// With format.bom the BOM is skipped when the bytes start with it.
Decoded decode(QByteArrayView bytes, const TextFormat &format);
// A '\n' beyond ends.size() takes format.lineEnd. What canEncode() rejects is written as U+FFFD
// (UTF-8/16) or '?' (Latin8), a PS line end in Latin8 as the main end or LF: check first. Placeholders of a
// UTF-16 file that no longer make whole units that read back as themselves become U+FFFD too (counted), and
// an LF end right after a CR end is written CR LF, so that the empty line between them stays.
QByteArray encode(QStringView text, const std::vector<LineEnd> &ends, const TextFormat &format);

// Text from outside (the clipboard, a paste, the program's own strings): every kind of line break becomes
// one '\n', and U+FDD0/U+FDD1, which the codec keeps as bytes, become the placeholders of their bytes in the
// encoding (UTF-8's for 8-bit, which cannot store them).
QString normaliseBreaks(QString text, Encoding encoding = Encoding::Utf8);

// False for a character with no byte form: outside the Latin8 repertoire, or in any encoding a lone
// high surrogate or a lone low surrogate above the placeholder range.
bool canEncode(QStringView text, Encoding encoding);
bool canEncode(LineEnd end, Encoding encoding);
// The whole document: its text, its ends and the main end for new lines.
bool canEncode(QStringView text, const std::vector<LineEnd> &ends, const TextFormat &format);

// encode() line by line, for documents too big to join into one string first.
class Encoder
{
public:
    explicit Encoder(const TextFormat &format);
    void appendLine(QStringView line);
    void appendEnd(std::optional<LineEnd> end);   // nullopt: the format's main line end
    void finish();                                // after the last line: what is still held is the file's last byte
    QByteArray take();                            // the bytes so far; the next ones start a new buffer
    qsizetype substitutions() const { return m_substitutions; }   // characters and ends written as something else
    // The file's own bytes may go out as they are after what was encoded (they read back the same there);
    // wroteRaw() then says they went, so that what is encoded next is judged after them.
    bool takesRaw(QByteArrayView bytes) const;
    void wroteRaw(QByteArrayView bytes);

private:
    void appendUnits(const char16_t *begin, const char16_t *end);

    TextFormat m_format;
    QByteArray m_bytes;
    qsizetype m_substitutions = 0;
    bool m_afterCR = false;          // the last thing written was a CR end
    int m_utf16Held = -1;            // a placeholder's byte waiting for the other half of its unit
    bool m_utf16AfterHigh = false;   // the last unit written was a lone high surrogate
};

} // namespace text
