#pragma once

#include <QString>

// An attribute value as the dialogs write it: as it stands, unless a blank inside it, "<", ">",
// "=", a quote or a backquote would end or break it in a browser; then in double quotes, with
// any double quote inside written as "&quot;". Trailing blanks alone change nothing.
QString attributeValue(const QString& value);
