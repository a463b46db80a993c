#include "app/command_line.h"
#include "app/main_form.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    if (const std::optional<int> exitCode = answerInfoOption(argc, argv))
        return *exitCode;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vorlane"));
    QApplication::setApplicationDisplayName(QStringLiteral("Vorlane"));
    QApplication::setOrganizationName(QStringLiteral("Tallowmark"));
    QGuiApplication::setDesktopFileName(kApplicationId);
    TMainForm form(parseCommandLine(QApplication::arguments()).file);
    form.show();
    return app.exec();
}
