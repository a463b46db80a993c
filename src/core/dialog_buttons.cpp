#include "core/dialog_buttons.h"

#include <QHBoxLayout>
#include <QPushButton>

QPushButton* namedButton(QWidget* parent, const char* name, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

QHBoxLayout* buttonRow(std::initializer_list<QPushButton*> buttons)
{
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    bool first = true;
    for (QPushButton* button : buttons) {
        button->setDefault(first);
        first = false;
        row->addWidget(button);
    }
    return row;
}
