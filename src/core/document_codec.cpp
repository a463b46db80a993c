#include "core/document_codec.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#include <QtAlgorithms>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

const char kBom[] = "\xEF\xBB\xBF";

// Windows-1252 bytes 80-9F. The five bytes the code page leaves undefined stand for the C1
// controls of the same value, so every byte reads back as itself.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Appends src to out, turning CR LF and lone CR into LF.
void appendWithLf(QByteArray& out, const char* src, qsizetype n)
{
    const char* end = src + n;
    while (src < end) {
        const char* cr = static_cast<const char*>(std::memchr(src, '\r', size_t(end - src)));
        if (!cr) {
            out.append(src, end - src);
            return;
        }
        out.append(src, cr - src);
        out.append('\n');
        src = cr + 1;
        if (src < end && *src == '\n')
            ++src;
    }
}

// Decoders run twice over the bytes: once counting, once writing into a buffer of that size,
// so a big page is never copied or grown on the way into the editor.
struct ByteCounter
{
    qsizetype size = 0;
    void put(char) { ++size; }
};

struct ByteWriter
{
    char* at;
    void put(char c) { *at++ = c; }
};

// UTF-8 for one code point; surrogates come out in their three-byte form.
template <class Out> void putUtf8(Out& out, char32_t cp)
{
    if (cp < 0x80) {
        out.put(char(cp));
    } else if (cp < 0x800) {
        out.put(char(0xC0 | (cp >> 6)));
        out.put(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.put(char(0xE0 | (cp >> 12)));
        out.put(char(0x80 | ((cp >> 6) & 0x3F)));
        out.put(char(0x80 | (cp & 0x3F)));
    } else {
        out.put(char(0xF0 | (cp >> 18)));
        out.put(char(0x80 | ((cp >> 12) & 0x3F)));
        out.put(char(0x80 | ((cp >> 6) & 0x3F)));
        out.put(char(0x80 | (cp & 0x3F)));
    }
}

template <class Out> void decodeCp1252(const unsigned char* data, qsizetype size, Out& out)
{
    for (qsizetype i = 0; i < size; ++i) {
        const unsigned char c = data[i];
        if (c == '\r') {
            out.put('\n');
            if (i + 1 < size && data[i + 1] == '\n')
                ++i;
        } else if (c < 0x80) {
            out.put(char(c));
        } else if (c < 0xA0) {
            putUtf8(out, kCp1252High[c - 0x80]);
        } else {
            putUtf8(out, c);
        }
    }
}

template <class Out>
void decodeUtf16Units(const unsigned char* data, qsizetype units, bool bigEndian, Out& out)
{
    auto unit = [&](qsizetype i) -> char16_t {
        const unsigned char a = data[2 * i], b = data[2 * i + 1];
        return bigEndian ? char16_t(a << 8 | b) : char16_t(b << 8 | a);
    };
    for (qsizetype i = 0; i < units; ++i) {
        const char16_t u = unit(i);
        if (u == '\r') {
            out.put('\n');
            if (i + 1 < units && unit(i + 1) == '\n')
                ++i;
        } else if (u >= 0xD800 && u < 0xDC00 && i + 1 < units && unit(i + 1) >= 0xDC00 &&
                   unit(i + 1) < 0xE000) {
            putUtf8(out, 0x10000 + ((char32_t(u) - 0xD800) << 10) + (unit(i + 1) - 0xDC00));
            ++i;
        } else {
            putUtf8(out, u); // an unpaired surrogate too, so it is written back as it was
        }
    }
}

template <class Decode> QByteArray decodeCounted(Decode decode)
{
    ByteCounter counter;
    decode(counter);
    QByteArray utf8(counter.size, Qt::Uninitialized);
    ByteWriter writer{utf8.data()};
    decode(writer);
    return utf8;
}

TextEncoding utf16ByMark(const QByteArray& bytes)
{
    if (bytes.size() >= 2) {
        const auto a = static_cast<unsigned char>(bytes[0]),
                   b = static_cast<unsigned char>(bytes[1]);
        if (a == 0xFF && b == 0xFE)
            return TextEncoding::Utf16LE;
        if (a == 0xFE && b == 0xFF)
            return TextEncoding::Utf16BE;
    }
    return TextEncoding::Utf8;
}

bool isUtf16(TextEncoding encoding)
{
    return encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16BE;
}

// Neither byte-order mark of UTF-16 can start valid UTF-8, so the mark decides first.
EditorBytes decodeOther(const QByteArray& fileBytes)
{
    EditorBytes result;
    const auto* data = reinterpret_cast<const unsigned char*>(fileBytes.constData());
    const qsizetype size = fileBytes.size();
    const TextEncoding utf16 = utf16ByMark(fileBytes);
    if (isUtf16(utf16)) {
        result.format.encoding = utf16;
        const qsizetype units = (size - 2) / 2;
        if ((size - 2) % 2)
            result.format.oddTail = fileBytes.right(1);
        const bool bigEndian = utf16 == TextEncoding::Utf16BE;
        result.utf8 =
            decodeCounted([&](auto& out) { decodeUtf16Units(data + 2, units, bigEndian, out); });
        return result;
    }
    result.format.encoding = TextEncoding::Windows1252;
    result.utf8 = decodeCounted([&](auto& out) { decodeCp1252(data, size, out); });
    return result;
}

bool needsOtherDecoder(const QByteArray& bytes)
{
    return isUtf16(utf16ByMark(bytes)) || !isValidUtf8(bytes.constData(), bytes.size());
}

} // namespace

