#pragma once

#include "app/command_ids.h"
#include "app/document.h"

#include "core/document_codec.h"

#include <QColor>
#include <QHash>
#include <QMainWindow>
#include <QStringList>

#include <memory>
#include <optional>

class QAction;
class QFileSystemWatcher;
class QPushButton;
class QTimer;
class RecoverySlot;
class RecoveryTextFeed;
class RecoveryWriter;
class QFrame;
class QLabel;
class QMenu;
class QSplitter;
class QToolButton;
class QHBoxLayout;
class QVBoxLayout;
class QWidget;
class TMarginRichEdit;
class TMRUFileList;
class TTrayIcon;
class QSplitter;
class TLivePreviewPane;
class TFindDialog;
class TReplaceDialog;
class THelpWindow;
class TCheckPanel;
class TFindResultsPanel;
class TSpellingAsYouType;
class TSitePanel;
class RecentFilesModel;

// The main window: menus, tool bars, status panel and the editor pane, and every command of
// the program. Each command is a slot named after its handler; menu items are QActions whose
// objectName is the item's name, shared by tool buttons and context menus.
class TMainForm : public QMainWindow
{
    Q_OBJECT
public:
    // Creation: builds the window and restores the stored geometry. `commandLineFile` is the
    // first program argument (empty when none); it is looked at by the start-up sequence.
    explicit TMainForm(const QString& commandLineFile = QString(), QWidget* parent = nullptr);
    ~TMainForm() override;

    // ---- document state ----
    const QString& DocumentFileName() const { return document_.fileName(); }
    void SetDocumentName(const QString& name);
    // Asks "Save changes to %s?" when the page is modified. False: the calling command stops
    // (Cancel, or Yes followed by a cancelled Save As). A failing save raises its AppError.
    bool AskSaveChanges();
    // Replaces the editor text with the file's text; clears the modified flag.
    // Raises "Cannot open file %s" and leaves everything as it was.
    void LoadDocument(const QString& path);
    // Writes the editor text to path (CR LF, the page's encoding, atomically or in place).
    // `asName`: replace the name with a new file rather than write through it.
    void WriteDocument(const QString& path, bool asName = false);
    const TextFormat& documentFormat() const { return document_.format(); }
    const Document& document() const { return document_; }

    TMarginRichEdit* editor() const { return RichEdit1; }
    QAction* action(CommandId command) const;
    // The same, for a name only known at run time; nullptr when no command has it.
    QAction* actionNamed(const QString& name) const;
    // Fires a menu item as a click would: a disabled item does nothing.
    void invokeMenuItem(CommandId command);
    void invokeMenuItemNamed(const QString& name);

    // ---- changes on disk, recovery ----
    // Compares the page's file with what was last read or written: an unmodified page is
    // reloaded quietly, a modified one gets the bar above the editor. Runs when the watcher
    // reports and whenever the window becomes active.
    void checkDiskChange();
    // Writes the recovery copy now rather than when typing pauses, and waits for it.
    void writeRecoveryCopyNow(bool wait = false);
    QString recoveryCopyPath() const;

    // Start-up sequence; runs once, after the window is first shown.
    void FormActivate();
    bool startupDone() const { return startupDone_; }

    // Current preview values: copies of "Use Temp", "Temp Filename" and "Browser", taken at
    // start-up and refreshed when the preferences close.
    struct PreviewValues
    {
        QString useTemp = QStringLiteral("Y");
        QString tempFilename = QStringLiteral("pagetmp.htm");
        QString browser = QStringLiteral("None");
    };
    const PreviewValues& previewValues() const { return preview_; }
    void setPreviewValues(const PreviewValues& values) { preview_ = values; }
    void refreshFromPreferences(bool confirmed, const QString& tempFilename);

    // Starting folder of Open and proposed name of Save As.
    const QString& openDialogFolder() const { return openDialogFolder_; }
    const QString& saveDialogFileName() const { return saveDialogFileName_; }
    // The colour picker's colour of this run; invalid until a colour was picked.
    QColor lastPickedColor() const { return lastPickedColor_; }

