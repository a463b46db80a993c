// Every command of the window, made from one table: menus, their items, the two pop-up
// menus and the window-wide keys. Each command is one QAction; a pop-up entry or a tool button
// that offers the same command forwards to that action and follows its enabled state, so
// disabling a command covers every place it appears.
#include "app/main_form.h"

#include "app/command_ids.h"
#include "app/status_label.h"

#include "core/command_guard.h"
#include "core/icons.h"
#include "editor/margin_rich_edit.h"

#include <QAction>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

using Handler = void (TMainForm::*)();

enum Flag : unsigned {
    None = 0,
    Disabled = 1, // disabled in the design, never enabled
    Checkable = 2,
    Checked = 4,
    SeparatorBefore = 8,
    Submenu = 16, // the row makes a menu; `menu` is its parent ("" for the menu bar)
};

constexpr int key(QKeyCombination k)
{
    return k.toCombined();
}

struct CommandRow
{
    const char* menu;    // objectName of the menu that holds it; nullptr: a window-wide key
    const char* name;    // objectName of the action (or of the menu, for a Submenu row)
    const char* caption; // UTF-8
    int keys[2];         // short-cuts; 0 for none
    const char* hint;
    Handler handler; // nullptr: no handler of its own
    unsigned flags;
    const char* forwardsTo; // another row's name: this entry runs that command
};

