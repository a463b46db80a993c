#include "editor/element_nesting.h"

#include <vector>

namespace {

// Elements a start tag never looks past for an element to end.
constexpr QByteArrayView kScope[] = {"HTML",   "BODY",   "TABLE",  "TD",      "TH",      "CAPTION",
                                     "BUTTON", "APPLET", "OBJECT", "MARQUEE", "TEMPLATE"};

// Start tags that end an open P: the blocks a paragraph cannot hold.
constexpr QByteArrayView kBlocks[] = {
    "ADDRESS", "ARTICLE", "ASIDE",    "BLOCKQUOTE", "CENTER", "DETAILS",   "DIALOG", "DIR",
    "DIV",     "DL",      "FIELDSET", "FIGCAPTION", "FIGURE", "FOOTER",    "FORM",   "H1",
    "H2",      "H3",      "H4",       "H5",         "H6",     "HEADER",    "HGROUP", "LISTING",
    "MAIN",    "MENU",    "NAV",      "OL",         "P",      "PLAINTEXT", "PRE",    "SEARCH",
    "SECTION", "SUMMARY", "TABLE",    "UL",         "XMP"};

// What may stand in HEAD; any other start tag ends it.
constexpr QByteArrayView kHeadContent[] = {"TITLE",    "META",   "LINK",     "BASE",
                                           "STYLE",    "SCRIPT", "NOSCRIPT", "ISINDEX",
                                           "TEMPLATE", "HTML",   "HEAD"};

struct Rule
{
    std::vector<QByteArrayView> ends;    // open elements this start tag ends
    std::vector<QByteArrayView> stopsAt; // besides kScope
};

const Rule* ruleFor(QByteArrayView name)
{
    static const Rule kCell{{"TD", "TH"}, {}};
    static const Rule kRow{{"TR", "TD", "TH"}, {}};
    static const Rule kTablePart{
        {"TD", "TH", "TR", "THEAD", "TBODY", "TFOOT", "CAPTION", "COLGROUP"}, {}};
    static const Rule kItem{{"LI", "P"}, {"UL", "OL", "MENU", "DIR"}};
    static const Rule kDefinition{{"DT", "DD", "P"}, {"DL"}};
    static const Rule kOption{{"OPTION"}, {"SELECT", "DATALIST", "OPTGROUP"}};
    static const Rule kOptionGroup{{"OPTION", "OPTGROUP"}, {"SELECT"}};
    static const Rule kRuby{{"RT", "RP"}, {"RUBY"}};
    static const Rule kBlock{{"P"}, {}};
    static const Rule kBody{{"HEAD"}, {}};
    if (isTagOneOf(name, {"TD", "TH"}))
        return &kCell;
    if (isTagOneOf(name, {"TR"}))
        return &kRow;
    if (isTagOneOf(name, {"THEAD", "TBODY", "TFOOT", "CAPTION", "COLGROUP"}))
        return &kTablePart;
    if (isTagOneOf(name, {"LI"}))
        return &kItem;
    if (isTagOneOf(name, {"DT", "DD"}))
        return &kDefinition;
    if (isTagOneOf(name, {"OPTION"}))
        return &kOption;
    if (isTagOneOf(name, {"OPTGROUP"}))
        return &kOptionGroup;
    if (isTagOneOf(name, {"RT", "RP"}))
        return &kRuby;
    if (isTagOneOf(name, kBlocks))
        return &kBlock;
    if (isTagOneOf(name, {"BODY"}))
        return &kBody;
    return nullptr;
}

} // namespace

qsizetype ElementNesting::impliedEndFor(QByteArrayView name) const
{
    const qsizetype count = qsizetype(open_.size());
    // Body content ends an open HEAD, and everything left open in it.
    if (!isTagOneOf(name, kHeadContent))
        for (qsizetype i = 0; i < count && i < 3; ++i)
            if (sameTagName(QByteArrayView(open_[size_t(i)].name), "HEAD"))
                return i;
    const Rule* rule = ruleFor(name);
    if (!rule)
        return -1;
    // The outermost element the tag ends within its scope: a new row ends the open cell and
    // the row around it.
    qsizetype found = -1;
    for (qsizetype i = count - 1; i >= 0; --i) {
        const QByteArrayView open(open_[size_t(i)].name);
        if (isTagOneOf(open, rule->ends))
            found = i;
        else if (isTagOneOf(open, kScope) || isTagOneOf(open, rule->stopsAt))
            break;
    }
    return found;
}

qsizetype ElementNesting::openIndexOf(QByteArrayView name) const
{
    for (qsizetype i = qsizetype(open_.size()) - 1; i >= 0; --i)
        if (sameTagName(QByteArrayView(open_[size_t(i)].name), name))
            return i;
    return -1;
}
