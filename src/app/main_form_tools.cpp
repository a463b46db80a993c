// Find and replace, font and style, horizontal line, Java applet and tag reference commands.
#include "app/main_form.h"

void TMainForm::initToolsPart() {}
void TMainForm::Find1Click() {}
void TMainForm::Replace1Click() {}
void TMainForm::FindDialog1Find() {}
void TMainForm::ReplaceDialog1Find() {}
void TMainForm::ReplaceDialog1Replace() {}
void TMainForm::ReplaceDialog1ReplaceAll() {}
void TMainForm::FontandStyle1Click() {}
void TMainForm::HorizontalLine1Click() {}
void TMainForm::JavaApplet1Click() {}
void TMainForm::Refresh1Click() {}