    // Applies "Font" and "Font Size" to the editor; raises on a size that is not a number.
    void applyEditorFontFromSettings();
    bool statusPanelAtBottom() const { return statusAtBottom_; }
    void setStatusPanelAtBottom(bool bottom);

    // Controls, named as on the form.
    TMarginRichEdit* RichEdit1 = nullptr;
    QWidget* Speedbar = nullptr;
    QWidget* Toolbar = nullptr;
    QFrame* Panel1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* CaretPosition = nullptr; // "Line L, Col C", at the panel's right end
    QToolButton* SpeedButton5 = nullptr;
    QMenu* PopupRichEd = nullptr;
    QMenu* TablePopup = nullptr;
    QMenu* FileMenuItem = nullptr;
    QFrame* DiskChangeBar = nullptr; // "... was changed by another program." [Reload] [Keep Mine]
    QLabel* DiskChangeLabel = nullptr;
    QPushButton* ReloadButton = nullptr;
    QPushButton* KeepMineButton = nullptr;

    // ---- owned by the feature areas (created in their init functions) ----
    TMRUFileList* MRUFileList1 = nullptr; // recent files
    TTrayIcon* TrayIcon = nullptr;        // notification area
    QMenu* TrayPopup = nullptr;
    // Find and replace, made the first time either is asked for.
    TFindDialog* findDialog();
    TReplaceDialog* replaceDialog();
    THelpWindow* helpWindow = nullptr;
    TCheckPanel* CheckPanel = nullptr;             // page check, made on first use
    TFindResultsPanel* FindResultsPanel = nullptr; // Find in Files, made on first use
    QSplitter* LivePreviewSplitter = nullptr; // the editor and the live preview; made with a panel
    TLivePreviewPane* LivePreviewPane = nullptr; // made the first time it is shown
    TSitePanel* SitePanel = nullptr;             // made the first time it is shown
    QMenu* RecentSitesMenu = nullptr;

