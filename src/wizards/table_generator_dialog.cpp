#include "wizards/table_generator_dialog.h"

#include "core/command_guard.h"
#include "wizards/table_markup.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
// Tab and Shift+Tab move from cell to cell, row after row; Tab on the last cell, Shift+Tab on
// the first and Ctrl+Tab anywhere leave the grid, so the settings and OK can be reached from
// the keyboard. Text typed into a cell is kept before the move. Arrow keys stay inside.
class TabBetweenCells : public QStyledItemDelegate
{
public:
    explicit TabBetweenCells(QTableWidget* grid) : QStyledItemDelegate(grid), grid_(grid)
    {
        grid->installEventFilter(this);
    }

    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
            if (tab && !(key->modifiers() & Qt::AltModifier)) {
                if (auto* editor = qobject_cast<QWidget*>(object); editor && editor != grid_) {
                    Q_EMIT commitData(editor);
                    Q_EMIT closeEditor(editor, NoHint);
                }
                const bool back =
                    key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier);
                tabFrom(back, key->modifiers() & Qt::ControlModifier);
                return true;
            }
        }
        if (object == grid_)
            return false;
        return QStyledItemDelegate::eventFilter(object, event);
    }

private:
    void tabFrom(bool back, bool leave)
    {
        const int columns = grid_->columnCount();
        const int cells = grid_->rowCount() * columns;
        const int at = grid_->currentRow() < 0
                           ? (back ? cells : -1)
                           : grid_->currentRow() * columns + qMax(0, grid_->currentColumn());
        const int next = at + (back ? -1 : 1);
        if (!leave && next >= 0 && next < cells) {
            grid_->setCurrentCell(next / columns, next % columns);
            grid_->setFocus(Qt::TabFocusReason);
            return;
        }
        // The next (or previous) control outside the grid that takes the focus by Tab.
        QWidget* w = grid_;
        for (int guard = 0; guard < 1000; ++guard) {
            w = back ? w->previousInFocusChain() : w->nextInFocusChain();
            if (!w || w == grid_)
                return;
            if (grid_->isAncestorOf(w) || w->window() != grid_->window())
                continue;
            if ((w->focusPolicy() & Qt::TabFocus) && w->isVisible() && w->isEnabled()) {
                w->setFocus(back ? Qt::BacktabFocusReason : Qt::TabFocusReason);
                return;
            }
        }
    }

    QTableWidget* grid_;
};
} // namespace

TSpinButton::TSpinButton(QWidget* parent) : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    up_ = new QToolButton(this);
    up_->setObjectName(QStringLiteral("Up"));
    up_->setArrowType(Qt::UpArrow);
    down_ = new QToolButton(this);
    down_->setObjectName(QStringLiteral("Down"));
    down_->setArrowType(Qt::DownArrow);
    for (QToolButton* b : {up_, down_}) {
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoRepeat(true);
        b->setFixedSize(15, 11);
        column->addWidget(b);
    }
    connect(up_, &QToolButton::clicked, this, &TSpinButton::upClick);
    connect(down_, &QToolButton::clicked, this, &TSpinButton::downClick);
}

namespace {
QLineEdit* numberBox(QWidget* parent, const char* name, const QString& text)
{
    auto* box = new QLineEdit(text, parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setFixedWidth(41);
    return box;
}

TSpinButton* spinButton(QWidget* parent, const char* name)
{
    auto* spin = new TSpinButton(parent);
    spin->setObjectName(QString::fromLatin1(name));
    return spin;
}
} // namespace

TInsTable::TInsTable(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("InsTable"));
    setWindowTitle(QStringLiteral("Table Generator"));
    resize(575, 506);

    Table1 = new QTableWidget(1, 2, this);
    Table1->setObjectName(QStringLiteral("Table1"));
    Table1->horizontalHeader()->setVisible(false);
    Table1->verticalHeader()->setVisible(false);
    Table1->setTabKeyNavigation(false); // TabBetweenCells moves, and leaves at the ends
    Table1->setItemDelegate(new TabBetweenCells(Table1));

