// One-step markup commands, colour picker, page properties and Quick Start.
#include "app/main_form.h"

#include "core/app_error.h"
#include "core/file_names.h"
#include "core/html_colors.h"
#include "core/prompter.h"
#include "core/settings_store.h"
#include "editor/margin_rich_edit.h"
#include "editor/markup_commands.h"
#include "page/body_properties_dialog.h"
#include "page/page_properties.h"
#include "page/quick_start_settings.h"
#include <QDialog>

#include <QDateTime>
#include <QLocale>
#include <QMenu>
#include <QToolButton>

namespace {

void runMarkup(TMarginRichEdit* editor, CommandId item)
{
    const Markup::Command* command = Markup::commandFor(QLatin1String(item.name()));
    Q_ASSERT(command);
    // Work on the selection only: the cost is what goes in, not the size of the page.
    switch (command->shape) {
    case Markup::Shape::Wrap:
        editor->WrapSelection(command->open, command->close);
        break;
    case Markup::Shape::Append:
        editor->AppendAfterSelection(command->open);
        break;
    case Markup::Shape::Paragraph:
        editor->AppendAfterSelection(command->open + Markup::kParagraphTail);
        editor->SetSelectionStart(editor->SelectionStart() - Markup::kParagraphCaretBack);
        break;
    }
    if (command->focusEditor)
        editor->FocusEditor();
}

} // namespace

void TMainForm::attachParagraphMenu()
{
    // The vertical bar's "New Paragraph" button offers the four paragraph commands.
    auto* button = Toolbar->findChild<QToolButton*>(QStringLiteral("SpeedButton11"));
    auto* menu = findChild<QMenu*>(QStringLiteral("Paragraph2"));
    if (button && menu) {
        button->setMenu(menu);
        button->setPopupMode(QToolButton::InstantPopup);
    }
}

void TMainForm::Centered1Click()
{
    runMarkup(RichEdit1, "Centered1");
}

void TMainForm::Left1Click()
{
    runMarkup(RichEdit1, "Left1");
}

void TMainForm::Right1Click()
{
    runMarkup(RichEdit1, "Right1");
}

void TMainForm::Default1Click()
{
    runMarkup(RichEdit1, "Default1");
}

void TMainForm::Center1Click()
{
    runMarkup(RichEdit1, "Center1");
}

void TMainForm::Bold1Click()
{
    runMarkup(RichEdit1, "Bold1");
}

void TMainForm::Italic1Click()
{
    runMarkup(RichEdit1, "Italic1");
}

void TMainForm::Underline1Click()
{
    runMarkup(RichEdit1, "Underline1");
}

void TMainForm::Size1Large1Click()
{
    runMarkup(RichEdit1, "Size1Large1");
}

void TMainForm::H21Click()
{
    runMarkup(RichEdit1, "H21");
}

void TMainForm::H31Click()
{
    runMarkup(RichEdit1, "H31");
}

void TMainForm::H4Click()
{
    runMarkup(RichEdit1, "H41");
}

void TMainForm::H51Click()
{
    runMarkup(RichEdit1, "H51");
}

void TMainForm::H61Click()
{
    runMarkup(RichEdit1, "H61");
}

void TMainForm::QuickTable2Click()
{
    runMarkup(RichEdit1, "QuickTable2");
}

void TMainForm::LineBreak1Click()
{
    runMarkup(RichEdit1, "LineBreak1");
}

void TMainForm::AddComment1Click()
{
    runMarkup(RichEdit1, "AddComment1");
}

void TMainForm::GreaterThan1Click()
{
    runMarkup(RichEdit1, "GreaterThan1");
}

void TMainForm::LessThan1Click()
{
    runMarkup(RichEdit1, "LessThan1");
}

void TMainForm::Space1Click()
{
    runMarkup(RichEdit1, "Space1");
}

void TMainForm::Copyright1Click()
{
    runMarkup(RichEdit1, "Copyright1");
}

void TMainForm::Registered1Click()
{
    runMarkup(RichEdit1, "Registered1");
}

void TMainForm::DateTime1Click()
{
    RichEdit1->AppendAfterSelection(
        Markup::dateTimeText(QDateTime::currentDateTime(), QLocale::system()));
    RichEdit1->FocusEditor();
}

void TMainForm::Color1Click()
{
    // The first time the dialog keeps its own starting colour.
    QColor color = lastPickedColor_;
    if (prompter().chooseColor(this, color, true)) {
        lastPickedColor_ = color;
        RichEdit1->AppendAfterSelection(ColorToHtmlColor(fromQColor(color)));
    }
    RichEdit1->FocusEditor();
}

void TMainForm::Document1Click()
{
    using namespace PageProperties;
    QStringList attributes;
    QString title;
    {
        // Only the head of the page is read, not a copy of all of it.
        qsizetype size = 0;
        const char* bytes = RichEdit1->EditorUtf8Data(&size);
        const QByteArrayView page(bytes, size);
        const QString text = QString::fromUtf8(page.first(headPrefixLength(page)));
        const BodyTag tag = findBodyTag(text);
        if (!tag.found()) {
            // Without a BODY tag there is nothing to read or rewrite.
            prompter().inform(this, QStringLiteral("Web Page Properties"), noBodyTagMessage());
            RichEdit1->FocusEditor();
            return;
        }
        title = pageTitle(text);
        attributes = extractBodyAttributes(bodyAttributeText(text, tag));
    }

    TBodyProperties dialog(this);
    dialog.setDocumentFileName(DocumentFileName());
    dialog.setFields(title, attributes);
    dialog.updateSamplesFromFields(); // a bad colour stops here, before the dialog shows
    if (prompter().exec(dialog) == QDialog::Accepted) {
        const QStringList chosen = dialog.fields();
        GenerateBody(chosen.at(BgImage), chosen.at(BgColor), chosen.at(TextColor),
                     chosen.at(LinkColor), chosen.at(VLinkColor), chosen.at(ALinkColor),
                     attributes);
    }
    RichEdit1->FocusEditor();
}

void TMainForm::GenerateBody(const QString& bgImage, const QString& bgColor, const QString& text,
                             const QString& link, const QString& vlink, const QString& alink,
                             const QStringList& fromPage)
{
    using namespace PageProperties;
    const BodyTag tag = findBodyTag(RichEdit1->EditorText());
    if (!tag.found())
        throw AppError(noBodyTagMessage());
    RichEdit1->SetSelectionStart(tag.start);
    RichEdit1->SetSelectionLength(tag.length);
    RichEdit1->ReplaceSelection(
        buildBodyTag({bgImage, bgColor, text, link, vlink, alink}, fromPage));
}

void TMainForm::QuickStart1Click()
{
    if (!AskSaveChanges())
        return;
    // Settings first: a stored value of the wrong type then leaves the page as it was.
    const QuickStartSettings stored = readQuickStartSettings();
    SetDocumentName(kUntitled);
    // Built whole and set once, so Undo cannot step back into the previous page.
    const PageProperties::QuickStartPage page =
        PageProperties::quickStartPage(stored.title, stored.attributes);
    RichEdit1->SetEditorText(page.text);
    document_.reset();
    RichEdit1->SetSelectionStart(page.placeholderStart);
    RichEdit1->SetSelectionLength(int(PageProperties::kQuickStartPlaceholder.size()));
    RichEdit1->SetModifiedFlag(false);
    RichEdit1->FocusEditor();
}
