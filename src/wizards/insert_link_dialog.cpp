#include "wizards/insert_link_dialog.h"

#include "core/pending_markup.h"
#include "wizards/link_markup.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

TInsLink::TInsLink(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("InsLink"));
    setWindowTitle(QStringLiteral("Insert Link"));

    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->addItems({QStringLiteral("http://"), QStringLiteral("ftp://"),
                         QStringLiteral("mailto:"), QStringLiteral("telnet://"),
                         QStringLiteral("file://")});
    ComboBox1->setCurrentIndex(0);
    const QString hint = QStringLiteral("Hyperlink type. http:// is a webpage. ftp:// is an ftp "
                                        "site. mailto: is send mail to.");
    ComboBox1->setToolTip(hint);
    ComboBox1->setStatusTip(hint);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    // Room for an address, and for the whole caption in the window's title bar.
    Edit1->setMinimumWidth(fontMetrics().averageCharWidth() * 36);
    Edit2 = new QLineEdit(this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    auto* group = new QGroupBox(QStringLiteral("Paramaters (Optional)"), this);
    Edit3 = new QLineEdit(group);
    Edit3->setObjectName(QStringLiteral("Edit3"));
    OK = new QPushButton(QStringLiteral("OK"), this);
    OK->setObjectName(QStringLiteral("OK"));
    OK->setDefault(true);
    OK->setEnabled(false);
    BitBtn1 = new QPushButton(QStringLiteral("Cancel"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setAutoDefault(false);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("URL:"), this), 0, 1);
    grid->addWidget(ComboBox1, 1, 0);
    grid->addWidget(Edit1, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Link Text"), this), 2, 0, 1, 2);
    grid->addWidget(Edit2, 3, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    auto* groupRow = new QHBoxLayout(group);
    groupRow->addWidget(new QLabel(QStringLiteral("Target:"), group));
    groupRow->addWidget(Edit3, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OK);
    buttons->addWidget(BitBtn1);
    auto* column = new QVBoxLayout(this);
    column->addLayout(grid);
    column->addWidget(group);
    column->addLayout(buttons);
    column->setSizeConstraint(QLayout::SetFixedSize);

    // The address first: that is what the user came to type.
    setTabOrder(Edit1, Edit2);
    setTabOrder(Edit2, OK);
    setTabOrder(OK, BitBtn1);
    setTabOrder(BitBtn1, ComboBox1);
    setTabOrder(ComboBox1, Edit3);
    Edit1->setFocus();

    connect(Edit1, &QLineEdit::textChanged, this, &TInsLink::Edit1Change);
    connect(OK, &QPushButton::clicked, this, &TInsLink::OKClick);
    connect(BitBtn1, &QPushButton::clicked, this, &TInsLink::BitBtn1Click);
}

void TInsLink::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (!centred_) {
        centred_ = true;
        if (QScreen* screen = this->screen())
            move(screen->availableGeometry().center() - rect().center());
    }
}

void TInsLink::Edit1Change()
{
    OK->setEnabled(true);
}

void TInsLink::OKClick()
{
    PendingMarkup::set(buildLinkMarkup(ComboBox1->currentText(), Edit1->text(), Edit2->text()));
    accept();
}

void TInsLink::BitBtn1Click()
{
    PendingMarkup::set(QString());
    reject();
}
