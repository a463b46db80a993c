#include "core/tag_lexer.h"

#include <cstring>

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool isLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char upper(char c)
{
    return c >= 'a' && c <= 'z' ? char(c - 32) : c;
}

} // namespace

bool sameTagName(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (upper(a[i]) != upper(b[i]))
            return false;
    return true;
}

bool isEmptyElement(QByteArrayView name)
{
    // HTML 3.2's, and HTML5's own (COL, EMBED, SOURCE, TRACK, WBR).
    static constexpr QByteArrayView kEmpty[] = {
        "AREA",  "BASE",    "BASEFONT", "BR",   "COL",   "EMBED",  "HR",    "IMG",
        "INPUT", "ISINDEX", "LINK",     "META", "PARAM", "SOURCE", "TRACK", "WBR"};
    return isTagOneOf(name, kEmpty);
}

bool holdsRawText(QByteArrayView name)
{
    static constexpr QByteArrayView kRaw[] = {"SCRIPT", "STYLE",  "TITLE",   "TEXTAREA",
                                              "XMP",    "IFRAME", "NOEMBED", "NOFRAMES"};
    return isTagOneOf(name, kRaw);
}

const TagAttribute* LexedTag::attribute(QByteArrayView upperName) const
{
    for (const TagAttribute& a : attributes)
        if (sameTagName(a.name, upperName))
            return &a;
    return nullptr;
}

bool TagLexer::next(LexedTag& tag)
{
    const char* data = text_.data();
    const qsizetype n = text_.size();
    while (at_ < n) {
        const auto* lt = static_cast<const char*>(std::memchr(data + at_, '<', size_t(n - at_)));
        if (!lt) {
            at_ = n;
            return false;
        }
        const qsizetype i = lt - data;
        if (n - i >= 4 && std::memcmp(lt, "<!--", 4) == 0) {
            const qsizetype close = text_.indexOf(QByteArrayView("-->"), i + 4);
            at_ = close < 0 ? n : close + 3;
            continue;
        }
        if (i + 1 < n && (data[i + 1] == '!' || data[i + 1] == '?')) {
            const qsizetype close = text_.indexOf('>', i + 2);
            at_ = close < 0 ? n : close + 1;
            continue;
        }
        const bool closing = i + 1 < n && data[i + 1] == '/';
        qsizetype p = i + (closing ? 2 : 1);
        if (p >= n || !isLetter(data[p])) {
            at_ = i + 1; // a "<" in text
            continue;
        }
        const qsizetype nameStart = p;
        while (p < n && !isSpace(data[p]) && data[p] != '>' && data[p] != '/')
            ++p;
        tag.start = i;
        tag.name = text_.sliced(nameStart, p - nameStart);
        tag.nameStart = nameStart;
        tag.closing = closing;
        readAttributes(tag, p);
        at_ = tag.end;
        if (!closing && tag.closed && holdsRawText(tag.name))
            skipRawText(tag.name);
        return true;
    }
    return false;
}

// Attributes: NAME, NAME=value, NAME="value", NAME='value', up to the tag's ">".
void TagLexer::readAttributes(LexedTag& tag, qsizetype p)
{
    const char* data = text_.data();
    const qsizetype n = text_.size();
    tag.attributes.clear();
    tag.closed = false;
    while (p < n && data[p] != '>') {
        if (isSpace(data[p]) || data[p] == '/') {
            ++p;
            continue;
        }
        TagAttribute attribute;
        attribute.nameStart = p;
        ++p; // a name may start with "=", as browsers read it
        while (p < n && !isSpace(data[p]) && data[p] != '=' && data[p] != '>' && data[p] != '/')
            ++p;
        attribute.name = text_.sliced(attribute.nameStart, p - attribute.nameStart);
        qsizetype q = p;
        while (q < n && isSpace(data[q]))
            ++q;
        if (q < n && data[q] == '=') {
            ++q;
            while (q < n && isSpace(data[q]))
                ++q;
            if (q < n && (data[q] == '"' || data[q] == '\'')) {
                const qsizetype close = text_.indexOf(data[q], q + 1);
                const qsizetype valueEnd = close < 0 ? n : close;
                attribute.quoted = true;
                attribute.valueStart = q + 1;
                attribute.value = text_.sliced(q + 1, valueEnd - q - 1);
                p = close < 0 ? n : close + 1;
            } else {
                attribute.valueStart = q;
                while (q < n && !isSpace(data[q]) && data[q] != '>')
                    ++q;
                attribute.value = text_.sliced(attribute.valueStart, q - attribute.valueStart);
                p = q;
            }
        }
        tag.attributes.push_back(attribute);
    }
    tag.closed = p < n;
    tag.end = p < n ? p + 1 : n;
}

// Up to the element's own end tag: "</name" followed by a blank, "/" or ">".
void TagLexer::skipRawText(QByteArrayView name)
{
    const qsizetype n = text_.size();
    for (qsizetype i = text_.indexOf(QByteArrayView("</"), at_); i >= 0;
         i = text_.indexOf(QByteArrayView("</"), i + 2)) {
        const qsizetype after = i + 2 + name.size();
        if (after > n)
            break;
        if (!sameTagName(text_.sliced(i + 2, name.size()), name))
            continue;
        if (after == n || isSpace(text_[after]) || text_[after] == '>' || text_[after] == '/') {
            at_ = i;
            return;
        }
    }
    at_ = n;
}
