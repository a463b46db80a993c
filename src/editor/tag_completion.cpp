#include "editor/tag_completion.h"

#include "core/tag_lexer.h"

#include "editor/element_nesting.h"
#include "editor/tag_reference.h"

#include <algorithm>

namespace {

QStringList sortedUpperNames(const QList<TagEntry>& entries)
{
    QStringList list;
    for (const TagEntry& entry : entries)
        list.append(entry.name.toUpper());
    std::sort(list.begin(), list.end());
    list.removeDuplicates();
    return list;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool startsWithNoCase(QByteArrayView text, qsizetype at, const char* word)
{
    const QByteArrayView w(word);
    return at + w.size() <= text.size() && sameTagName(text.sliced(at, w.size()), w);
}

} // namespace

const QStringList& htmlTagNames()
{
    static const QStringList names = sortedUpperNames(tagReferenceEntries());
    return names;
}

const QStringList& html5TagNames()
{
    static const QStringList names = sortedUpperNames(html5TagEntries());
    return names;
}

bool declaresHtml5(QByteArrayView page)
{
    qsizetype at = page.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    // Blanks and comments may come first.
    for (;;) {
        while (at < page.size() && isBlank(page[at]))
            ++at;
        if (!page.sliced(at).startsWith("<!--"))
            break;
        const qsizetype close = page.indexOf("-->", at + 4);
        if (close < 0)
            return false;
        at = close + 3;
    }
    if (!startsWithNoCase(page, at, "<!DOCTYPE"))
        return false;
    at += 9;
    const qsizetype name = at;
    while (at < page.size() && isBlank(page[at]))
        ++at;
    if (at == name || !startsWithNoCase(page, at, "html"))
        return false;
    at += 4;
    while (at < page.size() && isBlank(page[at]))
        ++at;
    // "<!DOCTYPE html>", or its form for XML tools, "<!DOCTYPE html SYSTEM "about:legacy-compat">".
    return (at < page.size() && page[at] == '>') || startsWithNoCase(page, at, "SYSTEM");
}

bool writesLowerCaseTags(QByteArrayView before)
{
    // The last tag whose name shows a case decides; names like "H1" or "Table" do not.
    bool lower = false;
    forEachTag(before, [&](const LexedTag& tag) {
        bool hasUpper = false, hasLower = false;
        for (char c : tag.name) {
            hasUpper = hasUpper || (c >= 'A' && c <= 'Z');
            hasLower = hasLower || (c >= 'a' && c <= 'z');
        }
        if (hasUpper != hasLower)
            lower = hasLower;
        return true;
    });
    return lower;
}

QString innermostOpenElement(QByteArrayView before)
{
    ElementNesting nesting;
    forEachTag(before, [&](const LexedTag& tag) {
        nesting.feed(tag, [](const ElementEnd&) {});
        return true;
    });
    if (nesting.open().empty())
        return QString();
    const std::string& name = nesting.open().back().name;
    return QString::fromLatin1(name.data(), qsizetype(name.size())).toUpper();
}

QStringList tagCompletionList(QByteArrayView before, bool closing, CompletionStyle style)
{
    QStringList list = style.html5 ? html5TagNames() : htmlTagNames();
    if (closing) {
        const QString innermost = innermostOpenElement(before);
        if (!innermost.isEmpty()) {
            list.removeOne(innermost);
            list.prepend(innermost);
        }
    }
    if (style.lowerCase)
        for (QString& name : list)
            name = name.toLower();
    return list;
}
