#pragma once

#include <QColor>
#include <QList>
#include <QPair>
#include <QString>

// A colour value as the colour dialog and the samples hold it: 0x00BBGGRR.
using ColorValue = quint32;

// The 16 names understood when reading colour text, in search order, with their text.
const QList<QPair<QString, QString>>& HtmlColorNames();

// Colour text (a name, #RRGGBB or RRGGBB) to a colour value. The empty text gives silver.
// Raises "'%s' is not a valid integer value" with "$" and the reordered text.
ColorValue HtmlColorToColor(const QString& text);

// A colour value to "#RRGGBB" with upper-case digits.
QString ColorToHtmlColor(ColorValue value);

// Conversions between colour values and QColor for painting samples and the colour dialog.
QColor toQColor(ColorValue value);
ColorValue fromQColor(const QColor& color);
