#pragma once

#include <QString>

// "<A HREF=" prefix address ">" text "</A>": the prefix ("http://", "mailto:", ...) and the
// address are joined as typed, without a separator; nothing is quoted or checked.
QString buildLinkMarkup(const QString& prefix, const QString& address, const QString& text);
