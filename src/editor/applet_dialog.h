#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QToolButton;

// "Insert Java Applet": the class file and the applet's attributes. OK leaves the APPLET
// element in the pending markup.
class TInsJava : public QDialog
{
    Q_OBJECT
public:
    // documentFileName: the document's full name, or "Untitled"; browsing shortens class
    // file names relative to its folder.
    explicit TInsJava(const QString& documentFileName, QWidget* parent = nullptr);

    QString DocumentFolder() const { return documentFolder_; }

    QTabWidget* PageControl1 = nullptr;
    QLineEdit* ClassFileName = nullptr;
    QToolButton* BrowseBtn = nullptr;
    QLineEdit* Height = nullptr;
    QLineEdit* Width = nullptr;
    QComboBox* Align = nullptr;
    QLineEdit* codebase = nullptr;
    QLineEdit* JavaName = nullptr;
    QLineEdit* alt = nullptr;
    QLineEdit* params = nullptr;
    QPushButton* BitBtn2 = nullptr; // OK
    QPushButton* BitBtn1 = nullptr; // Cancel

private:
    void BrowseBtnClick();
    void BitBtn2Click();

    QString documentFolder_;
};
