#include "core/dialog_buttons.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTextDocument>
#include <QVBoxLayout>

QPushButton* namedButton(QWidget* parent, const char* name, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

int widthForLines(QPlainTextEdit* pane, const QString& text)
{
    pane->setWordWrapMode(QTextOption::WordWrap);
    const QFontMetrics metrics(pane->font());
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        widest = qMax(widest, metrics.horizontalAdvance(line));
    const int margins = 2 * int(pane->document()->documentMargin()) + 2 * pane->frameWidth() +
                        pane->contentsMargins().left() + pane->contentsMargins().right();
    const int scrollBar = pane->verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOff
                              ? 0
                              : pane->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    return widest + margins + scrollBar + 4; // a little slack: a line never ends flush
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

QDialogButtonBox* okCancelColumn(QDialog* dialog, QWidget* label, QWidget* body, int stretch)
{
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(label);
    layout->addWidget(body, stretch);
    layout->addWidget(buttons);
    return buttons;
}
