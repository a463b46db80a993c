#include "app/main_form.h"

#include "core/app_error.h"
#include "core/command_guard.h"
#include "core/file_names.h"
#include "core/icons.h"
#include "core/prompter.h"
#include "core/recent_files.h"
#include "core/recovery_store.h"
#include "core/settings_store.h"
#include "editor/margin_rich_edit.h"
#include "editor/spelling_as_you_type.h"
#include "preview/live_preview_pane.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

TMainForm::TMainForm(const QString& commandLineFile, QWidget* parent)
    : QMainWindow(parent), commandLineFile_(absoluteFileName(commandLineFile))
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Vorlane"));
    setWindowIcon(vorlaneIcon(QStringLiteral("vorlane")));
    resize(606, 452);
    // The window's size limits.
    setMinimumSize(605, 400);
    setMaximumSize(32000, 32000);

    RichEdit1 = new TMarginRichEdit(this);
    connect(RichEdit1, &TMarginRichEdit::caretMoved, this, &TMainForm::showCaretPosition);
    spelling_ = new TSpellingAsYouType(*RichEdit1);
    connect(spelling_, &TSpellingAsYouType::noDictionary, this, [this] {
        showNotice(QStringLiteral("No spelling dictionary is installed (hunspell-en-us and "
                                  "others); spelling is not checked."));
    });
    connect(spelling_, &TSpellingAsYouType::noSpellChecker, this, [this](const QString& why) {
        showNotice(why + QStringLiteral("; spelling is not checked."));
    });
    // The editor gets its font and highlighting before it is first shown: every style set on a
    // shown editor repaints it. The start-up sequence reads the same settings again, finds
    // them in place, and reports a setting it cannot read.
    try {
        applyEditorFontFromSettings();
        RichEdit1->SetHighlighting(ReadFlag(Setting::Highlighting));
    } catch (const AppError&) {
    }
    buildCommands();
    buildToolbars();
    buildLayout();
    showCaretPosition();
    setupRecovery();

    // Creation steps: hint handler (event()), chooser folders, name, stored geometry.
    openDialogFolder_.clear(); // the choosers start in the page's folder or at home
    saveDialogFolder_.clear();
    SetDocumentName(kUntitled);
    runGuarded(this, [this] { restoreGeometryFromSettings(); });

    attachParagraphMenu();
    createRecentFilesList();
    createSiteParts();
    createTrayIcon();
}

TMainForm::~TMainForm() = default;

QAction* TMainForm::action(CommandId command) const
{
    return actions_.value(QLatin1String(command.name()), nullptr);
}

QAction* TMainForm::actionNamed(const QString& name) const
{
    return actions_.value(name, nullptr);
}

void TMainForm::invokeMenuItem(CommandId command)
{
    invokeMenuItemNamed(QLatin1String(command.name()));
}

void TMainForm::invokeMenuItemNamed(const QString& name)
{
    QAction* item = actionNamed(name);
    if (item && item->isEnabled())
        item->trigger();
}

void TMainForm::buildLayout()
{
    auto* central = new QWidget(this);
    rootLayout_ = new QVBoxLayout(central);
    rootLayout_->setContentsMargins(0, 0, 0, 0);
    rootLayout_->setSpacing(0);
    rootLayout_->addWidget(Speedbar);
    rootLayout_->addWidget(Panel1);
    buildDiskChangeBar(central);
    rootLayout_->addWidget(DiskChangeBar);
    body_ = new QHBoxLayout;
    body_->setSpacing(0);
    body_->addWidget(Toolbar);
    // The editor alone until a panel opens beside or under it (see placeInSplitters).
    RichEdit1->setParent(central);
    body_->addWidget(RichEdit1, 1);
    rootLayout_->addLayout(body_, 1);
    setCentralWidget(central);
    RichEdit1->setFocus();
}

void TMainForm::placeInSplitters()
{
    if (siteSplitter_)
        return;
    // The editor with the check panel under it, the live preview beside both and the site
    // panel beside everything. Made when the first panel opens: a start of the window, with
    // no panel, pays for none of them.
    const bool focused = RichEdit1->hasFocus();
    QWidget* central = RichEdit1->parentWidget();
    siteSplitter_ = new QSplitter(Qt::Horizontal, central);
    siteSplitter_->setObjectName(QStringLiteral("SiteSplitter"));
    siteSplitter_->setChildrenCollapsible(false);
    LivePreviewSplitter = new QSplitter(Qt::Horizontal, siteSplitter_);
    LivePreviewSplitter->setObjectName(QStringLiteral("LivePreviewSplitter"));
    LivePreviewSplitter->setChildrenCollapsible(false);
    siteSplitter_->addWidget(LivePreviewSplitter);
    editorSplitter_ = new QSplitter(Qt::Vertical, LivePreviewSplitter);
    editorSplitter_->setObjectName(QStringLiteral("EditorSplitter"));
    editorSplitter_->setChildrenCollapsible(false);
    LivePreviewSplitter->addWidget(editorSplitter_);
    delete body_->replaceWidget(RichEdit1, siteSplitter_);
    editorSplitter_->addWidget(RichEdit1);
    siteSplitter_->show();
    if (focused)
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
    if (SettingExists(Setting::FormWidth))
        resize(parseDecimalInt(ReadSetting(Setting::FormWidth)), height());
    if (SettingExists(Setting::FormHeight))
        resize(width(), parseDecimalInt(ReadSetting(Setting::FormHeight)));
}

