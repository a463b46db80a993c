#include "wizards/table_templates_dialog.h"

#include "core/icons.h"
#include "wizards/template_dialog_frame.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TTableTempletes::TTableTempletes(QWidget* parent) : QDialog(parent, fixedDialogFlags(false))
{
    setObjectName(QStringLiteral("TableTempletes"));
    setWindowTitle(QStringLiteral("Table Templetes"));

    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setMinimumSize(180, 170);

    Label1 = new QLabel(
        QStringLiteral("A templete allows you to easily insert pre-made tables or create "
                       "your own tables that can be inserted later."),
        this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setFixedWidth(170);

    auto button = [this](const char* name, const QString& caption, const QString& hint,
                         const char* picture) {
        auto* b = new QPushButton(vorlaneIcon(QString::fromLatin1(picture)), caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(hint);
        b->setAutoDefault(false);
        return b;
    };
    BitBtn2 = button("BitBtn2", QStringLiteral("&OK"), QStringLiteral("Insert Table"), "dialog-ok");
    BitBtn2->setDefault(true);
    BitBtn3 =
        button("BitBtn3", QStringLiteral("&Cancel"), QStringLiteral("Cancel"), "dialog-cancel");
    BitBtn1 = button("BitBtn1", QStringLiteral("&New"), QStringLiteral("Create a new templete"),
                     "document-new");
    BitBtn1->setEnabled(false);
    BitBtn4 = button("BitBtn4", QStringLiteral("&Delete"),
                     QStringLiteral("Delete selected templete"), "edit-delete");
    BitBtn4->setEnabled(false);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn3, &QPushButton::clicked, this, &QDialog::reject);

    auto* side = new QVBoxLayout;
    side->addWidget(Label1);
    side->addStretch(1);
    auto* editButtons = new QHBoxLayout;
    editButtons->addWidget(BitBtn1);
    editButtons->addWidget(BitBtn4);
    side->addLayout(editButtons);
    auto* top = new QHBoxLayout;
    top->addWidget(ListBox1, 1);
    top->addLayout(side);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(BitBtn2);
    bottom->addWidget(BitBtn3);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TTableTempletes::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    centreOnScreen(this);
}
