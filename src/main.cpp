#include "app/chrome_style.h"
#include "app/command_line.h"
#include "app/main_form.h"
#include "check/markup_child.h"

#include <QApplication>
#include <QStyleFactory>
#include <QTextStream>

#include <cstring>

int main(int argc, char* argv[])
{
    // The markup check's child process (hidden): the editor's page arrives on standard input.
    if (const std::optional<int> exitCode = PageCheck::runMarkupChildIfAsked(argc, argv))
        return *exitCode;

    // `vorlane --check FILE...`: no window, so no display is needed.
    if (argc > 1 && std::strcmp(argv[1], "--check") == 0) {
        QCoreApplication app(argc, argv);
        QTextStream out(stdout);
        QTextStream err(stderr);
        return runCheckCommand(QCoreApplication::arguments().mid(2), out, err);
    }

    if (const std::optional<int> exitCode = answerInfoOption(argc, argv))
        return *exitCode;
    QApplication app(argc, argv);
    // The style the desktop (or -style) chose, wrapped.
    QApplication::setStyle(new ChromeStyle(QStyleFactory::create(QApplication::style()->name())));
    QApplication::setApplicationName(QStringLiteral("Vorlane"));
    QApplication::setOrganizationName(QStringLiteral("Tallowmark"));
    QGuiApplication::setDesktopFileName(kApplicationId);
    TMainForm form(parseCommandLine(QApplication::arguments()).file);
    form.show();
    return app.exec();
}
