#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// How a page's bytes were read, so that they are written back the same way.
enum class TextEncoding {
    Utf8,        // valid UTF-8 (plain ASCII included)
    Utf8WithBom, // valid UTF-8 behind a byte-order mark, which is written back
    Latin1,      // anything else: every byte is one character, so nothing is lost
};

struct EditorBytes
{
    QByteArray utf8; // the editor's text: UTF-8 with LF line ends, no byte-order mark
    TextEncoding encoding = TextEncoding::Utf8;
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

// Editor text to file bytes: every LF becomes CR LF; the text is written in `encoding`, except
// that text Latin-1 cannot hold is written as UTF-8 (`used` says which encoding went out).
QByteArray encodeDocument(const TextRuns& text, TextEncoding encoding,
                          TextEncoding* used = nullptr);
inline QByteArray encodeDocument(const char* utf8, qsizetype size, TextEncoding encoding,
                                 TextEncoding* used = nullptr)
{
    return encodeDocument(TextRuns{QByteArrayView(utf8, size), {}}, encoding, used);
}
inline QByteArray encodeDocument(const QByteArray& utf8, TextEncoding encoding,
                                 TextEncoding* used = nullptr)
{
    return encodeDocument(utf8.constData(), utf8.size(), encoding, used);
}

// LF-only text for the editor from any text (used by commands that set whole texts).
QString normalizeLineEnds(const QString& text);
