#include "app/icons.h"

QIcon vorlaneIcon(const QString& name)
{
    return QIcon::fromTheme(name);
}
