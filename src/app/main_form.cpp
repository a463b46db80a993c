#include "app/main_form.h"

#include "app/app_error.h"
#include "app/command_guard.h"
#include "app/file_names.h"
#include "app/icons.h"
#include "app/prompter.h"
#include "app/settings_store.h"
#include "editor/margin_rich_edit.h"
#include "page/welcome_choice.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
const QColor kChromeColor(168, 206, 0);
} // namespace

TMainForm::TMainForm(const QString& commandLineFile, QWidget* parent)
    : QMainWindow(parent), commandLineFile_(commandLineFile)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Vorlane"));
    setWindowIcon(vorlaneIcon(QStringLiteral("vorlane")));
    resize(606, 452);
    // The window's size limits.
    setMinimumSize(605, 400);
    setMaximumSize(32000, 32000);

    RichEdit1 = new TMarginRichEdit(this);
    buildMenus();
    buildToolbars();
    buildLayout();

    // Creation steps: hint handler (event()), chooser folders, name, stored geometry.
    openDialogFolder = executableFolder();
    saveDialogFolder = executableFolder();
    SetDocumentName(kUntitled);
    runGuarded(this, [this] { restoreGeometryFromSettings(); });

    initMarkupPart();
    initWizardsPart();
    initPreviewPart();
    initToolsPart();
    initChromePart();
}

TMainForm::~TMainForm() = default;

QAction* TMainForm::action(const QString& name) const
{
    return actions_.value(name, nullptr);
}

void TMainForm::invokeMenuItem(const QString& name)
{
    QAction* item = action(name);
    if (item && item->isEnabled())
        item->trigger();
}

void TMainForm::bind(QAction* item, void (TMainForm::*slot)())
{
    if (!slot)
        return;
    connect(item, &QAction::triggered, this, [this, slot] { runGuarded(this, [&] { (this->*slot)(); }); });
}

QAction* TMainForm::addItem(QMenu* menu, const char* name, const QString& caption,
                            const QKeySequence& shortcut, const QString& hint,
                            void (TMainForm::*slot)())
{
    auto* item = new QAction(caption, this);
    item->setObjectName(QString::fromLatin1(name));
    if (!shortcut.isEmpty()) {
        item->setShortcut(shortcut);
        // Scintilla binds some of these keys itself; the menu's command wins.
        RichEdit1->releaseKey(shortcut[0].toCombined());
    }
    item->setStatusTip(hint);
    bind(item, slot);
    menu->addAction(item);
    actions_.insert(item->objectName(), item);
    return item;
}

