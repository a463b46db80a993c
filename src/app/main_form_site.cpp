// The site: the folder the user opened (File > Open Site, Recent Sites), the site panel at the
// left and what its entries do, and renaming or moving with every link kept.
#include "app/main_form.h"

#include "core/app_error.h"
#include "core/command_guard.h"
#include "core/document_file.h"
#include "core/file_names.h"
#include "core/pending_markup.h"
#include "core/program_files.h"
#include "core/prompter.h"
#include "core/recent_files.h"
#include "core/settings_store.h"
#include "core/site_folder.h"
#include "editor/margin_rich_edit.h"
#include "page/page_properties.h"
#include "page/quick_start_settings.h"
#include "site/find_in_files.h"
#include "site/link_rename.h"
#include "site/rename_dialog.h"
#include "site/site_panel.h"
#include "wizards/insert_image_dialog.h"
#include "wizards/page_templates_dialog.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QSplitter>
#include <QUrl>

namespace {

constexpr int kRecentSites = 8;
constexpr int kSitePanelWidth = 220;
// A picture is read whole to learn its size; one larger than this is not read.
constexpr qint64 kMaxPictureBytes = 64LL * 1024 * 1024;

// Files the editor opens from the panel; pictures are inserted, anything else is left alone.
bool opensAsText(const QString& path)
{
    static const QStringList kinds = {
        QStringLiteral("htm"),   QStringLiteral("html"), QStringLiteral("shtml"),
        QStringLiteral("xhtml"), QStringLiteral("css"),  QStringLiteral("js"),
        QStringLiteral("txt"),   QStringLiteral("xml"),  QStringLiteral("svg")};
    return kinds.contains(QFileInfo(path).suffix().toLower());
}

QString resolvedPath(const QString& path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(QFileInfo(path).absoluteFilePath()) : canonical;
}

} // namespace

QString TMainForm::siteFolder() const
{
    const QString page =
        document_.isUntitled() ? QString() : absoluteFileName(document_.fileName());
    return siteFolderFor(page, chosenSite_, QDir::homePath());
}

// ---- File > Open Site, Recent Sites ----

void TMainForm::createSiteParts()
{
    recentSites_ = std::make_unique<RecentFilesModel>(kRecentSites);
    RecentSitesMenu = findChild<QMenu*>(QStringLiteral("RecentSites1"));
    QStringList stored;
    try {
        for (const auto& value : ListSubkeyValues(kRecentSitesKeyPath, kRecentSitesSubkey))
            stored << value.second;
    } catch (const AppError&) {
        stored.clear(); // an unreadable store gives an empty list
    }
    recentSites_->append(stored.mid(0, kRecentSites));
    rebuildRecentSites();
    connect(RichEdit1, &TMarginRichEdit::filesDropped, this, [this](const QList<QUrl>& urls) {
        runGuarded(this, [&] {
            for (const QUrl& url : urls)
                if (url.isLocalFile() && TSitePanel::isPicture(url.toLocalFile()))
                    insertPictureFile(url.toLocalFile());
        });
    });
}

void TMainForm::rebuildRecentSites()
{
    if (!RecentSitesMenu)
        return;
    RecentSitesMenu->clear();
    const QStringList& entries = recentSites_->entries();
    for (qsizetype i = 0; i < entries.size(); ++i) {
        QString shown = entries.at(i);
        shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* item = RecentSitesMenu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(shown));
        connect(item, &QAction::triggered, this,
                [this, folder = entries.at(i)] { runGuarded(this, [&] { openSite(folder); }); });
    }
    RecentSitesMenu->menuAction()->setEnabled(!entries.isEmpty());
}

void TMainForm::OpenSite1Click()
{
    Prompter::FileRequest request;
    request.title = QStringLiteral("Open Site");
    const QString site = siteFolder();
    request.folder = site.isEmpty() ? dialogStartFolder(openDialogFolder_) : site;
    request.folderOnly = true;
    const Prompter::FileAnswer answer = prompter().openFiles(this, request);
    if (answer.files.isEmpty())
        return;
    openSite(answer.files.constFirst());
}

void TMainForm::openSite(const QString& folder)
{
    const QFileInfo info(folder);
    if (!info.isDir())
        throw AppError(QStringLiteral("Cannot open folder %1").arg(folder));
    chosenSite_ = info.canonicalFilePath();
    recentSites_->add(chosenSite_);
    rebuildRecentSites();
    EraseSubkey(kRecentSitesKeyPath, kRecentSitesSubkey);
    const QStringList& entries = recentSites_->entries();
    for (qsizetype i = 0; i < entries.size(); ++i)
        WriteSubkeyValue(kRecentSitesKeyPath, kRecentSitesSubkey, QStringLiteral("F%1").arg(i),
                         entries.at(i));
    siteChanged();
    // Opening a site is asking to see it.
    if (!action("SitePanel1")->isChecked()) {
        action("SitePanel1")->setChecked(true);
        SitePanel1Click();
    }
}

