// Document commands of the main window: new, open, save, print, exit.
#include "app/main_form.h"

#include "core/app_error.h"
#include "core/document_file.h"
#include "core/file_names.h"
#include "core/prompter.h"
#include "editor/margin_rich_edit.h"

#include <QFileInfo>
#include <QLabel>

namespace {

const QStringList kOpenFilters = {
    QStringLiteral("HTML Web Page (*.htm; *.html) (*.htm *.html *.HTM *.HTML)"),
    QStringLiteral("Text Files (*.txt) (*.txt *.TXT)"), QStringLiteral("All Files (*.*) (*)")};
const QStringList kSaveFilters = {
    QStringLiteral("HTML Web Pages (*.HTM; *.HTML) (*.html *.htm *.HTML *.HTM)"),
    QStringLiteral("Text Files (*.TXT) (*.txt *.TXT)")};

// Said in the status label after loading, so that a page not read as UTF-8 is no surprise.
QString howPageWasRead(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Windows1252:
        return QStringLiteral("Opened as Windows-1252: the file is not valid UTF-8");
    case TextEncoding::Utf16LE:
        return QStringLiteral(
            "Opened as UTF-16 (little-endian): the file starts with its byte-order mark");
    case TextEncoding::Utf16BE:
        return QStringLiteral(
            "Opened as UTF-16 (big-endian): the file starts with its byte-order mark");
    default:
        return QString();
    }
}

} // namespace

bool TMainForm::AskSaveChanges()
{
    if (!RichEdit1->ModifiedFlag())
        return true;
    switch (prompter().confirm(this, QStringLiteral("Confirm"),
                               QStringLiteral("Save changes to %1?").arg(document_.fileName()))) {
    case Prompter::Answer::Yes:
        // A Save As cancelled here stops the caller too: nothing is discarded unasked.
        return saveDocument();
    case Prompter::Answer::No:
        return true;
    default:
        return false;
    }
}

void TMainForm::showNotice(const QString& text)
{
    // A notice of an earlier page must not stay up as if it told about this one.
    if (text.isEmpty() && Label1->text() != lastNotice_)
        return;
    Label1->setText(text);
    lastNotice_ = text;
}

void TMainForm::LoadDocument(const QString& path)
{
    RichEdit1->SetEditorUtf8(document_.load(path));
    RichEdit1->SetModifiedFlag(false);
    pageSettled();
    QStringList notices;
    if (const QString how = howPageWasRead(document_.format().encoding); !how.isEmpty())
        notices << how;
    if (RichEdit1->LongLinesCutShort() > 0)
        notices << QStringLiteral("Lines longer than %1 characters are shown cut short; "
                                  "the page itself is complete.")
                       .arg(TMarginRichEdit::kLongLineDisplayLimit);
    showNotice(notices.join(QLatin1Char(' ')));
}

void TMainForm::WriteDocument(const QString& path, bool asName)
{
    const qsizetype references = document_.save(path, RichEdit1->EditorTextRuns(), asName);
    if (references == 1)
        showNotice(QStringLiteral("1 character was saved as a character reference (&#...;)"));
    else if (references > 1)
        showNotice(QStringLiteral("%1 characters were saved as character references (&#...;)")
                       .arg(references));
}

void TMainForm::BlankPage1Click()
{
    if (!AskSaveChanges())
        return;
    SetDocumentName(kUntitled);
    RichEdit1->ClearText();
    document_.reset();
    RichEdit1->SetModifiedFlag(false);
    pageSettled();
    RichEdit1->FocusEditor();
}

void TMainForm::FileOpenItemClick()
{
    if (!AskSaveChanges())
        return;
    Prompter::FileRequest request;
    request.title = QStringLiteral("Open Web Page");
    request.folder = dialogStartFolder(openDialogFolder_);
    request.fileName = QStringLiteral("index.html");
    request.filters = kOpenFilters;
    request.showReadOnlyBox = true;
    const Prompter::FileAnswer answer = prompter().openFiles(this, request);
    if (answer.files.isEmpty())
        return;
    const QString path = absoluteFileName(answer.files.constFirst());
    if (!confirmNotOpenElsewhere(path))
        return;
    LoadDocument(path);
    SetDocumentName(path);
    RichEdit1->FocusEditor();
    RichEdit1->SetModifiedFlag(false);
    RichEdit1->SetReadOnly(answer.readOnly);
    openDialogFolder_ = folderForDialog(path);
}

void TMainForm::MRUFileList1MRUItemClick(QObject* sender, const QString& fileName)
{
    Q_UNUSED(sender);
    reopenFile(fileName);
}

bool TMainForm::saveDocument()
{
    if (document_.isUntitled())
        return saveDocumentAs();
    bool asName = false;
    if (!confirmDiskChangeBeforeSave(document_.fileName(), &asName))
        return false;
    WriteDocument(document_.fileName(), asName);
    RichEdit1->SetModifiedFlag(false);
    pageSettled();
    addToRecentFiles(document_.fileName());
    return true;
}

bool TMainForm::saveDocumentAs()
{
    Prompter::FileRequest request;
    request.folder = dialogStartFolder(saveDialogFolder_);
    request.fileName = saveDialogFileName_;
    request.filters = kSaveFilters;
    QString name = prompter().saveFile(this, request);
    if (name.isEmpty())
        return false;
    name = absoluteFileName(name);
    if (!hasExtension(name))
        name += QStringLiteral(".htm");
    saveDialogFileName_ = name;
    if (QFileInfo::exists(name) &&
        prompter().confirm(this, QStringLiteral("Confirm"),
                           QStringLiteral("OK to overwrite %1").arg(name)) != Prompter::Answer::Yes)
        return false;
    WriteDocument(name);
    SetDocumentName(name);
    RichEdit1->SetModifiedFlag(false);
    pageSettled();
    addToRecentFiles(name);
    return true;
}

void TMainForm::FileSave()
{
    saveDocument();
}

void TMainForm::FileSaveAs()
{
    saveDocumentAs();
}

void TMainForm::FilePrint()
{
    TMarginPrinter printer(RichEdit1->Margins());
    if (!prompter().choosePrinter(this, printer))
        return;
    RichEdit1->PrintText(printer, document_.fileName());
}

void TMainForm::FileExit()
{
    close();
}
