#pragma once

#include <QString>
#include <initializer_list>

class QHBoxLayout;
class QPushButton;
class QWidget;

// A push button named as on the form, so commands and tests find it by objectName.
QPushButton* namedButton(QWidget* parent, const char* name, const QString& caption);

// The row most dialogs end with: the buttons at the right, the first one the default button.
QHBoxLayout* buttonRow(std::initializer_list<QPushButton*> buttons);
