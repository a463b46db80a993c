#include "support/scripted_prompter.h"

#include <QCoreApplication>
#include <QDialog>

Prompter::Answer ScriptedPrompter::confirm(QWidget*, const QString& title, const QString& text)
{
    confirms.append({title, text});
    if (answers.isEmpty()) {
        unexpected.append(QStringLiteral("confirm: ") + text);
        return Answer::Cancel;
    }
    return answers.takeFirst();
}

int ScriptedPrompter::choose(QWidget*, const QString& title, const QString& text,
                             const QStringList&)
{
    chooses.append({title, text});
    if (choices.isEmpty()) {
        unexpected.append(QStringLiteral("choose: ") + text);
        return -1;
    }
    return choices.takeFirst();
}

Prompter::Answer ScriptedPrompter::ask(QWidget*, const QString& title, const QString& text)
{
    questions.append({title, text});
    if (answers.isEmpty()) {
        unexpected.append(QStringLiteral("ask: ") + text);
        return Answer::No;
    }
    return answers.takeFirst();
}

void ScriptedPrompter::error(QWidget*, const QString& text)
{
    errors.append(text);
}

void ScriptedPrompter::inform(QWidget*, const QString& title, const QString& text)
{
    informs.append({title, text});
}

Prompter::FileAnswer ScriptedPrompter::openFiles(QWidget*, const FileRequest& request)
{
    openRequests.append(request);
    if (openAnswers.isEmpty()) {
        unexpected.append(QStringLiteral("open: ") + request.title);
        return {};
    }
    return openAnswers.takeFirst();
}

QString ScriptedPrompter::saveFile(QWidget*, const FileRequest& request)
{
    saveRequests.append(request);
    if (saveAnswers.isEmpty()) {
        unexpected.append(QStringLiteral("save: ") + request.title);
        return QString();
    }
    return saveAnswers.takeFirst();
}

bool ScriptedPrompter::chooseColor(QWidget*, QColor& color, bool)
{
    colorRequests.append(color);
    if (colorAnswers.isEmpty()) {
        unexpected.append(QStringLiteral("color"));
        return false;
    }
    const std::optional<QColor> answer = colorAnswers.takeFirst();
    if (!answer)
        return false;
    color = *answer;
    return true;
}

bool ScriptedPrompter::chooseFont(QWidget*, QFont& font)
{
    if (fontAnswers.isEmpty()) {
        unexpected.append(QStringLiteral("font"));
        return false;
    }
    const std::optional<QFont> answer = fontAnswers.takeFirst();
    if (!answer)
        return false;
    font = *answer;
    return true;
}

bool ScriptedPrompter::choosePrinter(QWidget*, QPrinter&)
{
    return acceptPrinter;
}

int ScriptedPrompter::exec(QDialog& dialog)
{
    const QString className = QString::fromLatin1(dialog.metaObject()->className());
    dialogsRun.append(className);
    DialogHandler handler = dialogHandlers.value(className);
    if (!handler)
        handler = dialogHandlers.value(dialog.objectName());
    dialog.setResult(QDialog::Rejected);
    // Shown for real (offscreen), so activation code runs as it would for the user.
    dialog.show();
    QCoreApplication::processEvents();
    if (handler)
        handler(dialog);
    else
        dialog.reject();
    const int result = dialog.result();
    dialog.hide();
    return result;
}
