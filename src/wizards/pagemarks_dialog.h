#pragma once

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// The pagemarks editor. Pagemarks are not stored yet: the list lives only while the dialog is
// open, "&Add" appends an "Untitled" entry, and the editing fields stay disabled.
class TPagemarks : public QDialog
{
    Q_OBJECT
public:
    explicit TPagemarks(QWidget* parent = nullptr);

    QGroupBox* GroupBox1 = nullptr;
    QListWidget* ListBox1 = nullptr;
    QPushButton* BitBtn1 = nullptr; // Add
    QPushButton* BitBtn2 = nullptr; // Remove
    QLabel* Label1 = nullptr;       // "Filename:"
    QLineEdit* Edit1 = nullptr;
    QPushButton* BitBtn4 = nullptr; // Browse
    QLabel* Label2 = nullptr;       // "Display Name:"
    QLineEdit* Edit2 = nullptr;
    QPushButton* BitBtn3 = nullptr; // Done

public Q_SLOTS:
    void BitBtn1Click();

protected:
    void showEvent(QShowEvent* e) override;
};