    auto* panel = new QWidget(this);
    panel->setFixedHeight(89);
    PageControl1 = new QTabWidget(panel);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->addTab(buildSettingsPage(), QStringLiteral("Table Settings"));
    PageControl1->addTab(buildCellPage(), QStringLiteral("Selected Cell Settings"));
    BitBtn1 = new QPushButton(QStringLiteral("OK"), panel);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setAutoDefault(false);
    auto* panelRow = new QHBoxLayout(panel);
    panelRow->setContentsMargins(0, 0, 0, 0);
    panelRow->addWidget(PageControl1, 1);
    panelRow->addWidget(BitBtn1, 0, Qt::AlignBottom);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 4);
    column->addWidget(Table1, 1);
    column->addWidget(panel);

    connectSpin(SpinButton1, &TInsTable::SpinButton1UpClick, &TInsTable::SpinButton1DownClick);
    connectSpin(SpinButton2, &TInsTable::SpinButton2UpClick, &TInsTable::SpinButton2DownClick);
    connectSpin(SpinButton3, &TInsTable::SpinButton3UpClick, &TInsTable::SpinButton3DownClick);
    connectSpin(SpinButton4, &TInsTable::SpinButton4UpClick, &TInsTable::SpinButton4DownClick);
    connectSpin(SpinButton5, &TInsTable::SpinButton5UpClick, &TInsTable::SpinButton5DownClick);
    connect(RadioButton1, &QRadioButton::clicked, this, &TInsTable::RadioButton1Click);
    connect(RadioButton2, &QRadioButton::clicked, this, &TInsTable::RadioButton2Click);
    connect(BitBtn1, &QPushButton::clicked, this, &TInsTable::BitBtn1Click);
}

QWidget* TInsTable::buildSettingsPage()
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setVerticalSpacing(2);
    Edit1 = numberBox(page, "Edit1", QStringLiteral("1"));
    Edit2 = numberBox(page, "Edit2", QStringLiteral("2"));
    Edit4 = numberBox(page, "Edit4", QStringLiteral("0"));
    Edit5 = numberBox(page, "Edit5", QStringLiteral("0"));
    Edit6 = numberBox(page, "Edit6", QStringLiteral("0"));
    Edit3 = numberBox(page, "Edit3", QString());
    const QString widthHint = QStringLiteral("Don't enter a width if you want it to be full "
                                             "browser's width");
    Edit3->setToolTip(widthHint);
    Edit3->setStatusTip(widthHint);
    SpinButton1 = spinButton(page, "SpinButton1");
    SpinButton2 = spinButton(page, "SpinButton2");
    SpinButton3 = spinButton(page, "SpinButton3");
    SpinButton4 = spinButton(page, "SpinButton4");
    SpinButton5 = spinButton(page, "SpinButton5");
    RadioButton1 = new QRadioButton(QStringLiteral("Pixels"), page);
    RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
    RadioButton1->setChecked(true);
    RadioButton2 = new QRadioButton(QStringLiteral("%"), page);
    RadioButton2->setObjectName(QStringLiteral("RadioButton2"));

    auto place = [&](int row, int col, const QString& label, QWidget* box, QWidget* spin) {
        grid->addWidget(new QLabel(label, page), row, col);
        grid->addWidget(box, row, col + 1);
        if (spin)
            grid->addWidget(spin, row, col + 2);
    };
    place(0, 0, QStringLiteral("Rows:"), Edit1, SpinButton1);
    place(1, 0, QStringLiteral("Columns:"), Edit2, SpinButton2);
    place(0, 3, QStringLiteral("Cell Padding:"), Edit4, SpinButton4);
    place(1, 3, QStringLiteral("Cell Spacing:"), Edit5, SpinButton3);
    place(0, 6, QStringLiteral("Width:"), Edit3, nullptr);
    auto* units = new QHBoxLayout;
    units->addWidget(RadioButton1);
    units->addWidget(RadioButton2);
    grid->addLayout(units, 0, 8);
    place(1, 6, QStringLiteral("Border:"), Edit6, SpinButton5);
    grid->setColumnStretch(9, 1);
    return page;
}

QWidget* TInsTable::buildCellPage()
{
    // Laid out for the cell options to come; none of it reaches the markup yet.
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(6, 4, 6, 4);
    Shape1 = new QFrame(page);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setFrameShape(QFrame::Box);
    Shape1->setFixedSize(25, 17);
    ColorSelectButton = new QPushButton(QStringLiteral("..."), page);
    ColorSelectButton->setObjectName(QStringLiteral("ColorSelectButton"));
    ColorSelectButton->setAutoDefault(false);
    ColorSelectButton->setFixedWidth(25);
    grid->addWidget(new QLabel(QStringLiteral("Background Color:"), page), 0, 0);
    grid->addWidget(Shape1, 0, 1);
    grid->addWidget(ColorSelectButton, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Not Implimented. More otions like Size, etc will be "
                                              "in the final Vorlane."),
                               page),
                    1, 0, 1, 4);
    grid->setColumnStretch(3, 1);
    return page;
}