// clang-format off
constexpr CommandRow kCommands[] = {
    // File
    {"", "FileMenuItem", "&File", {}, "", nullptr, Submenu, nullptr},
    {"FileMenuItem", "FileNewItem", "&New", {}, "Create a new file", nullptr, Submenu, nullptr},
    {"FileNewItem", "BlankPage1", "&Blank Page", {}, "Clear the document to blank", &TMainForm::BlankPage1Click, None, nullptr},
    {"FileNewItem", "QuickStart1", "&Quick Start", {key(Qt::CTRL | Qt::Key_N)}, "Starts a new document with the <HEAD> and <BODY>,etc already made", &TMainForm::QuickStart1Click, SeparatorBefore, nullptr},
    {"FileNewItem", "FromTemplate3", "From Template...", {}, "Start from a premade webpage for you to modify", &TMainForm::FromTemplate3Click, Disabled, nullptr},
    {"FileMenuItem", "FileOpenItem", "&Open...", {key(Qt::CTRL | Qt::Key_O)}, "Open an existing file", &TMainForm::FileOpenItemClick, None, nullptr},
    {"FileMenuItem", "OpenPagemark1", "Open Pagemark", {}, "", nullptr, Submenu, nullptr},
    {"OpenPagemark1", "N110", "None", {}, "", nullptr, Disabled, nullptr},
    {"OpenPagemark1", "EditPagemarks2", "&Edit Pagemarks...", {}, "", &TMainForm::EditPagemarks2Click, Disabled | SeparatorBefore, nullptr},
    {"FileMenuItem", "FileSaveItem", "&Save", {key(Qt::CTRL | Qt::Key_S)}, "Save current file", &TMainForm::FileSave, None, nullptr},
    {"FileMenuItem", "FileSaveAsItem", "Save &As...", {}, "Save current file under a new name", &TMainForm::FileSaveAs, None, nullptr},
    {"FileMenuItem", "mnuViewinbrowser", "&View in Browser", {key(QKeyCombination(Qt::Key_F5))}, "Views your webpage in a web browser", &TMainForm::mnuViewinbrowserClick, SeparatorBefore, nullptr},
    {"FileMenuItem", "Preferences1", "P&references...", {}, "Options", &TMainForm::Preferences1Click, None, nullptr},
    {"FileMenuItem", "FilePrintItem", "&Print", {}, "Print current file", &TMainForm::FilePrint, SeparatorBefore, nullptr},
    // The site; Exit and the recent files stay at the menu's end.
    {"FileMenuItem", "OpenSite1", "Open S&ite...", {}, "Open a folder as the site: its files in the site panel, Find in Files and links work there", &TMainForm::OpenSite1Click, SeparatorBefore, nullptr},
    {"FileMenuItem", "RecentSites1", "Recen&t Sites", {}, "Open a site opened before", nullptr, Submenu, nullptr},
    {"FileMenuItem", "FileExitItem", "E&xit", {}, "Exit Vorlane", &TMainForm::FileExit, SeparatorBefore, nullptr},
    // Edit
    {"", "EditMenu", "&Edit", {}, "", nullptr, Submenu, nullptr},
    {"EditMenu", "EditUndoItem", "&Undo", {}, "Undo the last action", &TMainForm::EditUndo, None, nullptr},
    {"EditMenu", "EditCutItem", "Cu&t", {key(Qt::CTRL | Qt::Key_X)}, "Delete selected item", &TMainForm::EditCut, SeparatorBefore, nullptr},
    {"EditMenu", "EditCopyItem", "&Copy", {key(Qt::CTRL | Qt::Key_C)}, "Copy selected item to clipboard", &TMainForm::EditCopy, None, nullptr},
    {"EditMenu", "EditPasteItem", "&Paste", {key(Qt::CTRL | Qt::Key_V)}, "Paste contents of clipboard", &TMainForm::EditPaste, None, nullptr},
    {"EditMenu", "SelectAll1", "Select &All", {}, "", &TMainForm::SelectAll1Click, None, nullptr},
    {"EditMenu", "Find1", "&Find...", {key(Qt::CTRL | Qt::Key_F)}, "Find Text", &TMainForm::Find1Click, SeparatorBefore, nullptr},
    {"EditMenu", "FindAgain1", "Find &Again", {key(QKeyCombination(Qt::Key_F3))}, "Find Text Again", nullptr, Disabled, nullptr},
    {"EditMenu", "Replace1", "&Replace...", {}, "Replace text", &TMainForm::Replace1Click, None, nullptr},
    {"EditMenu", "FindInFiles1", "Find in F&iles...", {key(Qt::CTRL | Qt::SHIFT | Qt::Key_F)}, "Find or replace text in the pages of this site", &TMainForm::FindInFiles1Click, None, nullptr},
    {"EditMenu", "GoToLine1", "&Go to Line...", {key(Qt::CTRL | Qt::Key_G)}, "Move the caret to a line by its number", &TMainForm::GoToLine1Click, SeparatorBefore, nullptr},
    {"EditMenu", "MatchingTag1", "Go to &Matching Tag", {key(Qt::CTRL | Qt::Key_J)}, "Move the caret to the other tag of the element", &TMainForm::MatchingTag1Click, None, nullptr},
    {"EditMenu", "mnuWordWrap1", "&Word Wrap", {}, "Brings words at the edge of the window to the next line", &TMainForm::mnuWordWrap1Click, Checkable | SeparatorBefore, nullptr},
    // Insert
    {"", "InsertMenuItem", "&Insert", {}, "", nullptr, Submenu, nullptr},
    {"InsertMenuItem", "Image1", "&Image...", {key(QKeyCombination(Qt::Key_F6))}, "Insert an Image", &TMainForm::Image1Click, None, nullptr},
    {"InsertMenuItem", "mnuInsertLink", "&Link...", {key(QKeyCombination(Qt::Key_F7))}, "Insert a link to another document or site", &TMainForm::mnuInsertLinkClick, None, nullptr},
    {"InsertMenuItem", "Table1", "&Table", {}, "", nullptr, Submenu, nullptr},
    {"Table1", "QuickTable2", "&Quick Table", {key(Qt::CTRL | Qt::Key_T)}, "Insert a blank QuickTable", &TMainForm::QuickTable2Click, None, nullptr},
    {"Table1", "TableGenerator2", "Table &Generator", {key(QKeyCombination(Qt::Key_F8))}, "Load the Table Generator (Wizard)", &TMainForm::TableGenerator2Click, None, nullptr},
    {"Table1", "FromTemplete1", "From &Templete...", {key(QKeyCombination(Qt::Key_F9))}, "Load a templete", &TMainForm::FromTemplete1Click, Disabled, nullptr},
    {"InsertMenuItem", "LineBreak1", "Line &Break", {key(Qt::ALT | Qt::Key_Return), key(Qt::ALT | Qt::Key_Enter)}, "Create a new line", &TMainForm::LineBreak1Click, SeparatorBefore, nullptr},
    {"InsertMenuItem", "HorizontalLine1", "Horizontal Line...", {}, "Horizontal Rule", &TMainForm::HorizontalLine1Click, None, nullptr},
    {"InsertMenuItem", "JavaApplet1", "Java Applet...", {}, "Insert a Java Applet", &TMainForm::JavaApplet1Click, SeparatorBefore, nullptr},
    {"InsertMenuItem", "JavaScript1", "JavaScript Code...", {}, "", nullptr, Disabled, nullptr},
    {"InsertMenuItem", "Form1", "Form (Form Generator)...", {}, "", nullptr, Disabled | SeparatorBefore, nullptr},
    {"InsertMenuItem", "FormElement1", "Form Element", {}, "", nullptr, Submenu | Disabled, nullptr},
    {"FormElement1", "Button1", "Button", {}, "", nullptr, None, nullptr},
    {"FormElement1", "InputText1", "Input Text", {}, "", nullptr, None, nullptr},
    {"InsertMenuItem", "AddComment1", "&Comment", {}, "Add a comment", &TMainForm::AddComment1Click, SeparatorBefore, nullptr},
    {"InsertMenuItem", "SpecialCharacters1", "&Special Characters", {}, "", nullptr, Submenu, nullptr},
    {"SpecialCharacters1", "GreaterThan1", "Greater Than", {key(Qt::CTRL | Qt::Key_Period)}, "Insert a '>'", &TMainForm::GreaterThan1Click, None, nullptr},
    {"SpecialCharacters1", "LessThan1", "Less Than", {key(Qt::CTRL | Qt::Key_Comma)}, "Insert a '<'", &TMainForm::LessThan1Click, None, nullptr},
    // Most window managers take Alt+Space for their window menu; Ctrl+Shift+Space (the word
    // processors' non-breaking space) still gets through. The menu shows the first key.
    {"SpecialCharacters1", "Space1", "Space", {key(Qt::ALT | Qt::Key_Space), key(Qt::CTRL | Qt::SHIFT | Qt::Key_Space)}, "Inserts blank space", &TMainForm::Space1Click, None, nullptr},
    {"SpecialCharacters1", "Copyright1", "&Copyright", {}, "Intert a '\u00A9'", &TMainForm::Copyright1Click, SeparatorBefore, nullptr},
    {"SpecialCharacters1", "Registered1", "&Registered", {}, "Insert a '\u00AE'", &TMainForm::Registered1Click, None, nullptr},
    {"InsertMenuItem", "DateTime1", "&Date && Time", {}, "Insert the current date/time. (usefull for updates)", &TMainForm::DateTime1Click, None, nullptr},
    // Format
    {"", "Format1", "Format", {}, "", nullptr, Submenu, nullptr},
    {"Format1", "Paragraph2", "New Paragraph", {}, "", nullptr, Submenu, nullptr},
    {"Paragraph2", "Centered1", "&Centered", {}, "", &TMainForm::Centered1Click, None, nullptr},
    {"Paragraph2", "Left1", "&Left", {}, "", &TMainForm::Left1Click, None, nullptr},
    {"Paragraph2", "Right1", "&Right", {}, "", &TMainForm::Right1Click, None, nullptr},
    {"Paragraph2", "Default1", "&Default", {}, "", &TMainForm::Default1Click, None, nullptr},
    {"Format1", "Center1", "&Center", {}, "Center text and images", &TMainForm::Center1Click, SeparatorBefore, nullptr},
    {"Format1", "Bold1", "&Bold", {key(Qt::CTRL | Qt::Key_B)}, "Bold Text", &TMainForm::Bold1Click, None, nullptr},
    {"Format1", "Italic1", "&Italics", {key(Qt::CTRL | Qt::Key_I)}, "Italic Text", &TMainForm::Italic1Click, None, nullptr},
    {"Format1", "Underline1", "&Underline", {key(Qt::CTRL | Qt::Key_U)}, "Underlined Text", &TMainForm::Underline1Click, None, nullptr},
    {"Format1", "Header1", "&Header", {}, "Title or header", nullptr, Submenu, nullptr},
    {"Header1", "Size1Large1", "Level &1 (Largest)", {}, "", &TMainForm::Size1Large1Click, None, nullptr},
    {"Header1", "H21", "Level &2", {}, "", &TMainForm::H21Click, None, nullptr},
    {"Header1", "H31", "Level &3", {}, "", &TMainForm::H31Click, None, nullptr},
    {"Header1", "H41", "Level &4", {}, "", &TMainForm::H4Click, None, nullptr},
    {"Header1", "H51", "Level &5", {}, "", &TMainForm::H51Click, None, nullptr},
    {"Header1", "H61", "Level &6 (Smallest)", {}, "", &TMainForm::H61Click, None, nullptr},
    {"Format1", "FontandStyle1", "&Font && Style...", {key(QKeyCombination(Qt::Key_F10))}, "Select font and style ", &TMainForm::FontandStyle1Click, None, nullptr},
    {"Format1", "Color1", "&Color Picker...", {key(QKeyCombination(Qt::Key_F2))}, "Pick a color", &TMainForm::Color1Click, SeparatorBefore, nullptr},
    {"Format1", "Document1", "Web Page Properties...", {}, "Sets the document attributes such as the colors and meta information", &TMainForm::Document1Click, None, nullptr},
    // Tools
    {"", "Window1", "&Tools", {}, "", nullptr, Submenu, nullptr},
    {"Window1", "WelcomeForm1", "&Welcome Window", {}, "", &TMainForm::WelcomeForm1Click, None, nullptr},
    {"Window1", "Refresh1", "&Tag Reference List", {key(Qt::CTRL | Qt::Key_L)}, "", &TMainForm::Refresh1Click, None, nullptr},
    {"Window1", "HighlightMarkup1", "Highlight &Markup", {}, "Show tags, attributes, values, entities and comments in colour", &TMainForm::HighlightMarkup1Click, Checkable | Checked, nullptr},
    {"Window1", "LineNumbers1", "&Line Numbers", {}, "Show/Hide the line numbers", &TMainForm::LineNumbers1Click, Checkable | Checked, nullptr},
    {"Window1", "TagCompletion1", "Tag &Completion", {}, "Offer tag names while typing after < and </", &TMainForm::TagCompletion1Click, Checkable | Checked, nullptr},
    {"Window1", "SpellingAsYouType1", "Check &Spelling as You Type", {}, "Underline misspelt words of the page while typing", &TMainForm::SpellingAsYouType1Click, Checkable | Checked, nullptr},
    {"Window1", "ShowToolbar1", "&Horizontal Toolbar", {}, "Show/Hide the Horizontal Toolbar", &TMainForm::ShowToolbar1Click, Checkable | Checked | SeparatorBefore, nullptr},
    {"Window1", "HideToolbar2", "&Vertical Toolbar", {}, "Show/Hide the Vertical Toolbar", &TMainForm::HideToolbar2Click, Checkable | Checked, nullptr},
    {"Window1", "StatusBar1", "Status Bar", {}, "", &TMainForm::StatusBar1Click, Checkable | Checked, nullptr},
    {"Window1", "LivePreview1", "Live &Preview", {key(QKeyCombination(Qt::Key_F12))}, "Show/Hide the page as a browser draws it, beside the editor", &TMainForm::LivePreview1Click, Checkable | SeparatorBefore, nullptr},
    {"Window1", "PreviewFollowsCaret1", "Preview Follows Caret", {}, "Scroll the live preview to the element at the caret", &TMainForm::PreviewFollowsCaret1Click, Checkable | Checked, nullptr},
    {"Window1", "PreviewRunsScripts1", "Preview &Runs Scripts", {}, "Run the page's own scripts in the live preview", &TMainForm::PreviewRunsScripts1Click, Checkable | Checked, nullptr},
    {"Window1", "CheckPage1", "Chec&k Page", {key(QKeyCombination(Qt::Key_F4))}, "Check the page for markup errors and broken links", &TMainForm::CheckPage1Click, SeparatorBefore, nullptr},
    {"Window1", "CheckSite1", "Check Sit&e", {}, "Check every page of the site folder, and the site as a whole", &TMainForm::CheckSite1Click, None, nullptr},
    {"Window1", "SitePanel1", "Site P&anel", {key(Qt::CTRL | Qt::SHIFT | Qt::Key_E)}, "Show/Hide the site folder's files at the left of the editor", &TMainForm::SitePanel1Click, Checkable | SeparatorBefore, nullptr},
    // Help
    {"", "HelpMenuItem", "&Help", {}, "", nullptr, Submenu, nullptr},
    {"HelpMenuItem", "HelpContentsItem", "&Contents", {key(QKeyCombination(Qt::Key_F1))}, "Display the help contents screen", &TMainForm::HelpContents, None, nullptr},
    {"HelpMenuItem", "TipoftheDay1", "&Tip of the Day", {}, "", &TMainForm::TipoftheDay1Click, None, nullptr},
    {"HelpMenuItem", "Internet1", "&Web Pages", {}, "", nullptr, Submenu | SeparatorBefore, nullptr},
    {"Internet1", "VorlaneHomepage1", "&Vorlane Homepage", {}, "", &TMainForm::VorlaneHomepage1Click, None, nullptr},
    {"Internet1", "HTMLHelpby1", "HTML Help By The WDG", {}, "", &TMainForm::HTMLHelpby1Click, None, nullptr},
    {"HelpMenuItem", "VersionInfotxt1", "Load &Version.txt", {}, "View version.txt - WARNING THIS WILL CLOSE YOUR CURRENT WORK", &TMainForm::VersionInfotxt1Click, None, nullptr},
    {"HelpMenuItem", "ReadmeDoctxt1", "Load &Readme.txt", {}, "", &TMainForm::ReadmeDoctxt1Click, None, nullptr},
    {"HelpMenuItem", "HelpAboutItem", "&About...", {}, "Show program information", &TMainForm::HelpAbout, SeparatorBefore, nullptr},
    // The editor's context menu: its short-cuts only show the keys the menu bar's items carry.
    {"PopupRichEd", "Cut1", "Cu&t", {key(Qt::CTRL | Qt::Key_X)}, "", nullptr, None, "EditCutItem"},
    {"PopupRichEd", "Copy1", "&Copy", {key(Qt::CTRL | Qt::Key_C)}, "", nullptr, None, "EditCopyItem"},
    {"PopupRichEd", "Paste1", "&Paste", {key(Qt::CTRL | Qt::Key_V)}, "", nullptr, None, "EditPasteItem"},
    {"PopupRichEd", "Bold2", "Bold", {}, "", nullptr, SeparatorBefore, "Bold1"},
    {"PopupRichEd", "Italics1", "Italics", {}, "", nullptr, None, "Italic1"},
    {"PopupRichEd", "Underline2", "Underline", {}, "", nullptr, None, "Underline1"},
    {"PopupRichEd", "mnuInsImg", "Insert &Image", {key(QKeyCombination(Qt::Key_F6))}, "", nullptr, SeparatorBefore, "Image1"},
    {"PopupRichEd", "InsertLink1", "Insert &Link", {key(QKeyCombination(Qt::Key_F7))}, "", &TMainForm::InsertLink1Click, None, nullptr},
    {"PopupRichEd", "WebPageProperties1", "&Web Page Properties...", {}, "", nullptr, SeparatorBefore, "Document1"},
    {"PopupRichEd", "ViewinBrowser1", "View in Browser", {key(QKeyCombination(Qt::Key_F5))}, "", nullptr, None, "mnuViewinbrowser"},
    // The Insert Table tool button's menu.
    {"TablePopup", "QuickTable1", "Quick Table", {key(Qt::CTRL | Qt::Key_Q)}, "Insert a quick table", nullptr, None, "QuickTable2"},
    {"TablePopup", "TableGenerator1", "Table Generator", {key(QKeyCombination(Qt::Key_F8))}, "Load the table generator", nullptr, None, "TableGenerator2"},
    {"TablePopup", "FromTemplete2", "From Templete", {key(QKeyCombination(Qt::Key_F9))}, "Insert a table from a templete (already made tables)", nullptr, Disabled, "FromTemplete1"},
    {"TablePopup", "Cancel1", "&Cancel", {}, "Close this menu", nullptr, SeparatorBefore, nullptr},
    // Ctrl+Q runs the quick table from anywhere in the window, as the pop-up's short-cut says.
    {nullptr, "QuickTableKey", "", {key(Qt::CTRL | Qt::Key_Q)}, "", nullptr, None, "QuickTable2"},
};

