#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

// The element names offered while typing a tag: the tag reference's names, upper case, in
// alphabetical order.
const QStringList& htmlTagNames();

// The name (upper case) of the innermost element left open by `before`, the page's text up to
// the caret; empty when none is open. Empty elements never stay open, and a repeated LI, P,
// TD, ... closes the one before it, as browsers read them.
QString innermostOpenElement(QByteArrayView before);

// The completion list after "<" (opening) or "</" (closing). After "</" the innermost open
// element comes first, so accepting the first entry closes it.
QStringList tagCompletionList(QByteArrayView before, bool closing);
