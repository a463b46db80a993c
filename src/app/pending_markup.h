#pragma once

#include <QString>

// The program-wide hand-over slot between a dialog and the command that opened it.
// A dialog's OK leaves its markup here; the command inserts it and empties it.
namespace PendingMarkup {
QString& text();
QString& closing(); // closing part, used by the font and style dialog
void clear();
} // namespace PendingMarkup
