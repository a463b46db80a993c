#include "app/preferences_dialog.h"
#include "core/dialog_buttons.h"

#include "core/app_error.h"
#include "core/command_guard.h"
#include "core/html_colors.h"
#include "core/prompter.h"
#include "core/settings_store.h"
#include "core/spell_checker.h"
#include "page/body_properties_dialog.h"
#include "page/page_properties.h"
#include "page/quick_start_settings.h"
#include "preview/browser_preview.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QString fontCaption(const QString& family, const QString& size)
{
    return QStringLiteral("%1, %2").arg(family, size);
}

int pointSizeOf(const QFont& font)
{
    return font.pointSize() > 0 ? font.pointSize() : qRound(font.pointSizeF());
}

QFrame* colorSample(QWidget* parent, const QColor& color)
{
    auto* shape = new QFrame(parent);
    shape->setFrameShape(QFrame::Box);
    shape->setFixedSize(41, 21);
    shape->setAutoFillBackground(true);
    QPalette p = shape->palette();
    p.setColor(QPalette::Window, color);
    shape->setPalette(p);
    shape->setToolTip(QStringLiteral("Click to change color"));
    return shape;
}

} // namespace

TPrefs::TPrefs(QWidget* parent) : QDialog(parent)
{
    buildForm();
    FormCreate();
    // The first field, not the notebook's tab bar: the browser choice.
    browserButtons_.at(qMax(0, browserIndex()))->setFocus();
}

