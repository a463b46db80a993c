#include "editor/tag_list_dialog.h"

#include "core/dialog_buttons.h"

#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TTagList::TTagList(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TagList"));
    setWindowTitle(QStringLiteral("HTML 3.2 Tag List"));
    // A fixed border with only a close box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox1->setFixedWidth(120);
    ListBox2 = new QListWidget(this);
    ListBox2->setObjectName(QStringLiteral("ListBox2"));
    ListBox2->hide();
    for (const TagEntry& entry : tagReferenceEntries()) {
        ListBox1->addItem(entry.name);
        ListBox2->addItem(entry.description);
    }

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setPlainText(QStringLiteral("Select a Tag from the list to the left to get \n"
                                       "information or help on it."));
    Memo1->setMinimumWidth(widthForLines(Memo1, Memo1->toPlainText()));

    auto* note = new QLabel(QStringLiteral("More detailed information including examples, and "
                                           "usage will be availible on each in the finished "
                                           "version."),
                            this);
    note->setWordWrap(true);

    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Tag:"), this), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Information:"), this), 0, 1);
    grid->addWidget(ListBox1, 1, 0);
    grid->addWidget(Memo1, 1, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(note, 1);
    bottom->addWidget(BitBtn1);
    auto* root = new QVBoxLayout(this);
    root->addLayout(grid);
    root->addLayout(bottom);
    setFixedSize(qMax(420, minimumSizeHint().width()), 300);

    // Selection, not the current row: getting the focus makes the first row current without
    // the user choosing it, and the prompt must stay until they do.
    connect(ListBox1, &QListWidget::itemSelectionChanged, this, &TTagList::ListBox1Click);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
}

void TTagList::ListBox1Click()
{
    const QList<QListWidgetItem*> selected = ListBox1->selectedItems();
    if (selected.isEmpty())
        return;
    // By position only: entry i of the hidden list describes entry i of the names.
    const int row = ListBox1->row(selected.constFirst());
    if (row >= ListBox2->count())
        return;
    Memo1->clear();
    Memo1->appendPlainText(ListBox2->item(row)->text());
}
