#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <functional>
#include <vector>

// The top-level elements of a page's body as byte ranges of its source, so that an edit inside
// one of them can be shown by replacing that element alone. Only a body that splits cleanly is
// outlined: every element closed in its own range by its end tag (end tags a browser lets a
// page leave out, such as </LI> or </TD>, may be missing inside), nothing left open that a
// browser would carry into the next element (an unclosed <B>), no stray end tags between
// elements. Anything else leaves the page unpatchable, and it is drawn whole each time.
struct PageOutline
{
    struct Element
    {
        qsizetype start = 0; // the "<" of its start tag
        qsizetype end = 0;   // one past the ">" of its end tag (of its start tag when empty)
        QByteArray name;     // upper case, as the page's DOM names it
    };
    bool patchable = false;
    // Something on the page runs a script: a SCRIPT element, an on... attribute, a javascript:
    // address, a frame with its own markup.
    bool hasScripts = false;
    std::vector<Element> elements;

    // The elements' names joined by blanks, as the shown page lists its body's children.
    QByteArray names() const;
};

PageOutline outlinePage(QByteArrayView html);

// What one element's markup is when read on its own: its name (upper case) when `markup` is
// exactly one element that closes cleanly at its end, else empty.
struct ElementCheck
{
    QByteArray name;
    bool hasScripts = false;
};
ElementCheck checkElement(QByteArrayView markup);

// Follows the edits made to a page since it was outlined and drawn, and tells which elements
// to replace, or that the page has to be drawn whole.
class PagePatchPlan
{
public:
    // The page was drawn from the text `outline` was made of.
    void reset(PageOutline outline);
    // Nothing can be patched until the page is drawn whole again.
    void invalidate();
    bool valid() const { return valid_; }
    const PageOutline& outline() const { return outline_; }
    bool hasEdits() const { return !edits_.empty(); }

    // Bytes are about to be inserted or deleted at `position`.
    void noteEdit(qsizetype position, qsizetype inserted, qsizetype deleted);

    struct Patch
    {
        int index = 0; // among the body's element children
        QByteArray oldName;
        QByteArray newName;
        qsizetype start = 0; // in the current text
        qsizetype end = 0;
    };
    // The elements the edits since the last call changed, in the current text, with the
    // outline moved along; empty and invalid when the page must be drawn whole. `bytesAt`
    // gives the current text's bytes in a range, to check each changed element.
    using BytesAt = std::function<QByteArray(qsizetype from, qsizetype to)>;
    std::vector<Patch> takePatches(const BytesAt& bytesAt, bool scriptsRun);

private:
    struct Edit
    {
        qsizetype position;
        qsizetype inserted;
        qsizetype deleted;
    };
    // More edits than this before a render (a Replace All) are drawn whole.
    static constexpr size_t kMaxEdits = 256;
    PageOutline outline_;
    std::vector<Edit> edits_;
    bool valid_ = false;
};
