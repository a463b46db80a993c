#pragma once

#include <QByteArrayView>

// The tag name the caret stands in or right after, and its partner: the end tag of a start
// tag, the start tag of an end tag, or, for an element whose end tag the page leaves out, the
// tag that ends it implicitly. Byte ranges of the text searched.
struct TagMatch
{
    qsizetype nameStart = -1;
    qsizetype nameLength = 0;
    qsizetype partnerStart = -1; // -1: no partner name to mark
    qsizetype partnerLength = 0;
    // An element without its end tag ends here: at the "<" of the tag that ends it, or at the
    // end of the text. -1 for an element with a stated end.
    qsizetype impliedEnd = -1;

    bool inTagName() const { return nameStart >= 0; }
    bool hasPartner() const { return partnerStart >= 0 || impliedEnd >= 0; }
    // Where Go to Matching Tag takes the caret.
    qsizetype target() const { return impliedEnd >= 0 ? impliedEnd : partnerStart; }
};

// Partners pair the way browsers nest elements (see ElementNesting); comments are skipped.
TagMatch matchingTag(QByteArrayView text, qsizetype caret);
