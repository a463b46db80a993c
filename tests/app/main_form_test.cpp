#include "app/main_form.h"
#include "core/settings_store.h"
#include "editor/margin_rich_edit.h"
#include "support/scripted_prompter.h"
#include "support/test_main.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QMenuBar>
#include <QStatusTipEvent>
#include <Qsci/qsciprinter.h>
#include <QTemporaryDir>
#include <QToolButton>

using Answer = Prompter::Answer;

class MainFormTest : public QObject
{
    Q_OBJECT
private:
    // A start-up that neither shows the welcome window nor makes a Quick Start page.
    static void quietStartup()
    {
        WriteSetting(Setting::Welcome, QStringLiteral("N"));
        WriteSetting(Setting::QuickStart, QStringLiteral("N"));
    }

private Q_SLOTS:
    void init() { clearSettings(); }

    void newWindowIsUntitledAtItsDesignSize()
    {
        ScriptedPrompter prompter;
        TMainForm form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Untitled - Vorlane"));
        QCOMPARE(form.DocumentFileName(), QStringLiteral("Untitled"));
        QCOMPARE(form.size(), QSize(606, 452));
        QCOMPARE(form.minimumSize(), QSize(605, 400));
        QCOMPARE(form.maximumSize(), QSize(32000, 32000));
        form.SetDocumentName(QStringLiteral("/web/index.html"));
        QCOMPARE(form.windowTitle(), QStringLiteral("index.html - Vorlane"));
        QCOMPARE(form.DocumentFileName(), QStringLiteral("/web/index.html"));
        form.SetDocumentName(QStringLiteral("/web/Untitled"));
        form.editor()->SetEditorText(QStringLiteral("x"));
        QVERIFY(prompter.unexpected.isEmpty());
    }

