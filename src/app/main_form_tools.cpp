// Find and replace, font and style, horizontal line, Java applet and tag reference commands.
#include "app/main_form.h"

#include "core/command_guard.h"
#include "core/pending_markup.h"
#include "core/prompter.h"
#include "core/settings_store.h"
#include "editor/applet_dialog.h"
#include "editor/find_replace_dialogs.h"
#include "editor/font_style_dialog.h"
#include "editor/horizontal_line_dialog.h"
#include "editor/margin_rich_edit.h"
#include "editor/spelling_as_you_type.h"
#include "editor/tag_list_dialog.h"

#include <QAction>
#include <QMenu>

namespace {

QString notFoundMessage(const QString& text)
{
    return QStringLiteral("Could not find \"") + text + QLatin1Char('"');
}
} // namespace

TFindDialog* TMainForm::findDialog()
{
    if (!FindDialog1) {
        FindDialog1 = new TFindDialog(this);
        connect(FindDialog1, &TFindDialog::findNext, this,
                guardedSlot(this, &TMainForm::FindDialog1Find));
    }
    return FindDialog1;
}

TReplaceDialog* TMainForm::replaceDialog()
{
    if (!ReplaceDialog1) {
        ReplaceDialog1 = new TReplaceDialog(this);
        connect(ReplaceDialog1, &TReplaceDialog::findNext, this,
                guardedSlot(this, &TMainForm::ReplaceDialog1Find));
        connect(ReplaceDialog1, &TReplaceDialog::replace, this,
                guardedSlot(this, &TMainForm::ReplaceDialog1Replace));
        connect(ReplaceDialog1, &TReplaceDialog::replaceAll, this,
                guardedSlot(this, &TMainForm::ReplaceDialog1ReplaceAll));
    }
    return ReplaceDialog1;
}

// ---- find and replace ----

void TMainForm::Find1Click()
{
    // Find always starts over at the top of the page.
    RichEdit1->SetSelectionStart(0);
    RichEdit1->SetSelectionLength(0);
    findDialog()->present();
}

void TMainForm::Replace1Click()
{
    replaceDialog()->present();
}

// Forward from the end of the selection, case ignored, no wrap. A match becomes the selection.
void TMainForm::searchForward(const QString& text)
{
    if (text.isEmpty())
        return;
    TMarginRichEdit* editor = RichEdit1;
    const int from = editor->SelectionStart() + editor->SelectionLength();
    const int found = editor->FindText(text, from);
    if (found < 0) {
        prompter().error(this, notFoundMessage(text));
        return;
    }
    raise();
    activateWindow();
    editor->FocusEditor();
    editor->SetSelectionStart(found);
    editor->SetSelectionLength(int(text.size()));
    editor->ensureCursorVisible();
    const QRect match = editor->SelectionScreenRect();
    if (FindDialog1)
        FindDialog1->keepClearOf(match);
    if (ReplaceDialog1)
        ReplaceDialog1->keepClearOf(match);
}

void TMainForm::FindDialog1Find()
{
    searchForward(findDialog()->FindText());
}

void TMainForm::ReplaceDialog1Find()
{
    searchForward(replaceDialog()->FindText());
}

void TMainForm::ReplaceDialog1Replace()
{
    // Acts on whatever is selected (normally the last match), or inserts at the caret.
    RichEdit1->ReplaceSelection(replaceDialog()->ReplaceText());
}

void TMainForm::ReplaceDialog1ReplaceAll()
{
    const QString text = replaceDialog()->FindText();
    if (text.isEmpty() || RichEdit1->ReadOnly())
        return;
    if (RichEdit1->ReplaceAllText(text, replaceDialog()->ReplaceText()) == 0) {
        prompter().error(this, notFoundMessage(text));
        return;
    }
    raise();
    activateWindow();
    RichEdit1->FocusEditor();
}

// ---- markup dialogs ----

void TMainForm::FontandStyle1Click()
{
    const auto pending = PendingMarkup::takeAfter([this] {
        TFontAndStyle dialog(this);
        prompter().exec(dialog);
    });
    const QString& open = pending.text;
    const QString& close = pending.closing;
    if (open.isEmpty() && close.isEmpty()) {
        // Nothing was built: the selection collapses to a caret at its end, nothing inserted.
        RichEdit1->SetSelectionStart(RichEdit1->SelectionStart() + RichEdit1->SelectionLength());
    } else if (RichEdit1->SelectionLength() >= 1) {
        RichEdit1->WrapSelection(open, close);
    } else {
        // An empty line between the parts, with the caret on it.
        RichEdit1->WrapSelection(open + QLatin1Char('\n'), QLatin1Char('\n') + close);
    }
    RichEdit1->FocusEditor();
}

