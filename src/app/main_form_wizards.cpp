// Insert image, insert link and table generator commands.
#include "app/main_form.h"

void TMainForm::initWizardsPart() {}
void TMainForm::Image1Click() {}
void TMainForm::mnuInsertLinkClick() {}
void TMainForm::InsertLink1Click() {}
void TMainForm::TableGenerator2Click() {}
void TMainForm::SpeedButton32Click() {}
