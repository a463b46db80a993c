#pragma once

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// "Tip of the Day...": a fixed greeting and a note that there are no tips yet. Keeps no state.
class TTipOfTheDay : public QDialog
{
    Q_OBJECT
public:
    explicit TTipOfTheDay(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;        // the band along the left edge
    QLabel* Label2 = nullptr;        // heading
    QPlainTextEdit* Memo1 = nullptr; // the tip text
    QPushButton* Button1 = nullptr;  // &Next Tip
    QPushButton* BitBtn1 = nullptr;  // OK
};

inline const QString kTipText =
    QStringLiteral("There are currently no tips. This will be implimented in the \nfinal release.");
