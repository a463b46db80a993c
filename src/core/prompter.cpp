#include "core/prompter.h"

#include "core/icons.h"
#include "core/seam.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QColorDialog>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFontDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

namespace {
Seam<Prompter, QtPrompter> seam;
} // namespace

Prompter& prompter()
{
    return seam.current();
}

void setPrompter(Prompter* p)
{
    seam.install(p);
}

namespace {

// Messages quote tags the user searched for or typed ("<TABLE>"): never read them as rich text.
int showMessage(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
                QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(icon, title, text, buttons, parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(defaultButton);
    // Our own pictures on OK and Cancel, not the desktop theme's; Yes and No get none.
    for (QAbstractButton* button : box.buttons()) {
        const QMessageBox::StandardButton which = box.standardButton(button);
        button->setIcon(which == QMessageBox::Ok ? vorlaneIcon(QStringLiteral("dialog-ok"))
                        : which == QMessageBox::Cancel
                            ? vorlaneIcon(QStringLiteral("dialog-cancel"))
                            : QIcon());
    }
    return box.exec();
}

} // namespace

Prompter::Answer QtPrompter::confirm(QWidget* parent, const QString& title, const QString& text)
{
    const int button =
        showMessage(parent, QMessageBox::Question, title, text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    if (button == QMessageBox::Yes)
        return Answer::Yes;
    if (button == QMessageBox::No)
        return Answer::No;
    return Answer::Cancel;
}

int QtPrompter::choose(QWidget* parent, const QString& title, const QString& text,
                       const QStringList& buttons)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, parent);
    box.setTextFormat(Qt::PlainText);
    // One role for all, so every desktop shows the buttons in the order given; Escape is the
    // last one (Later, No, Cancel).
    QList<QAbstractButton*> made;
    for (const QString& caption : buttons)
        made.append(box.addButton(caption, QMessageBox::ActionRole));
    if (!made.isEmpty()) {
        box.setDefaultButton(qobject_cast<QPushButton*>(made.constFirst()));
        box.setEscapeButton(made.constLast());
    }
    box.exec();
    return int(made.indexOf(box.clickedButton()));
}

Prompter::Answer QtPrompter::ask(QWidget* parent, const QString& title, const QString& text)
{
    return showMessage(parent, QMessageBox::Question, title, text,
                       QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes
               ? Answer::Yes
               : Answer::No;
}

void QtPrompter::error(QWidget* parent, const QString& text)
{
    showMessage(parent, QMessageBox::Critical, QStringLiteral("Error"), text, QMessageBox::Ok,
                QMessageBox::Ok);
}

void QtPrompter::inform(QWidget* parent, const QString& title, const QString& text)
{
    showMessage(parent, QMessageBox::Information, title, text, QMessageBox::Ok, QMessageBox::Ok);
}

namespace {
// Without a folder the chooser would open in the working folder, often the program's own.
QString startFolder(const QString& folder)
{
    return folder.isEmpty() ? QDir::homePath() : folder;
}
} // namespace

Prompter::FileAnswer QtPrompter::openFiles(QWidget* parent, const FileRequest& request)
{
    QFileDialog dialog(parent, request.title, startFolder(request.folder));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (request.folderOnly) {
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly, true);
        return {dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList(), false};
    }
    dialog.setFileMode(request.allowMultiple ? QFileDialog::ExistingFiles
                                             : QFileDialog::ExistingFile);
    dialog.setNameFilters(request.filters);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    QCheckBox* readOnly = nullptr;
    if (request.showReadOnlyBox) {
        // The native chooser has no place for extra controls; ours holds the read-only box.
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        readOnly = new QCheckBox(QStringLiteral("Open as &read-only"), &dialog);
        if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
            grid->addWidget(readOnly, grid->rowCount(), 0, 1, -1);
    }
    FileAnswer answer;
    if (dialog.exec() == QDialog::Accepted) {
        answer.files = dialog.selectedFiles();
        answer.readOnly = readOnly && readOnly->isChecked();
    }
    return answer;
}

QString QtPrompter::saveFile(QWidget* parent, const FileRequest& request)
{
    QFileDialog dialog(parent, request.title, startFolder(request.folder));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(request.filters);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    // We ask our own overwrite question after adding the extension.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

bool QtPrompter::chooseColor(QWidget* parent, QColor& color, bool fullOpen)
{
    QColorDialog dialog(color, parent);
    // Qt's colour dialog always shows its custom colours; fullOpen needs nothing more here.
    Q_UNUSED(fullOpen);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    color = dialog.selectedColor();
    return true;
}

bool QtPrompter::chooseFont(QWidget* parent, QFont& font)
{
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, font, parent);
    if (ok)
        font = chosen;
    return ok;
}

bool QtPrompter::choosePrinter(QWidget* parent, QPrinter& printer)
{
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

int QtPrompter::exec(QDialog& dialog)
{
    return dialog.exec();
}
