// Window chrome, help, tray icon, about box and the template dialogs.
#include "app/main_form.h"

void TMainForm::initChromePart() {}
void TMainForm::attachMenuPictures() {}
void TMainForm::onMinimized() {}
void TMainForm::TrayIconClick() {}
void TMainForm::TrayIconRightClick(const QPoint&) {}
void TMainForm::HelpContents() {}
void TMainForm::VorlaneHomepage1Click() {}
void TMainForm::HTMLHelpby1Click() {}
void TMainForm::VersionInfotxt1Click() {}
void TMainForm::ReadmeDoctxt1Click() {}
void TMainForm::HelpAbout() {}
void TMainForm::FromTemplete1Click() {}
void TMainForm::FromTemplate3Click() {}
void TMainForm::EditPagemarks2Click() {}
