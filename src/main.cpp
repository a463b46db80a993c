#include "app/main_form.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vorlane"));
    QApplication::setApplicationDisplayName(QStringLiteral("Vorlane"));
    QApplication::setOrganizationName(QStringLiteral("Tallowmark"));
    const QStringList args = QApplication::arguments();
    TMainForm form(args.size() > 1 ? args.at(1) : QString());
    form.show();
    return app.exec();
}