struct ButtonRow
{
    char bar;           // 'H' the horizontal bar, 'V' the vertical one
    const char* name;
    const char* hint;
    const char* picture;
    const char* command; // the action it runs; nullptr: see handler
    Handler handler;
    char before;         // '|' a separator, '~' the stretch, 0 nothing
};

constexpr ButtonRow kButtons[] = {
    {'H', "SpeedButton33", "View in Browser (F5)", "view-browser", "mnuViewinbrowser", nullptr, 0},
    {'H', "SpeedButton24", "New", "document-new", "QuickStart1", nullptr, '|'},
    {'H', "SpeedButton23", "Open", "document-open", "FileOpenItem", nullptr, 0},
    {'H', "SpeedButton25", "Save", "document-save", "FileSaveItem", nullptr, 0},
    {'H', "SpeedButton26", "Undo", "edit-undo", "EditUndoItem", nullptr, '|'},
    {'H', "SpeedButton27", "Cut", "edit-cut", "EditCutItem", nullptr, '|'},
    {'H', "SpeedButton28", "Copy", "edit-copy", "EditCopyItem", nullptr, 0},
    {'H', "SpeedButton29", "Paste", "edit-paste", "EditPasteItem", nullptr, 0},
    {'H', "SpeedButton30", "Insert Image (F6)", "insert-image", "Image1", nullptr, '|'},
    {'H', "SpeedButton31", "Insert Link (F7)", "insert-link", "InsertLink1", nullptr, 0},
    {'H', "SpeedButton32", "Insert Table", "insert-table", nullptr, &TMainForm::SpeedButton32Click, 0},
    {'H', "SpeedButton12", "Font and Style (F10)", "format-text", "FontandStyle1", nullptr, '|'},
    {'H', "SpeedButton14", "Color Picker (F2)", "color-picker", "Color1", nullptr, 0},
    {'H', "SpeedButton15", "Web Page Properties", "document-properties", "Document1", nullptr, 0},
    {'H', "SpeedButton1", "Help Contents", "help-contents", "HelpContentsItem", nullptr, '~'},
    {'V', "SpeedButton11", "New Paragraph", "format-paragraph", nullptr, nullptr, 0},
    {'V', "SpeedButton6", "Bold", "format-text-bold", "Bold1", nullptr, '|'},
    {'V', "SpeedButton7", "Italics", "format-text-italic", "Italic1", nullptr, 0},
    {'V', "SpeedButton8", "Underline", "format-text-underline", "Underline1", nullptr, 0},
    {'V', "SpeedButton9", "Line Break", "line-break", "LineBreak1", nullptr, '|'},
    {'V', "SpeedButton10", "Horizontal Line", "horizontal-line", "HorizontalLine1", nullptr, 0},
    {'V', "SpeedButton13", "Add Comment", "add-comment", "AddComment1", nullptr, '|'},
};
// clang-format on

