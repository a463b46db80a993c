#pragma once

#include <functional>

class QWidget;

// Runs one command at the point where Qt calls it. An AppError is shown in an error box and
// the command stops there, keeping what it already changed; nothing crosses the event loop.
// Returns false when the command failed.
bool runGuarded(QWidget* parent, const std::function<void()>& command);
