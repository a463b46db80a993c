#include "core/command_guard.h"

#include "core/app_error.h"
#include "core/prompter.h"

#include <exception>

bool runGuarded(QWidget* parent, const std::function<void()>& command)
{
    try {
        command();
        return true;
    } catch (const AppError& e) {
        prompter().error(parent, e.message());
    } catch (const std::bad_alloc&) {
        prompter().error(parent, QStringLiteral("Out of memory"));
    } catch (const std::exception& e) {
        prompter().error(parent, QString::fromLocal8Bit(e.what()));
    }
    return false;
}
