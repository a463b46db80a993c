#include "core/pending_markup.h"

namespace PendingMarkup {
namespace {
Markup& slot()
{
    static Markup value;
    return value;
}
} // namespace

void set(const QString& text, const QString& closing)
{
    slot() = {text, closing};
}

void append(const QString& text)
{
    slot().text += text;
}

Markup take()
{
    return std::exchange(slot(), Markup());
}

Markup takeAfter(const std::function<void()>& showDialog)
{
    struct Emptied
    {
        ~Emptied() { slot() = Markup(); }
    } emptied;
    slot() = Markup();
    showDialog();
    return take();
}
} // namespace PendingMarkup
