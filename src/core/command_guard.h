#pragma once

#include <functional>

class QWidget;

// Runs one command at the point where Qt calls it. An AppError is shown in an error box and
// the command stops there, keeping what it already changed; nothing crosses the event loop.
// Returns false when the command failed.
bool runGuarded(QWidget* parent, const std::function<void()>& command);

// A slot that runs a member function inside the guard: connect(button, &QPushButton::clicked,
// this, guardedSlot(this, &TDialog::Button1Click)).
template <typename Owner, typename... Args>
auto guardedSlot(Owner* owner, void (Owner::*handler)(Args...))
{
    return
        [owner, handler](Args... args) { runGuarded(owner, [&] { (owner->*handler)(args...); }); };
}
