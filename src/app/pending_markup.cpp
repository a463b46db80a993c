#include "app/pending_markup.h"

namespace PendingMarkup {
QString& text()
{
    static QString value;
    return value;
}
QString& closing()
{
    static QString value;
    return value;
}
void clear()
{
    text().clear();
    closing().clear();
}
} // namespace PendingMarkup
