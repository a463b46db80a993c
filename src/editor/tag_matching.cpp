#include "editor/tag_matching.h"

#include "core/tag_lexer.h"

#include <QList>

namespace {

bool isTagNameChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

bool isAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

} // namespace

TagMatch matchingTag(QByteArrayView text, qsizetype caret)
{
    TagMatch match;
    const qsizetype n = text.size();
    if (caret < 0 || caret > n)
        return match;
    qsizetype start = caret;
    while (start > 0 && isTagNameChar(text[start - 1]))
        --start;
    qsizetype end = caret;
    while (end < n && isTagNameChar(text[end]))
        ++end;
    if (start == end || !isAsciiLetter(text[start]) || start == 0)
        return match;
    bool closing = false;
    qsizetype tagStart = start - 1;
    if (text[tagStart] == '/') {
        closing = true;
        if (tagStart == 0 || text[tagStart - 1] != '<')
            return match;
        --tagStart;
    } else if (text[tagStart] != '<') {
        return match;
    }
    match.nameStart = start;
    match.nameLength = end - start;
    const QByteArrayView name = text.sliced(start, end - start);
    if (isEmptyElement(name))
        return match;

    if (!closing) {
        int depth = 1;
        const QByteArrayView after = text.sliced(end);
        forEachTag(after, [&](const LexedTag& tag) {
            if (!sameTagName(tag.name, name))
                return true;
            depth += tag.closing ? -1 : 1;
            if (depth > 0)
                return true;
            match.partnerStart = end + tag.nameStart;
            match.partnerLength = tag.name.size();
            return false;
        });
        return match;
    }
    // An end tag pairs with the latest start tag before it that no other end tag took.
    QList<qsizetype> open;
    const QByteArrayView before = text.first(tagStart);
    forEachTag(before, [&](const LexedTag& tag) {
        if (sameTagName(tag.name, name)) {
            if (!tag.closing)
                open.append(tag.nameStart);
            else if (!open.isEmpty())
                open.removeLast();
        }
        return true;
    });
    if (!open.isEmpty()) {
        match.partnerStart = open.last();
        match.partnerLength = name.size();
    }
    return match;
}
