#pragma once

#include <QByteArrayView>

#include <cstring>

// One start or end tag found in a page's bytes: where its "<" stands and where its name is.
struct TagToken
{
    qsizetype start = -1; // the "<"
    qsizetype nameStart = -1;
    qsizetype nameLength = 0;
    bool closing = false;

    QByteArrayView name(QByteArrayView text) const { return text.sliced(nameStart, nameLength); }
};

inline bool isTagNameChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

inline bool isAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Tag names compare without regard to letter case, as browsers read them.
bool sameTagName(QByteArrayView a, QByteArrayView b);
// Elements that never have an end tag (BR, IMG, ...).
bool isEmptyElement(QByteArrayView name);

// Calls visit(token) for every start and end tag of `text`, in order; comments are skipped and
// so is anything a tag name cannot start. visit returns false to stop early.
template <typename Visit> void scanTags(QByteArrayView text, Visit&& visit)
{
    const char* data = text.data();
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const auto* lt = static_cast<const char*>(std::memchr(data + i, '<', size_t(n - i)));
        if (!lt)
            return;
        i = lt - data;
        if (n - i >= 4 && std::memcmp(lt, "<!--", 4) == 0) {
            const qsizetype end = text.indexOf(QByteArrayView("-->"), i + 4);
            if (end < 0)
                return;
            i = end + 3;
            continue;
        }
        qsizetype j = i + 1;
        const bool closing = j < n && data[j] == '/';
        if (closing)
            ++j;
        if (j < n && isAsciiLetter(data[j])) {
            qsizetype k = j + 1;
            while (k < n && isTagNameChar(data[k]))
                ++k;
            if (!visit(TagToken{i, j, k - j, closing}))
                return;
            i = k;
        } else {
            i = j;
        }
    }
}
