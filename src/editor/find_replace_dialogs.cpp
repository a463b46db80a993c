#include "editor/find_replace_dialogs.h"

#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {
QLineEdit* addTextRow(QDialog* dialog, QGridLayout* grid, int row, const QString& caption,
                      const char* name)
{
    auto* edit = new QLineEdit(dialog);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setMinimumWidth(200);
    auto* label = new QLabel(caption, dialog);
    label->setBuddy(edit);
    grid->addWidget(label, row, 0);
    grid->addWidget(edit, row, 1);
    return edit;
}

QPushButton* addButton(QDialog* dialog, QVBoxLayout* column, const QString& caption,
                       const char* name)
{
    auto* button = new QPushButton(caption, dialog);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    column->addWidget(button);
    return button;
}

// Selects the search text once the window is really active: activation moves the focus
// around and would drop a selection made before it.
class SelectWhenActive : public QObject
{
public:
    SelectWhenActive(QDialog* dialog, QLineEdit* edit) : QObject(dialog), edit_(edit)
    {
        setObjectName(QStringLiteral("selectWhenActive"));
        dialog->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::WindowActivate) {
            edit_->setFocus(Qt::ActiveWindowFocusReason);
            edit_->selectAll();
            watched->removeEventFilter(this);
            deleteLater();
        }
        return false;
    }

private:
    QLineEdit* edit_;
};

void presentWithText(QDialog* dialog, QLineEdit* edit)
{
    if (!dialog->isActiveWindow() &&
        !dialog->findChild<QObject*>(QStringLiteral("selectWhenActive"),
                                     Qt::FindDirectChildrenOnly))
        new SelectWhenActive(dialog, edit);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
}

void moveOff(QDialog* dialog, const QRect& area)
{
    const QRect frame = dialog->frameGeometry();
    if (!dialog->isVisible() || !frame.intersects(area))
        return;
    QScreen* screen = dialog->screen();
    const QRect room = screen ? screen->availableGeometry() : QRect();
    const int margin = 8;
    const int above = area.top() - margin - frame.height();
    const int below = area.bottom() + 1 + margin;
    int top = frame.top();
    if (room.isNull() || below + frame.height() <= room.bottom() + 1)
        top = below;
    else if (above >= room.top())
        top = above;
    else
        return; // nowhere to go without leaving the screen
    dialog->move(frame.left(), top);
}

// Both dialogs stay open beside the editor, and keep their place and texts when closed.
void setUpModeless(QDialog* dialog, const QString& caption)
{
    dialog->setWindowTitle(caption);
    dialog->setModal(false);
    dialog->setAttribute(Qt::WA_DeleteOnClose, false);
    dialog->layout()->setSizeConstraint(QLayout::SetFixedSize);
}
} // namespace

TFindDialog::TFindDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FindDialog1"));
    auto* outer = new QHBoxLayout(this);
    auto* grid = new QGridLayout;
    FindEdit = addTextRow(this, grid, 0, QStringLiteral("Fi&nd what:"), "FindEdit");
    grid->setRowStretch(1, 1);
    outer->addLayout(grid, 1);
    auto* buttons = new QVBoxLayout;
    FindNextButton = addButton(this, buttons, QStringLiteral("&Find Next"), "FindNextButton");
    FindNextButton->setDefault(true);
    CancelButton = addButton(this, buttons, QStringLiteral("Cancel"), "CancelButton");
    buttons->addStretch(1);
    outer->addLayout(buttons);
    setUpModeless(this, QStringLiteral("Find"));

    connect(FindEdit, &QLineEdit::textChanged, this, &TFindDialog::updateButtons);
    connect(FindNextButton, &QPushButton::clicked, this, &TFindDialog::findNext);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::close);
    updateButtons();
}

QString TFindDialog::FindText() const
{
    return FindEdit->text();
}

void TFindDialog::SetFindText(const QString& text)
{
    FindEdit->setText(text);
}

void TFindDialog::present()
{
    presentWithText(this, FindEdit);
}

void TFindDialog::keepClearOf(const QRect& area)
{
    moveOff(this, area);
}

void TFindDialog::updateButtons()
{
    FindNextButton->setEnabled(!FindEdit->text().isEmpty());
}

TReplaceDialog::TReplaceDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ReplaceDialog1"));
    auto* outer = new QHBoxLayout(this);
    auto* grid = new QGridLayout;
    FindEdit = addTextRow(this, grid, 0, QStringLiteral("Fi&nd what:"), "FindEdit");
    ReplaceEdit = addTextRow(this, grid, 1, QStringLiteral("Re&place with:"), "ReplaceEdit");
    grid->setRowStretch(2, 1);
    outer->addLayout(grid, 1);
    auto* buttons = new QVBoxLayout;
    FindNextButton = addButton(this, buttons, QStringLiteral("&Find Next"), "FindNextButton");
    FindNextButton->setDefault(true);
    ReplaceButton = addButton(this, buttons, QStringLiteral("&Replace"), "ReplaceButton");
    ReplaceAllButton = addButton(this, buttons, QStringLiteral("Replace &All"), "ReplaceAllButton");
    CancelButton = addButton(this, buttons, QStringLiteral("Cancel"), "CancelButton");
    buttons->addStretch(1);
    outer->addLayout(buttons);
    setUpModeless(this, QStringLiteral("Replace"));

    connect(FindEdit, &QLineEdit::textChanged, this, &TReplaceDialog::updateButtons);
    connect(FindNextButton, &QPushButton::clicked, this, &TReplaceDialog::findNext);
    connect(ReplaceButton, &QPushButton::clicked, this, &TReplaceDialog::replace);
    connect(ReplaceAllButton, &QPushButton::clicked, this, &TReplaceDialog::replaceAll);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::close);
    updateButtons();
}

QString TReplaceDialog::FindText() const
{
    return FindEdit->text();
}

void TReplaceDialog::SetFindText(const QString& text)
{
    FindEdit->setText(text);
}

QString TReplaceDialog::ReplaceText() const
{
    return ReplaceEdit->text();
}

void TReplaceDialog::SetReplaceText(const QString& text)
{
    ReplaceEdit->setText(text);
}

void TReplaceDialog::present()
{
    presentWithText(this, FindEdit);
}

void TReplaceDialog::keepClearOf(const QRect& area)
{
    moveOff(this, area);
}

void TReplaceDialog::updateButtons()
{
    // Like the system's replace dialog: nothing to do until there is a search text.
    const bool any = !FindEdit->text().isEmpty();
    FindNextButton->setEnabled(any);
    ReplaceButton->setEnabled(any);
    ReplaceAllButton->setEnabled(any);
}
