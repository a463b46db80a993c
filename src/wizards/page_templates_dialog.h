#pragma once

#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;

// Chooser of a page template: lists the files of the templates folder. OK leaves the chosen
// file's name in the pending markup; Cancel (or Esc) leaves kCanceledTemplate there.
class TPageTempletes : public QDialog
{
    Q_OBJECT
public:
    static inline const QString kCanceledTemplate = QStringLiteral("Error: Canceled Template");

    explicit TPageTempletes(QWidget* parent = nullptr);

    QListWidget* FileListBox1 = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* BitBtn1 = nullptr; // OK
    QPushButton* BitBtn2 = nullptr; // Cancel

public Q_SLOTS:
    void BitBtn1Click();
    void BitBtn2Click();
    void reject() override;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void FormActivate();
    void reportMissingFolder();
    void updateOk();

    bool activated_ = false;
};