void TMainForm::buildMenus()
{
    using K = QKeySequence;
    QMenuBar* bar = menuBar();

    // File
    FileMenuItem = bar->addMenu(QStringLiteral("&File"));
    FileMenuItem->setObjectName(QStringLiteral("FileMenuItem"));
    QMenu* fileNew = FileMenuItem->addMenu(QStringLiteral("&New"));
    fileNew->setObjectName(QStringLiteral("FileNewItem"));
    fileNew->menuAction()->setStatusTip(QStringLiteral("Create a new file"));
    addItem(fileNew, "BlankPage1", QStringLiteral("&Blank Page"), K(), QStringLiteral("Clear the document to blank"), &TMainForm::BlankPage1Click);
    fileNew->addSeparator();
    addItem(fileNew, "QuickStart1", QStringLiteral("&Quick Start"), K(Qt::CTRL | Qt::Key_N),
            QStringLiteral("Starts a new document with the <HEAD> and <BODY>,etc already made"), &TMainForm::QuickStart1Click);
    addItem(fileNew, "FromTemplate3", QStringLiteral("From Template..."), K(),
            QStringLiteral("Start from a premade webpage for you to modify"), &TMainForm::FromTemplate3Click)
        ->setEnabled(false);
    addItem(FileMenuItem, "FileOpenItem", QStringLiteral("&Open..."), K(Qt::CTRL | Qt::Key_O),
            QStringLiteral("Open an existing file"), &TMainForm::FileOpenItemClick);
    QMenu* pagemarks = FileMenuItem->addMenu(QStringLiteral("Open Pagemark"));
    pagemarks->setObjectName(QStringLiteral("OpenPagemark1"));
    addItem(pagemarks, "N110", QStringLiteral("None"), K(), QString(), nullptr)->setEnabled(false);
    pagemarks->addSeparator();
    addItem(pagemarks, "EditPagemarks2", QStringLiteral("&Edit Pagemarks..."), K(), QString(),
            &TMainForm::EditPagemarks2Click)
        ->setEnabled(false);
    addItem(FileMenuItem, "FileSaveItem", QStringLiteral("&Save"), K(Qt::CTRL | Qt::Key_S),
            QStringLiteral("Save current file"), &TMainForm::FileSave);
    addItem(FileMenuItem, "FileSaveAsItem", QStringLiteral("Save &As..."), K(),
            QStringLiteral("Save current file under a new name"), &TMainForm::FileSaveAs);
    FileMenuItem->addSeparator();
    addItem(FileMenuItem, "mnuViewinbrowser", QStringLiteral("&View in Browser"), K(Qt::Key_F5),
            QStringLiteral("Views your webpage in a web browser"), &TMainForm::mnuViewinbrowserClick);
    addItem(FileMenuItem, "Preferences1", QStringLiteral("P&references..."), K(), QStringLiteral("Options"),
            &TMainForm::Preferences1Click);
    FileMenuItem->addSeparator();
    addItem(FileMenuItem, "FilePrintItem", QStringLiteral("&Print"), K(), QStringLiteral("Print current file"),
            &TMainForm::FilePrint);
    FileMenuItem->addSeparator();
    addItem(FileMenuItem, "FileExitItem", QStringLiteral("E&xit"), K(), QStringLiteral("Exit Vorlane"),
            &TMainForm::FileExit);

    // Edit
    QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("EditMenu"));
    addItem(edit, "EditUndoItem", QStringLiteral("&Undo"), K(), QStringLiteral("Undo the last action"), &TMainForm::EditUndo);
    edit->addSeparator();
    addItem(edit, "EditCutItem", QStringLiteral("Cu&t"), K(Qt::CTRL | Qt::Key_X), QStringLiteral("Delete selected item"), &TMainForm::EditCut);
    addItem(edit, "EditCopyItem", QStringLiteral("&Copy"), K(Qt::CTRL | Qt::Key_C), QStringLiteral("Copy selected item to clipboard"), &TMainForm::EditCopy);
    addItem(edit, "EditPasteItem", QStringLiteral("&Paste"), K(Qt::CTRL | Qt::Key_V), QStringLiteral("Paste contents of clipboard"), &TMainForm::EditPaste);
    addItem(edit, "SelectAll1", QStringLiteral("Select &All"), K(), QString(), &TMainForm::SelectAll1Click);
    edit->addSeparator();
    addItem(edit, "Find1", QStringLiteral("&Find..."), K(Qt::CTRL | Qt::Key_F), QStringLiteral("Find Text"), &TMainForm::Find1Click);
    addItem(edit, "FindAgain1", QStringLiteral("Find &Again"), K(Qt::Key_F3), QStringLiteral("Find Text Again"), nullptr)->setEnabled(false);
    addItem(edit, "Replace1", QStringLiteral("&Replace..."), K(), QStringLiteral("Replace text"), &TMainForm::Replace1Click);
    edit->addSeparator();
    QAction* wrap = addItem(edit, "mnuWordWrap1", QStringLiteral("&Word Wrap"), K(),
                            QStringLiteral("Brings words at the edge of the window to the next line"),
                            &TMainForm::mnuWordWrap1Click);
    wrap->setCheckable(true);

    // Insert
    QMenu* insert = bar->addMenu(QStringLiteral("&Insert"));
    insert->setObjectName(QStringLiteral("InsertMenuItem"));
    addItem(insert, "Image1", QStringLiteral("&Image..."), K(Qt::Key_F6), QStringLiteral("Insert an Image"), &TMainForm::Image1Click);
    addItem(insert, "mnuInsertLink", QStringLiteral("&Link..."), K(Qt::Key_F7),
            QStringLiteral("Insert a link to another document or site"), &TMainForm::mnuInsertLinkClick);
    QMenu* table = insert->addMenu(QStringLiteral("&Table"));
    table->setObjectName(QStringLiteral("Table1"));
    addItem(table, "QuickTable2", QStringLiteral("&Quick Table"), K(Qt::CTRL | Qt::Key_T),
            QStringLiteral("Insert a blank QuickTable"), &TMainForm::QuickTable2Click);
    addItem(table, "TableGenerator2", QStringLiteral("Table &Generator"), K(Qt::Key_F8),
            QStringLiteral("Load the Table Generator (Wizard)"), &TMainForm::TableGenerator2Click);
    addItem(table, "FromTemplete1", QStringLiteral("From &Templete..."), K(Qt::Key_F9),
            QStringLiteral("Load a templete"), &TMainForm::FromTemplete1Click)
        ->setEnabled(false);
    insert->addSeparator();
    QAction* lineBreak = addItem(insert, "LineBreak1", QStringLiteral("Line &Break"), K(Qt::ALT | Qt::Key_Return),
                                 QStringLiteral("Create a new line"), &TMainForm::LineBreak1Click);
    lineBreak->setShortcuts({K(Qt::ALT | Qt::Key_Return), K(Qt::ALT | Qt::Key_Enter)});
    addItem(insert, "HorizontalLine1", QStringLiteral("Horizontal Line..."), K(), QStringLiteral("Horizontal Rule"),
            &TMainForm::HorizontalLine1Click);
    insert->addSeparator();
    addItem(insert, "JavaApplet1", QStringLiteral("Java Applet..."), K(), QStringLiteral("Insert a Java Applet"),
            &TMainForm::JavaApplet1Click);
    addItem(insert, "JavaScript1", QStringLiteral("JavaScript Code..."), K(), QString(), nullptr)->setEnabled(false);
    insert->addSeparator();
    addItem(insert, "Form1", QStringLiteral("Form (Form Generator)..."), K(), QString(), nullptr)->setEnabled(false);
    QMenu* formElement = insert->addMenu(QStringLiteral("Form Element"));
    formElement->setObjectName(QStringLiteral("FormElement1"));
    formElement->menuAction()->setObjectName(QStringLiteral("FormElement1"));
    formElement->setEnabled(false);
    actions_.insert(QStringLiteral("FormElement1"), formElement->menuAction());
    addItem(formElement, "Button1", QStringLiteral("Button"), K(), QString(), nullptr);
    addItem(formElement, "InputText1", QStringLiteral("Input Text"), K(), QString(), nullptr);
    insert->addSeparator();
    addItem(insert, "AddComment1", QStringLiteral("&Comment"), K(), QStringLiteral("Add a comment"), &TMainForm::AddComment1Click);
    QMenu* special = insert->addMenu(QStringLiteral("&Special Characters"));
    special->setObjectName(QStringLiteral("SpecialCharacters1"));
    addItem(special, "GreaterThan1", QStringLiteral("Greater Than"), K(Qt::CTRL | Qt::Key_Period),
            QStringLiteral("Insert a '>'"), &TMainForm::GreaterThan1Click);
    addItem(special, "LessThan1", QStringLiteral("Less Than"), K(Qt::CTRL | Qt::Key_Comma),
            QStringLiteral("Insert a '<'"), &TMainForm::LessThan1Click);
    addItem(special, "Space1", QStringLiteral("Space"), K(Qt::ALT | Qt::Key_Space),
            QStringLiteral("Inserts blank space"), &TMainForm::Space1Click);
    special->addSeparator();
    addItem(special, "Copyright1", QStringLiteral("&Copyright"), K(), QStringLiteral("Intert a '\u00A9'"), &TMainForm::Copyright1Click);
    addItem(special, "Registered1", QStringLiteral("&Registered"), K(), QStringLiteral("Insert a '\u00AE'"), &TMainForm::Registered1Click);
    addItem(insert, "DateTime1", QStringLiteral("&Date && Time"), K(),
            QStringLiteral("Insert the current date/time. (usefull for updates)"), &TMainForm::DateTime1Click);

    // Format
    QMenu* format = bar->addMenu(QStringLiteral("Format"));
    format->setObjectName(QStringLiteral("Format1"));
    QMenu* paragraph = format->addMenu(QStringLiteral("New Paragraph"));
    paragraph->setObjectName(QStringLiteral("Paragraph2"));
    addItem(paragraph, "Centered1", QStringLiteral("&Centered"), K(), QString(), &TMainForm::Centered1Click);
    addItem(paragraph, "Left1", QStringLiteral("&Left"), K(), QString(), &TMainForm::Left1Click);
    addItem(paragraph, "Right1", QStringLiteral("&Right"), K(), QString(), &TMainForm::Right1Click);
    addItem(paragraph, "Default1", QStringLiteral("&Default"), K(), QString(), &TMainForm::Default1Click);
    format->addSeparator();
    addItem(format, "Center1", QStringLiteral("&Center"), K(), QStringLiteral("Center text and images"), &TMainForm::Center1Click);
    addItem(format, "Bold1", QStringLiteral("&Bold"), K(Qt::CTRL | Qt::Key_B), QStringLiteral("Bold Text"), &TMainForm::Bold1Click);
    addItem(format, "Italic1", QStringLiteral("&Italics"), K(Qt::CTRL | Qt::Key_I), QStringLiteral("Italic Text"), &TMainForm::Italic1Click);
    addItem(format, "Underline1", QStringLiteral("&Underline"), K(Qt::CTRL | Qt::Key_U), QStringLiteral("Underlined Text"),
            &TMainForm::Underline1Click);
    QMenu* header = format->addMenu(QStringLiteral("&Header"));
    header->setObjectName(QStringLiteral("Header1"));
    header->menuAction()->setStatusTip(QStringLiteral("Title or header"));
    addItem(header, "Size1Large1", QStringLiteral("Level &1 (Largest)"), K(), QString(), &TMainForm::Size1Large1Click);
    addItem(header, "H21", QStringLiteral("Level &2"), K(), QString(), &TMainForm::H21Click);
    addItem(header, "H31", QStringLiteral("Level &3"), K(), QString(), &TMainForm::H31Click);
    addItem(header, "H41", QStringLiteral("Level &4"), K(), QString(), &TMainForm::H4Click);
    addItem(header, "H51", QStringLiteral("Level &5"), K(), QString(), &TMainForm::H51Click);
    addItem(header, "H61", QStringLiteral("Level &6 (Smallest)"), K(), QString(), &TMainForm::H61Click);
    addItem(format, "FontandStyle1", QStringLiteral("&Font && Style..."), K(Qt::Key_F10),
            QStringLiteral("Select font and style "), &TMainForm::FontandStyle1Click);
    format->addSeparator();
    addItem(format, "Color1", QStringLiteral("&Color Picker..."), K(Qt::Key_F2), QStringLiteral("Pick a color"), &TMainForm::Color1Click);
    addItem(format, "Document1", QStringLiteral("Web Page Properties..."), K(),
            QStringLiteral("Sets the document attributes such as the colors and meta information"), &TMainForm::Document1Click);

    // Tools
    QMenu* tools = bar->addMenu(QStringLiteral("&Tools"));
    tools->setObjectName(QStringLiteral("Window1"));
    addItem(tools, "WelcomeForm1", QStringLiteral("&Welcome Window"), K(), QString(), &TMainForm::WelcomeForm1Click);
    addItem(tools, "Refresh1", QStringLiteral("&Tag Reference List"), K(Qt::CTRL | Qt::Key_L), QString(), &TMainForm::Refresh1Click);
    tools->addSeparator();
    for (auto [name, caption, hint, slot] :
         {std::tuple{"ShowToolbar1", "&Horizontal Toolbar", "Show/Hide the Horizontal Toolbar", &TMainForm::ShowToolbar1Click},
          std::tuple{"HideToolbar2", "&Vertical Toolbar", "Show/Hide the Vertical Toolbar", &TMainForm::HideToolbar2Click},
          std::tuple{"StatusBar1", "Status Bar", "", &TMainForm::StatusBar1Click}}) {
        QAction* item = addItem(tools, name, QString::fromLatin1(caption), K(), QString::fromLatin1(hint), slot);
        item->setCheckable(true);
        item->setChecked(true);
    }

    // Help
    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("HelpMenuItem"));
    addItem(help, "HelpContentsItem", QStringLiteral("&Contents"), K(Qt::Key_F1),
            QStringLiteral("Display the help contents screen"), &TMainForm::HelpContents);
    addItem(help, "TipoftheDay1", QStringLiteral("&Tip of the Day"), K(), QString(), &TMainForm::TipoftheDay1Click);
    help->addSeparator();
    QMenu* web = help->addMenu(QStringLiteral("&Web Pages"));
    web->setObjectName(QStringLiteral("Internet1"));
    addItem(web, "VorlaneHomepage1", QStringLiteral("&Vorlane Homepage"), K(), QString(), &TMainForm::VorlaneHomepage1Click);
    addItem(web, "HTMLHelpby1", QStringLiteral("HTML Help By The WDG"), K(), QString(), &TMainForm::HTMLHelpby1Click);
    addItem(help, "VersionInfotxt1", QStringLiteral("Load &Version.txt"), K(),
            QStringLiteral("View version.txt - WARNING THIS WILL CLOSE YOUR CURRENT WORK"), &TMainForm::VersionInfotxt1Click);
    addItem(help, "ReadmeDoctxt1", QStringLiteral("Load &Readme.txt"), K(), QString(), &TMainForm::ReadmeDoctxt1Click);
    help->addSeparator();
    addItem(help, "HelpAboutItem", QStringLiteral("&About..."), K(), QStringLiteral("Show program information"), &TMainForm::HelpAbout);

    // The editor's context menu. Its short-cuts only show the keys: the menu bar's items
    // carry them, so they must not be active twice.
    PopupRichEd = new QMenu(this);
    PopupRichEd->setObjectName(QStringLiteral("PopupRichEd"));
    auto popupItem = [this](const char* name, const QString& caption, const QKeySequence& keys,
                            void (TMainForm::*slot)()) {
        auto* item = new QAction(caption, this);
        item->setObjectName(QString::fromLatin1(name));
        item->setShortcut(keys);
        item->setShortcutContext(Qt::WidgetShortcut);
        bind(item, slot);
        PopupRichEd->addAction(item);
        actions_.insert(item->objectName(), item);
        return item;
    };
    popupItem("Cut1", QStringLiteral("Cu&t"), K(Qt::CTRL | Qt::Key_X), &TMainForm::EditCut);
    popupItem("Copy1", QStringLiteral("&Copy"), K(Qt::CTRL | Qt::Key_C), &TMainForm::EditCopy);
    popupItem("Paste1", QStringLiteral("&Paste"), K(Qt::CTRL | Qt::Key_V), &TMainForm::EditPaste);
    PopupRichEd->addSeparator();
    popupItem("Bold2", QStringLiteral("Bold"), K(), &TMainForm::Bold1Click);
    popupItem("Italics1", QStringLiteral("Italics"), K(), &TMainForm::Italic1Click);
    popupItem("Underline2", QStringLiteral("Underline"), K(), &TMainForm::Underline1Click);
    PopupRichEd->addSeparator();
    popupItem("mnuInsImg", QStringLiteral("Insert &Image"), K(Qt::Key_F6), &TMainForm::Image1Click);
    popupItem("InsertLink1", QStringLiteral("Insert &Link"), K(Qt::Key_F7), &TMainForm::InsertLink1Click);
    PopupRichEd->addSeparator();
    popupItem("WebPageProperties1", QStringLiteral("&Web Page Properties..."), K(), &TMainForm::Document1Click);
    popupItem("ViewinBrowser1", QStringLiteral("View in Browser"), K(Qt::Key_F5), &TMainForm::mnuViewinbrowserClick);
    RichEdit1->setContextMenu(PopupRichEd);
    connect(RichEdit1, &TMarginRichEdit::contextMenuAboutToShow, this, &TMainForm::PopupRichEdPopup);

    // The tool button's table menu.
    TablePopup = new QMenu(this);
    TablePopup->setObjectName(QStringLiteral("TablePopup"));
    auto tableItem = [this](const char* name, const QString& caption, const QKeySequence& keys,
                            const QString& hint, void (TMainForm::*slot)()) {
        auto* item = new QAction(caption, this);
        item->setObjectName(QString::fromLatin1(name));
        item->setStatusTip(hint);
        if (!keys.isEmpty()) {
            item->setShortcut(keys);
            item->setShortcutContext(Qt::WidgetShortcut);
        }
        bind(item, slot);
        TablePopup->addAction(item);
        actions_.insert(item->objectName(), item);
        return item;
    };
    tableItem("QuickTable1", QStringLiteral("Quick Table"), K(Qt::CTRL | Qt::Key_Q),
              QStringLiteral("Insert a quick table"), &TMainForm::QuickTable2Click);
    tableItem("TableGenerator1", QStringLiteral("Table Generator"), K(Qt::Key_F8),
              QStringLiteral("Load the table generator"), &TMainForm::TableGenerator2Click);
    tableItem("FromTemplete2", QStringLiteral("From Templete"), K(Qt::Key_F9),
              QStringLiteral("Insert a table from a templete (already made tables)"), &TMainForm::FromTemplete1Click)
        ->setEnabled(false);
    TablePopup->addSeparator();
    tableItem("Cancel1", QStringLiteral("&Cancel"), K(), QStringLiteral("Close this menu"), nullptr);
    // Ctrl+Q runs the quick table from anywhere in the window, as the menu's short-cut.
    auto* quickTableKey = new QAction(this);
    quickTableKey->setObjectName(QStringLiteral("QuickTableKey"));
    quickTableKey->setShortcut(K(Qt::CTRL | Qt::Key_Q));
    RichEdit1->releaseKey(K(Qt::CTRL | Qt::Key_Q)[0].toCombined());
    bind(quickTableKey, &TMainForm::QuickTable2Click);
    addAction(quickTableKey);
}

