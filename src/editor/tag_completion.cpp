#include "editor/tag_completion.h"

#include "core/tag_lexer.h"

#include "editor/tag_reference.h"

#include <QList>

#include <algorithm>

const QStringList& htmlTagNames()
{
    static const QStringList names = [] {
        QStringList list;
        for (const TagEntry& entry : tagReferenceEntries())
            list.append(entry.name.toUpper());
        std::sort(list.begin(), list.end());
        return list;
    }();
    return names;
}

namespace {

// Which open elements a start tag of `name` ends first when they are innermost (end tags a
// page may leave out).
bool closesImplicitly(QByteArrayView name, QByteArrayView open)
{
    auto is = [](QByteArrayView n, const char* s) { return sameTagName(n, QByteArrayView(s)); };
    if (is(name, "TD") || is(name, "TH"))
        return is(open, "TD") || is(open, "TH");
    if (is(name, "TR"))
        return is(open, "TD") || is(open, "TH") || is(open, "TR");
    if (is(name, "DT") || is(name, "DD"))
        return is(open, "DT") || is(open, "DD");
    if (is(name, "LI") || is(name, "P") || is(name, "OPTION"))
        return sameTagName(name, open);
    return false;
}

} // namespace

QString innermostOpenElement(QByteArrayView before)
{
    QList<QByteArrayView> open;
    forEachTag(before, [&](const LexedTag& tag) {
        const QByteArrayView name = tag.name;
        if (tag.closing) {
            for (qsizetype i = open.size() - 1; i >= 0; --i) {
                if (sameTagName(open.at(i), name)) {
                    open.resize(i);
                    break;
                }
            }
        } else if (!isEmptyElement(name)) {
            while (!open.isEmpty() && closesImplicitly(name, open.last()))
                open.removeLast();
            open.append(name);
        }
        return true;
    });
    return open.isEmpty() ? QString() : QString::fromLatin1(open.last()).toUpper();
}

QStringList tagCompletionList(QByteArrayView before, bool closing)
{
    if (!closing)
        return htmlTagNames();
    const QString innermost = innermostOpenElement(before);
    if (innermost.isEmpty())
        return htmlTagNames();
    QStringList list{innermost};
    for (const QString& name : htmlTagNames())
        if (name != innermost)
            list.append(name);
    return list;
}
