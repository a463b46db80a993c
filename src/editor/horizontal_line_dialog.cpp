#include "editor/horizontal_line_dialog.h"
#include "core/dialog_buttons.h"

#include "core/html_colors.h"
#include "core/pending_markup.h"
#include "core/prompter.h"
#include "editor/horizontal_line_markup.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

THorzLine::THorzLine(QWidget* parent) : QDialog(parent), dialogColor_(128, 128, 128)
{
    setObjectName(QStringLiteral("HorzLine"));
    setWindowTitle(QStringLiteral("Insert Horizontal Line"));

    auto* sizeGroup = new QGroupBox(QStringLiteral("Size"), this);
    Edit1 = new QLineEdit(sizeGroup);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    RadioButton1 = new QRadioButton(QStringLiteral("Pixels"), sizeGroup);
    RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
    RadioButton1->setChecked(true);
    RadioButton2 = new QRadioButton(QStringLiteral("Percent"), sizeGroup);
    RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
    ComboBox1 = new QComboBox(sizeGroup);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->addItems({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                         QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6")});
    ComboBox1->setEditText(QStringLiteral("1"));
    auto* units = new QHBoxLayout;
    units->addWidget(RadioButton1);
    units->addWidget(RadioButton2);
    auto* sizeForm = new QFormLayout(sizeGroup);
    sizeForm->addRow(QStringLiteral("Width:"), Edit1);
    sizeForm->addRow(QString(), units);
    sizeForm->addRow(QStringLiteral("Thickness:"), ComboBox1);

    auto* styleGroup = new QGroupBox(QStringLiteral("Style"), this);
    ComboBox2 = new QComboBox(styleGroup);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    ComboBox2->setEditable(true);
    ComboBox2->setInsertPolicy(QComboBox::NoInsert);
    ComboBox2->addItems({QStringLiteral("<none>"), QStringLiteral("left"), QStringLiteral("right"),
                         QStringLiteral("center")});
    ComboBox2->setEditText(QStringLiteral("<none>"));
    StaticText1 = new QLabel(QStringLiteral("Default"), styleGroup);
    StaticText1->setObjectName(QStringLiteral("StaticText1"));
    StaticText1->setTextFormat(Qt::PlainText);
    StaticText1->setFrameShape(QFrame::Panel);
    StaticText1->setFrameShadow(QFrame::Sunken);
    StaticText1->setAlignment(Qt::AlignCenter);
    StaticText1->setAutoFillBackground(true);
    StaticText1->setMinimumWidth(80);
    Button1 = new QPushButton(QStringLiteral("..."), styleGroup);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setFixedWidth(28);
    auto* colourRow = new QHBoxLayout;
    colourRow->addWidget(StaticText1, 1);
    colourRow->addWidget(Button1);
    auto* styleForm = new QFormLayout(styleGroup);
    styleForm->addRow(QStringLiteral("Align:"), ComboBox2);
    styleForm->addRow(QStringLiteral("Color:"), colourRow);

    BitBtn1 = namedButton(this, "BitBtn1", QStringLiteral("OK"));
    BitBtn2 = namedButton(this, "BitBtn2", QStringLiteral("Cancel"));
    QHBoxLayout* buttons = buttonRow({BitBtn1, BitBtn2});

    auto* groups = new QHBoxLayout;
    groups->addWidget(sizeGroup);
    groups->addWidget(styleGroup);
    auto* root = new QVBoxLayout(this);
    root->addLayout(groups);
    root->addLayout(buttons);
    root->setSizeConstraint(QLayout::SetFixedSize);

    connect(Button1, &QPushButton::clicked, this, &THorzLine::Button1Click);
    connect(BitBtn1, &QPushButton::clicked, this, &THorzLine::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

void THorzLine::Button1Click()
{
    QColor color = dialogColor_;
    if (!prompter().chooseColor(this, color, false))
        return;
    dialogColor_ = color;
    const ColorValue value = fromQColor(color);
    QPalette palette = StaticText1->palette();
    palette.setColor(QPalette::Window, toQColor(value));
    // Black text would vanish on a black swatch.
    palette.setColor(QPalette::WindowText, value == 0 ? Qt::white : Qt::black);
    StaticText1->setPalette(palette);
    StaticText1->setText(ColorToHtmlColor(value));
}

void THorzLine::BitBtn1Click()
{
    HorzLineFields fields;
    fields.width = Edit1->text();
    fields.percent = RadioButton2->isChecked();
    fields.thickness = ComboBox1->currentText();
    fields.align = ComboBox2->currentText();
    fields.color = StaticText1->text();
    PendingMarkup::append(buildHorizontalLineTag(fields));
    accept();
}
