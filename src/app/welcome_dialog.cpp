#include "app/welcome_dialog.h"

#include "app/preferences_dialog.h"
#include "app/tip_dialog.h"
#include "core/command_guard.h"
#include "core/icons.h"
#include "core/prompter.h"
#include "core/recent_files.h"
#include "core/settings_store.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>
#include <QVBoxLayout>

TWelcome::TWelcome(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Welcome"));
    setWindowTitle(QStringLiteral("Welcome To Vorlane"));

    Label1 = new QLabel(
        QStringLiteral("Welcome to Vorlane! To get started, create a new page, open one you "
                       "already have, or change how Vorlane works for you. Please choose an "
                       "option from below:"),
        this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);

    auto button = [this](const char* name, const QString& caption, const char* icon, bool enabled) {
        auto* b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setText(caption);
        b->setIcon(vorlaneIcon(QString::fromLatin1(icon)));
        b->setIconSize(QSize(24, 24));
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setAutoRaise(true);
        b->setEnabled(enabled);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        return b;
    };
    SpeedButton2 = button("SpeedButton2", QStringLiteral("Create &New Page"), "document-new", true);
    SpeedButton3 =
        button("SpeedButton3", QStringLiteral("Start With a &Template"), "MenuNew", false);
    SpeedButton5 =
        button("SpeedButton5", QStringLiteral("&Open Existing Web Page"), "document-open", true);
    SpeedButton8 =
        button("SpeedButton8", QStringLiteral("&Reopen Recent File... >"), "MenuOpen", true);
    SpeedButton1 =
        button("SpeedButton1", QStringLiteral("&Preferences"), "document-properties", true);
    SpeedButton6 = button("SpeedButton6", QStringLiteral("Tip of the &Day"), "help-contents", true);
    SpeedButton4 =
        button("SpeedButton4", QStringLiteral("&Help / Learn HTML"), "MenuHelpContents", false);

    CheckBox1 = new QCheckBox(QStringLiteral("Show this window at startup"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    Recent1 = PopupMenu1->addAction(QStringLiteral("Cancel"));
    Recent1->setObjectName(QStringLiteral("Recent1"));
    PopupMenu1->addSeparator();

    // Same stored list as the main window's; entries go in front of "Cancel".
    MRUFileList1 = new TMRUFileList(this);
    MRUFileList1->setMaximum(4);
    MRUFileList1->setFileMenu(Recent1);
    connect(MRUFileList1, &TMRUFileList::MRUItemClick, this, &TWelcome::MRUFileList1MRUItemClick);
    MRUFileList1->Loaded();

    auto* grid = new QGridLayout;
    grid->addWidget(SpeedButton2, 0, 0);
    grid->addWidget(SpeedButton3, 1, 0);
    grid->addWidget(SpeedButton5, 2, 0);
    grid->addWidget(SpeedButton8, 3, 0);
    grid->addWidget(SpeedButton1, 0, 1);
    grid->addWidget(SpeedButton6, 1, 1);
    grid->addWidget(SpeedButton4, 2, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addLayout(grid);
    layout->addWidget(CheckBox1);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    Label1->setFixedWidth(420);

    connect(SpeedButton2, &QToolButton::clicked, this,
            guardedSlot(this, &TWelcome::SpeedButton2Click));
    connect(SpeedButton3, &QToolButton::clicked, this,
            guardedSlot(this, &TWelcome::SpeedButton3Click));
    connect(SpeedButton5, &QToolButton::clicked, this,
            guardedSlot(this, &TWelcome::SpeedButton5Click));
    connect(SpeedButton8, &QToolButton::clicked, this,
            guardedSlot(this, &TWelcome::SpeedButton8Click));
    connect(SpeedButton1, &QToolButton::clicked, this,
            guardedSlot(this, &TWelcome::SpeedButton1Click));
    connect(SpeedButton6, &QToolButton::clicked, this,
            guardedSlot(this, &TWelcome::SpeedButton6Click));
}

void TWelcome::done(int result)
{
    // Every way of closing stores the box; a failing write is shown, the window still closes.
    runGuarded(this, [this] { WriteFlag(Setting::Welcome, CheckBox1->isChecked()); });
    QDialog::done(result);
}

void TWelcome::choose(const QString& code)
{
    choice_ = code;
    accept();
}

void TWelcome::SpeedButton2Click()
{
    choose(QStringLiteral("QS"));
}

void TWelcome::SpeedButton3Click()
{
    choose(QStringLiteral("TE"));
}

void TWelcome::SpeedButton5Click()
{
    choose(QStringLiteral("OP"));
}

void TWelcome::SpeedButton8Click()
{
    // Near the button's lower right corner.
    PopupMenu1->popup(
        SpeedButton8->mapToGlobal(QPoint(SpeedButton8->width(), SpeedButton8->height())));
}

void TWelcome::MRUFileList1MRUItemClick(QObject*, const QString& fileName)
{
    PopupMenu1->close();
    choose(QStringLiteral("RE") + fileName);
}

void TWelcome::SpeedButton1Click()
{
    bool confirmed = false;
    QString tempFilename;
    {
        TPrefs prefs(this);
        confirmed = prompter().exec(prefs) == QDialog::Accepted;
        tempFilename = prefs.Edit2->text();
    }
    Q_EMIT preferencesClosed(confirmed, tempFilename);
}

void TWelcome::SpeedButton6Click()
{
    TTipOfTheDay tip(this);
    prompter().exec(tip);
}
