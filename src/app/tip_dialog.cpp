#include "app/tip_dialog.h"

#include "core/dialog_buttons.h"

#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TTipOfTheDay::TTipOfTheDay(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("TipOfTheDay"));
    setWindowTitle(QStringLiteral("Tip of the Day..."));

    Label1 = new QLabel(QStringLiteral("Tip of the Day"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont bandFont(QStringLiteral("Verdana"));
    bandFont.setPixelSize(27);
    Label1->setFont(bandFont);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setWordWrap(true);
    Label1->setFixedWidth(120);
    Label1->setAutoFillBackground(true);
    QPalette band = Label1->palette();
    band.setColor(QPalette::Window, QColor(255, 255, 128));
    band.setColor(QPalette::WindowText, Qt::black);
    Label1->setPalette(band);

    Label2 = new QLabel(QStringLiteral("Welcome to Vorlane 2.0!"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    QFont headingFont(QStringLiteral("Arial"));
    headingFont.setPixelSize(16);
    headingFont.setBold(true);
    headingFont.setItalic(true);
    Label2->setFont(headingFont);

    Memo1 = new QPlainTextEdit(kTipText, this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setFixedSize(qMax(300, widthForLines(Memo1, kTipText)), 120);

    Button1 = new QPushButton(QStringLiteral("&Next Tip"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    buttons->addWidget(BitBtn1);
    auto* right = new QVBoxLayout;
    right->addWidget(Label2);
    right->addWidget(Memo1, 1);
    right->addLayout(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(Label1);
    layout->addLayout(right, 1);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
