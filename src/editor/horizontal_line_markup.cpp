#include "editor/horizontal_line_markup.h"

QString buildHorizontalLineTag(const HorzLineFields& fields)
{
    QString tag = QStringLiteral("<HR");
    if (!fields.width.isEmpty()) {
        tag += QStringLiteral(" WIDTH=") + fields.width;
        if (fields.percent)
            tag += QLatin1Char('%');
    }
    tag += QStringLiteral(" SIZE=") + fields.thickness;
    if (fields.align != QLatin1String("<none>"))
        tag += QStringLiteral(" ALIGN=") + fields.align;
    if (fields.color != QLatin1String("Default"))
        tag += QStringLiteral(" COLOR=") + fields.color;
    tag += QLatin1Char('>');
    return tag;
}