    // ---- the site ----
    // The folder the site panel shows, Find in Files searches, the live preview and the link
    // check may read: the site the user opened (when the page lies in it), else the rule for
    // the page alone. Empty for an untitled page when no site was opened.
    QString siteFolder() const;
    const QString& chosenSite() const { return chosenSite_; }
    // Makes `folder` the site (File > Open Site, Recent Sites); raises when it is no folder.
    void openSite(const QString& folder);
    // Renames or moves an entry of the site, every link to it changed; asks first.
    void renameInSite(const QString& from, const QString& to);
    // What a double-click or Enter on an entry of the site panel does.
    void activateSiteFile(const QString& path);

public Q_SLOTS:
    // Document files
    void BlankPage1Click();
    void FileOpenItemClick();
    void MRUFileList1MRUItemClick(QObject* sender, const QString& fileName);
    void FileSave();
    void FileSaveAs();
    void FilePrint();
    void FileExit();
    // Edit
    void EditUndo();
    void EditCut();
    void EditCopy();
    void EditPaste();
    void SelectAll1Click();
    void mnuWordWrap1Click();
    void GoToLine1Click();
    void MatchingTag1Click();
    void PopupRichEdPopup();
    // Markup commands
    void Centered1Click();
    void Left1Click();
    void Right1Click();
    void Default1Click();
    void Center1Click();
    void Bold1Click();
    void Italic1Click();
    void Underline1Click();
    void Size1Large1Click();
    void H21Click();
    void H31Click();
    void H4Click();
    void H51Click();
    void H61Click();
    void QuickTable2Click();
    void LineBreak1Click();
    void AddComment1Click();
    void GreaterThan1Click();
    void LessThan1Click();
    void Space1Click();
    void Copyright1Click();
    void Registered1Click();
    void DateTime1Click();
    // Colours, page properties, Quick Start
    void Color1Click();
    void Document1Click();
    // `fromPage`: the values Web Page Properties read from the page; those still unchanged
    // are written back as they were.
    void GenerateBody(const QString& bgImage, const QString& bgColor, const QString& text,
                      const QString& link, const QString& vlink, const QString& alink,
                      const QStringList& fromPage = {});
    void QuickStart1Click();
    // Wizards
    void Image1Click();
    void mnuInsertLinkClick();
    void InsertLink1Click();
    void TableGenerator2Click();
    void SpeedButton32Click();
    // Preferences, preview, welcome, tips
    void Preferences1Click();
    void mnuViewinbrowserClick();
    void LoadUrl(const QString& url);
    void WelcomeForm1Click();
    void TipoftheDay1Click();
    // Find and replace, markup dialogs, tag list
    void Find1Click();
    void Replace1Click();
    void FindInFiles1Click();
    void FindDialog1Find();
    void ReplaceDialog1Find();
    void ReplaceDialog1Replace();
    void ReplaceDialog1ReplaceAll();
    void FontandStyle1Click();
    void HorizontalLine1Click();
    void JavaApplet1Click();
    void Refresh1Click();
    void HighlightMarkup1Click();
    void LineNumbers1Click();
    void TagCompletion1Click();
    void SpellingAsYouType1Click();
    // Chrome, help, tray, about, templates
    void ShowToolbar1Click();
    void HideToolbar2Click();
    void StatusBar1Click();
    void LivePreview1Click();
    void PreviewFollowsCaret1Click();
    void PreviewRunsScripts1Click();
    void SpeedButton5Click();
    void TrayIconClick();
    void TrayIconRightClick(const QPoint& globalPos);
    void HelpContents();
    void VorlaneHomepage1Click();
    void HTMLHelpby1Click();
    void VersionInfotxt1Click();
    void ReadmeDoctxt1Click();
    void HelpAbout();
    void FromTemplete1Click();
    void FromTemplate3Click();
    void EditPagemarks2Click();
    // Page check
    void CheckPage1Click();
    // The site
    void OpenSite1Click();
    void SitePanel1Click();
    void CheckSite1Click();

protected:
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    // Where a file chooser starts: the page's folder, else the one remembered, else home;
    // never the program's own folder.
    QString dialogStartFolder(const QString& remembered) const;
    // Building the window.
    void buildCommands(); // every menu item, pop-up entry and window-wide key, from one table
    void buildToolbars(); // the two tool bars and the status panel
    void buildLayout();
    void placeInSplitters();                       // before the first panel opens
    void runCommand(void (TMainForm::*handler)()); // inside the error guard
    void restoreGeometryFromSettings();

    // Start-up and closing.
    void runStartup();
    bool FormCloseQuery();
    void FormClose();
    void reopenFile(const QString& path); // the welcome window's "RE" choice

    // Saving. False when the user cancelled a Save As.
    bool saveDocument();
    bool saveDocumentAs();
    // Before a save over the page's own file: asks when another program changed it since it
    // was read or written. False: leave everything as it is. `asName`: the name became a link
    // or another user's file, so it is replaced rather than written through.
    bool confirmDiskChangeBeforeSave(const QString& path, bool* asName);
    // "%s is already open in another Vorlane window." False: do not open it.
    bool confirmNotOpenElsewhere(const QString& path);
    // The page's text is on disk or given up: no recovery copy, no bar, the watcher re-armed.
    void pageSettled();
    void buildDiskChangeBar(QWidget* parent);
    void showDiskChangeBar(bool deleted);
    void reloadKeepingLine();
    void armWatcher();
    void setupRecovery();
    void scheduleRecoveryCopy();
    void dropRecoveryCopy();
    // The writer's copy of the text: started when the first copy is asked for (typing has
    // paused, or gone on for a while), sent in pieces, then kept by the edits.
    void startRecoveryText();
    void feedRecoveryText();
    void onBytesEditing(long position, long deleted, const char* inserted, long insertedLength);
    // Start-up offers: interrupted saves, then pages of windows that are gone. True when a
    // page was recovered into this window.
    void offerInterruptedSaves();
    bool offerRecoveryCopies();

