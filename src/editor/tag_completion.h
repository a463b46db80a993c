#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

// The element names offered while typing a tag: the tag reference's names, upper case, in
// alphabetical order.
const QStringList& htmlTagNames();
// The same for pages that declare themselves HTML5 ("<!DOCTYPE html>"), from their own list.
const QStringList& html5TagNames();

// Whether the page's first declaration is the HTML5 document type. `pageStart` is the start of
// the page; a kilobyte is plenty.
bool declaresHtml5(QByteArrayView pageStart);

// Whether the tags nearest before the caret are written in lower case; `before` is the text up
// to the caret (its last few kilobytes do). Without a tag in either case: upper case, as the
// markup commands write.
bool writesLowerCaseTags(QByteArrayView before);

// The name (upper case) of the innermost element left open by `before`, the page's text up to
// the caret; empty when none is open. Empty elements never stay open, and an element whose
// end tag may be left out ends where HTML ends it (a new LI ends the open LI, ...).
QString innermostOpenElement(QByteArrayView before);

struct CompletionStyle
{
    bool lowerCase = false; // names in lower case
    bool html5 = false;     // the HTML5 names
};

// The completion list after "<" (opening) or "</" (closing). After "</" the innermost open
// element comes first, so accepting the first entry closes it.
QStringList tagCompletionList(QByteArrayView before, bool closing, CompletionStyle style = {});
