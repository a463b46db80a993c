#include "wizards/table_markup.h"

#include "core/app_error.h"

#include <algorithm>

QString buildTableMarkup(const TableSettings& s, const QList<QStringList>& rows)
{
    const QString zero = QStringLiteral("0");
    QString open = QStringLiteral("<TABLE");
    if (!s.width.isEmpty())
        open += QStringLiteral(" WIDTH=") + s.width +
                (s.widthInPercent ? QStringLiteral("%") : QString());
    if (s.padding != zero)
        open += QStringLiteral(" CELLPADDING=") + s.padding;
    if (s.spacing != zero)
        open += QStringLiteral(" CELLSPACING=") + s.spacing;
    if (s.border != zero)
        open += QStringLiteral(" BORDER=") + s.border;
    open += QLatin1Char('>');

    const QString end = QStringLiteral("\r\n");
    QString out = open + end;
    for (const QStringList& row : rows) {
        out += QStringLiteral("<TR>") + end + end;
        for (const QString& cell : row)
            out += QStringLiteral(" <TD>") + cell + QStringLiteral("</TD>") + end + end;
        out += QStringLiteral("</TR>") + end;
    }
    out += end + QStringLiteral("</TABLE>") + end;
    return out;
}

qint64 spinArrowValue(const QString& box, bool up, int minimum)
{
    const qint64 value = parseDecimalInt(box);
    if (up)
        return value + 1;
    return value > minimum ? value - 1 : value;
}

int gridCount(qint64 value, int maximum)
{
    return int(std::clamp<qint64>(value, 1, maximum));
}

int fittedCellExtent(int outerSize, int count)
{
    const int n = std::max(1, count);
    return std::max(0, (outerSize - 3 * n) / n);
}
