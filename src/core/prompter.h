#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>

class QDialog;
class QWidget;
class QPrinter;

// Everything a command asks of the user goes through this interface: questions, file choosers,
// error boxes and modal dialogs. The application installs the Qt implementation; tests install
// a scripted one, so commands run end to end without a display or timers.
class Prompter
{
public:
    enum class Answer { Yes, No, Cancel, Ok };

    struct FileRequest
    {
        QString title;       // empty: the platform's default title
        QString folder;      // starting folder
        QString fileName;    // proposed name
        QStringList filters; // "Label (patterns)" entries, first one selected
        bool showReadOnlyBox = false;
        bool allowMultiple = false;
        bool folderOnly = false; // choose one existing folder, not files
    };
    struct FileAnswer
    {
        QStringList files; // empty: cancelled
        bool readOnly = false;
    };

    virtual ~Prompter() = default;

    // "Confirm" box with Yes, No and Cancel and a question icon.
    virtual Answer confirm(QWidget* parent, const QString& title, const QString& text) = 0;
    // A question with buttons of its own (the first is the default); returns the index of the
    // button pressed, -1 when the box was closed otherwise.
    virtual int choose(QWidget* parent, const QString& title, const QString& text,
                       const QStringList& buttons) = 0;
    // Question box with Yes and No (Yes the default): Yes or No.
    virtual Answer ask(QWidget* parent, const QString& title, const QString& text) = 0;
    // Error box (title "Error", one OK button).
    virtual void error(QWidget* parent, const QString& text) = 0;
    // Information box with one OK button.
    virtual void inform(QWidget* parent, const QString& title, const QString& text) = 0;

    virtual FileAnswer openFiles(QWidget* parent, const FileRequest& request) = 0;
    virtual QString saveFile(QWidget* parent, const FileRequest& request) = 0;

    // Colour dialog; on OK writes the chosen colour and returns true.
    virtual bool chooseColor(QWidget* parent, QColor& color, bool fullOpen) = 0;
    virtual bool chooseFont(QWidget* parent, QFont& font) = 0;
    virtual bool choosePrinter(QWidget* parent, QPrinter& printer) = 0;

    // Runs a modal dialog and returns its result (QDialog::Accepted or Rejected).
    virtual int exec(QDialog& dialog) = 0;
};

// The prompter in use. Never null: the Qt implementation until another is installed.
Prompter& prompter();
// Installs p (not owned); nullptr restores the Qt implementation.
void setPrompter(Prompter* p);

// The Qt implementation, with the real dialogs.
class QtPrompter : public Prompter
{
public:
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
};
