#pragma once

#include <QList>
#include <QString>

// One element of the tag reference: its name and a one-line description.
struct TagEntry
{
    QString name;
    QString description;
};

// The reference entries, in list order, read from the bundled tag text (one "name<TAB>
// description" line each; trailing blanks belong to the description).
QList<TagEntry> tagReferenceEntries();
// The HTML5 elements, from their own bundled text in the same form; completion offers them on
// pages that declare HTML5.
QList<TagEntry> html5TagEntries();
QList<TagEntry> parseTagEntries(const QString& text);
