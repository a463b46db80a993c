#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;

// "Font & Style": a typeface, a relative size and bold, italic and underline. OK leaves the
// opening part in the pending markup and the closing part in the pending closing markup.
class TFontAndStyle : public QDialog
{
    Q_OBJECT
public:
    explicit TFontAndStyle(QWidget* parent = nullptr);

    // The typeface that goes into the markup: the last one clicked in the list or picked
    // with "&Other Font..."; empty when none.
    QString typeface() const { return typeface_; }
    bool SizeChosen = false;

    QListWidget* ListBox1 = nullptr;
    QPushButton* BitBtn3 = nullptr; // "&Other Font..."
    QComboBox* ComboBox1 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    QCheckBox* CheckBox3 = nullptr;
    QLineEdit* FontExample = nullptr;
    QPushButton* BitBtn1 = nullptr; // OK
    QPushButton* BitBtn2 = nullptr; // Cancel

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ListBox1Click();
    void BitBtn3Click();
    void ComboBox1Change(int index);
    void BitBtn1Click();
    void setTypeface(const QString& name);

    QString typeface_;
};