// ---- the panel ----

void TMainForm::restoreSitePanel()
{
    if (ReadFlag(Setting::SitePanel)) {
        action("SitePanel1")->setChecked(true);
        showSitePanel(true);
    }
}

void TMainForm::SitePanel1Click()
{
    const bool shown = action("SitePanel1")->isChecked();
    showSitePanel(shown);
    WriteFlag(Setting::SitePanel, shown);
}

void TMainForm::siteChanged()
{
    if (SitePanel && SitePanel->isVisible())
        SitePanel->setSiteFolder(siteFolder());
}

void TMainForm::showSitePanel(bool shown)
{
    if (!shown) {
        if (SitePanel)
            SitePanel->hide();
        RichEdit1->FocusEditor();
        return;
    }
    if (!SitePanel) {
        placeInSplitters();
        SitePanel = new TSitePanel(siteSplitter_);
        siteSplitter_->insertWidget(0, SitePanel);
        siteSplitter_->setStretchFactor(0, 0);
        siteSplitter_->setStretchFactor(1, 1);
        const auto guarded = [this](auto&& f) { runGuarded(this, f); };
        connect(SitePanel, &TSitePanel::fileActivated, this,
                [this, guarded](const QString& p) { guarded([&] { activateSiteFile(p); }); });
        connect(SitePanel, &TSitePanel::moveRequested, this,
                [this, guarded](const QStringList& paths, const QString& folder) {
                    guarded([&] {
                        for (const QString& path : paths)
                            renameInSite(siteEntry(path, true), siteEntry(folder, true) +
                                                                    QLatin1Char('/') +
                                                                    QFileInfo(path).fileName());
                    });
                });
        connect(SitePanel, &TSitePanel::newPageRequested, this,
                [this, guarded](const QString& f) { guarded([&] { newSitePage(f); }); });
        connect(SitePanel, &TSitePanel::renameRequested, this,
                [this, guarded](const QString& p) { guarded([&] { renameSiteEntry(p); }); });
        connect(SitePanel, &TSitePanel::deleteRequested, this,
                [this, guarded](const QString& p) { guarded([&] { deleteSiteEntry(p); }); });
        connect(SitePanel, &TSitePanel::browserRequested, this, [this, guarded](const QString& p) {
            guarded([&] { LoadUrl(QUrl::fromLocalFile(siteEntry(p, false)).toString()); });
        });
        connect(SitePanel, &TSitePanel::checkRequested, this, [this, guarded](const QString& p) {
            guarded([&] {
                const QString path = siteEntry(p, false);
                activateSiteFile(path);
                if (!document_.isUntitled() &&
                    resolvedPath(absoluteFileName(document_.fileName())) == path)
                    CheckPage1Click();
            });
        });
    }
    SitePanel->show();
    SitePanel->setSiteFolder(siteFolder());
    const int total = siteSplitter_->width();
    QList<int> sizes = siteSplitter_->sizes();
    if (sizes.size() == 2 && total > 2 * kSitePanelWidth)
        siteSplitter_->setSizes({kSitePanelWidth, total - kSitePanelWidth});
}

QString TMainForm::siteEntry(const QString& path, bool folderAllowed) const
{
    // Only what lies inside the site, reached without a hidden name or a link out of it, and
    // only regular files (or folders, where asked).
    const QString site = siteFolder();
    const QString real = resolvedPath(path);
    const QFileInfo info(real);
    const bool kindOk = info.isFile() || (folderAllowed && info.isDir());
    const QString inside = real.mid(site.size());
    if (site.isEmpty() || !kindOk || !liesInside(real, site) ||
        inside.contains(QLatin1String("/.")))
        throw AppError(QStringLiteral("%1 is not a file of the site folder %2.")
                           .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(site)));
    return real;
}

void TMainForm::activateSiteFile(const QString& given)
{
    const QString path = siteEntry(given, false);
    if (TSitePanel::isPicture(path)) {
        insertPictureFile(path);
        return;
    }
    if (!opensAsText(path)) {
        prompter().inform(this, QStringLiteral("Site"),
                          QStringLiteral("%1 is not a page or a picture.").arg(path));
        return;
    }
    const QString open = document_.isUntitled() ? QString() : absoluteFileName(DocumentFileName());
    if (!open.isEmpty() && resolvedPath(open) == path) {
        RichEdit1->FocusEditor();
        return;
    }
    reopenFile(path);
}

void TMainForm::insertPictureFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        throw AppError(QStringLiteral("Cannot open file %1").arg(path));
    if (RichEdit1->ReadOnly())
        return;
    if (info.size() > kMaxPictureBytes)
        throw AppError(QStringLiteral("%1 is too large to insert as a picture.").arg(path));
    RichEdit1->AppendAfterSelection(pictureFileMarkup(path, DocumentFileName()));
    RichEdit1->FocusEditor();
}

