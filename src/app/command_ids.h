#pragma once

#include <string_view>

// The name of every command of the window: its action's objectName, shared by its menu item,
// tool button, pop-up entry and key. The command table makes one action for each.
inline constexpr std::string_view kCommandNames[] = {
    "BlankPage1",
    "QuickStart1",
    "FromTemplate3",
    "FileOpenItem",
    "N110",
    "EditPagemarks2",
    "FileSaveItem",
    "FileSaveAsItem",
    "mnuViewinbrowser",
    "Preferences1",
    "FilePrintItem",
    "FileExitItem",
    "EditUndoItem",
    "EditCutItem",
    "EditCopyItem",
    "EditPasteItem",
    "SelectAll1",
    "Find1",
    "FindAgain1",
    "Replace1",
    "FindInFiles1",
    "GoToLine1",
    "MatchingTag1",
    "mnuWordWrap1",
    "Image1",
    "mnuInsertLink",
    "QuickTable2",
    "TableGenerator2",
    "FromTemplete1",
    "LineBreak1",
    "HorizontalLine1",
    "JavaApplet1",
    "JavaScript1",
    "Form1",
    "Button1",
    "InputText1",
    "AddComment1",
    "GreaterThan1",
    "LessThan1",
    "Space1",
    "Copyright1",
    "Registered1",
    "DateTime1",
    "Centered1",
    "Left1",
    "Right1",
    "Default1",
    "Center1",
    "Bold1",
    "Italic1",
    "Underline1",
    "Size1Large1",
    "H21",
    "H31",
    "H41",
    "H51",
    "H61",
    "FontandStyle1",
    "Color1",
    "Document1",
    "WelcomeForm1",
    "Refresh1",
    "HighlightMarkup1",
    "LineNumbers1",
    "TagCompletion1",
    "SpellingAsYouType1",
    "ShowToolbar1",
    "HideToolbar2",
    "StatusBar1",
    "LivePreview1",
    "PreviewFollowsCaret1",
    "PreviewRunsScripts1",
    "CheckPage1",
    "OpenSite1",
    "SitePanel1",
    "CheckSite1",
    "HelpContentsItem",
    "TipoftheDay1",
    "VorlaneHomepage1",
    "HTMLHelpby1",
    "VersionInfotxt1",
    "ReadmeDoctxt1",
    "HelpAboutItem",
    "Cut1",
    "Copy1",
    "Paste1",
    "Bold2",
    "Italics1",
    "Underline2",
    "mnuInsImg",
    "InsertLink1",
    "WebPageProperties1",
    "ViewinBrowser1",
    "QuickTable1",
    "TableGenerator1",
    "FromTemplete2",
    "Cancel1",
    "QuickTableKey",
};

consteval bool isCommandName(std::string_view name)
{
    for (std::string_view command : kCommandNames)
        if (command == name)
            return true;
    return false;
}

// A command named in the code: only a name from the list above compiles, so a misspelt one
// is caught by the compiler, not by a null action at run time.
class CommandId
{
public:
    consteval CommandId(const char* name) : name_(name)
    {
        if (!isCommandName(name))
            throw "not the name of a command of the window";
    }
    const char* name() const { return name_; }

private:
    const char* name_;
};