QToolButton* TMainForm::addButton(QWidget* bar, const char* name, const QString& hint,
                                  const char* icon, void (TMainForm::*slot)(), QSize size)
{
    auto* button = new QToolButton(bar);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoRaise(true);
    button->setFixedSize(size);
    button->setIconSize(size - QSize(6, 6));
    button->setToolTip(hint);
    button->setStatusTip(hint);
    button->setIcon(vorlaneIcon(QString::fromLatin1(icon)));
    button->setFocusPolicy(Qt::NoFocus);
    if (slot)
        connect(button, &QToolButton::clicked, this,
                [this, slot] { runGuarded(this, [&] { (this->*slot)(); }); });
    bar->layout()->addWidget(button);
    return button;
}

void TMainForm::buildToolbars()
{
    auto separator = [](QWidget* bar, Qt::Orientation orientation) {
        auto* line = new QFrame(bar);
        line->setFrameShape(orientation == Qt::Horizontal ? QFrame::VLine : QFrame::HLine);
        line->setFrameShadow(QFrame::Sunken);
        bar->layout()->addWidget(line);
    };
    auto paint = [](QWidget* w) {
        w->setAutoFillBackground(true);
        QPalette p = w->palette();
        p.setColor(QPalette::Window, kChromeColor);
        w->setPalette(p);
    };

    Speedbar = new QWidget(this);
    Speedbar->setObjectName(QStringLiteral("Speedbar"));
    Speedbar->setFixedHeight(49);
    paint(Speedbar);
    auto* top = new QHBoxLayout(Speedbar);
    top->setContentsMargins(4, 10, 4, 10);
    top->setSpacing(1);
    const QSize big(27, 28);
    addButton(Speedbar, "SpeedButton33", QStringLiteral("View in Browser (F5)"), "view-browser", &TMainForm::mnuViewinbrowserClick, big);
    separator(Speedbar, Qt::Horizontal);
    addButton(Speedbar, "SpeedButton24", QStringLiteral("New"), "document-new", &TMainForm::QuickStart1Click, big);
    addButton(Speedbar, "SpeedButton23", QStringLiteral("Open"), "document-open", &TMainForm::FileOpenItemClick, big);
    addButton(Speedbar, "SpeedButton25", QStringLiteral("Save"), "document-save", &TMainForm::FileSave, big);
    separator(Speedbar, Qt::Horizontal);
    addButton(Speedbar, "SpeedButton26", QStringLiteral("Undo"), "edit-undo", &TMainForm::EditUndo, big);
    separator(Speedbar, Qt::Horizontal);
    addButton(Speedbar, "SpeedButton27", QStringLiteral("Cut"), "edit-cut", &TMainForm::EditCut, big);
    addButton(Speedbar, "SpeedButton28", QStringLiteral("Copy"), "edit-copy", &TMainForm::EditCopy, big);
    addButton(Speedbar, "SpeedButton29", QStringLiteral("Paste"), "edit-paste", &TMainForm::EditPaste, big);
    separator(Speedbar, Qt::Horizontal);
    addButton(Speedbar, "SpeedButton30", QStringLiteral("Insert Image (F6)"), "insert-image", &TMainForm::Image1Click, big);
    addButton(Speedbar, "SpeedButton31", QStringLiteral("Insert Link (F7)"), "insert-link", &TMainForm::InsertLink1Click, big);
    addButton(Speedbar, "SpeedButton32", QStringLiteral("Insert Table"), "insert-table", &TMainForm::SpeedButton32Click, big);
    separator(Speedbar, Qt::Horizontal);
    addButton(Speedbar, "SpeedButton12", QStringLiteral("Font and Style (F10)"), "format-text", &TMainForm::FontandStyle1Click, big);
    addButton(Speedbar, "SpeedButton14", QStringLiteral("Color Picker (F2)"), "color-picker", &TMainForm::Color1Click, big);
    addButton(Speedbar, "SpeedButton15", QStringLiteral("Web Page Properties"), "document-properties", &TMainForm::Document1Click, big);
    top->addStretch(1);
    addButton(Speedbar, "SpeedButton1", QStringLiteral("Help Contents"), "help-contents", &TMainForm::HelpContents, big);

    Toolbar = new QWidget(this);
    Toolbar->setObjectName(QStringLiteral("Toolbar"));
    Toolbar->setFixedWidth(33);
    paint(Toolbar);
    auto* left = new QVBoxLayout(Toolbar);
    left->setContentsMargins(5, 4, 5, 4);
    left->setSpacing(1);
    const QSize small(22, 22);
    addButton(Toolbar, "SpeedButton11", QStringLiteral("New Paragraph"), "format-paragraph", nullptr, small);
    separator(Toolbar, Qt::Vertical);
    addButton(Toolbar, "SpeedButton6", QStringLiteral("Bold"), "format-text-bold", &TMainForm::Bold1Click, small);
    addButton(Toolbar, "SpeedButton7", QStringLiteral("Italics"), "format-text-italic", &TMainForm::Italic1Click, small);
    addButton(Toolbar, "SpeedButton8", QStringLiteral("Underline"), "format-text-underline", &TMainForm::Underline1Click, small);
    separator(Toolbar, Qt::Vertical);
    addButton(Toolbar, "SpeedButton9", QStringLiteral("Line Break"), "line-break", &TMainForm::LineBreak1Click, small);
    addButton(Toolbar, "SpeedButton10", QStringLiteral("Horizontal Line"), "horizontal-line", &TMainForm::HorizontalLine1Click, small);
    separator(Toolbar, Qt::Vertical);
    addButton(Toolbar, "SpeedButton13", QStringLiteral("Add Comment"), "add-comment", &TMainForm::AddComment1Click, small);
    left->addStretch(1);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setStatusTip(QStringLiteral("Status Bar"));
    Panel1->setFixedHeight(19);
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Sunken);
    paint(Panel1);
    auto* status = new QHBoxLayout(Panel1);
    status->setContentsMargins(4, 0, 2, 0);
    Label1 = new QLabel(QStringLiteral("Welcome to Vorlane"), Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    status->addWidget(Label1, 1);
    SpeedButton5 = new QToolButton(Panel1);
    SpeedButton5->setObjectName(QStringLiteral("SpeedButton5"));
    SpeedButton5->setAutoRaise(true);
    SpeedButton5->setFixedSize(12, 8);
    SpeedButton5->setArrowType(Qt::DownArrow);
    SpeedButton5->setFocusPolicy(Qt::NoFocus);
    SpeedButton5->setToolTip(QStringLiteral("Align To Bottom"));
    SpeedButton5->setStatusTip(QStringLiteral("Align To Bottom"));
    connect(SpeedButton5, &QToolButton::clicked, this,
            [this] { runGuarded(this, [&] { SpeedButton5Click(); }); });
    status->addWidget(SpeedButton5);
}