void TMainForm::HorizontalLine1Click()
{
    const auto pending = PendingMarkup::takeAfter([this] {
        THorzLine dialog(this);
        prompter().exec(dialog);
    });
    RichEdit1->AppendAfterSelection(pending.text);
    RichEdit1->FocusEditor();
}

void TMainForm::JavaApplet1Click()
{
    const auto pending = PendingMarkup::takeAfter([this] {
        TInsJava dialog(DocumentFileName(), this);
        prompter().exec(dialog);
    });
    RichEdit1->AppendAfterSelection(pending.text);
    RichEdit1->FocusEditor();
}

// ---- tag reference ----

void TMainForm::Refresh1Click()
{
    {
        TTagList dialog(this);
        prompter().exec(dialog);
    }
    RichEdit1->FocusEditor();
}

// ---- help with the markup ----

void TMainForm::applyMarkupHelpSettings()
{
    const bool highlighting = ReadFlag(Setting::Highlighting);
    const bool lineNumbers = ReadFlag(Setting::LineNumbers);
    const bool completion = ReadFlag(Setting::TagCompletion);
    action("HighlightMarkup1")->setChecked(highlighting);
    action("LineNumbers1")->setChecked(lineNumbers);
    action("TagCompletion1")->setChecked(completion);
    RichEdit1->SetHighlighting(highlighting);
    RichEdit1->SetLineNumbers(lineNumbers);
    RichEdit1->SetTagCompletion(completion);
    const bool spelling = ReadFlag(Setting::Spelling);
    action("SpellingAsYouType1")->setChecked(spelling);
    spelling_->setChosenLanguage(ReadSetting(Setting::SpellingLanguage));
    spelling_->setEnabled(spelling);
}

void TMainForm::HighlightMarkup1Click()
{
    const bool on = action("HighlightMarkup1")->isChecked();
    RichEdit1->SetHighlighting(on);
    WriteFlag(Setting::Highlighting, on);
}

void TMainForm::LineNumbers1Click()
{
    const bool on = action("LineNumbers1")->isChecked();
    RichEdit1->SetLineNumbers(on);
    WriteFlag(Setting::LineNumbers, on);
}

void TMainForm::TagCompletion1Click()
{
    const bool on = action("TagCompletion1")->isChecked();
    RichEdit1->SetTagCompletion(on);
    WriteFlag(Setting::TagCompletion, on);
}

void TMainForm::SpellingAsYouType1Click()
{
    const bool on = action("SpellingAsYouType1")->isChecked();
    spelling_->setEnabled(on);
    WriteFlag(Setting::Spelling, on);
}

// Suggestions, "Add to Dictionary" and "Ignore All" for the marked word right-clicked.
void TMainForm::addSpellingEntries()
{
    for (QAction* entry : spellingEntries_) {
        PopupRichEd->removeAction(entry);
        entry->deleteLater();
    }
    spellingEntries_.clear();
    if (!spelling_->isEnabled())
        return;
    const TSpellingAsYouType::MarkedWord word =
        spelling_->markedWordAt(RichEdit1->ContextMenuByte());
    if (!word.isValid())
        return;
    QAction* first = PopupRichEd->actions().value(0);
    auto add = [&](const QString& caption, const QString& name, auto handler) {
        auto* entry = new QAction(caption, PopupRichEd);
        entry->setObjectName(name);
        connect(entry, &QAction::triggered, this, [this, handler] {
            runGuarded(this, handler);
            RichEdit1->FocusEditor();
        });
        PopupRichEd->insertAction(first, entry);
        spellingEntries_ << entry;
    };
    const bool singleByte = document_.format().encoding == TextEncoding::Windows1252;
    const QStringList suggestions = spelling_->suggestions(word.text);
    for (const QString& suggestion : suggestions) {
        // An "&" in a suggestion is text, not a menu accelerator.
        QString caption = suggestion;
        add(caption.replace(QLatin1Char('&'), QStringLiteral("&&")),
            QStringLiteral("SpellingSuggestion"), [this, word, suggestion, singleByte] {
                spelling_->replaceWord(word, suggestion, singleByte);
            });
    }
    if (suggestions.isEmpty()) {
        add(QStringLiteral("(no suggestions)"), QStringLiteral("SpellingNoSuggestions"), [] {});
        spellingEntries_.last()->setEnabled(false);
    }
    add(QStringLiteral("Add to Dictionary"), QStringLiteral("AddToDictionary1"),
        [this, text = word.text] { spelling_->addToDictionary(text); });
    add(QStringLiteral("Ignore All"), QStringLiteral("IgnoreAll1"),
        [this, text = word.text] { spelling_->ignoreAll(text); });
    auto* separator = new QAction(PopupRichEd);
    separator->setSeparator(true);
    PopupRichEd->insertAction(first, separator);
    spellingEntries_ << separator;
}