// The table and the list of command names agree: every action the table makes is named in the
// list, every listed name gets its action, and rows and buttons run only listed commands.
consteval bool tableMatchesCommandNames()
{
    for (const CommandRow& row : kCommands) {
        if (!(row.flags & Submenu) && !isCommandName(row.name))
            return false;
        if (row.forwardsTo && !isCommandName(row.forwardsTo))
            return false;
    }
    for (std::string_view name : kCommandNames) {
        bool found = false;
        for (const CommandRow& row : kCommands)
            found = found || (!(row.flags & Submenu) && name == row.name);
        if (!found)
            return false;
    }
    for (const ButtonRow& row : kButtons)
        if (row.command && !isCommandName(row.command))
            return false;
    return true;
}
static_assert(tableMatchesCommandNames(), "the command table and kCommandNames disagree");

// A widget or pop-up entry that offers `command` is enabled exactly when the command is.
template <typename T> void followEnabled(T* follower, QAction* command)
{
    follower->setEnabled(command->isEnabled());
    QObject::connect(command, &QAction::enabledChanged, follower, &T::setEnabled);
}

} // namespace

void TMainForm::runCommand(Handler handler)
{
    runGuarded(this, [this, handler] { (this->*handler)(); });
}

void TMainForm::buildCommands()
{
    QHash<QString, QMenu*> menus;
    PopupRichEd = new QMenu(this);
    PopupRichEd->setObjectName(QStringLiteral("PopupRichEd"));
    TablePopup = new QMenu(this);
    TablePopup->setObjectName(QStringLiteral("TablePopup"));
    menus.insert(PopupRichEd->objectName(), PopupRichEd);
    menus.insert(TablePopup->objectName(), TablePopup);

    for (const CommandRow& row : kCommands) {
        const QString name = QString::fromLatin1(row.name);
        const QString caption = QString::fromUtf8(row.caption);
        QMenu* parent =
            row.menu && *row.menu ? menus.value(QString::fromLatin1(row.menu)) : nullptr;
        if (parent && (row.flags & SeparatorBefore))
            parent->addSeparator();

        QAction* item = nullptr;
        if (row.flags & Submenu) {
            QMenu* menu = parent ? parent->addMenu(caption) : menuBar()->addMenu(caption);
            menu->setObjectName(name);
            menus.insert(name, menu);
            item = menu->menuAction();
            item->setObjectName(name);
            menu->setEnabled(!(row.flags & Disabled));
        } else {
            item = new QAction(caption, this);
            item->setObjectName(name);
            if (parent)
                parent->addAction(item);
            else
                addAction(item); // a window-wide key
        }
        item->setStatusTip(QString::fromUtf8(row.hint));
        item->setEnabled(!(row.flags & Disabled));
        item->setCheckable(row.flags & Checkable);
        item->setChecked(row.flags & Checked);

        QList<QKeySequence> keys;
        for (int k : row.keys)
            if (k)
                keys.append(QKeySequence(k));
        item->setShortcuts(keys);
        const bool popupEntry = parent == PopupRichEd || parent == TablePopup;
        if (popupEntry)
            item->setShortcutContext(Qt::WidgetShortcut); // shown only; the menu bar has them
        else
            for (const QKeySequence& k : keys)
                RichEdit1->releaseKey(k[0].toCombined()); // the menu's command wins

        if (row.forwardsTo) {
            QAction* command = actions_.value(QString::fromLatin1(row.forwardsTo));
            Q_ASSERT(command);
            connect(item, &QAction::triggered, command, [command] {
                if (command->isEnabled())
                    command->trigger();
            });
            if (!(row.flags & Disabled))
                followEnabled(item, command);
        } else if (row.handler) {
            connect(item, &QAction::triggered, this, [this, h = row.handler] { runCommand(h); });
        }
        actions_.insert(name, item);
    }
    FileMenuItem = menus.value(QStringLiteral("FileMenuItem"));
    RichEdit1->setContextMenu(PopupRichEd);
    connect(RichEdit1, &TMarginRichEdit::contextMenuAboutToShow, this,
            &TMainForm::PopupRichEdPopup);
}