void TMainForm::buildLayout()
{
    auto* central = new QWidget(this);
    rootLayout_ = new QVBoxLayout(central);
    rootLayout_->setContentsMargins(0, 0, 0, 0);
    rootLayout_->setSpacing(0);
    rootLayout_->addWidget(Speedbar);
    rootLayout_->addWidget(Panel1);
    auto* body = new QHBoxLayout;
    body->setSpacing(0);
    body->addWidget(Toolbar);
    body->addWidget(RichEdit1, 1);
    rootLayout_->addLayout(body, 1);
    setCentralWidget(central);
    RichEdit1->setFocus();
}

void TMainForm::setStatusPanelAtBottom(bool bottom)
{
    statusAtBottom_ = bottom;
    rootLayout_->removeWidget(Panel1);
    if (bottom)
        rootLayout_->addWidget(Panel1);
    else
        rootLayout_->insertWidget(1, Panel1);
    SpeedButton5->setArrowType(bottom ? Qt::UpArrow : Qt::DownArrow);
}

void TMainForm::restoreGeometryFromSettings()
{
    // Each stored edge is applied in turn; a value that is not a number stops the rest.
    const QString top = ReadSetting(Setting::FormTop);
    if (!top.isNull()) {
        move(x(), parseDecimalInt(top));
        centreOnShow_ = false;
    }
    const QString left = ReadSetting(Setting::FormLeft);
    if (!left.isNull()) {
        move(parseDecimalInt(left), y());
        centreOnShow_ = false;
    }
    if (SettingExists(QStringLiteral("Form Width")))
        resize(parseDecimalInt(ReadSetting(Setting::FormWidth)), height());
    if (SettingExists(QStringLiteral("Form Height")))
        resize(width(), parseDecimalInt(ReadSetting(Setting::FormHeight)));
}