void TMainForm::newSitePage(const QString& given)
{
    const QString folder = siteEntry(given, true);
    const int from = prompter().choose(
        this, QStringLiteral("New Page"), QStringLiteral("Start the new page from:"),
        {QStringLiteral("&Quick Start"), QStringLiteral("From &Template..."),
         QStringLiteral("Cancel")});
    QByteArray bytes;
    if (from == 0) {
        const QuickStartSettings stored = readQuickStartSettings();
        QString text = PageProperties::quickStartPage(stored.title, stored.attributes).text;
        text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
        bytes = text.toUtf8();
    } else if (from == 1) {
        const QString chosen = PendingMarkup::takeAfter([this] {
                                   TPageTempletes chooser(this);
                                   prompter().exec(chooser);
                               }).text;
        if (chosen.isEmpty() || chosen == TPageTempletes::kCanceledTemplate)
            return;
        QFile file(templatesFolder() + chosen);
        if (!file.open(QIODevice::ReadOnly))
            throw AppError(QStringLiteral("Cannot open file %1").arg(file.fileName()));
        bytes = file.read(kMaxPictureBytes);
    } else {
        return;
    }
    Prompter::FileRequest request;
    request.title = QStringLiteral("New Page");
    request.folder = folder;
    request.fileName = QStringLiteral("new.html");
    request.filters = {QStringLiteral("Web Pages (*.htm;*.html)")};
    const QString name = prompter().saveFile(this, request);
    if (name.isEmpty())
        return;
    const QString path = QDir::cleanPath(QDir(folder).absoluteFilePath(name));
    const QString site = siteFolder();
    const QString parent = resolvedPath(QFileInfo(path).absolutePath());
    if (!liesInside(parent, site) || QFileInfo(path).fileName().startsWith(QLatin1Char('.')))
        throw AppError(QStringLiteral("%1 is not inside the site folder %2.").arg(path, site));
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink())
        throw AppError(QStringLiteral("%1 already exists.").arg(path));
    writeFileAtomically(path, bytes);
    reopenFile(path);
}

void TMainForm::renameSiteEntry(const QString& given)
{
    const QString path = siteEntry(given, true);
    TRenameDialog dialog(path, this);
    if (prompter().exec(dialog) != QDialog::Accepted)
        return;
    renameInSite(path, QFileInfo(path).absolutePath() + QLatin1Char('/') + dialog.newName());
}

void TMainForm::deleteSiteEntry(const QString& given)
{
    const QString path = siteEntry(given, true);
    if (path == siteFolder())
        return;
    if (prompter().ask(
            this, QStringLiteral("Confirm"),
            QStringLiteral("Move %1 to the trash?").arg(QDir::toNativeSeparators(path))) !=
        Prompter::Answer::Yes)
        return;
    QFile file(path);
    if (!file.moveToTrash())
        throw AppError(QStringLiteral("Cannot move %1 to the trash (%2).")
                           .arg(QDir::toNativeSeparators(path), file.errorString()));
}

void TMainForm::renameInSite(const QString& from, const QString& to)
{
    const QString site = siteFolder();
    EditorPage editor;
    if (!document_.isUntitled()) {
        editor.path = resolvedPath(absoluteFileName(DocumentFileName()));
        editor.utf8 = RichEdit1->EditorUtf8();
    }
    const RenamePlan plan = planRename(site, from, to, editor);
    {
        TRenameLinksDialog dialog(plan, this);
        if (prompter().exec(dialog) != QDialog::Accepted)
            return;
    }
    const QList<LinkChange> inEditor = changesFor(plan, editor.path);
    if (!inEditor.isEmpty()) {
        if (RichEdit1->ReadOnly())
            throw AppError(QStringLiteral("Nothing was renamed: %1 is open read-only.")
                               .arg(DocumentFileName()));
        if (RichEdit1->EditorUtf8() != editor.utf8)
            throw AppError(QStringLiteral("Nothing was renamed: %1 was edited since the links "
                                          "were listed.")
                               .arg(DocumentFileName()));
    }
    applyRename(plan, editor.path);
    if (!inEditor.isEmpty()) {
        QList<TMarginRichEdit::ByteReplacement> replacements;
        for (const LinkChange& c : inEditor)
            replacements << TMarginRichEdit::ByteReplacement{c.from, c.to, c.newText.toUtf8()};
        RichEdit1->ReplaceByteRanges(replacements);
    }
    // The open page went along: it keeps its text under its new name.
    if (!editor.path.isEmpty()) {
        const QString moved = movedPath(editor.path, plan.from, plan.to);
        if (moved != editor.path)
            SetDocumentName(moved);
    }
    showNotice(QStringLiteral("%1 renamed; %2 links changed.")
                   .arg(QFileInfo(plan.to).fileName())
                   .arg(plan.changeCount()));
    siteChanged();
}
