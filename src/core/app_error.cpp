#include "core/app_error.h"

AppError invalidIntegerError(const QString& text)
{
    return AppError(QStringLiteral("'%1' is not a valid integer value").arg(text));
}

int parseDecimalInt(const QString& text)
{
    // Leading and trailing blanks are tolerated, as the conversion routine users know did.
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    if (!ok)
        throw invalidIntegerError(text);
    return value;
}
