#include "preview/page_outline.h"

#include "core/tag_lexer.h"

#include <algorithm>

namespace {

// Start tags that change more than their own place when they are parsed (the document's
// base, the body's attributes, how the rest is read), or that are read differently on their
// own than in the page (foreign content, NOSCRIPT by whether scripts run).
bool unsettling(QByteArrayView name)
{
    static constexpr QByteArrayView kNames[] = {
        "BODY", "HTML", "HEAD",     "FRAMESET",  "FRAME", "BASE",   "NOSCRIPT",
        "SVG",  "MATH", "TEMPLATE", "PLAINTEXT", "IMAGE", "KEYGEN", "ISINDEX"};
    return isTagOneOf(name, kNames);
}

// Elements whose end tag a page may leave out where an enclosing element's end tag follows;
// nothing of them outlives their end. Formatting elements (B, I, FONT, ...) are not among
// them: a browser opens those again in the next element.
bool mayBeLeftOpen(QByteArrayView name)
{
    static constexpr QByteArrayView kNames[] = {
        "P",     "LI",     "DT",       "DD",       "TD", "TH", "TR", "THEAD", "TBODY",
        "TFOOT", "OPTION", "OPTGROUP", "COLGROUP", "RB", "RP", "RT", "RTC"};
    return isTagOneOf(name, kNames);
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool startsWithNoCase(QByteArrayView text, const char* upperPrefix)
{
    const QByteArrayView prefix(upperPrefix);
    return text.size() >= prefix.size() && sameTagName(text.first(prefix.size()), prefix);
}

bool runsScript(const LexedTag& tag)
{
    if (sameTagName(tag.name, "SCRIPT"))
        return true;
    for (const TagAttribute& a : tag.attributes) {
        if (a.name.size() > 2 && startsWithNoCase(a.name, "ON"))
            return true;
        if (sameTagName(a.name, "SRCDOC"))
            return true;
        // A script address, possibly spelt with blanks or references a browser reads past.
        if (!a.value.contains(':') && !a.value.contains('&'))
            continue;
        QByteArray value;
        for (char c : a.value)
            if (!isBlank(c))
                value.append(c);
        if (startsWithNoCase(value, "JAVASCRIPT:") || startsWithNoCase(value, "VBSCRIPT:") ||
            value.startsWith('&'))
            return true;
    }
    return false;
}

// Reads on from `first`, a start tag, to the end tag that closes it; returns one past that end
// tag, or -1 when the element does not close cleanly.
qsizetype closeElement(TagLexer& lexer, const LexedTag& first, bool& scripts)
{
    if (!first.closed || unsettling(first.name))
        return -1;
    scripts = scripts || runsScript(first);
    if (isEmptyElement(first.name))
        return first.end;
    std::vector<QByteArrayView> open{first.name};
    LexedTag tag;
    while (lexer.next(tag)) {
        if (!tag.closed)
            return -1;
        if (!tag.closing) {
            if (unsettling(tag.name))
                return -1;
            scripts = scripts || runsScript(tag);
            if (!isEmptyElement(tag.name))
                open.push_back(tag.name);
            continue;
        }
        if (isEmptyElement(tag.name))
            return -1; // </BR> makes an element
        auto at = std::find_if(open.rbegin(), open.rend(),
                               [&](QByteArrayView o) { return sameTagName(o, tag.name); });
        if (at == open.rend())
            return -1; // a stray end tag: a browser may make an element of it, or close others
        const qsizetype keep = open.rend() - at - 1;
        for (qsizetype i = keep + 1; i < qsizetype(open.size()); ++i)
            if (!mayBeLeftOpen(open[size_t(i)]))
                return -1;
        open.resize(size_t(keep));
        if (open.empty())
            return tag.end;
    }
    return -1;
}

// Whether the bytes between two tags hold text (which starts the body), comments and
// declarations aside.
bool hasText(QByteArrayView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (isBlank(text[i]))
            continue;
        if (text[i] != '<' || i + 1 >= text.size() || (text[i + 1] != '!' && text[i + 1] != '?'))
            return true;
        const bool comment = text.sliced(i).startsWith("<!--");
        const qsizetype close = comment ? text.indexOf("-->", i + 4) : text.indexOf('>', i + 2);
        if (close < 0)
            return true;
        i = close + (comment ? 2 : 0);
    }
    return false;
}

// What may stand before the body without starting it.
bool belongsToHead(QByteArrayView name)
{
    static constexpr QByteArrayView kNames[] = {"HTML",  "HEAD",   "TITLE", "META",     "LINK",
                                                "STYLE", "SCRIPT", "BASE",  "BASEFONT", "BGSOUND"};
    return isTagOneOf(name, kNames);
}

QByteArray upperName(QByteArrayView name)
{
    return name.toByteArray().toUpper();
}

} // namespace

