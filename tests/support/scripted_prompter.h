#pragma once

#include "core/prompter.h"
#include "core/seam.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <functional>
#include <optional>

// A prompter for tests: answers come from queues filled by the test, and everything asked is
// recorded. An empty queue answers Cancel (No to a Yes/No question, or nothing) and is noted in
// `unexpected`.
class ScriptedPrompter : public Prompter
{
public:
    // Answers, taken from the front.
    QList<Answer> answers;
    QList<int> choices; // button indexes for choose(); -1 closes the box
    QList<FileAnswer> openAnswers;
    QStringList saveAnswers;                   // an empty string means Cancel
    QList<std::optional<QColor>> colorAnswers; // nullopt means Cancel
    QList<std::optional<QFont>> fontAnswers;
    bool acceptPrinter = false;

    // Modal dialogs: a handler by class name (e.g. "TInsLink") or objectName fills the
    // controls and closes the dialog (accept()/reject() or a button click). Without one the
    // dialog is rejected.
    using DialogHandler = std::function<void(QDialog&)>;
    QHash<QString, DialogHandler> dialogHandlers;
    void onDialog(const QString& name, DialogHandler handler)
    {
        dialogHandlers.insert(name, std::move(handler));
    }

    // What was asked.
    struct Asked
    {
        QString title, text;
    };
    QList<Asked> confirms; // Yes/No/Cancel
    QList<Asked> chooses;
    QList<Asked> questions; // Yes/No
    QStringList errors;
    QList<Asked> informs;
    QList<FileRequest> openRequests;
    QList<FileRequest> saveRequests;
    QList<QColor> colorRequests; // starting colours
    QStringList dialogsRun;      // class names, in order
    QStringList unexpected;      // asked with nothing queued

    Answer confirm(QWidget* parent, const QString& title, const QString& text) override;
    int choose(QWidget* parent, const QString& title, const QString& text,
               const QStringList& buttons) override;
    Answer ask(QWidget* parent, const QString& title, const QString& text) override;
    void error(QWidget* parent, const QString& text) override;
    void inform(QWidget* parent, const QString& title, const QString& text) override;
    FileAnswer openFiles(QWidget* parent, const FileRequest& request) override;
    QString saveFile(QWidget* parent, const FileRequest& request) override;
    bool chooseColor(QWidget* parent, QColor& color, bool fullOpen) override;
    bool chooseFont(QWidget* parent, QFont& font) override;
    bool choosePrinter(QWidget* parent, QPrinter& printer) override;
    int exec(QDialog& dialog) override;

private:
    InstalledSeam<Prompter> installed_{&setPrompter, this};
};