bool operator==(const TextFormat& a, const TextFormat& b)
{
    return a.encoding == b.encoding && a.oddTail == b.oddTail;
}

bool isValidUtf8(const char* data, qsizetype size)
{
    return QByteArrayView(data, size).isValidUtf8();
}

EditorBytes decodeDocument(const QByteArray& fileBytes)
{
    if (needsOtherDecoder(fileBytes))
        return decodeOther(fileBytes);
    EditorBytes result;
    const char* data = fileBytes.constData();
    qsizetype size = fileBytes.size();
    result.format.encoding = TextEncoding::Utf8;
    if (size >= 3 && std::memcmp(data, kBom, 3) == 0) {
        result.format.encoding = TextEncoding::Utf8WithBom;
        data += 3;
        size -= 3;
    }
    if (!std::memchr(data, '\r', size_t(size))) {
        // The common case shares the bytes: no copy at all.
        result.utf8 = data == fileBytes.constData() ? fileBytes : QByteArray(data, size);
        return result;
    }
    result.utf8.reserve(size);
    appendWithLf(result.utf8, data, size);
    return result;
}

EditorBytes decodeDocument(QByteArray&& fileBytes)
{
    if (needsOtherDecoder(fileBytes))
        return decodeOther(fileBytes);
    const qsizetype size = fileBytes.size();
    EditorBytes result;
    const bool bom = size >= 3 && std::memcmp(fileBytes.constData(), kBom, 3) == 0;
    result.format.encoding = bom ? TextEncoding::Utf8WithBom : TextEncoding::Utf8;
    const qsizetype skip = bom ? 3 : 0;
    if (!bom && !std::memchr(fileBytes.constData(), '\r', size_t(size))) {
        result.utf8 = std::move(fileBytes);
        return result;
    }
    // Line ends only ever shrink, so the text is compacted where it lies.
    char* base = fileBytes.data();
    const char* read = base + skip;
    const char* end = base + size;
    char* write = base;
    while (read < end) {
        const auto* cr = static_cast<const char*>(std::memchr(read, '\r', size_t(end - read)));
        const char* stop = cr ? cr : end;
        std::memmove(write, read, size_t(stop - read));
        write += stop - read;
        if (!cr)
            break;
        *write++ = '\n';
        read = cr + 1;
        if (read < end && *read == '\n')
            ++read;
    }
    fileBytes.truncate(write - base);
    result.utf8 = std::move(fileBytes);
    return result;
}

namespace {

// Walks the steps that start before `stop` (reading at most up to `end`); returns where the
// walk ended. Plain ASCII goes to the visitor in runs.
template <class Visitor>
const unsigned char* walkRange(const unsigned char* p, const unsigned char* stop,
                               const unsigned char* end, Visitor& visit)
{
    while (p < stop) {
        if (*p < 0x80) {
            const unsigned char* run = p;
            while (p < stop && *p < 0x80 && *p != '\n')
                ++p;
            if (p > run)
                visit.ascii(reinterpret_cast<const char*>(run), p - run);
            if (p < stop && *p == '\n') {
                visit.lineEnd();
                ++p;
            }
            continue;
        }
        const Utf8Step step = nextUtf8Step(p, end);
        if (step.kind == Utf8Step::Char)
            visit.codePoint(step.cp);
        else if (step.kind == Utf8Step::Surrogate)
            visit.surrogate(step.cp, reinterpret_cast<const char*>(p));
        else
            visit.invalid(char(*p));
        p += step.length;
    }
    return p;
}

// Walks both runs as one text: a character cut by the gap is put together in a small buffer.
template <class Visitor> void walkText(const TextRuns& text, Visitor& visit)
{
    const auto* first = reinterpret_cast<const unsigned char*>(text.first.data());
    const auto* firstEnd = first + text.first.size();
    const auto* second = reinterpret_cast<const unsigned char*>(text.second.data());
    const auto* secondEnd = second + text.second.size();
    if (text.second.isEmpty()) {
        walkRange(first, firstEnd, firstEnd, visit);
        return;
    }
    const auto* safe = firstEnd - std::min<qsizetype>(3, text.first.size());
    const unsigned char* p = walkRange(first, safe, firstEnd, visit);
    const qsizetype held = firstEnd - p;
    if (held > 0) {
        unsigned char joined[8];
        const qsizetype borrowed = std::min<qsizetype>(4, text.second.size());
        std::memcpy(joined, p, size_t(held));
        std::memcpy(joined + held, second, size_t(borrowed));
        const unsigned char* q = walkRange(joined, joined + held, joined + held + borrowed, visit);
        second += (q - joined) - held;
    }
    walkRange(second, secondEnd, secondEnd, visit);
}

// Collects encoded bytes in one reused buffer and hands them on a piece at a time.
class PieceBuffer
{
public:
    struct Refused
    {
    };

