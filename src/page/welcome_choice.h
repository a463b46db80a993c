#pragma once

#include <QString>

// The code the welcome window leaves for the start-up sequence: "QS", "TE", "OP",
// "RE" followed by a path, or empty.
namespace WelcomeChoice {
QString& value();
} // namespace WelcomeChoice