void TMainForm::buildToolbars()
{
    auto paint = [](QWidget* w) {
        w->setAutoFillBackground(true);
        QPalette p = w->palette();
        p.setColor(QPalette::Window, QColor(168, 206, 0));
        w->setPalette(p);
    };
    auto makeBar = [&](const char* name, QBoxLayout* layout, const QMargins& margins) {
        auto* bar = new QWidget(this);
        bar->setObjectName(QString::fromLatin1(name));
        paint(bar);
        bar->setLayout(layout);
        layout->setContentsMargins(margins);
        layout->setSpacing(1);
        return bar;
    };
    Speedbar = makeBar("Speedbar", new QHBoxLayout, QMargins(4, 10, 4, 10));
    Speedbar->setFixedHeight(49);
    // The bar's 600 x 47 background picture, at its left behind the buttons.
    auto* backdrop = new QLabel(Speedbar);
    backdrop->setObjectName(QStringLiteral("SpeedbarImage"));
    backdrop->setPixmap(vorlaneIcon(QStringLiteral("speedbar-background"))
                            .pixmap(QSize(600, 47), devicePixelRatio()));
    backdrop->setGeometry(0, 1, 600, 47);
    backdrop->setAttribute(Qt::WA_TransparentForMouseEvents);
    backdrop->lower();
    auto* left = new QVBoxLayout;
    Toolbar = makeBar("Toolbar", left, QMargins(5, 4, 5, 4));
    Toolbar->setFixedWidth(33);

    for (const ButtonRow& row : kButtons) {
        const bool horizontal = row.bar == 'H';
        QWidget* bar = horizontal ? Speedbar : Toolbar;
        if (row.before == '|') {
            auto* line = new QFrame(bar);
            line->setFrameShape(horizontal ? QFrame::VLine : QFrame::HLine);
            line->setFrameShadow(QFrame::Sunken);
            bar->layout()->addWidget(line);
        } else if (row.before == '~') {
            static_cast<QBoxLayout*>(bar->layout())->addStretch(1);
        }
        const QSize size = horizontal ? QSize(27, 28) : QSize(22, 22);
        auto* button = new QToolButton(bar);
        button->setObjectName(QString::fromLatin1(row.name));
        button->setAutoRaise(true);
        button->setFixedSize(size);
        button->setIconSize(size - QSize(6, 6));
        button->setToolTip(QString::fromLatin1(row.hint));
        button->setStatusTip(QString::fromLatin1(row.hint));
        button->setIcon(vorlaneIcon(QString::fromLatin1(row.picture)));
        button->setFocusPolicy(Qt::NoFocus);
        if (row.command) {
            QAction* command = actions_.value(QString::fromLatin1(row.command));
            Q_ASSERT(command);
            connect(button, &QToolButton::clicked, command, &QAction::trigger);
            followEnabled(button, command);
        } else if (row.handler) {
            connect(button, &QToolButton::clicked, this,
                    [this, h = row.handler] { runCommand(h); });
        }
        bar->layout()->addWidget(button);
    }
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
    Label1 = new TStatusLabel(QStringLiteral("Welcome to Vorlane"), Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    status->addWidget(Label1, 1);
    CaretPosition = new QLabel(Panel1);
    CaretPosition->setObjectName(QStringLiteral("CaretPosition"));
    CaretPosition->setTextFormat(Qt::PlainText);
    CaretPosition->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Wide enough for a five-digit line and a three-digit column, so it does not jump about.
    CaretPosition->setMinimumWidth(
        CaretPosition->fontMetrics().horizontalAdvance(QStringLiteral("Line 00000, Col 000")));
    status->addWidget(CaretPosition);
    SpeedButton5 = new QToolButton(Panel1);
    SpeedButton5->setObjectName(QStringLiteral("SpeedButton5"));
    SpeedButton5->setAutoRaise(true);
    SpeedButton5->setFixedSize(12, 8);
    SpeedButton5->setArrowType(Qt::DownArrow);
    SpeedButton5->setFocusPolicy(Qt::NoFocus);
    SpeedButton5->setToolTip(QStringLiteral("Align To Bottom"));
    SpeedButton5->setStatusTip(QStringLiteral("Align To Bottom"));
    connect(SpeedButton5, &QToolButton::clicked, this,
            [this] { runCommand(&TMainForm::SpeedButton5Click); });
    status->addWidget(SpeedButton5);
}
