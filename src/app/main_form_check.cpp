// Check Page: the panel under the editor.
#include "app/main_form.h"

#include "check/check_panel.h"
#include "core/command_guard.h"
#include "core/file_names.h"
#include "editor/margin_rich_edit.h"

#include <QSplitter>

void TMainForm::checkOpenPage()
{
    const QString& name = DocumentFileName();
    CheckPanel->start(name == kUntitled ? QString() : name, name, siteFolder());
}

void TMainForm::showCheckPanel()
{
    if (!CheckPanel) {
        placeInSplitters();
        CheckPanel = new TCheckPanel(RichEdit1, editorSplitter_);
        editorSplitter_->addWidget(CheckPanel);
        editorSplitter_->setStretchFactor(0, 3);
        editorSplitter_->setStretchFactor(1, 1);
        const int total = editorSplitter_->height();
        editorSplitter_->setSizes({total - total / 4, total / 4});
        connect(CheckPanel, &TCheckPanel::closeRequested, this, [this] {
            CheckPanel->hide();
            RichEdit1->FocusEditor();
        });
        // While the panel is open, the page is checked again once typing pauses.
        connect(CheckPanel, &TCheckPanel::recheckWanted, this, [this] { checkOpenPage(); });
        // A finding of Check Site opens its page (asking about unsaved changes first).
        connect(CheckPanel, &TCheckPanel::siteFindingChosen, this,
                [this](const QString& path, qsizetype start, qsizetype length) {
                    runGuarded(this,
                               [&] { openFoundMatch(path, long(start), long(start + length)); });
                });
    }
    CheckPanel->show();
}

void TMainForm::CheckPage1Click()
{
    showCheckPanel();
    checkOpenPage();
}
