#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

// "Insert Link": one anchor from a link type, an address and a link text. OK leaves the
// markup in the pending markup; Cancel empties it.
class TInsLink : public QDialog
{
    Q_OBJECT
public:
    explicit TInsLink(QWidget* parent = nullptr);

    QComboBox* ComboBox1 = nullptr; // link type prefix
    QLineEdit* Edit1 = nullptr;     // address
    QLineEdit* Edit2 = nullptr;     // link text
    QLineEdit* Edit3 = nullptr;     // target frame: collected, not written
    QPushButton* OK = nullptr;
    QPushButton* BitBtn1 = nullptr; // cancel

public Q_SLOTS:
    void Edit1Change();
    void OKClick();
    void BitBtn1Click();

protected:
    void showEvent(QShowEvent* e) override;

private:
    bool centred_ = false;
};