void TPrefs::buildForm()
{
    setObjectName(QStringLiteral("Prefs"));
    setWindowTitle(QStringLiteral("Vorlane Preferences"));
    fontDialogFont_ = QFont(QStringLiteral("Arial"));
    fontDialogFont_.setPointSize(9);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));

    // General
    auto* general = new QWidget;
    RadioGroup1 = new QGroupBox(QStringLiteral("Web Browser:"), general);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    auto* radioLayout = new QVBoxLayout(RadioGroup1);
    auto* radioGroup = new QButtonGroup(this);
    const QStringList browsers = {QStringLiteral("MS Internet Explorer"),
                                  QStringLiteral("Netscape Navigator"), QStringLiteral("None")};
    for (int i = 0; i < browsers.size(); ++i) {
        auto* button = new QRadioButton(browsers.at(i), RadioGroup1);
        button->setObjectName(QStringLiteral("RadioGroup1Item%1").arg(i));
        radioGroup->addButton(button, i);
        radioLayout->addWidget(button);
        browserButtons_.append(button);
        connect(button, &QRadioButton::clicked, this, guardedSlot(this, &TPrefs::RadioGroup1Click));
    }
    browserButtons_.last()->setChecked(true);

    auto* locationGroup = new QGroupBox(QStringLiteral("Browser Location"), general);
    ComboBox1 = new QComboBox(locationGroup);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->addItems({kNetscapeLocation, kExplorerLocation});
    // Real programs of this machine follow, so a browser can be picked without browsing.
    ComboBox1->addItems(installedBrowserPrograms());
    ComboBox1->setMinimumContentsLength(36);
    BitBtn3 = new QPushButton(QStringLiteral("&Browse"), locationGroup);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    auto* note = new QLabel(
        QStringLiteral("The path where netscape or internet explorer is installed"), locationGroup);
    note->setWordWrap(true);
    auto* locationRow = new QHBoxLayout;
    locationRow->addWidget(ComboBox1, 1);
    locationRow->addWidget(BitBtn3);
    auto* locationLayout = new QVBoxLayout(locationGroup);
    locationLayout->addLayout(locationRow);
    locationLayout->addWidget(note);

    auto* quickGroup = new QGroupBox(QStringLiteral("Quick Start Settings"), general);
    CheckBox3 = new QCheckBox(QStringLiteral("Startup with Quick Start"), quickGroup);
    CheckBox3->setObjectName(QStringLiteral("CheckBox3"));
    CheckBox3->setChecked(true);
    BitBtn4 = new QPushButton(QStringLiteral("&Edit Quick Start Preferents"), quickGroup);
    BitBtn4->setObjectName(QStringLiteral("BitBtn4"));
    PageTitle = new QLineEdit(QStringLiteral("Untitled"), quickGroup);
    PageTitle->setObjectName(QStringLiteral("PageTitle"));
    auto* quickRow = new QHBoxLayout;
    quickRow->addWidget(CheckBox3);
    quickRow->addStretch(1);
    quickRow->addWidget(BitBtn4);
    auto* titleRow = new QHBoxLayout;
    titleRow->addWidget(new QLabel(QStringLiteral("Quick Start Page Title:"), quickGroup));
    titleRow->addWidget(PageTitle, 1);
    auto* quickLayout = new QVBoxLayout(quickGroup);
    quickLayout->addLayout(quickRow);
    quickLayout->addLayout(titleRow);

    auto* advancedGroup = new QGroupBox(QStringLiteral("Advanced"), general);
    CheckBox2 = new QCheckBox(
        QStringLiteral("Automatically parse image paths (slower but recommended)"), advancedGroup);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    CheckBox2->setChecked(true);
    CheckBox1 = new QCheckBox(QStringLiteral("Use temperary filename for viewing in browser:"),
                              advancedGroup);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setChecked(true);
    Edit2 = new QLineEdit(QStringLiteral("pagetmp.htm"), advancedGroup);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    TrayCheck = new QCheckBox(QStringLiteral("Minimize Vorlane to task tray"), advancedGroup);
    TrayCheck->setObjectName(QStringLiteral("TrayCheck"));
    auto* tempRow = new QHBoxLayout;
    tempRow->addWidget(CheckBox1);
    tempRow->addWidget(Edit2, 1);
    auto* advancedLayout = new QVBoxLayout(advancedGroup);
    advancedLayout->addWidget(CheckBox2);
    advancedLayout->addLayout(tempRow);
    advancedLayout->addWidget(TrayCheck);

    auto* top = new QHBoxLayout;
    top->addWidget(RadioGroup1);
    top->addWidget(locationGroup, 1);
    auto* generalLayout = new QVBoxLayout(general);
    generalLayout->addLayout(top);
    generalLayout->addWidget(quickGroup);
    generalLayout->addWidget(advancedGroup);
    PageControl1->addTab(general, QStringLiteral("General"));

    // Fonts & Appearance
    auto* fonts = new QWidget;
    Button1 = new QPushButton(QStringLiteral("Arial, 9"), fonts);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setToolTip(QStringLiteral("Click here to change the font"));
    FontColorShape = colorSample(fonts, palette().color(QPalette::WindowText));
    FontColorShape->setObjectName(QStringLiteral("Shape1"));
    BackgroundColorShape = colorSample(fonts, palette().color(QPalette::Base));
    BackgroundColorShape->setObjectName(QStringLiteral("Shape2"));
    auto* fontsLayout = new QFormLayout(fonts);
    fontsLayout->addRow(QStringLiteral("Editor Font:"), Button1);
    fontsLayout->addRow(QStringLiteral("Font Color:"), FontColorShape);
    fontsLayout->addRow(QStringLiteral("Background Color:"), BackgroundColorShape);
    // The page's LANG attribute still wins when it names an installed dictionary.
    SpellingLanguage = new QComboBox(fonts);
    SpellingLanguage->setObjectName(QStringLiteral("SpellingLanguage"));
    SpellingLanguage->addItem(QStringLiteral("(the desktop's language)"), QString());
    for (const QString& dictionary : SpellChecker::installedDictionaries())
        SpellingLanguage->addItem(dictionary, dictionary);
    fontsLayout->addRow(QStringLiteral("Spelling Language:"), SpellingLanguage);
    PageControl1->addTab(fonts, QStringLiteral("Fonts && Appearance"));

    PageControl1->addTab(new QWidget, QStringLiteral("Paths"));

    BitBtn1 = namedButton(this, "BitBtn1", QStringLiteral("OK"));
    BitBtn2 = namedButton(this, "BitBtn2", QStringLiteral("Cancel"));
    QHBoxLayout* buttons = buttonRow({BitBtn1, BitBtn2});

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(BitBtn3, &QPushButton::clicked, this, guardedSlot(this, &TPrefs::BitBtn3Click));
    connect(BitBtn4, &QPushButton::clicked, this, guardedSlot(this, &TPrefs::BitBtn4Click));
    connect(Button1, &QPushButton::clicked, this, guardedSlot(this, &TPrefs::Button1Click));
    connect(CheckBox1, &QCheckBox::toggled, this, [this] { CheckBox1Click(); });
    connect(BitBtn1, &QPushButton::clicked, this, guardedSlot(this, &TPrefs::BitBtn1Click));
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

void TPrefs::FormCreate()
{
    // A value that cannot be read stops the filling there: the fields after it keep the
    // form's values, and the dialog still opens.
    runGuarded(parentWidget(), [this] {
        const QString browser = ReadSetting(Setting::Browser);
        const int index = browser == QLatin1String("NS")   ? 1
                          : browser == QLatin1String("IE") ? 0
                                                           : 2;
        browserButtons_.at(index)->setChecked(true);
        enableLocation(index != 2);
        PageTitle->setText(ReadSetting(Setting::DefaultTitle));
        ComboBox1->setEditText(ReadSetting(Setting::BrowserLocation));
        CheckBox1->setChecked(ReadFlag(Setting::UseTemp));
        Edit2->setText(ReadSetting(Setting::TempFilename));
        CheckBox1Click();

        const QString family = ReadSetting(Setting::Font);
        fontDialogFont_.setFamily(family);
        const QString sizeText = ReadSetting(Setting::FontSize);
        const int size = parseDecimalInt(sizeText);
        if (size > 0)
            fontDialogFont_.setPointSize(size);
        Button1->setText(fontCaption(family, sizeText));

        CheckBox2->setChecked(ReadFlag(Setting::ParseImagePaths));
        CheckBox3->setChecked(ReadSetting(Setting::QuickStart) != QLatin1String("N"));
        TrayCheck->setChecked(ReadFlag(Setting::TaskTray));
        const int language = SpellingLanguage->findData(ReadSetting(Setting::SpellingLanguage));
        SpellingLanguage->setCurrentIndex(qMax(0, language));
    });
}

