// Preferences, browser preview, recent files, welcome window and tips.
#include "app/main_form.h"

void TMainForm::initPreviewPart() {}
void TMainForm::showWelcomeAtStartup() {}
void TMainForm::addToRecentFiles(const QString&) {}
void TMainForm::Preferences1Click() {}
void TMainForm::mnuViewinbrowserClick() {}
void TMainForm::LoadUrl(const QString&) {}
void TMainForm::WelcomeForm1Click() {}
void TMainForm::TipoftheDay1Click() {}
