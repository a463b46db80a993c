#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The table generator's settings boxes, as typed.
struct TableSettings
{
    QString width;               // empty: no WIDTH
    bool widthInPercent = false; // "%" after the width
    QString padding = QStringLiteral("0");
    QString spacing = QStringLiteral("0");
    QString border = QStringLiteral("0");
};

// The table, one tag per line, each line (the last included) ended by CR LF. `rows` holds the
// grid's cell texts row by row; they are copied unchanged.
QString buildTableMarkup(const TableSettings& settings, const QList<QStringList>& rows);

// One spin arrow click on a box: up adds one without limit, down subtracts one only while the
// value is above `minimum`. Raises "'%s' is not a valid integer value" for a box that does not
// hold a decimal integer.
qint64 spinArrowValue(const QString& box, bool up, int minimum);

// The grid's row or column count for a box value: never below 1, never above `maximum`.
int gridCount(qint64 value, int maximum);

// The width (or height) each of `count` columns (or rows) gets so they fill `outerSize`,
// with 3 pixels per line for the grid lines; never negative, and a count below 1 counts as 1.
int fittedCellExtent(int outerSize, int count);
