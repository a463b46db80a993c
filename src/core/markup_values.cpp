#include "core/markup_values.h"

#include <algorithm>

QString attributeValue(const QString& value)
{
    // Blanks at the end end the value where it ends anyway ("Top " of the align lists).
    qsizetype end = value.size();
    while (end > 0 && value.at(end - 1).isSpace())
        --end;
    const bool needsQuotes = std::any_of(value.cbegin(), value.cend(), [&](const QChar& c) {
        const bool inner = &c < value.cbegin() + end;
        return (inner && c.isSpace()) || c == u'<' || c == u'>' || c == u'=' || c == u'"' ||
               c == u'\'' || c == u'`';
    });
    if (!needsQuotes)
        return value;
    QString quoted = value;
    quoted.replace(QLatin1Char('"'), QLatin1String("&quot;"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}
