#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

// The small modeless find dialog: a search text and Find Next. The search itself belongs to
// the main window; the dialog only reports the button. It lives as long as the main window
// and keeps its text between uses.
class TFindDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TFindDialog(QWidget* parent = nullptr);

    QString FindText() const;
    void SetFindText(const QString& text);
    // Shows the dialog (again) in front, its search text selected and focused, so typing
    // replaces it.
    void present();
    // Moves the dialog off `area` (global coordinates, e.g. a match) when it covers it and
    // there is room above or below on the screen.
    void keepClearOf(const QRect& area);

    QLineEdit* FindEdit = nullptr;
    QPushButton* FindNextButton = nullptr;
    QPushButton* CancelButton = nullptr;

Q_SIGNALS:
    void findNext();

private:
    void updateButtons();
};

// The small modeless replace dialog: search and replacement texts, Find Next, Replace and
// Replace All.
class TReplaceDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TReplaceDialog(QWidget* parent = nullptr);

    QString FindText() const;
    void SetFindText(const QString& text);
    QString ReplaceText() const;
    void SetReplaceText(const QString& text);
    void present(); // as TFindDialog::present
    void keepClearOf(const QRect& area);

    QLineEdit* FindEdit = nullptr;
    QLineEdit* ReplaceEdit = nullptr;
    QPushButton* FindNextButton = nullptr;
    QPushButton* ReplaceButton = nullptr;
    QPushButton* ReplaceAllButton = nullptr;
    QPushButton* CancelButton = nullptr;

Q_SIGNALS:
    void findNext();
    void replace();
    void replaceAll();

private:
    void updateButtons();
};