void TMainForm::SetDocumentName(const QString& name)
{
    documentFileName_ = name;
    setWindowTitle(QStringLiteral("%1 - %2").arg(fileNamePart(name), QStringLiteral("Vorlane")));
}

// ---- start-up ----

void TMainForm::showEvent(QShowEvent* e)
{
    QMainWindow::showEvent(e);
    if (centreOnShow_) {
        centreOnShow_ = false;
        if (QScreen* screen = this->screen())
            move(screen->availableGeometry().center() - rect().center());
    }
    // The start-up sequence runs once, right after the first show. Waiting for activation
    // would hang on desktops that deliver it late or never.
    if (!startupQueued_) {
        startupQueued_ = true;
        QTimer::singleShot(0, this, [this] { FormActivate(); });
    }
}

void TMainForm::FormActivate()
{
    if (startupDone_)
        return;
    startupDone_ = true;
    runGuarded(this, [this] { runStartup(); });
}

void TMainForm::applyEditorFontFromSettings()
{
    const QString family = ReadSetting(Setting::Font);
    const int size = parseDecimalInt(ReadSetting(Setting::FontSize));
    QFont font(family);
    if (size > 0)
        font.setPointSize(size);
    RichEdit1->SetDisplayFont(font);
}

void TMainForm::runStartup()
{
    Label1->setText(QStringLiteral("Loading [.  ]"));
    const bool wrap = ReadSetting(Setting::WordWrap) == QLatin1String("Y");
    RichEdit1->SetWordWrap(wrap);
    action(QStringLiteral("mnuWordWrap1"))->setChecked(wrap);
    applyEditorFontFromSettings();
    currentUseTemp = ReadSetting(Setting::UseTemp);
    currentTempFilename = ReadSetting(Setting::TempFilename);
    currentBrowser = ReadSetting(Setting::Browser);
    Label1->setText(QStringLiteral("Loading [.. ]"));
    attachMenuPictures();
    Label1->setText(QStringLiteral("Loading [...]"));
    if (ReadSetting(Setting::StatusBar) == QLatin1String("Bottom")) {
        setStatusPanelAtBottom(true);
        SpeedButton5->setToolTip(QStringLiteral("Align to Top"));
        SpeedButton5->setStatusTip(QStringLiteral("Align to Top"));
    }
    Label1->setText(QStringLiteral("Welcome to Vorlane!"));

    if (!commandLineFile_.isEmpty() && QFileInfo(commandLineFile_).isFile()) {
        LoadDocument(commandLineFile_);
        SetDocumentName(commandLineFile_);
    } else if (ReadSetting(Setting::Welcome) == QLatin1String("Y")) {
        WelcomeChoice::value().clear();
        showWelcomeAtStartup();
        const QString choice = WelcomeChoice::value();
        if (choice == QLatin1String("QS"))
            invokeMenuItem(QStringLiteral("QuickStart1"));
        else if (choice == QLatin1String("TE"))
            invokeMenuItem(QStringLiteral("FromTemplate3"));
        else if (choice == QLatin1String("OP"))
            invokeMenuItem(QStringLiteral("FileOpenItem"));
        else if (choice.startsWith(QLatin1String("RE")))
            reopenFile(choice.mid(2));
    } else if (ReadSetting(Setting::QuickStart) == QLatin1String("Y")) {
        invokeMenuItem(QStringLiteral("QuickStart1"));
    }
    RichEdit1->FocusEditor();
}

