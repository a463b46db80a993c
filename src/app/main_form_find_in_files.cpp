// Find and Replace in Files: the dialog, the results panel under the editor, opening a match
// and writing the replacements.
#include "app/main_form.h"

#include "core/app_error.h"
#include "core/command_guard.h"
#include "core/document_file.h"
#include "core/file_names.h"
#include "core/prompter.h"
#include "core/site_folder.h"
#include "editor/margin_rich_edit.h"
#include "site/find_in_files_dialog.h"
#include "site/find_results_panel.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QTreeWidget>

namespace {

const QString kFindInFilesTitle = QStringLiteral("Find in Files");

// Whether every chosen match still stands where the search found it.
bool stillThere(const QList<FindInFilesMatch>& chosen, const QList<FindInFilesMatch>& now)
{
    for (const FindInFilesMatch& c : chosen) {
        const bool found = std::any_of(now.begin(), now.end(), [&](const FindInFilesMatch& n) {
            return n.from == c.from && n.to == c.to && n.replacement == c.replacement;
        });
        if (!found)
            return false;
    }
    return true;
}

} // namespace

void TMainForm::FindInFiles1Click()
{
    TFindInFilesDialog dialog(this);
    const QString selected = RichEdit1->SelectedText();
    if (!selected.isEmpty() && !selected.contains(QLatin1Char('\n')))
        dialog.FindEdit->setText(selected);
    if (prompter().exec(dialog) != QDialog::Accepted)
        return;
    const QString& name = DocumentFileName();
    FindInFilesScope scope;
    scope.page = name == kUntitled ? QString() : absoluteFileName(name);
    if (dialog.where() == TFindInFilesDialog::Where::SiteFolder) {
        scope.folder = siteFolder();
        if (scope.folder.isEmpty()) {
            prompter().inform(this, kFindInFilesTitle,
                              QStringLiteral("An untitled page has no site folder yet: save it "
                                             "first, or search this page."));
            return;
        }
        scope.namePatterns = dialog.namePatterns();
    }
    // The open page is searched as it stands in the editor, saved or not.
    scope.editorText = RichEdit1->EditorUtf8();
    scope.hasEditorText = true;

    if (!FindResultsPanel) {
        placeInSplitters();
        FindResultsPanel = new TFindResultsPanel(editorSplitter_);
        editorSplitter_->addWidget(FindResultsPanel);
        const int total = editorSplitter_->height();
        QList<int> sizes = editorSplitter_->sizes();
        sizes.last() = total / 4;
        sizes.first() = total - total / 4;
        editorSplitter_->setSizes(sizes);
        connect(FindResultsPanel, &TFindResultsPanel::closeRequested, this, [this] {
            FindResultsPanel->cancel();
            FindResultsPanel->hide();
            RichEdit1->FocusEditor();
        });
        connect(FindResultsPanel, &TFindResultsPanel::openRequested, this,
                [this](const QString& path, long from, long to) {
                    runGuarded(this, [&] { openFoundMatch(path, from, to); });
                });
        connect(FindResultsPanel, &TFindResultsPanel::finished, this, [this] {
            if (std::exchange(replaceInFilesPending_, false))
                runGuarded(this, [this] { replaceInFiles(); });
        });
    }
    FindResultsPanel->show();
    replaceInFilesPending_ = dialog.replaceChosen();
    FindResultsPanel->start(scope, dialog.options());
}

void TMainForm::openFoundMatch(const QString& path, long from, long to)
{
    const QString& name = DocumentFileName();
    const bool open = path.isEmpty() ||
                      (name != kUntitled && QFileInfo(absoluteFileName(name)) == QFileInfo(path));
    if (!open) {
        if (!AskSaveChanges())
            return;
        LoadDocument(path);
        SetDocumentName(path);
        RichEdit1->SetModifiedFlag(false);
    }
    RichEdit1->SelectBytes(from, to);
    RichEdit1->FocusEditor();
}

void TMainForm::replaceInFiles()
{
    const FindInFilesResult& result = FindResultsPanel->result();
    if (result.cancelled || !result.patternError.isEmpty())
        return;
    if (result.files.isEmpty()) {
        prompter().inform(this, kFindInFilesTitle, QStringLiteral("Nothing was found."));
        return;
    }
    TReplaceInFilesDialog dialog(result, FindResultsPanel->folder(), this);
    if (prompter().exec(dialog) != QDialog::Accepted)
        return;
    const FindInFilesOptions options = FindResultsPanel->options();
    const QByteArray searchedEditorText = FindResultsPanel->scope().editorText;
    int replaced = 0, pages = 0;
    QStringList failed;
    for (const FindInFilesFile& file : dialog.chosen()) {
        if (file.isEditorText) {
            // The open page changes in the editor, as one undo step; the user saves it.
            if (RichEdit1->ReadOnly()) {
                failed << QStringLiteral("%1: opened read-only").arg(DocumentFileName());
                continue;
            }
            if (RichEdit1->EditorUtf8() != searchedEditorText) {
                failed << QStringLiteral("%1: edited since the search").arg(DocumentFileName());
                continue;
            }
            QList<TMarginRichEdit::ByteReplacement> replacements;
            for (const FindInFilesMatch& m : file.matches)
                replacements << TMarginRichEdit::ByteReplacement{
                    m.from, m.to, normalizeLineEnds(m.replacement).toUtf8()};
            RichEdit1->ReplaceByteRanges(replacements);
        } else {
            const QString real = QFileInfo(file.path).canonicalFilePath();
            QByteArray bytes;
            if (real.isEmpty() || readPageForSearch(real, bytes) != PageRead::Ok) {
                failed << QStringLiteral("%1: cannot be read").arg(file.path);
                continue;
            }
            if (!stillThere(file.matches, findInText(decodeDocument(bytes).utf8, options))) {
                failed << QStringLiteral("%1: changed since the search").arg(file.path);
                continue;
            }
            try {
                writePageFile(real, replaceInFileBytes(bytes, file.matches));
            } catch (const AppError& e) {
                failed << e.message();
                continue;
            }
        }
        replaced += int(file.matches.size());
        ++pages;
    }
    const QString done =
        QStringLiteral("%1 replacements made in %2 pages.").arg(replaced).arg(pages);
    FindResultsPanel->Summary->setText(done);
    FindResultsPanel->Results->clear();
    if (!failed.isEmpty())
        prompter().error(this, done + QStringLiteral("\nNot changed:\n") +
                                   failed.join(QLatin1Char('\n')));
}