    // Parts of the window made after the menus; each lives beside its commands.
    void attachParagraphMenu();
    void createRecentFilesList();
    TFindDialog* FindDialog1 = nullptr;
    TReplaceDialog* ReplaceDialog1 = nullptr;
    void searchForward(const QString& text);
    // Find in Files: opening a match, and writing the replacements once the search is done.
    void openFoundMatch(const QString& path, long from, long to);
    void showCheckPanel();
    void checkOpenPage();
    void replaceInFiles();
    bool replaceInFilesPending_ = false;
    void createTrayIcon();
    void attachMenuPictures();
    QString showWelcomeAtStartup(); // returns the welcome choice
    void addToRecentFiles(const QString& path);
    void onMinimized();
    void showNotice(const QString& text);
    // Highlighting, line numbers and tag completion, from their settings.
    void applyMarkupHelpSettings();
    // "Line L, Col C" in the status label, unless a hint or a start-up message holds it.
    void showCaretPosition();
    // Live preview.
    void restoreLivePreview(); // the stored switches, after the start-up sequence
    void showLivePreview(bool shown);
    void openLinkedPage(const QString& path);
    void storeLivePreviewWidth();
    // The site: recent sites, the panel and its entries' commands.
    void createSiteParts();
    void rebuildRecentSites();
    void restoreSitePanel();
    void showSitePanel(bool shown);
    void siteChanged();
    // An entry of the panel, checked to be a regular file (or folder) inside the site.
    QString siteEntry(const QString& path, bool folderAllowed) const;
    void newSitePage(const QString& folder);
    void renameSiteEntry(const QString& path);
    void deleteSiteEntry(const QString& path);
    void insertPictureFile(const QString& path);
    QString chosenSite_;
    std::unique_ptr<RecentFilesModel> recentSites_;
    QSplitter* siteSplitter_ = nullptr; // the site panel beside everything else

    Document document_;
    std::unique_ptr<RecoverySlot> recoverySlot_;
    std::unique_ptr<RecoveryWriter> recoveryWriter_; // after the slot: it stops first
    std::unique_ptr<RecoveryTextFeed> recoveryFeed_; // after the writer it feeds
    QTimer* recoveryFeedTimer_ = nullptr;            // the next piece of the text, between events
    bool recoveryCopyWanted_ = false;                // once the writer has the whole text
    QTimer* recoveryPause_ = nullptr;                // about a second after typing pauses
    QTimer* recoveryLongest_ = nullptr;              // at least every five seconds of typing
    QFileSystemWatcher* watcher_ = nullptr;
    QTimer* watchDelay_ = nullptr;
    std::optional<DiskIdentity> barIdentity_; // the file as the bar last told about it
    bool recoveryCopyAsked_ = false;          // a copy may be on disk
    bool checkingDisk_ = false;
    PreviewValues preview_;
    QString openDialogFolder_;
    QString saveDialogFolder_;
    QString saveDialogFileName_;
    QColor lastPickedColor_;
    QString lastNotice_; // what loading or saving last said in the status label
    TSpellingAsYouType* spelling_ = nullptr;
    // The spelling entries put at the top of the editor's menu for the word right-clicked.
    QList<QAction*> spellingEntries_;
    void addSpellingEntries();
    QString commandLineFile_;
    QHash<QString, QAction*> actions_;
    QVBoxLayout* rootLayout_ = nullptr;
    QHBoxLayout* body_ = nullptr;         // the tool bar, then the editor or the splitters round it
    QSplitter* editorSplitter_ = nullptr; // the editor over the page check panel
    bool statusAtBottom_ = false;
    bool startupDone_ = false;
    bool startupQueued_ = false;
    bool centreOnShow_ = true;
};
