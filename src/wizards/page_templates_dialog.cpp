#include "wizards/page_templates_dialog.h"

#include "core/icons.h"
#include "core/pending_markup.h"
#include "core/program_files.h"
#include "core/prompter.h"
#include "wizards/template_dialog_frame.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

TPageTempletes::TPageTempletes(QWidget* parent) : QDialog(parent, fixedDialogFlags(false))
{
    setObjectName(QStringLiteral("PageTempletes"));
    setWindowTitle(QStringLiteral("Choose a Template"));

    Label1 =
        new QLabel(QStringLiteral("Choose a web page template you would like to load. Then you "
                                  "can customize it in Vorlane."),
                   this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);

    FileListBox1 = new QListWidget(this);
    FileListBox1->setObjectName(QStringLiteral("FileListBox1"));
    FileListBox1->setMinimumSize(300, 160);

    BitBtn1 = new QPushButton(vorlaneIcon(QStringLiteral("dialog-ok")), QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn1->setEnabled(false); // until a template is chosen
    BitBtn2 = new QPushButton(vorlaneIcon(QStringLiteral("dialog-cancel")),
                              QStringLiteral("Cancel"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setAutoDefault(false);
    connect(BitBtn1, &QPushButton::clicked, this, &TPageTempletes::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TPageTempletes::BitBtn2Click);
    connect(FileListBox1, &QListWidget::itemSelectionChanged, this, &TPageTempletes::updateOk);
    connect(FileListBox1, &QListWidget::itemActivated, this, &TPageTempletes::BitBtn1Click);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(FileListBox1, 1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TPageTempletes::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    centreOnScreen(this);
    if (!activated_) {
        activated_ = true;
        FormActivate();
    }
}

void TPageTempletes::FormActivate()
{
    const QString folder = templatesFolder();
    FileListBox1->clear();
    if (QFileInfo(folder).isDir()) {
        // Every ordinary file is a template, whatever its name; hidden ones are left out.
        const QStringList names =
            QDir(folder).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase);
        FileListBox1->addItems(names);
        FileListBox1->setEnabled(true);
    } else {
        FileListBox1->setEnabled(false);
        BitBtn1->setEnabled(false);
        Label1->setText(QStringLiteral("Error: Could not find the Templates path. Make sure "
                                       "VORLANE.EXE is in the same folder you installed to."));
        // After the dialog is up, so the message stands in front of it.
        QTimer::singleShot(0, this, &TPageTempletes::reportMissingFolder);
    }
    updateOk();
}

void TPageTempletes::reportMissingFolder()
{
    const QString folder = QDir::toNativeSeparators(programFilesFolder());
    prompter().error(this, QStringLiteral("Error, the path: %1Templates%2 does not exist. Please "
                                          "reinstall Vorlane.")
                               .arg(folder, QDir::separator()));
}

void TPageTempletes::updateOk()
{
    BitBtn1->setEnabled(FileListBox1->isEnabled() && FileListBox1->currentItem() &&
                        !FileListBox1->selectedItems().isEmpty());
}

void TPageTempletes::BitBtn1Click()
{
    QListWidgetItem* item = FileListBox1->currentItem();
    if (!item || !FileListBox1->isEnabled())
        return;
    PendingMarkup::set(item->text());
    accept();
}

void TPageTempletes::BitBtn2Click()
{
    reject();
}

void TPageTempletes::reject()
{
    // Esc, Cancel and any other way out count as cancelling.
    PendingMarkup::set(kCanceledTemplate);
    QDialog::reject();
}
