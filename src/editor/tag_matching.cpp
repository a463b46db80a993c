#include "editor/tag_matching.h"

#include "core/tag_lexer.h"

#include "editor/element_nesting.h"

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

    // The page is read from the top of the text, so the elements around the tag are known: an
    // LI ends where its list's end tag stands.
    ElementNesting nesting;
    bool done = false;
    auto ended = [&](const ElementEnd& e) {
        if (done)
            return;
        if (closing) {
            if (e.stated && e.by && e.by->start == tagStart) {
                match.partnerStart = e.element.nameStart;
                match.partnerLength = qsizetype(e.element.name.size());
                done = true;
            }
        } else if (e.element.start == tagStart) {
            done = true;
            if (e.stated) {
                match.partnerStart = e.by->nameStart;
                match.partnerLength = e.by->name.size();
                return;
            }
            match.impliedEnd = e.at;
            if (e.by) {
                match.partnerStart = e.by->nameStart;
                match.partnerLength = e.by->name.size();
            }
        }
    };
    bool reached = false;
    forEachTag(text, [&](const LexedTag& tag) {
        nesting.feed(tag, ended);
        reached = reached || tag.start >= tagStart;
        // An end tag is settled once it is read.
        return !done && !(closing && reached);
    });
    if (!done && !closing && reached)
        nesting.finish(n, ended);
    return match;
}
