#pragma once

#include <QColor>
#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// "Insert Horizontal Line": width, thickness, alignment and colour of one HR tag. OK leaves
// the tag in the pending markup.
class THorzLine : public QDialog
{
    Q_OBJECT
public:
    explicit THorzLine(QWidget* parent = nullptr);

    QLineEdit* Edit1 = nullptr;           // width
    QRadioButton* RadioButton1 = nullptr; // pixels
    QRadioButton* RadioButton2 = nullptr; // percent
    QComboBox* ComboBox1 = nullptr;       // thickness
    QComboBox* ComboBox2 = nullptr;       // alignment
    QLabel* StaticText1 = nullptr;        // colour swatch; its text goes into the tag
    QPushButton* Button1 = nullptr;       // "..."
    QPushButton* BitBtn1 = nullptr;       // OK
    QPushButton* BitBtn2 = nullptr;       // Cancel

private:
    void Button1Click();
    void BitBtn1Click();

    QColor dialogColor_; // where the colour dialog starts
};
