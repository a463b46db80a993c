#pragma once

#include <QString>

// The horizontal line dialog's fields, as typed.
struct HorzLineFields
{
    QString width;                             // empty: no WIDTH
    bool percent = false;                      // "Percent" instead of "Pixels"
    QString thickness = QStringLiteral("1");   // always written, even when empty
    QString align = QStringLiteral("<none>");  // "<none>" leaves ALIGN out
    QString color = QStringLiteral("Default"); // "Default" leaves COLOR out
};

// The HR tag: WIDTH, SIZE, ALIGN, COLOR in that order, nothing quoted or checked.
QString buildHorizontalLineTag(const HorzLineFields& fields);