void TMainForm::reopenFile(const QString& path)
{
    if (!AskSaveChanges())
        return;
    LoadDocument(path);
    SetDocumentName(path);
    RichEdit1->FocusEditor();
    RichEdit1->SetModifiedFlag(false);
    openDialogFolder = folderForDialog(path);
}

// ---- closing ----

bool TMainForm::FormCloseQuery()
{
    // A failing save is reported and keeps the program open; so does a cancelled Save As.
    bool canClose = false;
    runGuarded(this, [&] { canClose = AskSaveChanges(); });
    return canClose;
}

void TMainForm::FormClose()
{
    WriteSetting(Setting::StatusBar, statusAtBottom_ ? QStringLiteral("Bottom") : QStringLiteral("Top"));
    WriteSetting(Setting::WordWrap, RichEdit1->WordWrap() ? QStringLiteral("Y") : QStringLiteral("N"));
    const QRect frame = frameGeometry();
    WriteSetting(Setting::FormWidth, QString::number(width()));
    WriteSetting(Setting::FormHeight, QString::number(height()));
    WriteSetting(Setting::FormTop, QString::number(frame.top()));
    WriteSetting(Setting::FormLeft, QString::number(frame.left()));
}

void TMainForm::closeEvent(QCloseEvent* e)
{
    if (!FormCloseQuery()) {
        e->ignore();
        return;
    }
    runGuarded(this, [this] { FormClose(); });
    e->accept();
}

