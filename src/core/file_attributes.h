#pragma once

#include <QString>

// Gives the new file `to` (a descriptor of ours, not yet in place) every extended attribute
// of `from` (a path, links already followed): its access ACL, user.* attributes, a security
// label. An access ACL that `to` took from its folder's default ACL and `from` does not have
// is removed, so a save never widens access. False when one of them could not be read or
// set (and `to` did not have the same value already): the file would lose something.
bool copyExtendedAttributes(const QString& from, int to);
