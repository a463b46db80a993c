#include "wizards/link_markup.h"

#include "core/markup_values.h"

QString buildLinkMarkup(const QString& prefix, const QString& address, const QString& text)
{
    return QStringLiteral("<A HREF=") + attributeValue(prefix + address) + QLatin1Char('>') + text +
           QStringLiteral("</A>");
}