    explicit PieceBuffer(const EncodedPieces& put) : put_(put), data_(new char[kEncodedPieceSize])
    {
    }

    void append(char c)
    {
        if (used_ == kEncodedPieceSize)
            flush();
        data_[used_++] = c;
    }
    void append(const char* p, qsizetype n)
    {
        while (n > 0) {
            if (used_ == kEncodedPieceSize)
                flush();
            const qsizetype take = std::min(n, kEncodedPieceSize - used_);
            std::memcpy(data_.get() + used_, p, size_t(take));
            used_ += take;
            p += take;
            n -= take;
        }
    }
    // Room for at least `n` (up to a whole piece) bytes written directly; `commit` says how
    // many were.
    char* room(qsizetype n)
    {
        if (kEncodedPieceSize - used_ < n)
            flush();
        return data_.get() + used_;
    }
    void commit(qsizetype n) { used_ += n; }
    qsizetype free() const { return kEncodedPieceSize - used_; }
    void flush()
    {
        if (used_ > 0 && !put_(QByteArrayView(data_.get(), used_)))
            throw Refused{};
        used_ = 0;
    }

private:
    const EncodedPieces& put_;
    std::unique_ptr<char[]> data_;
    qsizetype used_ = 0;
};

void appendReference(PieceBuffer& out, char32_t cp)
{
    const QByteArray reference = "&#" + QByteArray::number(quint32(cp)) + ';';
    out.append(reference.constData(), reference.size());
}

struct Cp1252Encoder
{
    PieceBuffer& out;
    qsizetype references = 0;

    void ascii(const char* p, qsizetype n) { out.append(p, n); }
    void lineEnd() { out.append("\r\n", 2); }
    void codePoint(char32_t cp)
    {
        if (cp >= 0xA0 && cp <= 0xFF) {
            out.append(char(cp));
            return;
        }
        for (int i = 0; i < 32; ++i) {
            if (kCp1252High[i] == cp) {
                out.append(char(0x80 + i));
                return;
            }
        }
        appendReference(out, cp);
        ++references;
    }
    // Bytes that are no character are written as they are.
    void surrogate(char32_t, const char* raw) { out.append(raw, 3); }
    void invalid(char byte) { out.append(byte); }
};

struct Utf16Encoder
{
    PieceBuffer& out;
    bool bigEndian;

    void unit(char16_t u)
    {
        const char pair[2] = {char(bigEndian ? u >> 8 : u & 0xFF),
                              char(bigEndian ? u & 0xFF : u >> 8)};
        out.append(pair, 2);
    }
    void ascii(const char* p, qsizetype n)
    {
        // Most of a page: widened a block at a time rather than unit by unit.
        const int low = bigEndian ? 1 : 0;
        while (n > 0) {
            const qsizetype block = std::min<qsizetype>(n, kEncodedPieceSize / 2);
            char* w = out.room(2 * block);
            for (qsizetype i = 0; i < block; ++i) {
                w[2 * i + low] = p[i];
                w[2 * i + 1 - low] = 0;
            }
            out.commit(2 * block);
            p += block;
            n -= block;
        }
    }
    void lineEnd()
    {
        unit('\r');
        unit('\n');
    }
    void codePoint(char32_t cp)
    {
        if (cp < 0x10000) {
            unit(char16_t(cp));
            return;
        }
        unit(char16_t(0xD800 + ((cp - 0x10000) >> 10)));
        unit(char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    }
    void surrogate(char32_t cp, const char*) { unit(char16_t(cp)); }
    void invalid(char) { unit(0xFFFD); }
};

// Copies [p, end) to w with every LF as CR LF; w needs room for 2 * (end - p) + 16 bytes.
char* copyWithCrLf(const char* p, const char* end, char* w)
{
#if defined(__SSE2__)
    // Lines run to dozens of bytes, so most 16-byte blocks hold no LF and are copied whole;
    // a block with one is copied up to it and the scan goes on after it.
    const __m128i lineFeeds = _mm_set1_epi8('\n');
    while (end - p >= 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(w), block);
        const int mask = _mm_movemask_epi8(_mm_cmpeq_epi8(block, lineFeeds));
        if (mask == 0) {
            p += 16;
            w += 16;
            continue;
        }
        const int at = int(qCountTrailingZeroBits(uint(mask)));
        w += at;
        *w++ = '\r';
        *w++ = '\n';
        p += at + 1;
    }
#endif
    for (; p < end; ++p) {
        if (*p == '\n')
            *w++ = '\r';
        *w++ = *p;
    }
    return w;
}

// UTF-8 stays as it is; only each LF becomes CR LF, so a run can be cut anywhere.
void encodeUtf8Run(QByteArrayView run, PieceBuffer& out)
{
    const char* p = run.data();
    const char* const end = p + run.size();
    while (p < end) {
        if (out.free() < 4096)
            out.flush();
        const qsizetype chunk = std::min<qsizetype>(end - p, (out.free() - 16) / 2);
        char* const start = out.room(0);
        out.commit(copyWithCrLf(p, p + chunk, start) - start);
        p += chunk;
    }
}

} // namespace

