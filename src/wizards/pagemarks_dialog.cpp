#include "wizards/pagemarks_dialog.h"

#include "core/icons.h"
#include "wizards/template_dialog_frame.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TPagemarks::TPagemarks(QWidget* parent) : QDialog(parent, fixedDialogFlags(true))
{
    setObjectName(QStringLiteral("Pagemarks"));
    setWindowTitle(QStringLiteral("Edit Pagemarks"));

    GroupBox1 = new QGroupBox(QStringLiteral("Current Pagemarks:"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    ListBox1 = new QListWidget(GroupBox1);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setMinimumSize(190, 150);

    auto button = [](QWidget* parent, const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, parent);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    BitBtn1 = button(GroupBox1, "BitBtn1", QStringLiteral("&Add"));
    BitBtn2 = button(GroupBox1, "BitBtn2", QStringLiteral("&Remove"));
    BitBtn2->setEnabled(false);
    connect(BitBtn1, &QPushButton::clicked, this, &TPagemarks::BitBtn1Click);

    Label1 = new QLabel(QStringLiteral("Filename:"), GroupBox1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setEnabled(false);
    Edit1 = new QLineEdit(GroupBox1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setEnabled(false);
    BitBtn4 = button(GroupBox1, "BitBtn4", QString());
    BitBtn4->setIcon(vorlaneIcon(QStringLiteral("document-open")));
    BitBtn4->setToolTip(QStringLiteral("Browse"));
    BitBtn4->setEnabled(false);
    Label2 = new QLabel(QStringLiteral("Display Name:"), GroupBox1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setEnabled(false);
    Edit2 = new QLineEdit(GroupBox1);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setEnabled(false);

    BitBtn3 = button(this, "BitBtn3", QStringLiteral("&Done"));
    BitBtn3->setIcon(vorlaneIcon(QStringLiteral("dialog-ok")));
    BitBtn3->setDefault(true);
    // Nothing is kept, so Done simply closes like the close box.
    connect(BitBtn3, &QPushButton::clicked, this, &QDialog::accept);

    auto* listButtons = new QVBoxLayout;
    listButtons->addWidget(BitBtn1);
    listButtons->addWidget(BitBtn2);
    listButtons->addStretch(1);
    auto* fields = new QGridLayout;
    fields->addWidget(Label1, 0, 0);
    fields->addWidget(Edit1, 0, 1);
    fields->addWidget(BitBtn4, 0, 2);
    fields->addWidget(Label2, 1, 0);
    fields->addWidget(Edit2, 1, 1, 1, 2);
    auto* listRow = new QHBoxLayout;
    listRow->addWidget(ListBox1, 1);
    listRow->addLayout(listButtons);
    auto* group = new QVBoxLayout(GroupBox1);
    group->addLayout(listRow, 1);
    group->addLayout(fields);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(BitBtn3);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1, 1);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TPagemarks::BitBtn1Click()
{
    ListBox1->addItem(QStringLiteral("Untitled"));
}

void TPagemarks::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    centreOnScreen(this);
}
