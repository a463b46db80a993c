// One-step markup commands, colour picker, page properties and Quick Start.
#include "app/main_form.h"

void TMainForm::initMarkupPart() {}
void TMainForm::Centered1Click() {}
void TMainForm::Left1Click() {}
void TMainForm::Right1Click() {}
void TMainForm::Default1Click() {}
void TMainForm::Center1Click() {}
void TMainForm::Bold1Click() {}
void TMainForm::Italic1Click() {}
void TMainForm::Underline1Click() {}
void TMainForm::Size1Large1Click() {}
void TMainForm::H21Click() {}
void TMainForm::H31Click() {}
void TMainForm::H4Click() {}
void TMainForm::H51Click() {}
void TMainForm::H61Click() {}
void TMainForm::QuickTable2Click() {}
void TMainForm::LineBreak1Click() {}
void TMainForm::AddComment1Click() {}
void TMainForm::GreaterThan1Click() {}
void TMainForm::LessThan1Click() {}
void TMainForm::Space1Click() {}
void TMainForm::Copyright1Click() {}
void TMainForm::Registered1Click() {}
void TMainForm::DateTime1Click() {}
void TMainForm::Color1Click() {}
void TMainForm::Document1Click() {}
void TMainForm::GenerateBody(const QString&, const QString&, const QString&, const QString&,
                             const QString&, const QString&)
{
}
void TMainForm::QuickStart1Click() {}
