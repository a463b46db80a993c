#include "editor/applet_dialog.h"
#include "core/dialog_buttons.h"

#include "core/pending_markup.h"
#include "core/prompter.h"
#include "editor/applet_markup.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
QLineEdit* lineEdit(const char* name, const QString& text, QWidget* parent)
{
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}
} // namespace

TInsJava::TInsJava(const QString& documentFileName, QWidget* parent)
    : QDialog(parent), documentFolder_(documentFolderOf(documentFileName))
{
    setObjectName(QStringLiteral("InsJava"));
    setWindowTitle(QStringLiteral("Insert Java Applet"));
    resize(420, 360);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    auto* appletPage = new QWidget(PageControl1);
    appletPage->setObjectName(QStringLiteral("TabSheet1"));
    auto* scriptPage = new QWidget(PageControl1);
    scriptPage->setObjectName(QStringLiteral("TabSheet2"));
    PageControl1->addTab(appletPage, QStringLiteral("Java Applet"));
    PageControl1->addTab(scriptPage, QStringLiteral("JavaScript"));
    PageControl1->setCurrentIndex(0);

    ClassFileName = lineEdit("ClassFileName", QString(), appletPage);
    BrowseBtn = new QToolButton(appletPage);
    BrowseBtn->setObjectName(QStringLiteral("BrowseBtn"));
    BrowseBtn->setText(QStringLiteral("..."));
    BrowseBtn->setToolTip(QStringLiteral("Browse"));
    auto* classRow = new QHBoxLayout;
    classRow->addWidget(ClassFileName, 1);
    classRow->addWidget(BrowseBtn);

    Height = lineEdit("Height", QStringLiteral("100"), appletPage);
    Width = lineEdit("Width", QStringLiteral("200"), appletPage);
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(Height);
    sizeRow->addWidget(new QLabel(QStringLiteral("X"), appletPage));
    sizeRow->addWidget(Width);

    auto* group = new QGroupBox(QStringLiteral("Paramaters"), appletPage);
    Align = new QComboBox(group);
    Align->setObjectName(QStringLiteral("Align"));
    Align->setEditable(true);
    Align->setInsertPolicy(QComboBox::NoInsert);
    Align->addItems({QStringLiteral("(none)"), QStringLiteral("left"), QStringLiteral("right"),
                     QStringLiteral("top"), QStringLiteral("middle"), QStringLiteral("bottom")});
    Align->setEditText(QStringLiteral("(none)"));
    codebase = lineEdit("codebase", QString(), group);
    JavaName = lineEdit("JavaName", QString(), group);
    alt = lineEdit("alt", QStringLiteral("Java Applet"), group);
    params = lineEdit("params", QString(), group);

    auto* groupForm = new QFormLayout(group);
    groupForm->addRow(QStringLiteral("Height/Width:"), sizeRow);
    groupForm->addRow(QStringLiteral("Align:"), Align);
    groupForm->addRow(QStringLiteral("Codebase (url):"), codebase);
    groupForm->addRow(QStringLiteral("Name:"), JavaName);
    groupForm->addRow(QStringLiteral("Description:"), alt);
    groupForm->addRow(QStringLiteral("Other Paramaters:"), params);

    auto* pageLayout = new QVBoxLayout(appletPage);
    auto* classForm = new QFormLayout;
    classForm->addRow(QStringLiteral("Code (class filename):"), classRow);
    pageLayout->addLayout(classForm);
    pageLayout->addWidget(group);
    pageLayout->addStretch(1);

    BitBtn2 = namedButton(this, "BitBtn2", QStringLiteral("OK"));
    BitBtn2->setEnabled(false);
    BitBtn1 = namedButton(this, "BitBtn1", QStringLiteral("Cancel"));
    QHBoxLayout* buttons = buttonRow({BitBtn2, BitBtn1});

    auto* root = new QVBoxLayout(this);
    root->addWidget(PageControl1, 1);
    root->addLayout(buttons);

    // ClassFileNameChange: any change, even one that empties the field.
    connect(ClassFileName, &QLineEdit::textChanged, this, [this] { BitBtn2->setEnabled(true); });
    connect(BrowseBtn, &QToolButton::clicked, this, &TInsJava::BrowseBtnClick);
    connect(BitBtn2, &QPushButton::clicked, this, &TInsJava::BitBtn2Click);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::reject);
    ClassFileName->setFocus(); // not the notebook's tab bar
}

void TInsJava::BrowseBtnClick()
{
    Prompter::FileRequest request;
    request.folder = documentFolder_;
    request.filters = {QStringLiteral("Java Applets (*.class)"), QStringLiteral("All Files (*)")};
    const Prompter::FileAnswer answer = prompter().openFiles(this, request);
    if (!answer.files.isEmpty())
        ClassFileName->setText(answer.files.constFirst());
    // A cancelled chooser still shortens whatever the field holds.
    const QString shortened = DocumentRelativePath(ClassFileName->text(), documentFolder_);
    if (shortened != ClassFileName->text())
        ClassFileName->setText(shortened);
}

void TInsJava::BitBtn2Click()
{
    AppletFields fields;
    fields.classFile = ClassFileName->text();
    fields.height = Height->text();
    fields.width = Width->text();
    fields.align = Align->currentText();
    fields.codebase = codebase->text();
    fields.name = JavaName->text();
    fields.alt = alt->text();
    fields.params = params->text();
    PendingMarkup::append(buildAppletElement(fields));
    accept();
}
