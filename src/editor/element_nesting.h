#pragma once

#include "core/tag_lexer.h"

#include <string>
#include <vector>

// An element whose end has not been read yet.
struct OpenElement
{
    std::string name;        // as the page writes it
    qsizetype start = 0;     // its "<"
    qsizetype nameStart = 0; // its name
};

// How an element ended: by its own end tag ("stated"), or implicitly, as HTML lets a page
// leave out the end tags of P, LI, DT, DD, TR, TD, TH, OPTION, HEAD, BODY and HTML.
struct ElementEnd
{
    const OpenElement& element;
    qsizetype at;       // the "<" of the tag that ended it, or the end of the text
    bool stated;        // ended by its own end tag
    const LexedTag* by; // the tag that ended it; null at the end of the text
};

// Follows which elements are open while the tags of a page are fed in order, the way browsers
// read HTML: a start tag may end elements whose end tag is optional (a new LI ends the open
// LI, a block ends an open P, a row ends the open cell and row, BODY ends HEAD), an end tag
// ends its element and every element left open inside it, a stray end tag is ignored and an
// empty element (BR, IMG, ...) never stays open.
class ElementNesting
{
public:
    // Feeds the next tag. ended(const ElementEnd&) hears of each element the tag ends,
    // innermost first.
    template <typename Ended> void feed(const LexedTag& tag, Ended&& ended)
    {
        const qsizetype from = tag.closing ? openIndexOf(tag.name) : impliedEndFor(tag.name);
        if (from >= 0) {
            for (qsizetype i = qsizetype(open_.size()) - 1; i >= from; --i)
                ended(ElementEnd{open_[size_t(i)], tag.start, tag.closing && i == from, &tag});
            open_.resize(size_t(from));
        }
        if (!tag.closing && !isEmptyElement(tag.name))
            open_.push_back(OpenElement{std::string(tag.name.data(), size_t(tag.name.size())),
                                        tag.start, tag.nameStart});
    }

    // The end of the text ends every element still open.
    template <typename Ended> void finish(qsizetype end, Ended&& ended)
    {
        for (qsizetype i = qsizetype(open_.size()) - 1; i >= 0; --i)
            ended(ElementEnd{open_[size_t(i)], end, false, nullptr});
        open_.clear();
    }

    const std::vector<OpenElement>& open() const { return open_; }
    void setOpen(std::vector<OpenElement> open) { open_ = std::move(open); }

private:
    // The index of the outermost open element a start tag of `name` ends, or -1.
    qsizetype impliedEndFor(QByteArrayView name) const;
    // The index of the innermost open element called `name`, or -1.
    qsizetype openIndexOf(QByteArrayView name) const;

    std::vector<OpenElement> open_;
};
