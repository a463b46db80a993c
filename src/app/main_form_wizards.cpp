// Insert image, insert link and table generator commands.
#include "app/main_form.h"

#include "core/document_codec.h"
#include "core/pending_markup.h"
#include "core/prompter.h"
#include "editor/margin_rich_edit.h"
#include "wizards/insert_image_dialog.h"
#include "wizards/insert_link_dialog.h"
#include "wizards/table_generator_dialog.h"
#include "wizards/table_markup.h"

#include <QMenu>
#include <QToolButton>

// Each command makes its dialog afresh, so every use starts from the dialog's own defaults.

void TMainForm::Image1Click()
{
    const auto pending = PendingMarkup::takeAfter([this] {
        TInsImg dialog(DocumentFileName(), this);
        prompter().exec(dialog);
    });
    RichEdit1->AppendAfterSelection(pending.text);
    RichEdit1->FocusEditor();
}

void TMainForm::mnuInsertLinkClick()
{
    const auto pending = PendingMarkup::takeAfter([this] {
        TInsLink dialog(this);
        prompter().exec(dialog);
    });
    RichEdit1->AppendAfterSelection(pending.text);
    RichEdit1->FocusEditor();
}

void TMainForm::InsertLink1Click()
{
    invokeMenuItem("mnuInsertLink");
}

void TMainForm::TableGenerator2Click()
{
    QString table;
    {
        TInsTable dialog(this);
        prompter().exec(dialog);
        table = dialog.collectedText();
    }
    // The table's lines end in CR LF; the editor holds LF only.
    RichEdit1->AppendAfterSelection(normalizeLineEnds(table));
    RichEdit1->FocusEditor();
}

void TMainForm::SpeedButton32Click()
{
    auto* button = findChild<QToolButton*>(QStringLiteral("SpeedButton32"));
    if (!button)
        return;
    TablePopup->popup(button->mapToGlobal(QPoint(button->width(), button->height())));
}
