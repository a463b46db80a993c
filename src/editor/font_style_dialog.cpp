#include "editor/font_style_dialog.h"
#include "core/dialog_buttons.h"

#include "core/pending_markup.h"
#include "core/prompter.h"
#include "editor/font_style_markup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {
QLabel* headingLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    QFont font = label->font();
    font.setPointSize(20);
    font.setBold(true);
    label->setFont(font);
    return label;
}
} // namespace

TFontAndStyle::TFontAndStyle(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FontAndStyle"));
    setWindowTitle(QStringLiteral("Font & Style"));

    auto* heading = new QHBoxLayout;
    heading->addWidget(headingLabel(QStringLiteral("Font"), this));
    heading->addWidget(headingLabel(QStringLiteral("&"), this));
    heading->addWidget(headingLabel(QStringLiteral("Style"), this));
    auto* note = new QLabel(QStringLiteral("Note: The font must be installed on the viewer's "
                                           "computer in order to be viewed correctly."),
                            this);
    note->setWordWrap(true);
    note->setMaximumWidth(240);
    heading->addWidget(note, 1);

    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox1->addItems({QStringLiteral("Arial"), QStringLiteral("Courier"),
                        QStringLiteral("FixedSys"), QStringLiteral("MS Sans Serif"),
                        QStringLiteral("Times New Roman"), QStringLiteral("Terminal"),
                        QStringLiteral("Verdana")});
    ListBox1->setCurrentRow(-1);
    ListBox1->setFixedHeight(110);
    auto* listLabel = new QLabel(QStringLiteral("Standard Widnows Fonts:"), this);
    listLabel->setBuddy(ListBox1);

    BitBtn3 = new QPushButton(QStringLiteral("&Other Font..."), this);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));

    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setEditable(false);
    QStringList sizes;
    for (int i = 1; i <= 6; ++i) {
        sizes << QStringLiteral("+%1").arg(i) << QStringLiteral("-%1").arg(i);
    }
    std::sort(sizes.begin(), sizes.end());
    ComboBox1->addItems(sizes);
    ComboBox1->setCurrentIndex(-1);
    auto* sizeLabel = new QLabel(QStringLiteral("Font Size:"), this);
    sizeLabel->setBuddy(ComboBox1);

    CheckBox1 = new QCheckBox(QStringLiteral("Bold"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox2 = new QCheckBox(QStringLiteral("Italics"), this);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    CheckBox3 = new QCheckBox(QStringLiteral("Underlined"), this);
    CheckBox3->setObjectName(QStringLiteral("CheckBox3"));

    FontExample = new QLineEdit(QStringLiteral("Aa Bb Cc Dd Ee Ff Gg"), this);
    FontExample->setObjectName(QStringLiteral("FontExample"));

    BitBtn1 = namedButton(this, "BitBtn1", QStringLiteral("OK"));
    BitBtn2 = namedButton(this, "BitBtn2", QStringLiteral("Cancel"));

    auto* left = new QVBoxLayout;
    left->addWidget(listLabel);
    left->addWidget(ListBox1);
    left->addWidget(BitBtn3);
    auto* right = new QVBoxLayout;
    right->addWidget(sizeLabel);
    right->addWidget(ComboBox1);
    right->addWidget(CheckBox1);
    right->addWidget(CheckBox2);
    right->addWidget(CheckBox3);
    right->addStretch(1);
    auto* middle = new QHBoxLayout;
    middle->addLayout(left, 1);
    middle->addLayout(right);
    QHBoxLayout* buttons = buttonRow({BitBtn1, BitBtn2});
    auto* root = new QVBoxLayout(this);
    root->addLayout(heading);
    root->addLayout(middle);
    root->addWidget(FontExample);
    root->addLayout(buttons);
    root->setSizeConstraint(QLayout::SetFixedSize);

    // Selection, not the current row: the list makes its first row current on getting the
    // focus, and that is no choice of the user's.
    connect(ListBox1, &QListWidget::itemSelectionChanged, this, &TFontAndStyle::ListBox1Click);
    connect(BitBtn3, &QPushButton::clicked, this, &TFontAndStyle::BitBtn3Click);
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, &TFontAndStyle::ComboBox1Change);
    for (QCheckBox* box : {CheckBox1, CheckBox2, CheckBox3})
        connect(box, &QCheckBox::clicked, this, [this] { BitBtn1->setEnabled(true); });
    connect(BitBtn1, &QPushButton::clicked, this, &TFontAndStyle::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

void TFontAndStyle::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    CheckBox1->setChecked(false);
    CheckBox2->setChecked(false);
    CheckBox3->setChecked(false);
    BitBtn1->setEnabled(false);
}

void TFontAndStyle::setTypeface(const QString& name)
{
    typeface_ = name;
    QFont sample = FontExample->font();
    sample.setFamily(name);
    FontExample->setFont(sample);
    BitBtn1->setEnabled(true);
}

void TFontAndStyle::ListBox1Click()
{
    const QList<QListWidgetItem*> selected = ListBox1->selectedItems();
    if (selected.isEmpty())
        return;
    setTypeface(selected.constFirst()->text());
}

void TFontAndStyle::BitBtn3Click()
{
    QFont font = FontExample->font();
    if (!prompter().chooseFont(this, font))
        return;
    // The picked typeface stands in for the list's choice until the list is clicked again.
    {
        const QSignalBlocker blocker(ListBox1);
        ListBox1->setCurrentRow(-1);
        ListBox1->clearSelection();
    }
    setTypeface(font.family());
}

void TFontAndStyle::ComboBox1Change(int index)
{
    if (index < 0)
        return;
    SizeChosen = true;
    BitBtn1->setEnabled(true);
}

void TFontAndStyle::BitBtn1Click()
{
    FontStyleChoice choice;
    choice.typeface = typeface_;
    choice.sizeChosen = SizeChosen;
    choice.size = ComboBox1->currentText();
    choice.bold = CheckBox1->isChecked();
    choice.italic = CheckBox2->isChecked();
    choice.underline = CheckBox3->isChecked();
    const MarkupPair markup = buildFontStyleMarkup(choice);
    PendingMarkup::set(markup.open, markup.close);
    accept();
}
