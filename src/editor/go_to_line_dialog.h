#pragma once

#include <QDialog>

#include <optional>

class QLineEdit;
class QPushButton;

// The line asked for by the typed text, 1-based and kept within 1..lineCount (a number past
// the end means the last line); nullopt when the text is not a whole number.
std::optional<int> lineNumberFrom(const QString& text, int lineCount);

// "Go to Line": one number, OK and Cancel. OK with text that is not a number says so and
// keeps the dialog open.
class TGoToLine : public QDialog
{
    Q_OBJECT
public:
    TGoToLine(int currentLine, int lineCount, QWidget* parent = nullptr);

    // The line chosen with OK.
    int line() const { return line_; }

    QLineEdit* Edit1 = nullptr;
    QPushButton* BitBtn1 = nullptr; // OK
    QPushButton* BitBtn2 = nullptr; // Cancel

private:
    void BitBtn1Click();

    int lineCount_;
    int line_ = 1;
};
