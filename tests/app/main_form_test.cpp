#include "app/main_form.h"
#include "core/recent_files.h"
#include "core/settings_store.h"
#include "editor/margin_rich_edit.h"
#include "support/scripted_prompter.h"
#include "support/test_main.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QMenuBar>
#include <QScopeGuard>
#include <QStatusTipEvent>
#include <QTemporaryDir>
#include <QToolButton>
#include <Qsci/qsciprinter.h>

#include <sys/stat.h>

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
        QCOMPARE(form.action("QuickStart1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));
        QCOMPARE(form.action("GreaterThan1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Period));
        QCOMPARE(form.action("LineBreak1")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_Return));
        QCOMPARE(form.action("FontandStyle1")->statusTip(),
                 QStringLiteral("Select font and style "));
        QCOMPARE(form.action("Copyright1")->statusTip(), QStringLiteral("Intert a '\u00A9'"));
        for (const char* disabled :
             {"FromTemplate3", "FindAgain1", "FromTemplete1", "FromTemplete2", "JavaScript1",
              "Form1", "FormElement1", "N110", "EditPagemarks2"})
            QVERIFY2(!form.actionNamed(QString::fromLatin1(disabled))->isEnabled(), disabled);
        // A disabled item invoked by another command does nothing.
        form.invokeMenuItem("FromTemplate3");
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
        QVERIFY(form.action("mnuWordWrap1")->isChecked());
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
        QCOMPARE(prompter.errors,
                 QStringList{QStringLiteral("'big' is not a valid integer value")});
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
        const QString page =
            writeFile(dir.filePath(QStringLiteral("site page.htm")), "<HTML>\r\n</HTML>\r\n");
        TMainForm form(page);
        form.FormActivate();
        QCOMPARE(form.windowTitle(), QStringLiteral("site page.htm - Vorlane"));
        QCOMPARE(form.editor()->EditorText(), QStringLiteral("<HTML>\n</HTML>\n"));
        QVERIFY(!form.editor()->ModifiedFlag());
        QVERIFY(prompter.dialogsRun.isEmpty());
    }

    // Only a regular file is opened from the command line. A name that leads nowhere is passed
    // over; a folder, a pipe or a device is refused at once, without reading from it.
    void commandLineArgumentThatIsNoPage_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("refused");
        QTest::newRow("missing") << QStringLiteral("missing") << false;
        QTest::newRow("folder") << QStringLiteral("folder") << true;
        QTest::newRow("pipe") << QStringLiteral("pipe") << true;
        QTest::newRow("device") << QStringLiteral("device") << true;
    }
    void commandLineArgumentThatIsNoPage()
    {
        QFETCH(QString, kind);
        QFETCH(bool, refused);
        ScriptedPrompter prompter;
        quietStartup();
        QTemporaryDir dir;
        QString path = dir.filePath(QStringLiteral("--not-there.htm"));
        if (kind == QLatin1String("folder"))
            path = dir.path();
        else if (kind == QLatin1String("pipe"))
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (kind == QLatin1String("device"))
            path = QStringLiteral("/dev/zero"); // endless: reading it would never finish
        TMainForm form(path);
        form.FormActivate();
        QCOMPARE(form.DocumentFileName(), QStringLiteral("Untitled"));
        QCOMPARE(form.editor()->EditorText(), QString());
        QCOMPARE(prompter.errors, refused
                                      ? QStringList{QStringLiteral("Cannot open file %1").arg(path)}
                                      : QStringList());
    }

    // However a page was named (relative to the working folder, too), it is held by its
    // absolute name, so the recent files lead back to it from anywhere.
    void pagesAreHeldByAbsoluteNames_data()
    {
        QTest::addColumn<QString>("route");
        QTest::addColumn<QString>("given");
        QTest::newRow("command line")
            << QStringLiteral("command line") << QStringLiteral("page.htm");
        QTest::newRow("command line, through ..")
            << QStringLiteral("command line") << QStringLiteral("./../work/./page.htm");
        QTest::newRow("open dialog") << QStringLiteral("open") << QStringLiteral("page.htm");
        QTest::newRow("recent files") << QStringLiteral("recent") << QStringLiteral("page.htm");
        QTest::newRow("save as") << QStringLiteral("save as") << QStringLiteral("page");
    }
    void pagesAreHeldByAbsoluteNames()
    {
        QFETCH(QString, route);
        QFETCH(QString, given);
        ScriptedPrompter prompter;
        quietStartup();
        QTemporaryDir dir;
        const QString page = writeFile(dir.filePath(QStringLiteral("work/page.htm")), "<P>\r\n");
        const QString before = QDir::currentPath();
        const auto restore = qScopeGuard([&] { QDir::setCurrent(before); });
        QVERIFY(QDir::setCurrent(dir.filePath(QStringLiteral("work"))));
        TMainForm form(route == QLatin1String("command line") ? given : QString());
        form.FormActivate();
        if (route == QLatin1String("open")) {
            Prompter::FileAnswer answer;
            answer.files = {given};
            prompter.openAnswers = {answer};
            form.action("FileOpenItem")->trigger();
        } else if (route == QLatin1String("recent")) {
            form.MRUFileList1MRUItemClick(nullptr, given);
        } else if (route == QLatin1String("save as")) {
            prompter.saveAnswers = {given};
            prompter.answers = {Answer::Yes};
            form.action("FileSaveAsItem")->trigger();
        }
        form.editor()->ReplaceSelection(QStringLiteral("x"));
        form.action("FileSaveItem")->trigger();
        QVERIFY2(prompter.errors.isEmpty(), qPrintable(prompter.errors.join(QLatin1Char('\n'))));
        QCOMPARE(form.DocumentFileName(), page);
        QCOMPARE(form.MRUFileList1->Items().value(0), page);
    }

    // A page not read as UTF-8 says so; a character its code page cannot hold is saved as a
    // character reference, and the status label says that too.
    void statusLabelSaysHowThePageWasReadAndWritten_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("opened");
        QTest::addColumn<QByteArray>("saved");
        QTest::addColumn<QString>("savedNotice");
        QTest::newRow("utf-8") << QByteArray("<P>caf\xC3\xA9\r\n") << QString()
                               << QByteArray("\xE2\x86\x92<P>caf\xC3\xA9\r\n") << QString();
        QTest::newRow("windows-1252")
            << QByteArray("<P>\x93"
                          "caf\xE9\x94\r\n")
            << QStringLiteral("Opened as Windows-1252: the file is not valid UTF-8")
            << QByteArray("&#8594;<P>\x93"
                          "caf\xE9\x94\r\n")
            << QStringLiteral("1 character was saved as a character reference (&#...;)");
        QTest::newRow("utf-16 little-endian")
            << QByteArray("\xFF\xFE<\0P\0>\0", 8)
            << QStringLiteral(
                   "Opened as UTF-16 (little-endian): the file starts with its byte-order mark")
            << QByteArray("\xFF\xFE\x92\x21<\0P\0>\0", 10) << QString();
    }
    void statusLabelSaysHowThePageWasReadAndWritten()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, opened);
        QFETCH(QByteArray, saved);
        QFETCH(QString, savedNotice);
        ScriptedPrompter prompter;
        QTemporaryDir dir;
        const QString page = writeFile(dir.filePath(QStringLiteral("page.htm")), file);
        const QString plain = writeFile(dir.filePath(QStringLiteral("plain.htm")), "<P>");
        TMainForm form;
        const QString welcome = form.Label1->text();
        form.LoadDocument(page);
        form.SetDocumentName(page);
        QCOMPARE(form.Label1->text(), opened.isEmpty() ? welcome : opened);
        form.editor()->ReplaceSelection(QStringLiteral("\u2192"));
        form.action("FileSaveItem")->trigger();
        QCOMPARE(readFile(page), saved);
        if (!savedNotice.isEmpty())
            QCOMPARE(form.Label1->text(), savedNotice);
        // The next page's load takes the notice down; it no longer tells the truth.
        form.LoadDocument(plain);
        QCOMPARE(form.Label1->text(),
                 opened.isEmpty() && savedNotice.isEmpty() ? welcome : QString());
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
            QCOMPARE(prompter.errors,
                     QStringList{QStringLiteral("'1O' is not a valid integer value")});
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
        form.action("mnuWordWrap1")->trigger();
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
        form.action("BlankPage1")->trigger();
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
        form.action("FileSaveItem")->trigger(); // untitled: Save As
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
        form.action("FileSaveAsItem")->trigger();
        QCOMPARE(prompter.confirms.last().text, QStringLiteral("OK to overwrite %1").arg(other));
        QCOMPARE(readFile(other), QByteArray("keep"));
        QCOMPARE(form.DocumentFileName(), saved);
        QVERIFY(form.editor()->ModifiedFlag());

        prompter.saveAnswers = {other};
        prompter.answers = {Answer::Yes};
        form.action("FileSaveAsItem")->trigger();
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
        form.action("FileOpenItem")->trigger();
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
        form.action("FileSaveAsItem")->trigger();
        QCOMPARE(prompter.saveRequests.last().folder, dir.filePath(QStringLiteral("sub")));

        // A file that cannot be read leaves everything as it was.
        answer.files = {dir.filePath(QStringLiteral("gone.htm"))};
        answer.readOnly = false;
        prompter.openAnswers = {answer};
        form.action("FileOpenItem")->trigger();
        QCOMPARE(prompter.errors.last(),
                 QStringLiteral("Cannot open file %1").arg(answer.files.first()));
        QCOMPARE(form.DocumentFileName(), page);
        QCOMPARE(form.editor()->EditorText(), QStringLiteral("a\nb"));
        QVERIFY(form.editor()->ReadOnly());
    }

    void blankPageOnAnUnmodifiedPageAsksNothing()
    {
        ScriptedPrompter prompter;
        TMainForm form;
        form.SetDocumentName(QStringLiteral("/x/y.htm"));
        form.action("BlankPage1")->trigger();
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
        form.action("FileSaveItem")->trigger();
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
        QVERIFY(!form.action("Cut1")->isEnabled());
        QVERIFY(!form.action("Copy1")->isEnabled());
        QVERIFY(form.action("Paste1")->isEnabled());
        form.editor()->SetSelectionStart(1);
        form.editor()->SetSelectionLength(1);
        form.PopupRichEdPopup();
        QVERIFY(form.action("Cut1")->isEnabled());
        QVERIFY(form.action("Copy1")->isEnabled());
    }

    void hintsGoToTheStatusLabel()
    {
        ScriptedPrompter prompter;
        TMainForm form;
        form.action("Bold1")->showStatusText(form.menuBar());
        QCOMPARE(form.Label1->text(), QStringLiteral("Bold Text"));
        QStatusTipEvent none{QString()};
        QCoreApplication::sendEvent(form.findChild<QToolButton*>(QStringLiteral("SpeedButton30")),
                                    &none);
        QCOMPARE(form.Label1->text(), QString());
        QStatusTipEvent tip{QStringLiteral("Insert Image (F6)")};
        QCoreApplication::sendEvent(form.findChild<QToolButton*>(QStringLiteral("SpeedButton30")),
                                    &tip);
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
        form.action("FilePrintItem")->trigger();
        QCOMPARE(form.editor()->EditorText(), QStringLiteral("<P>printed page</P>"));
    }

    void toolBarsAndStatusPanelSwitches()
    {
        ScriptedPrompter prompter;
        quietStartup();
        TMainForm form;
        form.show();
        form.FormActivate();
        form.action("ShowToolbar1")->trigger();
        form.action("HideToolbar2")->trigger();
        form.action("StatusBar1")->trigger();
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