int TPrefs::browserIndex() const
{
    for (int i = 0; i < browserButtons_.size(); ++i) {
        if (browserButtons_.at(i)->isChecked())
            return i;
    }
    return -1;
}

void TPrefs::setBrowserIndex(int index)
{
    if (index < 0 || index >= browserButtons_.size())
        return;
    browserButtons_.at(index)->setChecked(true);
    RadioGroup1Click();
}

void TPrefs::enableLocation(bool on)
{
    ComboBox1->setEnabled(on);
    BitBtn3->setEnabled(on);
}

void TPrefs::RadioGroup1Click()
{
    switch (browserIndex()) {
    case 0:
        ComboBox1->setEditText(kExplorerLocation);
        proposedBrowserFile_ = QStringLiteral("IExplore.exe");
        enableLocation(true);
        break;
    case 1:
        ComboBox1->setEditText(kNetscapeLocation);
        proposedBrowserFile_ = QStringLiteral("Netscape.exe");
        enableLocation(true);
        break;
    default:
        enableLocation(false);
        break;
    }
}

void TPrefs::BitBtn3Click()
{
    Prompter::FileRequest request;
#ifdef Q_OS_WIN
    request.folder = QStringLiteral("c:\\program files");
    request.filters = {QStringLiteral("Program Files (*.exe)")};
#else
    // Programs here have no extension; the Windows filter alone would show none of them.
    request.folder = QStringLiteral("/usr/bin");
    request.filters = {QStringLiteral("All Files (*)"), QStringLiteral("Program Files (*.exe)")};
#endif
    request.fileName = proposedBrowserFile_;
    const Prompter::FileAnswer answer = prompter().openFiles(this, request);
    if (!answer.files.isEmpty())
        ComboBox1->setEditText(answer.files.constFirst());
}

void TPrefs::CheckBox1Click()
{
    Edit2->setEnabled(CheckBox1->isChecked());
}

void TPrefs::Button1Click()
{
    QFont font = fontDialogFont_;
    if (!prompter().chooseFont(this, font))
        return;
    fontDialogFont_ = font;
    Button1->setText(fontCaption(font.family(), QString::number(pointSizeOf(font))));
}

void TPrefs::BitBtn1Click()
{
    const int index = browserIndex();
    WriteSetting(Setting::Browser, index == 0   ? QStringLiteral("IE")
                                   : index == 1 ? QStringLiteral("NS")
                                                : QStringLiteral("None"));
    WriteSetting(Setting::BrowserLocation, ComboBox1->currentText());
    WriteSetting(Setting::DefaultTitle, PageTitle->text());
    WriteFlag(Setting::UseTemp, CheckBox1->isChecked());
    WriteSetting(Setting::TempFilename, Edit2->text());
    WriteSetting(Setting::Font, fontDialogFont_.family());
    WriteSetting(Setting::FontSize, QString::number(pointSizeOf(fontDialogFont_)));
    WriteFlag(Setting::ParseImagePaths, CheckBox2->isChecked());
    WriteFlag(Setting::QuickStart, CheckBox3->isChecked());
    WriteFlag(Setting::TaskTray, TrayCheck->isChecked());
    WriteSetting(Setting::SpellingLanguage, SpellingLanguage->currentData().toString());
    accept();
}

void TPrefs::BitBtn4Click()
{
    TBodyProperties properties(this);
    properties.setWindowTitle(QStringLiteral("Quick Start Page Properties"));
    properties.setFields(PageTitle->text(), readQuickStartSettings().attributes);
    // A stored value that is not a colour is reported, but the dialog still opens with a silver
    // sample for it: this is the only place where the value can be corrected.
    QLineEdit* const edits[] = {properties.Edit2, properties.Edit3, properties.Edit4,
                                properties.Edit5, properties.Edit6};
    TShape* const shapes[] = {properties.Shape1, properties.Shape2, properties.Shape3,
                              properties.Shape4, properties.Shape5};
    QString colorError;
    for (int i = 0; i < 5; ++i) {
        try {
            shapes[i]->setBrushColor(toQColor(HtmlColorToColor(edits[i]->text())));
        } catch (const AppError& e) {
            shapes[i]->setBrushColor(toQColor(HtmlColorToColor(QString())));
            if (colorError.isEmpty())
                colorError = e.message();
        }
    }
    if (!colorError.isEmpty())
        prompter().error(this, colorError);

    if (prompter().exec(properties) == QDialog::Accepted)
        PageTitle->setText(properties.title());
    // Stored however the dialog closed, and kept even if the preferences are cancelled.
    writeQuickStartSettings({properties.title(), properties.fields()});
}
