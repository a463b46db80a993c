#pragma once

#include <QString>

#include <functional>

// The program-wide hand-over slot between a dialog and the command that opened it.
// A dialog's OK leaves its markup here; the command takes it out, which empties the slot.
namespace PendingMarkup {
struct Markup
{
    QString text;
    QString closing; // closing part, used by the font and style dialog
};

void set(const QString& text, const QString& closing = QString());
void append(const QString& text);
// Returns what the slot holds and empties it.
Markup take();
// Empties the slot, runs `showDialog` and takes what the dialog left. The slot is empty
// afterwards on every way out, a failing dialog included.
Markup takeAfter(const std::function<void()>& showDialog);
} // namespace PendingMarkup
