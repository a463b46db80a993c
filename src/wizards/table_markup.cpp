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

    // Reserved once and appended piece by piece: a big grid builds no temporary strings.
    qsizetype size = open.size() + 16;
    for (const QStringList& row : rows) {
        size += 14;
        for (const QString& cell : row)
            size += cell.size() + 14;
    }
    QString out;
    out.reserve(size);
    out += open;
    out += u"\r\n";
    for (const QStringList& row : rows) {
        out += u"<TR>\r\n\r\n";
        for (const QString& cell : row) {
            out += u" <TD>";
            out += cell;
            out += u"</TD>\r\n\r\n";
        }
        out += u"</TR>\r\n";
    }
    out += u"\r\n</TABLE>\r\n";
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
