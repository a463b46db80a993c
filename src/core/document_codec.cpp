#include "core/document_codec.h"

#include <cstring>
#include <utility>

namespace {

const char kBom[] = "\xEF\xBB\xBF";

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

} // namespace

bool isValidUtf8(const char* data, qsizetype size)
{
    return QByteArrayView(data, size).isValidUtf8();
}

EditorBytes decodeDocument(const QByteArray& fileBytes)
{
    EditorBytes result;
    const char* data = fileBytes.constData();
    qsizetype size = fileBytes.size();
    if (isValidUtf8(data, size)) {
        result.encoding = TextEncoding::Utf8;
        if (size >= 3 && std::memcmp(data, kBom, 3) == 0) {
            result.encoding = TextEncoding::Utf8WithBom;
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

    result.encoding = TextEncoding::Latin1;
    QByteArray utf8;
    utf8.reserve(size + size / 8);
    for (qsizetype i = 0; i < size; ++i) {
        const auto c = static_cast<unsigned char>(data[i]);
        if (c == '\r') {
            utf8.append('\n');
            if (i + 1 < size && data[i + 1] == '\n')
                ++i;
        } else if (c < 0x80) {
            utf8.append(char(c));
        } else {
            utf8.append(char(0xC0 | (c >> 6)));
            utf8.append(char(0x80 | (c & 0x3F)));
        }
    }
    result.utf8 = std::move(utf8);
    return result;
}

EditorBytes decodeDocument(QByteArray&& fileBytes)
{
    const qsizetype size = fileBytes.size();
    if (!isValidUtf8(fileBytes.constData(), size))
        return decodeDocument(std::as_const(fileBytes));
    EditorBytes result;
    const bool bom = size >= 3 && std::memcmp(fileBytes.constData(), kBom, 3) == 0;
    result.encoding = bom ? TextEncoding::Utf8WithBom : TextEncoding::Utf8;
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

// UTF-8 to Latin-1 with LF -> CR LF; false when a character above U+00FF is met. A character
// may straddle the two runs.
bool encodeLatin1(const TextRuns& text, QByteArray& out)
{
    const qsizetype firstSize = text.first.size();
    const qsizetype size = firstSize + text.second.size();
    auto at = [&](qsizetype i) {
        return static_cast<unsigned char>(i < firstSize ? text.first[i] : text.second[i - firstSize]);
    };
    out.reserve(size + size / 16);
    for (qsizetype i = 0; i < size; ++i) {
        const unsigned char c = at(i);
        if (c == '\n') {
            out.append("\r\n", 2);
        } else if (c < 0x80) {
            out.append(char(c));
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < size) {
            out.append(char(((c & 0x03) << 6) | (at(i + 1) & 0x3F)));
            ++i;
        } else {
            return false;
        }
    }
    return true;
}

void encodeUtf8Run(QByteArrayView run, QByteArray& out)
{
    const char* p = run.data();
    const char* end = p + run.size();
    while (p < end) {
        const char* lf = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
        if (!lf) {
            out.append(p, end - p);
            break;
        }
        out.append(p, lf - p);
        out.append("\r\n", 2);
        p = lf + 1;
    }
}

} // namespace

QByteArray encodeDocument(const TextRuns& text, TextEncoding encoding, TextEncoding* used)
{
    QByteArray out;
    if (encoding == TextEncoding::Latin1) {
        if (encodeLatin1(text, out)) {
            if (used)
                *used = TextEncoding::Latin1;
            return out;
        }
        out.clear();
        encoding = TextEncoding::Utf8;
    }
    const qsizetype size = text.first.size() + text.second.size();
    out.reserve(size + size / 16 + 3);
    if (encoding == TextEncoding::Utf8WithBom)
        out.append(kBom, 3);
    encodeUtf8Run(text.first, out);
    encodeUtf8Run(text.second, out);
    if (used)
        *used = encoding;
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
