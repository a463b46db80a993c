#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// The product's home page, shown in the about box and opened from the Help menu.
inline const QString kVorlaneHomePage = QStringLiteral("http://www.vorlane.example/");

// Help > About: the program's pictures, version and home page. Enter closes it (OK is the
// default button); Escape does nothing, as the box has no cancel button.
class TAboutBox : public QDialog
{
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    QLabel* Image1 = nullptr; // banner
    QLabel* Image2 = nullptr; // logo
    QLabel* Label1 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLabel* Label4 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;

Q_SIGNALS:
    void helpRequested();

public Q_SLOTS:
    void BitBtn2Click();

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void showEvent(QShowEvent* e) override;
};
