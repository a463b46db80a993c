// Edit menu commands and the editor's context menu.
#include "app/main_form.h"

#include "core/prompter.h"
#include "editor/go_to_line_dialog.h"
#include "editor/margin_rich_edit.h"

#include <QAction>

void TMainForm::EditUndo()
{
    RichEdit1->UndoLastEdit();
}

void TMainForm::EditCut()
{
    RichEdit1->CutSelection();
}

void TMainForm::EditCopy()
{
    RichEdit1->CopySelection();
}

void TMainForm::EditPaste()
{
    RichEdit1->PasteClipboard();
}

void TMainForm::SelectAll1Click()
{
    RichEdit1->SelectAllText();
}

void TMainForm::mnuWordWrap1Click()
{
    // The checkable item has already inverted its mark; the editor follows it.
    RichEdit1->SetWordWrap(action("mnuWordWrap1")->isChecked());
}

void TMainForm::PopupRichEdPopup()
{
    const bool selected = RichEdit1->SelectionLength() > 0;
    action("Cut1")->setEnabled(selected);
    action("Copy1")->setEnabled(selected);
    addSpellingEntries();
}

void TMainForm::GoToLine1Click()
{
    {
        TGoToLine dialog(RichEdit1->CaretLine(), RichEdit1->LineCount(), this);
        if (prompter().exec(dialog) == QDialog::Accepted)
            RichEdit1->GoToLine(dialog.line());
    }
    RichEdit1->FocusEditor();
}

void TMainForm::MatchingTag1Click()
{
    RichEdit1->GoToMatchingTag();
}
