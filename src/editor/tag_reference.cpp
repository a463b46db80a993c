#include "editor/tag_reference.h"

#include <QFile>

// The resource lives in the static library; this pulls it into every program that links it.
// (Outside any namespace: the macro declares the resource's initialiser.)
static bool initTagResource()
{
    Q_INIT_RESOURCE(editor);
    return true;
}

static void loadTagResource()
{
    static const bool registered = initTagResource();
    Q_UNUSED(registered);
}

QList<TagEntry> parseTagEntries(const QString& text)
{
    QList<TagEntry> entries;
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.isEmpty())
            continue;
        const qsizetype tab = line.indexOf(QLatin1Char('\t'));
        if (tab < 0)
            entries.append({line.toString(), QString()});
        else
            entries.append({line.left(tab).toString(), line.mid(tab + 1).toString()});
    }
    return entries;
}

static QList<TagEntry> entriesOf(const QString& resource)
{
    loadTagResource();
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return parseTagEntries(QString::fromUtf8(file.readAll()));
}

QList<TagEntry> tagReferenceEntries()
{
    return entriesOf(QStringLiteral(":/editor/tags.txt"));
}

QList<TagEntry> html5TagEntries()
{
    return entriesOf(QStringLiteral(":/editor/tags-html5.txt"));
}
