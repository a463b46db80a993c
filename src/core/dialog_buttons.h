#pragma once

#include <QString>
#include <initializer_list>

class QDialog;
class QDialogButtonBox;
class QHBoxLayout;
class QPlainTextEdit;
class QPushButton;
class QWidget;

// A push button named as on the form, so commands and tests find it by objectName.
QPushButton* namedButton(QWidget* parent, const char* name, const QString& caption);

// The width a read-only text pane needs so that each line of `text` fits on one line: the pane
// then breaks the text where the text breaks, and longer texts only between words.
int widthForLines(QPlainTextEdit* pane, const QString& text);

// The row most dialogs end with: the buttons at the right, the first one the default button.
QHBoxLayout* buttonRow(std::initializer_list<QPushButton*> buttons);

// Lays `dialog` out as a column: `label`, `body` (given `stretch`), then OK and Cancel, which
// accept and reject it. Returns the button box.
QDialogButtonBox* okCancelColumn(QDialog* dialog, QWidget* label, QWidget* body, int stretch = 0);
