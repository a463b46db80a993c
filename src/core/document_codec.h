#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>

// How a page's bytes were read, so that they are written back the same way.
enum class TextEncoding {
    Utf8,        // valid UTF-8 (plain ASCII included)
    Utf8WithBom, // valid UTF-8 behind a byte-order mark, which is written back
    Windows1252, // anything else: every byte is one character, so nothing is lost
    Utf16LE,     // UTF-16 behind its byte-order mark, which is written back
    Utf16BE,
};

struct TextFormat
{
    TextFormat(TextEncoding e = TextEncoding::Utf8) : encoding(e) {}
    TextEncoding encoding;
    // A UTF-16 file of odd length ends in a byte that makes no whole unit; it is kept here and
    // written back after the text.
    QByteArray oddTail;
};

bool operator==(const TextFormat& a, const TextFormat& b);

struct EditorBytes
{
    // The editor's text: UTF-8 with LF line ends, no byte-order mark. An unpaired surrogate of
    // a UTF-16 page keeps its three-byte form (ED A0 80 for D800), which valid UTF-8 never holds.
    QByteArray utf8;
    TextFormat format;
};

bool isValidUtf8(const char* data, qsizetype size);

// File bytes to editor text: CR LF, a lone CR and a lone LF each become one LF.
EditorBytes decodeDocument(const QByteArray& fileBytes);
// The same, reusing the file's buffer for UTF-8 text (no second copy of a big page).
EditorBytes decodeDocument(QByteArray&& fileBytes);

// Editor text as it lies in memory: up to two runs of UTF-8 bytes (either side of the editor's
// insertion gap), read in place so that saving moves nothing around.
struct TextRuns
{
    QByteArrayView first;
    QByteArrayView second;
};

// Editor text to file bytes, handed to `put` a piece at a time (each at most kEncodedPieceSize
// bytes) through one reused buffer, so a big page is never held twice. Returning false from
// `put` stops the encoding; the result says whether every piece was taken.
constexpr qsizetype kEncodedPieceSize = 256 * 1024;
using EncodedPieces = std::function<bool(QByteArrayView piece)>;
bool encodeDocumentInPieces(const TextRuns& text, const TextFormat& format,
                            const EncodedPieces& put, qsizetype* references = nullptr);

// Editor text to file bytes in `format`: every LF becomes CR LF. A character Windows-1252
// cannot hold is written as a decimal character reference (&#8594;); `references` counts them.
QByteArray encodeDocument(const TextRuns& text, const TextFormat& format,
                          qsizetype* references = nullptr);
inline QByteArray encodeDocument(const char* utf8, qsizetype size, const TextFormat& format,
                                 qsizetype* references = nullptr)
{
    return encodeDocument(TextRuns{QByteArrayView(utf8, size), {}}, format, references);
}
inline QByteArray encodeDocument(const QByteArray& utf8, const TextFormat& format,
                                 qsizetype* references = nullptr)
{
    return encodeDocument(utf8.constData(), utf8.size(), format, references);
}

// LF-only text for the editor from any text (used by commands that set whole texts).
QString normalizeLineEnds(const QString& text);

// One step through the editor's bytes: strict UTF-8, plus the three-byte form of a surrogate
// (an unpaired one from a UTF-16 page); anything else, ASCII included, is one "invalid" byte
// whose value is cp. Callers walk ASCII themselves.
struct Utf8Step
{
    enum Kind { Char, Surrogate, Invalid } kind;
    char32_t cp;
    int length;
};
Utf8Step nextUtf8Step(const unsigned char* p, const unsigned char* end);
