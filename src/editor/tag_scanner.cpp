#include "editor/tag_scanner.h"

#include <array>

bool sameTagName(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const char x = a[i] >= 'a' && a[i] <= 'z' ? char(a[i] - 32) : a[i];
        const char y = b[i] >= 'a' && b[i] <= 'z' ? char(b[i] - 32) : b[i];
        if (x != y)
            return false;
    }
    return true;
}

bool isEmptyElement(QByteArrayView name)
{
    static constexpr std::array<const char*, 11> kEmpty = {
        "AREA", "BASE", "BASEFONT", "BR", "HR", "IMG", "INPUT", "ISINDEX", "LINK", "META", "PARAM"};
    for (const char* empty : kEmpty)
        if (sameTagName(name, QByteArrayView(empty)))
            return true;
    return false;
}
