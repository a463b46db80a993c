// Window chrome, help, tray icon, about box and the template dialogs.
#include "app/main_form.h"

#include "app/about_box.h"
#include "app/help_window.h"
#include "app/tray_icon.h"
#include "core/command_guard.h"
#include "core/file_names.h"
#include "core/icons.h"
#include "core/pending_markup.h"
#include "core/program_files.h"
#include "core/prompter.h"
#include "core/settings_store.h"
#include "editor/margin_rich_edit.h"
#include "wizards/page_templates_dialog.h"
#include "wizards/pagemarks_dialog.h"
#include "wizards/table_templates_dialog.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>

namespace {

const QString kHtmlHelpSite = QStringLiteral("https://www.htmlhelp.com/");

// Replaces the document with one of the text files that ship with the program. The file
// becomes the document: a later Save writes to it.
void loadProgramText(TMainForm& form, const QString& fileName)
{
    if (!form.AskSaveChanges())
        return;
    const QString path = programFilesFolder() + fileName;
    form.LoadDocument(path);
    form.SetDocumentName(path);
    form.editor()->FocusEditor();
    form.editor()->SetModifiedFlag(false);
}

} // namespace

void TMainForm::createTrayIcon()
{
    TrayIcon = new TTrayIcon(this);
    TrayIcon->SetIcon(vorlaneIcon(QStringLiteral("vorlane")));
    TrayIcon->SetToolTip(QStringLiteral("Vorlane"));
    connect(TrayIcon, &TTrayIcon::OnClick, this, guardedSlot(this, &TMainForm::TrayIconClick));
    connect(TrayIcon, &TTrayIcon::OnRightClick, this,
            [this](Qt::MouseButton, Qt::KeyboardModifiers, const QPoint& pos) {
                runGuarded(this, [this, pos] { TrayIconRightClick(pos); });
            });

    TrayPopup = new QMenu(this);
    TrayPopup->setObjectName(QStringLiteral("TrayPopup"));
    auto* restore = new QAction(QStringLiteral("Restore Vorlane"), TrayPopup);
    restore->setObjectName(QStringLiteral("ShowVorlane1"));
    connect(restore, &QAction::triggered, this, guardedSlot(this, &TMainForm::TrayIconClick));
    TrayPopup->addAction(restore);
    TrayPopup->setDefaultAction(restore); // shown bold
    TrayPopup->addSeparator();
    auto* exitItem = new QAction(QStringLiteral("Exit Vorlane"), TrayPopup);
    exitItem->setObjectName(QStringLiteral("ExitVorlane1"));
    exitItem->setEnabled(false);
    TrayPopup->addAction(exitItem);
}

void TMainForm::attachMenuPictures()
{
    static const struct
    {
        CommandId item;
        const char* picture;
    } pictures[] = {
        {"FileOpenItem", "MenuOpen"},
        {"FileSaveItem", "MenuSave"},
        {"mnuViewinbrowser", "MenuView"},
        {"FileExitItem", "MenuClose"},
        {"BlankPage1", "MenuNew"},
        {"FromTemplate3", "MenuOpen"},
        {"Image1", "MenuImage"},
        {"mnuInsertLink", "MenuLink"},
        {"HelpContentsItem", "MenuHelpContents"},
        {"HelpAboutItem", "MenuAbout"},
    };
    for (const auto& p : pictures) {
        if (QAction* item = action(p.item))
            item->setIcon(vorlaneIcon(QString::fromLatin1(p.picture)));
    }
}

void TMainForm::onMinimized()
{
    // Read at every minimise, so a change in the preferences applies to the next one.
    if (!ReadFlag(Setting::TaskTray))
        return;
    // Without a notification area a hidden window could never be brought back: it stays
    // minimised in the task bar instead.
    if (!TrayIcon->canShow())
        return;
    // Hidden once the minimise has run its course: a show() that is part of it would undo
    // an earlier hide.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!(windowState() & Qt::WindowMinimized))
                return;
            hide();
            TrayIcon->SetActive(true);
        },
        Qt::QueuedConnection);
}

void TMainForm::TrayIconClick()
{
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
    TrayIcon->SetActive(false);
}

void TMainForm::TrayIconRightClick(const QPoint& globalPos)
{
    TrayPopup->popup(globalPos);
}

void TMainForm::HelpContents()
{
    const QString folder = helpFolder();
    const QString contents = folder + QStringLiteral("index.html");
    if (!QFileInfo(contents).isFile()) {
        prompter().error(this, QStringLiteral("Cannot find the help pages: %1 does not exist. "
                                              "Please reinstall Vorlane.")
                                   .arg(QDir::toNativeSeparators(contents)));
        return;
    }
    const bool first = !helpWindow;
    if (first) {
        helpWindow = new THelpWindow(this);
        connect(helpWindow, &THelpWindow::externalLinkRequested, this,
                guardedSlot(this, &TMainForm::LoadUrl));
    }
    helpWindow->showContents(folder);
    helpWindow->show();
    if (first) {
        // It opens centred over the main window; later the user places it.
        QRect frame = helpWindow->frameGeometry();
        frame.moveCenter(frameGeometry().center());
        helpWindow->move(frame.topLeft());
    }
    helpWindow->raise();
    helpWindow->activateWindow();
}

void TMainForm::VorlaneHomepage1Click()
{
    LoadUrl(kVorlaneHomePage);
}

void TMainForm::HTMLHelpby1Click()
{
    LoadUrl(kHtmlHelpSite);
}

void TMainForm::VersionInfotxt1Click()
{
    loadProgramText(*this, QStringLiteral("version.txt"));
}

void TMainForm::ReadmeDoctxt1Click()
{
    loadProgramText(*this, QStringLiteral("readme.txt"));
}

void TMainForm::HelpAbout()
{
    TAboutBox box(this);
    connect(&box, &TAboutBox::helpRequested, this, guardedSlot(this, &TMainForm::HelpContents));
    prompter().exec(box);
    RichEdit1->FocusEditor();
}

void TMainForm::FromTemplete1Click()
{
    TTableTempletes chooser(this);
    prompter().exec(chooser);
    RichEdit1->FocusEditor();
}

void TMainForm::FromTemplate3Click()
{
    const QString chosen = PendingMarkup::takeAfter([this] {
                               TPageTempletes chooser(this);
                               prompter().exec(chooser);
                           }).text;
    if (!chosen.isEmpty() && chosen != TPageTempletes::kCanceledTemplate && AskSaveChanges()) {
        SetDocumentName(kUntitled);
        RichEdit1->ClearText();
        LoadDocument(templatesFolder() + chosen);
        RichEdit1->SetModifiedFlag(false);
    }
    RichEdit1->FocusEditor();
}

void TMainForm::EditPagemarks2Click()
{
    TPagemarks editor(this);
    prompter().exec(editor);
}
