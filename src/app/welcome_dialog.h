#pragma once

#include <QDialog>

class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QToolButton;
class TMRUFileList;

// "Welcome To Vorlane": the first steps after start-up. The choice buttons leave their code in
// choice() and close the window; whoever showed it decides whether to act on it. Closing
// by any means stores "Welcome" from the check box.
class TWelcome : public QDialog
{
    Q_OBJECT
public:
    explicit TWelcome(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;            // greeting
    QToolButton* SpeedButton2 = nullptr; // Create &New Page
    QToolButton* SpeedButton3 = nullptr; // Start With a &Template
    QToolButton* SpeedButton5 = nullptr; // &Open Existing Web Page
    QToolButton* SpeedButton8 = nullptr; // &Reopen Recent File... >
    QToolButton* SpeedButton1 = nullptr; // &Preferences
    QToolButton* SpeedButton6 = nullptr; // Tip of the &Day
    QToolButton* SpeedButton4 = nullptr; // &Help / Learn HTML
    QCheckBox* CheckBox1 = nullptr;      // Show this window at startup
    QMenu* PopupMenu1 = nullptr;         // recent files
    QAction* Recent1 = nullptr;          // "Cancel"
    TMRUFileList* MRUFileList1 = nullptr;

    void done(int result) override;
    // "QS", "TE", "OP", "RE" followed by a path, or empty when the window closed without one.
    const QString& choice() const { return choice_; }

Q_SIGNALS:
    // The preferences dialog opened here has closed; the running program refreshes its values.
    // tempFilename is the dialog's temporary file name, meaningful when confirmed.
    void preferencesClosed(bool confirmed, const QString& tempFilename);

public Q_SLOTS:
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton5Click();
    void SpeedButton8Click();
    void MRUFileList1MRUItemClick(QObject* sender, const QString& fileName);
    void SpeedButton1Click();
    void SpeedButton6Click();

private:
    void choose(const QString& code);
    QString choice_;
};
