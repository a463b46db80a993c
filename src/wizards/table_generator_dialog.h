#pragma once

#include <QDialog>
#include <QString>

class QFrame;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTableWidget;
class QToolButton;

// A pair of up and down arrows beside a number box.
class TSpinButton : public QWidget
{
    Q_OBJECT
public:
    explicit TSpinButton(QWidget* parent = nullptr);
    QToolButton* upButton() const { return up_; }
    QToolButton* downButton() const { return down_; }

Q_SIGNALS:
    void upClick();
    void downClick();

private:
    QToolButton* up_;
    QToolButton* down_;
};

// "Table Generator": an editable grid of cells plus the table's size and spacing settings.
// OK collects the whole table as text (lines ended by CR LF); the close box collects nothing.
class TInsTable : public QDialog
{
    Q_OBJECT
public:
    explicit TInsTable(QWidget* parent = nullptr);

    // The grid never grows beyond these, whatever the boxes say: the markup of a larger table
    // would not be written by hand, and the grid would eat the memory.
    static constexpr int kMaxRows = 2000;
    static constexpr int kMaxColumns = 200;

    // The table built by OK; empty when the dialog was closed without it.
    const QString& collectedText() const { return Memo1; }

    QTableWidget* Table1 = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QLineEdit* Edit1 = nullptr; // rows
    QLineEdit* Edit2 = nullptr; // columns
    QLineEdit* Edit3 = nullptr; // width
    QLineEdit* Edit4 = nullptr; // cell padding
    QLineEdit* Edit5 = nullptr; // cell spacing
    QLineEdit* Edit6 = nullptr; // border
    TSpinButton* SpinButton1 = nullptr;
    TSpinButton* SpinButton2 = nullptr;
    TSpinButton* SpinButton3 = nullptr;
    TSpinButton* SpinButton4 = nullptr;
    TSpinButton* SpinButton5 = nullptr;
    QRadioButton* RadioButton1 = nullptr; // pixels
    QRadioButton* RadioButton2 = nullptr; // %
    QFrame* Shape1 = nullptr;
    QPushButton* ColorSelectButton = nullptr;
    QPushButton* BitBtn1 = nullptr; // OK

public Q_SLOTS:
    void FormActivate();
    void FormResize();
    void AlignTable();
    void SpinButton1UpClick();
    void SpinButton1DownClick();
    void SpinButton2UpClick();
    void SpinButton2DownClick();
    void SpinButton3UpClick();
    void SpinButton3DownClick();
    void SpinButton4UpClick();
    void SpinButton4DownClick();
    void SpinButton5UpClick();
    void SpinButton5DownClick();
    void RadioButton1Click();
    void RadioButton2Click();
    void BitBtn1Click();

protected:
    void showEvent(QShowEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    QWidget* buildSettingsPage();
    QWidget* buildCellPage();
    void stepGridCount(QLineEdit* box, bool up, bool rows);
    void stepAttribute(QLineEdit* box, bool up);
    void connectSpin(TSpinButton* spin, void (TInsTable::*up)(), void (TInsTable::*down)());

    QString Memo1; // the collected lines
    bool centred_ = false;
};
