#include "core/html_colors.h"

#include "core/app_error.h"
#include "core/file_names.h"

const QList<QPair<QString, QString>>& HtmlColorNames()
{
    // navy and teal are deliberately not the W3C values: pages written with them rely on these.
    static const QList<QPair<QString, QString>> names = {
        {QStringLiteral("black"), QStringLiteral("000000")},
        {QStringLiteral("aqua"), QStringLiteral("00FFFF")},
        {QStringLiteral("blue"), QStringLiteral("0000FF")},
        {QStringLiteral("fuchsia"), QStringLiteral("FF00FF")},
        {QStringLiteral("gray"), QStringLiteral("808080")},
        {QStringLiteral("green"), QStringLiteral("008000")},
        {QStringLiteral("lime"), QStringLiteral("00FF00")},
        {QStringLiteral("maroon"), QStringLiteral("800000")},
        {QStringLiteral("navy"), QStringLiteral("0000A0")},
        {QStringLiteral("olive"), QStringLiteral("808000")},
        {QStringLiteral("purple"), QStringLiteral("800080")},
        {QStringLiteral("red"), QStringLiteral("FF0000")},
        {QStringLiteral("silver"), QStringLiteral("C0C0C0")},
        {QStringLiteral("teal"), QStringLiteral("408080")},
        {QStringLiteral("white"), QStringLiteral("FFFFFF")},
        {QStringLiteral("yellow"), QStringLiteral("FFFF00")},
    };
    return names;
}

namespace {
int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return -1;
}
} // namespace

ColorValue HtmlColorToColor(const QString& text)
{
    QString digits = text;
    const QString lower = asciiLower(text);
    for (const auto& entry : HtmlColorNames()) {
        if (entry.first == lower) {
            digits = entry.second;
            break;
        }
    }
    if (digits.startsWith(QLatin1Char('#')))
        digits.remove(0, 1);

    // RRGGBB read as BBGGRR; short texts give short pairs, anything past six is ignored.
    QString reordered = digits.mid(4, 2) + digits.mid(2, 2) + digits.mid(0, 2);
    if (reordered.isEmpty())
        reordered = QStringLiteral("C0C0C0");

    ColorValue value = 0;
    for (const QChar c : reordered) {
        const int d = hexDigit(c);
        if (d < 0)
            throw invalidIntegerError(QLatin1Char('$') + reordered);
        value = value * 16 + ColorValue(d);
    }
    return value;
}

QString ColorToHtmlColor(ColorValue value)
{
    // Only the three colour bytes count; a stray top byte would shift the pairs.
    const QString bgr =
        QStringLiteral("%1").arg(value & 0xFFFFFFu, 6, 16, QLatin1Char('0')).toUpper();
    return QLatin1Char('#') + bgr.mid(4, 2) + bgr.mid(2, 2) + bgr.mid(0, 2);
}

QColor toQColor(ColorValue value)
{
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

ColorValue fromQColor(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return ColorValue(rgb.red()) | (ColorValue(rgb.green()) << 8) | (ColorValue(rgb.blue()) << 16);
}
