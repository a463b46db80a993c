#include "wizards/link_markup.h"

QString buildLinkMarkup(const QString& prefix, const QString& address, const QString& text)
{
    return QStringLiteral("<A HREF=") + prefix + address + QLatin1Char('>') + text +
           QStringLiteral("</A>");
}
