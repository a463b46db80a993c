#pragma once

#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;

// Chooser for ready-made tables. No table template is stored yet, so the list stays empty
// and New and Delete stay disabled; OK and Cancel simply close.
class TTableTempletes : public QDialog
{
    Q_OBJECT
public:
    explicit TTableTempletes(QWidget* parent = nullptr);

    QListWidget* ListBox1 = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* BitBtn2 = nullptr; // OK
    QPushButton* BitBtn3 = nullptr; // Cancel
    QPushButton* BitBtn1 = nullptr; // New
    QPushButton* BitBtn4 = nullptr; // Delete

protected:
    void showEvent(QShowEvent* e) override;
};