void TMainForm::SetDocumentName(const QString& name)
{
    document_.setFileName(name);
    if (recoverySlot_) {
        recoverySlot_->setPageName(document_.path());
        armWatcher();
    }
    if (LivePreviewPane)
        LivePreviewPane->setDocumentPath(name == kUntitled ? QString() : name);
    setWindowTitle(QStringLiteral("%1 - %2").arg(fileNamePart(name), QStringLiteral("Vorlane")));
    siteChanged();
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
    runGuarded(this, [this] { restoreLivePreview(); });
    runGuarded(this, [this] { restoreSitePanel(); });
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
    const bool wrap = ReadFlag(Setting::WordWrap);
    RichEdit1->SetWordWrap(wrap);
    action("mnuWordWrap1")->setChecked(wrap);
    applyEditorFontFromSettings();
    applyMarkupHelpSettings();
    preview_ = {ReadSetting(Setting::UseTemp), ReadSetting(Setting::TempFilename),
                ReadSetting(Setting::Browser)};
    Label1->setText(QStringLiteral("Loading [.. ]"));
    attachMenuPictures();
    Label1->setText(QStringLiteral("Loading [...]"));
    if (ReadSetting(Setting::StatusBar) == QLatin1String("Bottom")) {
        setStatusPanelAtBottom(true);
        SpeedButton5->setToolTip(QStringLiteral("Align to Top"));
        SpeedButton5->setStatusTip(QStringLiteral("Align to Top"));
    }
    Label1->setText(QStringLiteral("Welcome to Vorlane!"));

    offerInterruptedSaves();
    if (offerRecoveryCopies()) {
        RichEdit1->FocusEditor();
        return;
    }
    // A folder, a pipe or a device is no page; reading a pipe or a device could wait forever.
    const QFileInfo commandLine(commandLineFile_);
    if (!commandLineFile_.isEmpty() && commandLine.exists() && !commandLine.isFile())
        throw AppError(QStringLiteral("Cannot open file %1").arg(commandLineFile_));
    if (!commandLineFile_.isEmpty() && commandLine.isFile() &&
        confirmNotOpenElsewhere(commandLineFile_)) {
        LoadDocument(commandLineFile_);
        SetDocumentName(commandLineFile_);
    } else if (ReadFlag(Setting::Welcome)) {
        const QString choice = showWelcomeAtStartup();
        if (choice == QLatin1String("QS"))
            invokeMenuItem("QuickStart1");
        else if (choice == QLatin1String("TE"))
            invokeMenuItem("FromTemplate3");
        else if (choice == QLatin1String("OP"))
            invokeMenuItem("FileOpenItem");
        else if (choice.startsWith(QLatin1String("RE")))
            reopenFile(choice.mid(2));
    } else if (ReadFlag(Setting::QuickStart)) {
        invokeMenuItem("QuickStart1");
    }
    RichEdit1->FocusEditor();
}

void TMainForm::showCaretPosition()
{
    // Its own field: the status label stays with hints and messages.
    if (!CaretPosition)
        return;
    CaretPosition->setText(QStringLiteral("Line %1, Col %2")
                               .arg(RichEdit1->CaretLine())
                               .arg(RichEdit1->CaretColumn()));
}

void TMainForm::reopenFile(const QString& entry)
{
    if (!AskSaveChanges())
        return;
    const QString path = absoluteFileName(entry);
    if (!confirmNotOpenElsewhere(path))
        return;
    LoadDocument(path);
    SetDocumentName(path);
    RichEdit1->FocusEditor();
    RichEdit1->SetModifiedFlag(false);
    openDialogFolder_ = folderForDialog(path);
}

QString TMainForm::dialogStartFolder(const QString& remembered) const
{
    const QString program = folderForDialog(executableFolder());
    const QString page = document_.isUntitled() ? QString() : folderForDialog(document_.fileName());
    for (const QString& folder : {page, remembered})
        if (!folder.isEmpty() && folder != program && QFileInfo(folder).isDir())
            return folder;
    return QDir::homePath();
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
    WriteSetting(Setting::StatusBar,
                 statusAtBottom_ ? QStringLiteral("Bottom") : QStringLiteral("Top"));
    WriteFlag(Setting::WordWrap, RichEdit1->WordWrap());
    const QRect frame = frameGeometry();
    WriteWindowGeometry(frame.top(), frame.left(), width(), height());
    storeLivePreviewWidth();
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
        const QString tip = static_cast<QStatusTipEvent*>(e)->tip();
        Label1->setText(tip);
        return true;
    }
    return QMainWindow::event(e);
}

void TMainForm::changeEvent(QEvent* e)
{
    QMainWindow::changeEvent(e);
    if (e->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized))
        runGuarded(this, [this] { onMinimized(); });
    // Coming back from another program is when its changes to the page are looked for.
    if (e->type() == QEvent::ActivationChange && isActiveWindow() && startupDone_)
        runGuarded(this, [this] { checkDiskChange(); });
}

void TMainForm::mousePressEvent(QMouseEvent* e)
{
    QMainWindow::mousePressEvent(e);
    RichEdit1->FocusEditor(); // FormClick
}

// ---- tool bar and status panel switches ----

void TMainForm::ShowToolbar1Click()
{
    QAction* item = action("ShowToolbar1");
    Speedbar->setVisible(item->isChecked());
    RichEdit1->FocusEditor();
}

void TMainForm::HideToolbar2Click()
{
    QAction* item = action("HideToolbar2");
    Toolbar->setVisible(item->isChecked());
    RichEdit1->FocusEditor();
}

void TMainForm::StatusBar1Click()
{
    Panel1->setVisible(action("StatusBar1")->isChecked());
}

void TMainForm::SpeedButton5Click()
{
    const QString hint =
        statusAtBottom_ ? QStringLiteral("Align To Bottom") : QStringLiteral("Align To Top");
    setStatusPanelAtBottom(!statusAtBottom_);
    SpeedButton5->setToolTip(hint);
    SpeedButton5->setStatusTip(hint);
}
