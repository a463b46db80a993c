#pragma once

#include <QByteArrayView>

#include <initializer_list>
#include <vector>

// One attribute of a tag, as byte ranges of the lexed text.
struct TagAttribute
{
    QByteArrayView name;
    qsizetype nameStart = 0;
    QByteArrayView value;      // without its quotes; empty when the attribute has none
    qsizetype valueStart = -1; // -1: no value given
    bool quoted = false;
};

// One start or end tag.
struct LexedTag
{
    qsizetype start = 0; // the "<"
    qsizetype end = 0;   // one past its ">", or the end of the text when it has none
    QByteArrayView name;
    qsizetype nameStart = 0;
    bool closing = false; // an end tag
    bool closed = false;  // its ">" was found
    std::vector<TagAttribute> attributes;

    const TagAttribute* attribute(QByteArrayView upperName) const;
};

// Reads the tags of a page's bytes in order, as browsers read them: comments ("<!-- -->") and
// declarations ("<!DOCTYPE>", "<?xml?>") are skipped, a "<" that starts no tag name is text,
// a quoted value may hold ">", and the content of the raw-text elements (SCRIPT, STYLE, TITLE,
// TEXTAREA, XMP, ...) is text up to that element's own end tag. Plain code: no allocation per
// tag beyond the attribute list it reuses, safe on any thread.
class TagLexer
{
public:
    explicit TagLexer(QByteArrayView text) : text_(text) {}

    // The next tag, or false at the end of the text.
    bool next(LexedTag& tag);
    // Where the lexer stands: everything before it has been read.
    qsizetype position() const { return at_; }

private:
    void readAttributes(LexedTag& tag, qsizetype from);
    void skipRawText(QByteArrayView name);

    QByteArrayView text_;
    qsizetype at_ = 0;
};

// Calls visit(tag) for every tag; visit returns false to stop early.
template <typename Visit> void forEachTag(QByteArrayView text, Visit&& visit)
{
    TagLexer lexer(text);
    LexedTag tag;
    while (lexer.next(tag))
        if (!visit(static_cast<const LexedTag&>(tag)))
            return;
}

// Tag and attribute names compare without regard to letter case, as browsers read them.
bool sameTagName(QByteArrayView a, QByteArrayView b);
// Whether a name is among `names`. The names are held as views, their lengths known: lists
// like these are asked about every tag of a page, and measuring each name again was costly.
template <typename Names> bool isTagOneOf(QByteArrayView name, const Names& names)
{
    for (const QByteArrayView n : names)
        if (sameTagName(name, n))
            return true;
    return false;
}
inline bool isTagOneOf(QByteArrayView name, std::initializer_list<QByteArrayView> names)
{
    return isTagOneOf<std::initializer_list<QByteArrayView>>(name, names);
}
// Elements that never have an end tag (BR, IMG, ...).
bool isEmptyElement(QByteArrayView name);
// Elements whose content is text, not markup.
bool holdsRawText(QByteArrayView name);
