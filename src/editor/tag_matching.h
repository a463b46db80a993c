#pragma once

#include <QByteArrayView>

// The tag name the caret stands in or right after, and the name of its partner tag (the end
// tag of a start tag, or the other way round), as byte ranges of the text searched.
struct TagMatch
{
    qsizetype nameStart = -1;
    qsizetype nameLength = 0;
    qsizetype partnerStart = -1; // -1: no partner (an empty element, or one left unclosed)
    qsizetype partnerLength = 0;

    bool inTagName() const { return nameStart >= 0; }
    bool hasPartner() const { return partnerStart >= 0; }
};

// Partners pair by name and nesting; comments are skipped.
TagMatch matchingTag(QByteArrayView text, qsizetype caret);
