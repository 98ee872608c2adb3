// What the text tests share: byte literals, random bytes at the codec's edges, and files on disk
// (paths in the kernel's bytes, whole files, folder listings, lstat).
#pragma once

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QStringList>

#include <iterator>

#include <sys/stat.h>

// A C++ literal with embedded NULs, sized by the compiler.
template<size_t N> QByteArray bytes(const char (&s)[N]) { return QByteArray(s, N - 1); }

// Byte strings that meet the codec at its edges: ends, UTF-8 leads and trails, reserved characters,
// pairs (one whose low half looks like a placeholder), UTF-16 units and marks, and plain lines.
inline const QByteArray kPieces[] = {
    bytes("\r"), bytes("\n"), bytes("\r\n"), bytes("\0"), bytes("\xE2\x80\xA9"), bytes("\xEF\xB7\x90"),
    bytes("\xEF\xB7\x91"), bytes("\xED\xA0\x80"), bytes("\xF0\x9F\x98\x80"), bytes("\xF0\x90\x80\x80"),
    bytes("\xC3\xA9"), bytes("\x00\xD8"), bytes("\xDC\x00"), bytes("\x29\x20"), bytes("\x20\x29"),
    bytes("\r\0\n\0"), bytes("\xD0\xFD"), bytes("\xEF\xBB\xBF"), bytes("\xFF\xFE"), bytes("\xFE\xFF"),
    bytes("the quick brown fox\njumps over the lazy dog\n"), bytes("0123456789abcdef0123456789"),
};

// Each of length picks is a piece, a UTF-8 trail byte, a lead byte, a letter or any byte.
inline QByteArray randomBytes(QRandomGenerator &random, int length)
{
    const int pieceCount = int(std::size(kPieces));
    QByteArray input;
    for (int i = 0; i < length; ++i) {
        const int pick = random.bounded(pieceCount + 4) - pieceCount;
        input += pick < 0 ? kPieces[pick + pieceCount]
                          : QByteArray(1, char(pick == 0 ? 0x80 + random.bounded(0x40)
                                               : pick == 1 ? 0xC0 + random.bounded(0x38)
                                               : pick == 2 ? 'a' + random.bounded(26)
                                                           : random.bounded(256)));
    }
    return input;
}

// Text to type or journal: letters, breaks, NUL, a tab, a pair, a lone half of one, placeholders and the
// characters the codec reserves.
inline QString randomText(QRandomGenerator &random, int length)
{
    static const char16_t kUnits[] = {u'a', u'b', u' ', u'\n', u'\n', u'\r', u'\0', u'\t', 0xE9, 0x20AC, 0x65E5,
                                      0xD83D, 0xDE00, 0xDC80, 0xDCC3, 0xDCA9, 0x2029, 0xFDD0};
    QString s;
    for (int i = 0; i < length; ++i) {
        if (random.bounded(8) == 0)
            s += QStringView(u"\xD83D\xDE00");
        else
            s += QChar(kUnits[random.bounded(int(std::size(kUnits)))]);
    }
    return s;
}

inline QByteArray native(const QString &path) { return QFile::encodeName(path); }

inline bool put(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
           && file.write(bytes) == bytes.size() && file.flush();
}

inline QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Hidden names too: a temporary or backup file left behind shows here.
inline QStringList entries(const QString &folder)
{
    const auto all = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    return QDir(folder).entryList(all, QDir::Name);
}

inline struct stat statOf(const QString &path)
{
    struct stat st = {};
    ::lstat(native(path).constData(), &st);
    return st;
}
