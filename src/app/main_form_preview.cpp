// Preferences, browser preview, recent files, welcome window and tips.
#include "app/main_form.h"

#include "app/preferences_dialog.h"
#include "app/tip_dialog.h"
#include "app/welcome_dialog.h"
#include "core/app_error.h"
#include "core/command_guard.h"
#include "core/document_file.h"
#include "core/file_names.h"
#include "core/prompter.h"
#include "core/recent_files.h"
#include "core/settings_store.h"
#include "editor/margin_rich_edit.h"
#include "editor/spelling_as_you_type.h"
#include "preview/browser_preview.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>

namespace {

void connectWelcome(TMainForm& form, TWelcome& welcome)
{
    QObject::connect(&welcome, &TWelcome::preferencesClosed, &form,
                     guardedSlot(&form, &TMainForm::refreshFromPreferences));
}

// A temporary file that is the page itself under another name (a link, "..", the page's own
// name) would overwrite the page with every preview.
void refuseOverwritingPage(const QString& previewPath, const QString& documentPath)
{
    const QString preview = QFileInfo(previewPath).canonicalFilePath();
    if (!preview.isEmpty() && preview == QFileInfo(documentPath).canonicalFilePath()) {
        throw AppError(QStringLiteral("The preview file %1 is the page itself. Choose another "
                                      "temporary file name in File | Preferences.")
                           .arg(previewPath));
    }
}

} // namespace

// What the running program takes over once the preferences have closed, by either button.
void TMainForm::refreshFromPreferences(bool confirmed, const QString& tempFilename)
{
    if (confirmed) {
        preview_.useTemp = ReadSetting(Setting::UseTemp);
        preview_.tempFilename = tempFilename;
    }
    preview_.browser = ReadSetting(Setting::Browser);
    // The font name is taken even when the stored size turns out not to be a number.
    QFont font = RichEdit1->DisplayFont();
    font.setFamily(ReadSetting(Setting::Font));
    RichEdit1->SetDisplayFont(font);
    applyEditorFontFromSettings();
    spelling_->setChosenLanguage(ReadSetting(Setting::SpellingLanguage));
}

void TMainForm::createRecentFilesList()
{
    MRUFileList1 = new TMRUFileList(this);
    MRUFileList1->setObjectName(QStringLiteral("MRUFileList1"));
    MRUFileList1->setMaximum(4);
    MRUFileList1->setFileMenu(FileMenuItem->menuAction());
    connect(MRUFileList1, &TMRUFileList::MRUItemClick, this,
            guardedSlot(this, &TMainForm::MRUFileList1MRUItemClick));
    MRUFileList1->Loaded();
}

void TMainForm::addToRecentFiles(const QString& path)
{
    if (MRUFileList1)
        MRUFileList1->AddItem(path);
}

QString TMainForm::showWelcomeAtStartup()
{
    TWelcome welcome(this);
    welcome.CheckBox1->setChecked(true);
    connectWelcome(*this, welcome);
    prompter().exec(welcome);
    return welcome.choice();
}

void TMainForm::WelcomeForm1Click()
{
    {
        TWelcome welcome(this);
        welcome.CheckBox1->setChecked(ReadFlag(Setting::Welcome));
        connectWelcome(*this, welcome);
        // Opened from the menu, the window's choice is not carried out.
        prompter().exec(welcome);
    }
    RichEdit1->FocusEditor();
}

void TMainForm::TipoftheDay1Click()
{
    {
        TTipOfTheDay tip(this);
        prompter().exec(tip);
    }
    RichEdit1->FocusEditor();
}

void TMainForm::Preferences1Click()
{
    bool confirmed = false;
    QString tempFilename;
    {
        TPrefs prefs(this);
        confirmed = prompter().exec(prefs) == QDialog::Accepted;
        tempFilename = prefs.Edit2->text();
    }
    refreshFromPreferences(confirmed, tempFilename);
    RichEdit1->FocusEditor();
}

void TMainForm::mnuViewinbrowserClick()
{
    // An untitled page is saved first; without a name there is nothing sound to preview.
    if (document_.isUntitled() && !saveDocumentAs())
        return;
    const QString previewPath =
        previewFilePath(document_.fileName(), preview_.useTemp, preview_.tempFilename);
    // The page's name, encoding and modified flag stay as they are.
    if (preview_.useTemp == QLatin1String("N")) {
        document_.save(previewPath, RichEdit1->EditorTextRuns());
    } else {
        refuseOverwritingPage(previewPath, document_.fileName());
        // Someone else may have put a link at the temporary name; it is replaced, not followed.
        writePreviewFile(previewPath, RichEdit1->EditorTextRuns(), document_.format());
    }
    const QFileInfo preview(previewPath);
    showInBrowser(this, preview_.browser, preview.absoluteFilePath(), preview.absolutePath());
}

void TMainForm::LoadUrl(const QString& url)
{
    showInBrowser(this, preview_.browser, url, QDir::currentPath());
}