QByteArray PageOutline::names() const
{
    QByteArray joined;
    for (const Element& e : elements) {
        if (!joined.isEmpty())
            joined.append(' ');
        joined.append(e.name);
    }
    return joined;
}

PageOutline outlinePage(QByteArrayView html)
{
    PageOutline outline;
    TagLexer lexer(html);
    LexedTag tag;
    bool inBody = false;
    qsizetype textFrom = 0; // where text between tags starts; -1 inside a raw-text element
    while (lexer.next(tag)) {
        if (!inBody) {
            const bool text = textFrom >= 0 && hasText(html.sliced(textFrom, tag.start - textFrom));
            textFrom = !tag.closing && holdsRawText(tag.name) ? -1 : tag.end;
            if (!text && sameTagName(tag.name, "FRAMESET"))
                return outline;
            if (!text && !tag.closing && sameTagName(tag.name, "BODY")) {
                inBody = true;
                outline.hasScripts = outline.hasScripts || runsScript(tag);
                continue;
            }
            if (!text && (tag.closing || belongsToHead(tag.name))) {
                outline.hasScripts = outline.hasScripts || runsScript(tag);
                continue;
            }
            inBody = true; // text, or an element a head does not hold, starts the body
        }
        if (tag.closing) {
            if (sameTagName(tag.name, "BODY") || sameTagName(tag.name, "HTML"))
                continue; // what follows still goes into the body
            return outline;
        }
        const qsizetype start = tag.start;
        const QByteArray name = upperName(tag.name);
        const qsizetype end = closeElement(lexer, tag, outline.hasScripts);
        if (end < 0)
            return outline;
        outline.elements.push_back({start, end, name});
    }
    outline.patchable = inBody;
    return outline;
}

ElementCheck checkElement(QByteArrayView markup)
{
    ElementCheck check;
    TagLexer lexer(markup);
    LexedTag tag;
    if (!lexer.next(tag) || tag.start != 0 || tag.closing)
        return check;
    const QByteArray name = upperName(tag.name);
    if (closeElement(lexer, tag, check.hasScripts) == markup.size())
        check.name = name;
    return check;
}

void PagePatchPlan::reset(PageOutline outline)
{
    outline_ = std::move(outline);
    edits_.clear();
    valid_ = outline_.patchable;
}

void PagePatchPlan::invalidate()
{
    valid_ = false;
    edits_.clear();
    outline_ = {};
}

void PagePatchPlan::noteEdit(qsizetype position, qsizetype inserted, qsizetype deleted)
{
    if (!valid_)
        return;
    if (edits_.size() >= kMaxEdits)
        invalidate();
    else
        edits_.push_back({position, inserted, deleted});
}

std::vector<PagePatchPlan::Patch> PagePatchPlan::takePatches(const BytesAt& bytesAt,
                                                             bool scriptsRun)
{
    std::vector<Patch> patches;
    if (!valid_ || (scriptsRun && outline_.hasScripts)) {
        invalidate();
        return patches;
    }
    std::vector<PageOutline::Element>& elements = outline_.elements;
    std::vector<size_t> changed;
    for (const Edit& edit : edits_) {
        // The element whose start tag begins before the edit; the edit must lie inside it,
        // after its "<" and before its last ">".
        auto after = std::upper_bound(
            elements.begin(), elements.end(), edit.position,
            [](qsizetype position, const PageOutline::Element& e) { return position <= e.start; });
        if (after == elements.begin()) {
            invalidate();
            return patches;
        }
        const size_t i = size_t(after - elements.begin()) - 1;
        if (edit.position + edit.deleted >= elements[i].end) {
            invalidate();
            return patches;
        }
        const qsizetype delta = edit.inserted - edit.deleted;
        elements[i].end += delta;
        for (size_t j = i + 1; j < elements.size(); ++j) {
            elements[j].start += delta;
            elements[j].end += delta;
        }
        if (std::find(changed.begin(), changed.end(), i) == changed.end())
            changed.push_back(i);
    }
    edits_.clear();
    std::sort(changed.begin(), changed.end());
    for (size_t i : changed) {
        PageOutline::Element& e = elements[i];
        const ElementCheck check = checkElement(bytesAt(e.start, e.end));
        if (check.name.isEmpty() || (scriptsRun && check.hasScripts)) {
            invalidate();
            return {};
        }
        patches.push_back({int(i), e.name, check.name, e.start, e.end});
        e.name = check.name;
        outline_.hasScripts = outline_.hasScripts || check.hasScripts;
    }
    return patches;
}
