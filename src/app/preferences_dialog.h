#pragma once

#include <QDialog>
#include <QFont>
#include <QList>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

// The preferences: browser and its program, the Quick Start page, image paths, the preview's
// temporary file, the tray and the editor font. Fills itself from the settings store when
// created; OK stores every value, Cancel stores nothing (the Quick Start page properties are
// stored as soon as their own dialog closes).
class TPrefs : public QDialog
{
    Q_OBJECT
public:
    explicit TPrefs(QWidget* parent = nullptr);

    // Browser choice: 0 "MS Internet Explorer", 1 "Netscape Navigator", 2 "None".
    int browserIndex() const;
    void setBrowserIndex(int index); // as a click on that button would
    const QFont& fontDialogFont() const { return fontDialogFont_; }
    const QString& proposedBrowserFile() const { return proposedBrowserFile_; }

    // Controls, named as on the form.
    QTabWidget* PageControl1 = nullptr;
    QGroupBox* RadioGroup1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QPushButton* BitBtn3 = nullptr; // &Browse
    QCheckBox* CheckBox3 = nullptr; // Startup with Quick Start
    QPushButton* BitBtn4 = nullptr; // Quick Start page properties
    QLineEdit* PageTitle = nullptr;
    QCheckBox* CheckBox2 = nullptr; // parse image paths
    QCheckBox* CheckBox1 = nullptr; // use temporary file
    QLineEdit* Edit2 = nullptr;     // temporary file name
    QCheckBox* TrayCheck = nullptr;
    QPushButton* Button1 = nullptr; // editor font
    QFrame* FontColorShape = nullptr;
    QFrame* BackgroundColorShape = nullptr;
    QComboBox* SpellingLanguage = nullptr; // "" (the desktop's) or an installed dictionary
    QPushButton* BitBtn1 = nullptr;        // OK
    QPushButton* BitBtn2 = nullptr;        // Cancel

public Q_SLOTS:
    void RadioGroup1Click();
    void BitBtn3Click();
    void CheckBox1Click();
    void Button1Click();
    void BitBtn4Click();
    void BitBtn1Click();

private:
    void buildForm();
    void FormCreate();
    void enableLocation(bool on);

    QList<QRadioButton*> browserButtons_;
    QFont fontDialogFont_;
    QString proposedBrowserFile_;
};

// The Windows entries the location list always offers, before the programs found here.
inline const QString kNetscapeLocation =
    QStringLiteral("c:\\Program Files\\Netscape\\Navigator\\netscape.exe");
inline const QString kExplorerLocation =
    QStringLiteral("c:\\Program Files\\Internet Explorer\\iexplore.exe");