void TInsTable::connectSpin(TSpinButton* spin, void (TInsTable::*up)(), void (TInsTable::*down)())
{
    // A box that does not hold a number is reported here, inside the dialog, which stays open.
    connect(spin, &TSpinButton::upClick, this, guardedSlot(this, up));
    connect(spin, &TSpinButton::downClick, this, guardedSlot(this, down));
}

void TInsTable::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (!centred_) {
        centred_ = true;
        if (QScreen* screen = this->screen())
            move(screen->availableGeometry().center() - rect().center());
    }
    FormActivate();
}

void TInsTable::keyPressEvent(QKeyEvent* e)
{
    // Escape would throw away every typed cell: only the close box leaves without OK.
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

void TInsTable::resizeEvent(QResizeEvent* e)
{
    QDialog::resizeEvent(e);
    FormResize();
}

void TInsTable::FormActivate()
{
    AlignTable();
}

void TInsTable::FormResize()
{
    AlignTable();
}

void TInsTable::AlignTable()
{
    const int width = fittedCellExtent(Table1->width(), Table1->columnCount());
    const int height = fittedCellExtent(Table1->height(), Table1->rowCount());
    for (int c = 0; c < Table1->columnCount(); ++c)
        Table1->setColumnWidth(c, width);
    for (int r = 0; r < Table1->rowCount(); ++r)
        Table1->setRowHeight(r, height);
}

void TInsTable::stepGridCount(QLineEdit* box, bool up, bool rows)
{
    const qint64 value = spinArrowValue(box->text(), up, 1);
    box->setText(QString::number(value));
    // Even an unchanged value is applied: a count typed earlier reaches the grid here.
    if (rows)
        Table1->setRowCount(gridCount(value, kMaxRows));
    else
        Table1->setColumnCount(gridCount(value, kMaxColumns));
    AlignTable();
}

void TInsTable::stepAttribute(QLineEdit* box, bool up)
{
    box->setText(QString::number(spinArrowValue(box->text(), up, 0)));
}

void TInsTable::SpinButton1UpClick()
{
    stepGridCount(Edit1, true, true);
}

void TInsTable::SpinButton1DownClick()
{
    stepGridCount(Edit1, false, true);
}

void TInsTable::SpinButton2UpClick()
{
    stepGridCount(Edit2, true, false);
}

void TInsTable::SpinButton2DownClick()
{
    stepGridCount(Edit2, false, false);
}

void TInsTable::SpinButton3UpClick()
{
    stepAttribute(Edit5, true);
}

void TInsTable::SpinButton3DownClick()
{
    stepAttribute(Edit5, false);
}

void TInsTable::SpinButton4UpClick()
{
    stepAttribute(Edit4, true);
}

void TInsTable::SpinButton4DownClick()
{
    stepAttribute(Edit4, false);
}

void TInsTable::SpinButton5UpClick()
{
    stepAttribute(Edit6, true);
}

void TInsTable::SpinButton5DownClick()
{
    stepAttribute(Edit6, false);
}

void TInsTable::RadioButton1Click()
{
    RadioButton2->setChecked(false);
}

void TInsTable::RadioButton2Click()
{
    RadioButton1->setChecked(false);
}

void TInsTable::BitBtn1Click()
{
    // A cell still being typed into keeps its text.
    if (QWidget* editing = QApplication::focusWidget();
        editing && Table1->isAncestorOf(editing) && editing != Table1->viewport())
        Q_EMIT Table1->itemDelegate()->commitData(editing);
    TableSettings settings;
    settings.width = Edit3->text();
    settings.widthInPercent = RadioButton2->isChecked();
    settings.padding = Edit4->text();
    settings.spacing = Edit5->text();
    settings.border = Edit6->text();
    QList<QStringList> rows;
    rows.reserve(Table1->rowCount());
    for (int r = 0; r < Table1->rowCount(); ++r) {
        QStringList cells;
        cells.reserve(Table1->columnCount());
        for (int c = 0; c < Table1->columnCount(); ++c) {
            const QTableWidgetItem* item = Table1->item(r, c);
            cells.append(item ? item->text() : QString());
        }
        rows.append(cells);
    }
    Memo1 += buildTableMarkup(settings, rows);
    accept();
}
