#include "editor/go_to_line_dialog.h"

#include "core/dialog_buttons.h"
#include "core/prompter.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <limits>

std::optional<int> lineNumberFrom(const QString& text, int lineCount)
{
    QStringView digits = QStringView(text).trimmed();
    bool negative = false;
    if (digits.startsWith(QLatin1Char('+')) || digits.startsWith(QLatin1Char('-'))) {
        negative = digits.front() == QLatin1Char('-');
        digits = digits.mid(1);
    }
    if (digits.isEmpty())
        return std::nullopt;
    for (QChar c : digits)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    const int last = qMax(1, lineCount);
    if (negative)
        return 1;
    // However many digits: past the end is the last line.
    qint64 value = 0;
    for (QChar c : digits) {
        value = value * 10 + (c.unicode() - '0');
        if (value >= last)
            return last;
    }
    return qMax<qint64>(1, value);
}

TGoToLine::TGoToLine(int currentLine, int lineCount, QWidget* parent)
    : QDialog(parent), lineCount_(lineCount)
{
    setObjectName(QStringLiteral("GoToLine"));
    setWindowTitle(QStringLiteral("Go to Line"));
    Edit1 = new QLineEdit(QString::number(currentLine), this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->selectAll();
    auto* label =
        new QLabel(QStringLiteral("&Line number (1 - %1):").arg(qMax(1, lineCount)), this);
    label->setBuddy(Edit1);
    BitBtn1 = namedButton(this, "BitBtn1", QStringLiteral("OK"));
    BitBtn2 = namedButton(this, "BitBtn2", QStringLiteral("Cancel"));
    auto* root = new QVBoxLayout(this);
    root->addWidget(label);
    root->addWidget(Edit1);
    root->addLayout(buttonRow({BitBtn1, BitBtn2}));
    setFixedWidth(260);
    connect(BitBtn1, &QPushButton::clicked, this, &TGoToLine::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

void TGoToLine::BitBtn1Click()
{
    const std::optional<int> line = lineNumberFrom(Edit1->text(), lineCount_);
    if (!line) {
        prompter().error(this, QStringLiteral("'%1' is not a line number. Type a whole number "
                                              "from 1 to %2.")
                                   .arg(Edit1->text())
                                   .arg(qMax(1, lineCount_)));
        Edit1->setFocus();
        Edit1->selectAll();
        return;
    }
    line_ = *line;
    accept();
}
