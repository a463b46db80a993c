// The editor's own entry point, run unchanged from wherever it is copied to (an installed
// bin/ folder or the build tree), which then reports on standard output, once started:
//   document <name of the document opened at start-up>
//   help <page the help window shows> <characters on it>
//   templates <the names the template chooser lists, separated by "|">
//   template <SHA-1 of the editor's text after choosing the first one>
// and ends. Whatever it shows comes through the program's own lookup of its files.
#include "app/help_window.h"
#include "app/main_form.h"
#include "editor/margin_rich_edit.h"
#include "support/scripted_prompter.h"
#include "wizards/page_templates_dialog.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QEvent>
#include <QListWidget>
#include <QPushButton>
#include <QTextBrowser>
#include <QTimer>

#include <cstdio>

namespace {

void say(const QString& line)
{
    std::printf("%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

void report(TMainForm* form)
{
    auto* prompter = new ScriptedPrompter;
    say(QStringLiteral("document ") + form->DocumentFileName());

    form->HelpContents();
    if (THelpWindow* help = form->findChild<THelpWindow*>())
        say(QStringLiteral("help %1 %2")
                .arg(help->currentPage().toLocalFile())
                .arg(help->browser()->toPlainText().size()));

    QStringList listed;
    prompter->onDialog(QStringLiteral("TPageTempletes"), [&listed](QDialog& d) {
        auto& chooser = static_cast<TPageTempletes&>(d);
        for (int i = 0; i < chooser.FileListBox1->count(); ++i)
            listed << chooser.FileListBox1->item(i)->text();
        if (listed.isEmpty()) {
            chooser.reject();
            return;
        }
        chooser.FileListBox1->setCurrentRow(0);
        chooser.BitBtn1->click();
    });
    form->FromTemplate3Click();
    say(QStringLiteral("templates ") + listed.join(QLatin1Char('|')));
    const QByteArray text = form->editor()->EditorText().toUtf8();
    say(QStringLiteral("template ") +
        QString::fromLatin1(QCryptographicHash::hash(text, QCryptographicHash::Sha1).toHex()));
    for (const QString& error : prompter->errors)
        say(QStringLiteral("error ") + error);
    // Ends without closing, so no settings are written.
    std::_Exit(0);
}

class StartupWatcher : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show) {
            if (auto* form = qobject_cast<TMainForm*>(watched)) {
                qApp->removeEventFilter(this);
                whenStarted(form);
            }
        }
        return false;
    }

private:
    static void whenStarted(TMainForm* form)
    {
        QTimer::singleShot(0, form, [form] {
            if (form->startupDone())
                report(form);
            else
                whenStarted(form);
        });
    }
};

void installWatcher()
{
    // Only the editor's start, not --help or --version, has a window to watch.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;
    qApp->installEventFilter(new StartupWatcher(qApp));
    QTimer::singleShot(120000, qApp, [] { std::_Exit(3); });
}
Q_COREAPP_STARTUP_FUNCTION(installWatcher)

} // namespace

#define main vorlaneMain
#include "main.cpp"
#undef main

int main(int argc, char* argv[])
{
    return vorlaneMain(argc, argv);
}