    void menusCarryTheirKeysAndHints()
    {
        ScriptedPrompter prompter;
        TMainForm form;
        QCOMPARE(form.action(QStringLiteral("QuickStart1"))->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));
        QCOMPARE(form.action(QStringLiteral("GreaterThan1"))->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Period));
        QCOMPARE(form.action(QStringLiteral("LineBreak1"))->shortcut(), QKeySequence(Qt::ALT | Qt::Key_Return));
        QCOMPARE(form.action(QStringLiteral("FontandStyle1"))->statusTip(), QStringLiteral("Select font and style "));
        QCOMPARE(form.action(QStringLiteral("Copyright1"))->statusTip(), QStringLiteral("Intert a '\u00A9'"));
        for (const char* disabled : {"FromTemplate3", "FindAgain1", "FromTemplete1", "FromTemplete2", "JavaScript1",
                                     "Form1", "FormElement1", "N110", "EditPagemarks2"})
            QVERIFY2(!form.action(QString::fromLatin1(disabled))->isEnabled(), disabled);
        // A disabled item invoked by another command does nothing.
        form.invokeMenuItem(QStringLiteral("FromTemplate3"));
        QVERIFY(prompter.dialogsRun.isEmpty());
    }

    void startupAppliesStoredEditorSettings()
    {
        ScriptedPrompter prompter;
        quietStartup();
        WriteSetting(Setting::WordWrap, QStringLiteral("Y"));
        WriteSetting(Setting::Font, QStringLiteral("Courier"));
        WriteSetting(Setting::FontSize, QStringLiteral("12"));
        WriteSetting(Setting::StatusBar, QStringLiteral("Bottom"));
        WriteSetting(Setting::Browser, QStringLiteral("NS"));
        TMainForm form;
        form.FormActivate();
        QVERIFY(form.editor()->WordWrap());
        QVERIFY(form.action(QStringLiteral("mnuWordWrap1"))->isChecked());
        QCOMPARE(form.editor()->DisplayFont().family(), QStringLiteral("Courier"));
        QCOMPARE(form.editor()->DisplayFont().pointSize(), 12);
        QVERIFY(form.statusPanelAtBottom());
        QCOMPARE(form.SpeedButton5->toolTip(), QStringLiteral("Align to Top"));
        QCOMPARE(form.previewValues().browser, QStringLiteral("NS"));
        QCOMPARE(form.Label1->text(), QStringLiteral("Welcome to Vorlane!"));
        QCOMPARE(form.DocumentFileName(), QStringLiteral("Untitled"));
        QCOMPARE(form.editor()->EditorText(), QString());
        QVERIFY(prompter.errors.isEmpty());
    }

    void lowerCaseFlagsCountAsOff()
    {
        ScriptedPrompter prompter;
        quietStartup();
        WriteSetting(Setting::WordWrap, QStringLiteral("y"));
        WriteSetting(Setting::StatusBar, QStringLiteral("bottom"));
        TMainForm form;
        form.FormActivate();
        QVERIFY(!form.editor()->WordWrap());
        QVERIFY(!form.statusPanelAtBottom());
    }

    void badFontSizeStopsTheStartup()
    {
        ScriptedPrompter prompter;
        QTemporaryDir dir;
        const QString page = writeFile(dir.filePath(QStringLiteral("a.htm")), "<P>");
        WriteSetting(Setting::FontSize, QStringLiteral("big"));
        TMainForm form(page);
        form.FormActivate();
        QCOMPARE(prompter.errors, QStringList{QStringLiteral("'big' is not a valid integer value")});
        QCOMPARE(form.Label1->text(), QStringLiteral("Loading [.  ]"));
        QCOMPARE(form.DocumentFileName(), QStringLiteral("Untitled"));
        QVERIFY(prompter.dialogsRun.isEmpty());
        form.FormActivate(); // runs once only
        QCOMPARE(prompter.errors.size(), 1);
    }

    void commandLineFileWinsOverWelcome()
    {
        ScriptedPrompter prompter;
        QTemporaryDir dir;
        const QString page = writeFile(dir.filePath(QStringLiteral("site page.htm")), "<HTML>\r\n</HTML>\r\n");
        TMainForm form(page);
        form.FormActivate();
        QCOMPARE(form.windowTitle(), QStringLiteral("site page.htm - Vorlane"));
        QCOMPARE(form.editor()->EditorText(), QStringLiteral("<HTML>\n</HTML>\n"));
        QVERIFY(!form.editor()->ModifiedFlag());
        QVERIFY(prompter.dialogsRun.isEmpty());
    }

    void commandLineArgumentNamingNoFileIsIgnored()
    {
        ScriptedPrompter prompter;
        quietStartup();
        QTemporaryDir dir;
        TMainForm form(dir.filePath(QStringLiteral("--not-there.htm")));
        form.FormActivate();
        QCOMPARE(form.DocumentFileName(), QStringLiteral("Untitled"));
        QVERIFY(prompter.errors.isEmpty());
        TMainForm folder(dir.path()); // a folder is no file either
        folder.FormActivate();
        QCOMPARE(folder.DocumentFileName(), QStringLiteral("Untitled"));
    }

    void storedGeometryIsRestoredUntilABadValue()
    {
        {
            ScriptedPrompter prompter;
            WriteSetting(Setting::FormWidth, QStringLiteral("700"));
            WriteSetting(Setting::FormHeight, QStringLiteral("500"));
            TMainForm form;
            QCOMPARE(form.size(), QSize(700, 500));
        }
        {
            ScriptedPrompter prompter;
            WriteSetting(Setting::FormLeft, QStringLiteral("1O"));
            TMainForm form;
            QCOMPARE(prompter.errors, QStringList{QStringLiteral("'1O' is not a valid integer value")});
            QCOMPARE(form.size(), QSize(606, 452)); // width and height come after, not applied
        }
    }

    void closingWritesTheWindowSettings()
    {
        ScriptedPrompter prompter;
        quietStartup();
        TMainForm form;
        form.FormActivate();
        form.resize(640, 480);
        form.action(QStringLiteral("mnuWordWrap1"))->trigger();
        form.SpeedButton5->click();
        QVERIFY(form.close());
        QCOMPARE(ReadSetting(Setting::WordWrap), QStringLiteral("Y"));
        QCOMPARE(ReadSetting(Setting::StatusBar), QStringLiteral("Bottom"));
        QCOMPARE(ReadSetting(Setting::FormWidth), QStringLiteral("640"));
        QCOMPARE(ReadSetting(Setting::FormHeight), QStringLiteral("480"));
        QVERIFY(SettingExists(Setting::FormTop));
        QVERIFY(SettingExists(Setting::FormLeft));
    }

    void askSaveChangesAnswers()
    {
        ScriptedPrompter prompter;
        QTemporaryDir dir;
        const QString page = writeFile(dir.filePath(QStringLiteral("p.htm")), "old");
        TMainForm form;
        form.LoadDocument(page);
        form.SetDocumentName(page);
        QVERIFY(form.AskSaveChanges()); // not modified: nothing asked
        QVERIFY(prompter.confirms.isEmpty());

        form.editor()->ReplaceSelection(QStringLiteral("new "));
        prompter.answers = {Answer::Cancel, Answer::No, Answer::Yes};
        QVERIFY(!form.AskSaveChanges());
        QCOMPARE(prompter.confirms.last().title, QStringLiteral("Confirm"));
        QCOMPARE(prompter.confirms.last().text, QStringLiteral("Save changes to %1?").arg(page));
        QVERIFY(form.AskSaveChanges());
        QCOMPARE(readFile(page), QByteArray("old"));
        QVERIFY(form.AskSaveChanges());
        QCOMPARE(readFile(page), QByteArray("new old"));
        QVERIFY(!form.editor()->ModifiedFlag());
    }

    void yesThenCancelledSaveAsStopsTheCommand()
    {
        ScriptedPrompter prompter;
        TMainForm form;
        form.editor()->ReplaceSelection(QStringLiteral("typed work"));
        prompter.answers = {Answer::Yes};
        prompter.saveAnswers = {QString()};
        form.action(QStringLiteral("BlankPage1"))->trigger();
        QCOMPARE(form.editor()->EditorText(), QStringLiteral("typed work"));
        QVERIFY(form.editor()->ModifiedFlag());

        // At close the program stays open.
        prompter.answers = {Answer::Yes};
        prompter.saveAnswers = {QString()};
        QVERIFY(!form.close());
        QCOMPARE(form.editor()->EditorText(), QStringLiteral("typed work"));
    }

    void failingSaveAtCloseIsReportedAndKeepsTheProgramOpen()
    {
        ScriptedPrompter prompter;
        QTemporaryDir dir;
        const QString gone = dir.filePath(QStringLiteral("missing/p.htm"));
        TMainForm form;
        form.SetDocumentName(gone);
        form.editor()->ReplaceSelection(QStringLiteral("work"));
        prompter.answers = {Answer::Yes};
        QVERIFY(!form.close());
        QCOMPARE(prompter.errors, QStringList{QStringLiteral("Cannot create file %1").arg(gone)});
        QVERIFY(form.editor()->ModifiedFlag());
        QCOMPARE(form.DocumentFileName(), gone);
    }

    void saveAsAddsTheExtensionAndAsksBeforeOverwriting()
    {
        ScriptedPrompter prompter;
        QTemporaryDir dir;
        TMainForm form;
        form.editor()->ReplaceSelection(QStringLiteral("<P>one\ntwo"));
        prompter.saveAnswers = {dir.filePath(QStringLiteral("page"))};
        form.action(QStringLiteral("FileSaveItem"))->trigger(); // untitled: Save As
        const QString saved = dir.filePath(QStringLiteral("page.htm"));
        QCOMPARE(readFile(saved), QByteArray("<P>one\r\ntwo"));
        QCOMPARE(form.windowTitle(), QStringLiteral("page.htm - Vorlane"));
        QVERIFY(!form.editor()->ModifiedFlag());
        QVERIFY(prompter.confirms.isEmpty());

        // Onto an existing file: No writes nothing and changes nothing.
        const QString other = writeFile(dir.filePath(QStringLiteral("other.html")), "keep");
        form.editor()->ReplaceSelection(QStringLiteral("!"));
        prompter.saveAnswers = {other};
        prompter.answers = {Answer::No};
        form.action(QStringLiteral("FileSaveAsItem"))->trigger();
        QCOMPARE(prompter.confirms.last().text, QStringLiteral("OK to overwrite %1").arg(other));
        QCOMPARE(readFile(other), QByteArray("keep"));
        QCOMPARE(form.DocumentFileName(), saved);
        QVERIFY(form.editor()->ModifiedFlag());

        prompter.saveAnswers = {other};
        prompter.answers = {Answer::Yes};
        form.action(QStringLiteral("FileSaveAsItem"))->trigger();
        QCOMPARE(readFile(other), QByteArray("<P>one\r\ntwo!"));
        QCOMPARE(form.DocumentFileName(), other);
        QCOMPARE(form.saveDialogFileName(), other);
    }

    void openSetsNameFolderAndReadOnly()
    {
        ScriptedPrompter prompter;
        QTemporaryDir dir;
        const QString page = writeFile(dir.filePath(QStringLiteral("sub/in.htm")), "a\rb");
        TMainForm form;
        Prompter::FileAnswer answer;
        answer.files = {page};
        answer.readOnly = true;
        prompter.openAnswers = {answer};
        form.action(QStringLiteral("FileOpenItem"))->trigger();
        // No page with a folder yet: the chooser starts at home, not in the program's folder.
        QCOMPARE(prompter.openRequests.last().folder, QDir::homePath());
        QCOMPARE(prompter.openRequests.last().title, QStringLiteral("Open Web Page"));
        QCOMPARE(prompter.openRequests.last().fileName, QStringLiteral("index.html"));
        QVERIFY(prompter.openRequests.last().showReadOnlyBox);
        QCOMPARE(form.editor()->EditorText(), QStringLiteral("a\nb"));
        QCOMPARE(form.DocumentFileName(), page);
        QVERIFY(form.editor()->ReadOnly());
        QCOMPARE(form.openDialogFolder(), dir.filePath(QStringLiteral("sub")));
        // Save As starts in the page's folder.
        prompter.saveAnswers = {QString()};
        form.action(QStringLiteral("FileSaveAsItem"))->trigger();
        QCOMPARE(prompter.saveRequests.last().folder, dir.filePath(QStringLiteral("sub")));

        // A file that cannot be read leaves everything as it was.
        answer.files = {dir.filePath(QStringLiteral("gone.htm"))};
        answer.readOnly = false;
        prompter.openAnswers = {answer};
        form.action(QStringLiteral("FileOpenItem"))->trigger();
        QCOMPARE(prompter.errors.last(), QStringLiteral("Cannot open file %1").arg(answer.files.first()));
        QCOMPARE(form.DocumentFileName(), page);
        QCOMPARE(form.editor()->EditorText(), QStringLiteral("a\nb"));
        QVERIFY(form.editor()->ReadOnly());
    }

    void blankPageOnAnUnmodifiedPageAsksNothing()
    {
        ScriptedPrompter prompter;
        TMainForm form;
        form.SetDocumentName(QStringLiteral("/x/y.htm"));
        form.action(QStringLiteral("BlankPage1"))->trigger();
        QVERIFY(prompter.confirms.isEmpty());
        QCOMPARE(form.DocumentFileName(), QStringLiteral("Untitled"));
        QCOMPARE(form.editor()->EditorText(), QString());
        QVERIFY(!form.editor()->ModifiedFlag());
    }

    void pageOpenedAndSavedUnchangedIsByteIdentical()
    {
        ScriptedPrompter prompter;
        QTemporaryDir dir;
        QByteArray all;
        for (int i = 0; i < 256; ++i)
            all.append(char(i));
        all.append("\r\n\xEF\xBB\xBF in the middle \xC3\xA9");
        const QString page = writeFile(dir.filePath(QStringLiteral("bytes.htm")), all);
        TMainForm form;
        form.LoadDocument(page);
        form.SetDocumentName(page);
        form.action(QStringLiteral("FileSaveItem"))->trigger();
        QByteArray expected = all;
        expected.replace("\r\n", "\n").replace('\r', '\n').replace("\n", "\r\n");
        QCOMPARE(readFile(page), expected);
    }

    void contextMenuEnablesCutAndCopyOnlyWithASelection()
    {
        ScriptedPrompter prompter;
        TMainForm form;
        form.editor()->SetEditorText(QStringLiteral("abc"));
        form.PopupRichEdPopup();
        QVERIFY(!form.action(QStringLiteral("Cut1"))->isEnabled());
        QVERIFY(!form.action(QStringLiteral("Copy1"))->isEnabled());
        QVERIFY(form.action(QStringLiteral("Paste1"))->isEnabled());
        form.editor()->SetSelectionStart(1);
        form.editor()->SetSelectionLength(1);
        form.PopupRichEdPopup();
        QVERIFY(form.action(QStringLiteral("Cut1"))->isEnabled());
        QVERIFY(form.action(QStringLiteral("Copy1"))->isEnabled());
    }

    void hintsGoToTheStatusLabel()
    {
        ScriptedPrompter prompter;
        TMainForm form;
        form.action(QStringLiteral("Bold1"))->showStatusText(form.menuBar());
        QCOMPARE(form.Label1->text(), QStringLiteral("Bold Text"));
        QStatusTipEvent none{QString()};
        QCoreApplication::sendEvent(form.findChild<QToolButton*>(QStringLiteral("SpeedButton30")), &none);
        QCOMPARE(form.Label1->text(), QString());
        QStatusTipEvent tip{QStringLiteral("Insert Image (F6)")};
        QCoreApplication::sendEvent(form.findChild<QToolButton*>(QStringLiteral("SpeedButton30")), &tip);
        QCOMPARE(form.Label1->text(), QStringLiteral("Insert Image (F6)"));
    }

    void printingGoesToThePrinterChosen()
    {
        ScriptedPrompter prompter;
        QTemporaryDir dir;
        TMainForm form;
        form.editor()->SetEditorText(QStringLiteral("<P>printed page</P>"));
        TMarginPrinter printer(form.editor()->Margins());
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("out.pdf")));
        form.editor()->PrintText(printer, QStringLiteral("job"));
        QVERIFY(readFile(dir.filePath(QStringLiteral("out.pdf"))).startsWith("%PDF"));
        // Cancelled in the print dialog: nothing printed, text unchanged.
        prompter.acceptPrinter = false;
        form.action(QStringLiteral("FilePrintItem"))->trigger();
        QCOMPARE(form.editor()->EditorText(), QStringLiteral("<P>printed page</P>"));
    }

    void toolBarsAndStatusPanelSwitches()
    {
        ScriptedPrompter prompter;
        quietStartup();
        TMainForm form;
        form.show();
        form.FormActivate();
        form.action(QStringLiteral("ShowToolbar1"))->trigger();
        form.action(QStringLiteral("HideToolbar2"))->trigger();
        form.action(QStringLiteral("StatusBar1"))->trigger();
        QVERIFY(!form.Speedbar->isVisible());
        QVERIFY(!form.Toolbar->isVisible());
        QVERIFY(!form.Panel1->isVisible());
        form.SpeedButton5->click();
        QCOMPARE(form.SpeedButton5->toolTip(), QStringLiteral("Align To Top"));
        form.SpeedButton5->click();
        QCOMPARE(form.SpeedButton5->toolTip(), QStringLiteral("Align To Bottom"));
        QVERIFY(!form.statusPanelAtBottom());
        QVERIFY(form.close());
        QCOMPARE(ReadSetting(Setting::StatusBar), QStringLiteral("Top"));
        QVERIFY(!readFile(settingsFilePath()).contains("Horizontal Toolbar"));
    }
};

VORLANE_TEST_MAIN(MainFormTest)
#include "main_form_test.moc"
