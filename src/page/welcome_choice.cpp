#include "page/welcome_choice.h"

namespace WelcomeChoice {
QString& value()
{
    static QString choice;
    return choice;
}
} // namespace WelcomeChoice