bool encodeDocumentInPieces(const TextRuns& text, const TextFormat& format,
                            const EncodedPieces& put, qsizetype* references)
{
    if (references)
        *references = 0;
    PieceBuffer out(put);
    try {
        switch (format.encoding) {
        case TextEncoding::Windows1252: {
            Cp1252Encoder encoder{out};
            walkText(text, encoder);
            if (references)
                *references = encoder.references;
            break;
        }
        case TextEncoding::Utf16LE:
        case TextEncoding::Utf16BE: {
            const bool bigEndian = format.encoding == TextEncoding::Utf16BE;
            out.append(bigEndian ? "\xFE\xFF" : "\xFF\xFE", 2);
            Utf16Encoder encoder{out, bigEndian};
            walkText(text, encoder);
            out.append(format.oddTail.constData(), format.oddTail.size());
            break;
        }
        case TextEncoding::Utf8:
        case TextEncoding::Utf8WithBom:
            if (format.encoding == TextEncoding::Utf8WithBom)
                out.append(kBom, 3);
            encodeUtf8Run(text.first, out);
            encodeUtf8Run(text.second, out);
            break;
        }
        out.flush();
    } catch (const PieceBuffer::Refused&) {
        return false;
    }
    return true;
}

QByteArray encodeDocument(const TextRuns& text, const TextFormat& format, qsizetype* references)
{
    const qsizetype size = text.first.size() + text.second.size();
    const bool wide =
        format.encoding == TextEncoding::Utf16LE || format.encoding == TextEncoding::Utf16BE;
    QByteArray out;
    out.reserve((wide ? 2 * size : size) + size / 8 + 4 + format.oddTail.size());
    encodeDocumentInPieces(
        text, format,
        [&out](QByteArrayView piece) {
            out.append(piece);
            return true;
        },
        references);
    return out;
}

QString normalizeLineEnds(const QString& text)
{
    if (!text.contains(QLatin1Char('\r')))
        return text;
    QString out = text;
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return out;
}

static bool isContinuation(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

Utf8Step nextUtf8Step(const unsigned char* p, const unsigned char* end)
{
    const unsigned char c = *p;
    const qsizetype left = end - p;
    if (c >= 0xC2 && c <= 0xDF && left >= 2 && isContinuation(p[1]))
        return {Utf8Step::Char, char32_t(c & 0x1F) << 6 | (p[1] & 0x3F), 2};
    if (c >= 0xE0 && c <= 0xEF && left >= 3 && isContinuation(p[1]) && isContinuation(p[2])) {
        const char32_t cp = char32_t(c & 0x0F) << 12 | char32_t(p[1] & 0x3F) << 6 | (p[2] & 0x3F);
        if (cp >= 0x800)
            return {cp >= 0xD800 && cp < 0xE000 ? Utf8Step::Surrogate : Utf8Step::Char, cp, 3};
    }
    if (c >= 0xF0 && c <= 0xF4 && left >= 4 && isContinuation(p[1]) && isContinuation(p[2]) &&
        isContinuation(p[3])) {
        const char32_t cp = char32_t(c & 0x07) << 18 | char32_t(p[1] & 0x3F) << 12 |
                            char32_t(p[2] & 0x3F) << 6 | (p[3] & 0x3F);
        if (cp >= 0x10000 && cp <= 0x10FFFF)
            return {Utf8Step::Char, cp, 4};
    }
    return {Utf8Step::Invalid, c, 1};
}