bool TMainForm::event(QEvent* e)
{
    // The hint of whatever is under the mouse, menu items included, goes to the status label.
    if (e->type() == QEvent::StatusTip) {
        Label1->setText(static_cast<QStatusTipEvent*>(e)->tip());
        return true;
    }
    return QMainWindow::event(e);
}

void TMainForm::changeEvent(QEvent* e)
{
    QMainWindow::changeEvent(e);
    if (e->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized))
        runGuarded(this, [this] { onMinimized(); });
}

void TMainForm::mousePressEvent(QMouseEvent* e)
{
    QMainWindow::mousePressEvent(e);
    RichEdit1->FocusEditor(); // FormClick
}

// ---- tool bar and status panel switches ----

void TMainForm::ShowToolbar1Click()
{
    QAction* item = action(QStringLiteral("ShowToolbar1"));
    Speedbar->setVisible(item->isChecked());
    RichEdit1->FocusEditor();
}

void TMainForm::HideToolbar2Click()
{
    QAction* item = action(QStringLiteral("HideToolbar2"));
    Toolbar->setVisible(item->isChecked());
    RichEdit1->FocusEditor();
}

void TMainForm::StatusBar1Click()
{
    Panel1->setVisible(action(QStringLiteral("StatusBar1"))->isChecked());
}

void TMainForm::SpeedButton5Click()
{
    const QString hint = statusAtBottom_ ? QStringLiteral("Align To Bottom") : QStringLiteral("Align To Top");
    setStatusPanelAtBottom(!statusAtBottom_);
    SpeedButton5->setToolTip(hint);
    SpeedButton5->setStatusTip(hint);
}
