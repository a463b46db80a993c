#include "app/fake_tray_platform.h"
#include "app/help_window.h"
#include "app/main_form.h"
#include "app/tray_icon.h"
#include "core/program_files.h"
#include "core/settings_store.h"
#include "editor/margin_rich_edit.h"
#include "support/scripted_prompter.h"
#include "support/test_main.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QEnterEvent>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSettings>
#include <QTextBrowser>
#include <QToolButton>

using Answer = Prompter::Answer;

namespace {

// Everything a command can visibly do, for comparing a tool button with its menu item.
struct Effects
{
    QString text, name, file, clipboard;
    int selStart = 0, selLength = 0;
    bool modified = false, helpShown = false;
    QStringList asked;
    bool operator==(const Effects&) const = default;
};

QString describe(const Effects& e)
{
    return QStringLiteral("text=%1 sel=%2+%3 name=%4 modified=%5 help=%6 asked=[%7]")
        .arg(e.text)
        .arg(e.selStart)
        .arg(e.selLength)
        .arg(e.name)
        .arg(e.modified)
        .arg(e.helpShown)
        .arg(e.asked.join(QLatin1String("; ")));
}

QStringList layoutSequence(QWidget* bar)
{
    QStringList seq;
    QLayout* layout = bar->layout();
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        if (auto* button = qobject_cast<QToolButton*>(item->widget()))
            seq << button->objectName();
        else if (qobject_cast<QFrame*>(item->widget()))
            seq << QStringLiteral("|");
        else if (item->spacerItem())
            seq << QStringLiteral("~");
    }
    return seq;
}

} // namespace

class ChromeTest : public QObject
{
    Q_OBJECT

    QTemporaryDir programDir_;

    static void quietStartup()
    {
        WriteSetting(Setting::Welcome, QStringLiteral("N"));
        WriteSetting(Setting::QuickStart, QStringLiteral("N"));
    }

    std::shared_ptr<TrayLog> fakeTray(TMainForm& form, bool available = true,
                                      FakeTrayPlatform** installed = nullptr)
    {
        auto log = std::make_shared<TrayLog>();
        auto platform = std::make_unique<FakeTrayPlatform>(log, available);
        if (installed)
            *installed = platform.get();
        form.TrayIcon->setPlatform(std::move(platform));
        return log;
    }

    // A shown window minimised into a fake tray ("Task Tray" already "Y").
    std::shared_ptr<TrayLog> minimiseToFakeTray(TMainForm& form, FakeTrayPlatform** installed)
    {
        auto log = fakeTray(form, true, installed);
        form.show();
        form.showMinimized();
        QCoreApplication::processEvents();
        return log;
    }

    // Runs one command on a fresh window in a fixed state and reports what it did.
    Effects effectsOf(const std::function<void(TMainForm&)>& command)
    {
        const QString page = programDir_.filePath(QStringLiteral("work/page.htm"));
        QDir(programDir_.filePath(QStringLiteral("work"))).removeRecursively();
        QDir().mkpath(programDir_.filePath(QStringLiteral("work")));
        ScriptedPrompter prompter;
        TMainForm form;
        form.editor()->SetEditorText(QStringLiteral("alpha beta gamma"));
        form.SetDocumentName(page);
        form.editor()->SetModifiedFlag(false);
        form.editor()->SetSelectionStart(6);
        form.editor()->SetSelectionLength(4);
        QGuiApplication::clipboard()->setText(QStringLiteral("PASTED"));
        command(form);
        Effects e;
        e.text = form.editor()->EditorText();
        e.selStart = form.editor()->SelectionStart();
        e.selLength = form.editor()->SelectionLength();
        e.name = form.DocumentFileName();
        e.modified = form.editor()->ModifiedFlag();
        e.helpShown = form.helpWindow && form.helpWindow->isVisible();
        e.file = QString::fromUtf8(readFile(page));
        e.clipboard = QGuiApplication::clipboard()->text();
        for (const auto& c : prompter.confirms)
            e.asked << QStringLiteral("confirm ") + c.text;
        for (const auto& t : prompter.errors)
            e.asked << QStringLiteral("error ") + t;
        for (const auto& i : prompter.informs)
            e.asked << QStringLiteral("inform ") + i.text;
        e.asked << prompter.dialogsRun << prompter.unexpected;
        e.asked << QStringLiteral("open %1 save %2 color %3")
                       .arg(prompter.openRequests.size())
                       .arg(prompter.saveRequests.size())
                       .arg(prompter.colorRequests.size());
        return e;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(programDir_.isValid());
        writeFile(programDir_.filePath(QStringLiteral("help/index.html")),
                  "<HTML><HEAD><TITLE>Contents</TITLE></HEAD><BODY><A HREF=\"two.html\">two</A>"
                  "<A HREF=\"http://example.org/\">web</A></BODY></HTML>");
        writeFile(programDir_.filePath(QStringLiteral("help/two.html")),
                  "<HTML><HEAD><TITLE>Two</TITLE></HEAD><BODY>Second</BODY></HTML>");
        writeFile(programDir_.filePath(QStringLiteral("version.txt")),
                  "Vorlane version\r\nsecond line\r\n");
        writeFile(programDir_.filePath(QStringLiteral("readme.txt")), "Read me first\r\n");
        setProgramFilesFolder(programDir_.path());
    }
    void cleanupTestCase() { setProgramFilesFolder(QString()); }
    void init() { clearSettings(); }

    void toolButtonsStandInOrder()
    {
        ScriptedPrompter prompter;
        TMainForm form;
        QCOMPARE(layoutSequence(form.Speedbar).join(QLatin1Char(' ')),
                 QStringLiteral("SpeedButton33 | SpeedButton24 SpeedButton23 SpeedButton25 | "
                                "SpeedButton26 | SpeedButton27 SpeedButton28 SpeedButton29 | "
                                "SpeedButton30 SpeedButton31 SpeedButton32 | SpeedButton12 "
                                "SpeedButton14 SpeedButton15 ~ SpeedButton1"));
        QCOMPARE(layoutSequence(form.Toolbar).join(QLatin1Char(' ')),
                 QStringLiteral("SpeedButton11 | SpeedButton6 SpeedButton7 SpeedButton8 | "
                                "SpeedButton9 SpeedButton10 | SpeedButton13 ~"));
    }

    void toolButtonsShowTheirHints_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("hint");
        QTest::addColumn<QSize>("size");
        const QSize big(27, 28), small(22, 22);
        const QList<std::tuple<const char*, const char*, QSize>> rows = {
            {"SpeedButton33", "View in Browser (F5)", big},
            {"SpeedButton24", "New", big},
            {"SpeedButton23", "Open", big},
            {"SpeedButton25", "Save", big},
            {"SpeedButton26", "Undo", big},
            {"SpeedButton27", "Cut", big},
            {"SpeedButton28", "Copy", big},
            {"SpeedButton29", "Paste", big},
            {"SpeedButton30", "Insert Image (F6)", big},
            {"SpeedButton31", "Insert Link (F7)", big},
            {"SpeedButton32", "Insert Table", big},
            {"SpeedButton12", "Font and Style (F10)", big},
            {"SpeedButton14", "Color Picker (F2)", big},
            {"SpeedButton15", "Web Page Properties", big},
            {"SpeedButton1", "Help Contents", big},
            {"SpeedButton11", "New Paragraph", small},
            {"SpeedButton6", "Bold", small},
            {"SpeedButton7", "Italics", small},
            {"SpeedButton8", "Underline", small},
            {"SpeedButton9", "Line Break", small},
            {"SpeedButton10", "Horizontal Line", small},
            {"SpeedButton13", "Add Comment", small},
        };
        for (const auto& [button, hint, size] : rows)
            QTest::newRow(button) << QString::fromLatin1(button) << QString::fromLatin1(hint)
                                  << size;
    }
    void toolButtonsShowTheirHints()
    {
        QFETCH(QString, button);
        QFETCH(QString, hint);
        QFETCH(QSize, size);
        ScriptedPrompter prompter;
        TMainForm form;
        auto* b = form.findChild<QToolButton*>(button);
        QVERIFY(b);
        QCOMPARE(b->toolTip(), hint);
        QCOMPARE(b->size(), size);
        // Every button shows a picture of ours (or the theme's).
        QVERIFY(!b->icon().pixmap(b->iconSize()).isNull());
        // Hovering puts the hint into the status label; leaving empties it.
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QCoreApplication::sendEvent(b, &enter);
        QCOMPARE(form.Label1->text(), hint);
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(b, &leave);
        QCOMPARE(form.Label1->text(), QString());
    }

    // A tool button does exactly what its menu item does.
    void toolButtonsRunTheirCommands_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("item");
        const QList<std::pair<const char*, const char*>> rows = {
            {"SpeedButton33", "mnuViewinbrowser"},
            {"SpeedButton24", "QuickStart1"},
            {"SpeedButton23", "FileOpenItem"},
            {"SpeedButton25", "FileSaveItem"},
            {"SpeedButton26", "EditUndoItem"},
            {"SpeedButton27", "EditCutItem"},
            {"SpeedButton28", "EditCopyItem"},
            {"SpeedButton29", "EditPasteItem"},
            {"SpeedButton30", "Image1"},
            {"SpeedButton31", "InsertLink1"},
            {"SpeedButton12", "FontandStyle1"},
            {"SpeedButton14", "Color1"},
            {"SpeedButton15", "Document1"},
            {"SpeedButton1", "HelpContentsItem"},
            {"SpeedButton6", "Bold1"},
            {"SpeedButton7", "Italic1"},
            {"SpeedButton8", "Underline1"},
            {"SpeedButton9", "LineBreak1"},
            {"SpeedButton10", "HorizontalLine1"},
            {"SpeedButton13", "AddComment1"},
        };
        for (const auto& [button, item] : rows)
            QTest::newRow(button) << QString::fromLatin1(button) << QString::fromLatin1(item);
    }
    void toolButtonsRunTheirCommands()
    {
        QFETCH(QString, button);
        QFETCH(QString, item);
        const Effects byButton =
            effectsOf([&](TMainForm& form) { form.findChild<QToolButton*>(button)->click(); });
        const Effects byMenu =
            effectsOf([&](TMainForm& form) { form.actionNamed(item)->trigger(); });
        QVERIFY2(byButton == byMenu,
                 qPrintable(describe(byButton) + QStringLiteral("\n vs ") + describe(byMenu)));
    }

    void helpButtonOpensHelp()
    {
        const Effects help = effectsOf([](TMainForm& form) {
            form.findChild<QToolButton*>(QStringLiteral("SpeedButton1"))->click();
        });
        QVERIFY(help.helpShown);
    }

    void statusPanelArrowMovesThePanel()
    {
        ScriptedPrompter prompter;
        TMainForm form;
        QLayout* layout = form.centralWidget()->layout();
        QCOMPARE(layout->indexOf(form.Panel1), 1); // under the horizontal tool bar
        QCOMPARE(form.SpeedButton5->toolTip(), QStringLiteral("Align To Bottom"));
        form.SpeedButton5->click();
        QCOMPARE(layout->indexOf(form.Panel1), layout->count() - 1);
        QVERIFY(form.statusPanelAtBottom());
        QCOMPARE(form.SpeedButton5->toolTip(), QStringLiteral("Align To Top"));
        QCOMPARE(form.SpeedButton5->statusTip(), QStringLiteral("Align To Top"));
        form.SpeedButton5->click();
        QCOMPARE(layout->indexOf(form.Panel1), 1);
        QCOMPARE(form.SpeedButton5->toolTip(), QStringLiteral("Align To Bottom"));
        QCOMPARE(form.Panel1->statusTip(), QStringLiteral("Status Bar"));
    }

    void hiddenBarsLeaveTheEditorAloneAndAreNotStored()
    {
        ScriptedPrompter prompter;
        quietStartup();
        {
            TMainForm form;
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            for (const char* item : {"ShowToolbar1", "HideToolbar2", "StatusBar1"})
                form.invokeMenuItemNamed(QString::fromLatin1(item));
            QVERIFY(!form.Speedbar->isVisible());
            QVERIFY(!form.Toolbar->isVisible());
            QVERIFY(!form.Panel1->isVisible());
            QVERIFY(!form.action("ShowToolbar1")->isChecked());
            form.centralWidget()->layout()->activate();
            QCOMPARE(form.editor()->geometry(), form.centralWidget()->rect());
            QVERIFY(form.close());
        }
        QSettings store(settingsFilePath(), QSettings::IniFormat);
        // Only values of the settings table (and the recent files) may be written.
        QStringList known;
        for (const SettingKey& key : Setting::all())
            known << QString::fromLatin1(key.name);
        QStringList unknown;
        for (const QString& key : store.allKeys()) {
            if (!known.contains(key) && !key.startsWith(QLatin1String("Recent Files/")))
                unknown << key;
        }
        QCOMPARE(unknown, QStringList());
        QCOMPARE(store.value(QStringLiteral("Status Bar")).toString(), QStringLiteral("Top"));
        TMainForm again;
        for (const char* item : {"ShowToolbar1", "HideToolbar2", "StatusBar1"})
            QVERIFY(again.actionNamed(QString::fromLatin1(item))->isChecked());
        QVERIFY(!again.Speedbar->isHidden());
        QVERIFY(!again.Toolbar->isHidden());
        QVERIFY(!again.Panel1->isHidden());
    }

    void menuPicturesAreAttachedAtStartup_data()
    {
        QTest::addColumn<QString>("item");
        for (const char* item :
             {"FileOpenItem", "FileSaveItem", "mnuViewinbrowser", "FileExitItem", "BlankPage1",
              "FromTemplate3", "Image1", "mnuInsertLink", "HelpContentsItem", "HelpAboutItem"})
            QTest::newRow(item) << QString::fromLatin1(item);
    }
    void menuPicturesAreAttachedAtStartup()
    {
        QFETCH(QString, item);
        ScriptedPrompter prompter;
        quietStartup();
        TMainForm form;
        QVERIFY(form.actionNamed(item)->icon().isNull());
        form.FormActivate();
        QVERIFY(!form.actionNamed(item)->icon().pixmap(16).isNull());
        QVERIFY(form.action("Bold1")->icon().isNull()); // only the listed ones
    }

    // "Task Tray" is read at every minimise: only "Y" moves the program to the tray.
    void minimisingFollowsTaskTray_data()
    {
        QTest::addColumn<QString>("taskTray"); // "-" means absent
        QTest::addColumn<bool>("trayExists");
        QTest::addColumn<bool>("toTray");
        QTest::newRow("Y") << QStringLiteral("Y") << true << true;
        QTest::newRow("N") << QStringLiteral("N") << true << false;
        QTest::newRow("absent") << QStringLiteral("-") << true << false;
        QTest::newRow("lower-case y") << QStringLiteral("y") << true << false;
        // Hiding the window with no tray to bring it back would strand the user.
        QTest::newRow("Y without a tray") << QStringLiteral("Y") << false << false;
    }
    void minimisingFollowsTaskTray()
    {
        QFETCH(QString, taskTray);
        QFETCH(bool, trayExists);
        QFETCH(bool, toTray);
        ScriptedPrompter prompter;
        quietStartup();
        if (taskTray != QLatin1String("-"))
            WriteSetting(Setting::TaskTray, taskTray);
        TMainForm form;
        auto tray = fakeTray(form, trayExists);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.showMinimized();
        QCoreApplication::processEvents();
        QCOMPARE(form.isHidden(), toTray);
        QCOMPARE(form.TrayIcon->Active(), toTray);
        QCOMPARE(tray->adds, toTray ? 1 : 0);
        QCOMPARE(tray->tip, toTray ? QStringLiteral("Vorlane") : QString());
        QVERIFY(prompter.errors.isEmpty());
    }

    void taskTrayIsReadAtEveryMinimise()
    {
        ScriptedPrompter prompter;
        quietStartup();
        TMainForm form;
        auto tray = fakeTray(form);
        form.show();
        form.showMinimized();
        QCoreApplication::processEvents();
        QVERIFY(!form.isHidden());
        form.showNormal();
        WriteSetting(Setting::TaskTray, QStringLiteral("Y")); // as the preferences would
        form.showMinimized();
        QCoreApplication::processEvents();
        QVERIFY(form.isHidden());
        QCOMPARE(tray->adds, 1);
    }

    void leftClickOnTheTrayRestores()
    {
        ScriptedPrompter prompter;
        quietStartup();
        WriteSetting(Setting::TaskTray, QStringLiteral("Y"));
        TMainForm form;
        FakeTrayPlatform* fake = nullptr;
        auto log = minimiseToFakeTray(form, &fake);
        QVERIFY(form.isHidden());
        fake->press(TrayIconPlatform::MouseAction::LeftClick);
        QVERIFY(form.isVisible());
        QVERIFY(!(form.windowState() & Qt::WindowMinimized));
        QVERIFY(!form.TrayIcon->Active());
        QCOMPARE(log->removes, 1);
        QVERIFY(!log->shown);
    }

    void trayMenuRestoresAndCannotExit()
    {
        ScriptedPrompter prompter;
        quietStartup();
        WriteSetting(Setting::TaskTray, QStringLiteral("Y"));
        TMainForm form;
        FakeTrayPlatform* fake = nullptr;
        minimiseToFakeTray(form, &fake);

        const QList<QAction*> items = form.TrayPopup->actions();
        QCOMPARE(items.size(), 3);
        QCOMPARE(items[0]->objectName(), QStringLiteral("ShowVorlane1"));
        QCOMPARE(items[0]->text(), QStringLiteral("Restore Vorlane"));
        QCOMPARE(form.TrayPopup->defaultAction(), items[0]);
        QVERIFY(items[1]->isSeparator());
        QCOMPARE(items[2]->text(), QStringLiteral("Exit Vorlane"));
        QVERIFY(!items[2]->isEnabled());

        fake->press(TrayIconPlatform::MouseAction::RightClick, QPoint(50, 60));
        QVERIFY(form.TrayPopup->isVisible());
        QVERIFY(form.isHidden()); // a right click alone restores nothing
        items[2]->trigger();      // disabled: nothing happens
        QVERIFY(form.isHidden());
        form.TrayPopup->hide();
        items[0]->trigger();
        QVERIFY(form.isVisible());
        QVERIFY(!form.TrayIcon->Active());
    }

    void helpContentsShowsTheHelpPages()
    {
        ScriptedPrompter prompter;
        TMainForm form;
        form.invokeMenuItem("HelpContentsItem");
        QVERIFY(prompter.errors.isEmpty());
        QVERIFY(form.helpWindow && form.helpWindow->isVisible());
        QCOMPARE(form.helpWindow->currentPage(),
                 QUrl::fromLocalFile(programDir_.filePath(QStringLiteral("help/index.html"))));
        QVERIFY(form.helpWindow->browser()->toPlainText().contains(QStringLiteral("two")));
        QCOMPARE(form.helpWindow->windowTitle(), QStringLiteral("Vorlane Help - Contents"));
        QCOMPARE(THelpWindow::helpCaption(QStringLiteral("Vorlane Help Contents")),
                 QStringLiteral("Vorlane Help Contents"));
        QVERIFY((form.helpWindow->frameGeometry().center() - form.frameGeometry().center())
                    .manhattanLength() <= 2);
        // Dark text on white paper, whatever the desktop's palette.
        const QPalette paper = form.helpWindow->browser()->palette();
        QCOMPARE(paper.color(QPalette::Text), QColor(Qt::black));
        QCOMPARE(paper.color(QPalette::Base), QColor(Qt::white));
        // A second request comes back to the contents, in the same window.
        form.helpWindow->showPage(
            QUrl::fromLocalFile(programDir_.filePath(QStringLiteral("help/two.html"))));
        THelpWindow* first = form.helpWindow;
        form.HelpContents();
        QCOMPARE(form.helpWindow, first);
        QVERIFY(form.helpWindow->currentPage().path().endsWith(QStringLiteral("index.html")));
    }

    void missingHelpPagesGiveAClearMessage()
    {
        ScriptedPrompter prompter;
        QTemporaryDir empty;
        setProgramFilesFolder(empty.path());
        TMainForm form;
        form.invokeMenuItem("HelpContentsItem");
        setProgramFilesFolder(programDir_.path());
        QCOMPARE(
            prompter.errors,
            QStringList{QStringLiteral("Cannot find the help pages: %1/help/index.html does not "
                                       "exist. Please reinstall Vorlane.")
                            .arg(empty.path())});
        QVERIFY(!form.helpWindow || !form.helpWindow->isVisible());
    }

    void helpWindowFollowsLinks()
    {
        THelpWindow window;
        window.showContents(programDir_.path() + QStringLiteral("/help/"));
        QStringList external;
        connect(&window, &THelpWindow::externalLinkRequested, this,
                [&](const QString& url) { external << url; });
        Q_EMIT window.browser()->anchorClicked(QUrl(QStringLiteral("two.html")));
        QVERIFY(window.currentPage().path().endsWith(QStringLiteral("help/two.html")));
        QVERIFY(window.browser()->toPlainText().contains(QStringLiteral("Second")));
        QVERIFY(external.isEmpty());
        Q_EMIT window.browser()->anchorClicked(QUrl(QStringLiteral("http://example.org/")));
        QCOMPARE(external, QStringList{QStringLiteral("http://example.org/")});
        QVERIFY(window.currentPage().path().endsWith(QStringLiteral("help/two.html")));
    }

    // The two help texts become the document, named after their full path.
    void helpTextsLoadAsDocuments_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("text");
        QTest::newRow("version") << QStringLiteral("VersionInfotxt1")
                                 << QStringLiteral("version.txt")
                                 << QStringLiteral("Vorlane version\nsecond line\n");
        QTest::newRow("readme") << QStringLiteral("ReadmeDoctxt1") << QStringLiteral("readme.txt")
                                << QStringLiteral("Read me first\n");
    }
    void helpTextsLoadAsDocuments()
    {
        QFETCH(QString, item);
        QFETCH(QString, file);
        QFETCH(QString, text);
        ScriptedPrompter prompter;
        TMainForm form;
        form.editor()->SetEditorText(QStringLiteral("unsaved work"));
        form.editor()->SetReadOnly(true);

        // Cancel in the save question stops the command.
        prompter.answers = {Answer::Cancel};
        form.invokeMenuItemNamed(item);
        QCOMPARE(form.editor()->EditorText(), QStringLiteral("unsaved work"));
        QCOMPARE(prompter.confirms.size(), 1);
        QCOMPARE(prompter.confirms[0].text, QStringLiteral("Save changes to Untitled?"));

        prompter.answers = {Answer::No};
        form.invokeMenuItemNamed(item);
        const QString path = programDir_.filePath(file);
        QCOMPARE(form.editor()->EditorText(), text);
        QCOMPARE(form.DocumentFileName(), path);
        QCOMPARE(form.windowTitle(), file + QStringLiteral(" - Vorlane"));
        QVERIFY(!form.editor()->ModifiedFlag());
        QVERIFY(form.editor()->ReadOnly()); // left as it was
        QVERIFY(prompter.errors.isEmpty());
    }

    void missingHelpTextLeavesTheDocument_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("file");
        QTest::newRow("version") << QStringLiteral("VersionInfotxt1")
                                 << QStringLiteral("version.txt");
        QTest::newRow("readme") << QStringLiteral("ReadmeDoctxt1") << QStringLiteral("readme.txt");
    }
    void missingHelpTextLeavesTheDocument()
    {
        QFETCH(QString, item);
        QFETCH(QString, file);
        ScriptedPrompter prompter;
        QTemporaryDir empty;
        setProgramFilesFolder(empty.path());
        TMainForm form;
        form.editor()->SetEditorText(QStringLiteral("kept"));
        form.SetDocumentName(QStringLiteral("/pages/kept.htm"));
        form.editor()->SetModifiedFlag(false);
        form.invokeMenuItemNamed(item);
        setProgramFilesFolder(programDir_.path());
        QCOMPARE(prompter.errors,
                 QStringList{QStringLiteral("Cannot open file %1/%2").arg(empty.path(), file)});
        QCOMPARE(form.editor()->EditorText(), QStringLiteral("kept"));
        QCOMPARE(form.DocumentFileName(), QStringLiteral("/pages/kept.htm"));
        QCOMPARE(form.windowTitle(), QStringLiteral("kept.htm - Vorlane"));
    }

    void aHelpTextIsSavedBackToItsFile()
    {
        ScriptedPrompter prompter;
        TMainForm form;
        form.invokeMenuItem("ReadmeDoctxt1");
        form.editor()->SetSelectionStart(0);
        form.editor()->ReplaceSelection(QStringLiteral("Note: "));
        form.invokeMenuItem("FileSaveItem");
        QVERIFY(prompter.saveRequests.isEmpty());
        QCOMPARE(readFile(programDir_.filePath(QStringLiteral("readme.txt"))),
                 QByteArray("Note: Read me first\r\n"));
        writeFile(programDir_.filePath(QStringLiteral("readme.txt")), "Read me first\r\n");
    }

    // The help that ships: every page is HTML 3.2, reachable from the contents, and no link
    // or anchor points nowhere.
    void shippedHelpHasNoBrokenLinks()
    {
        const QString folder = sourceDir() + QStringLiteral("/resources/help/");
        const QStringList pages = QDir(folder).entryList({QStringLiteral("*.html")}, QDir::Files);
        QVERIFY(pages.contains(QStringLiteral("index.html")));
        QVERIFY(pages.size() >= 20);
        const QRegularExpression link(QStringLiteral("HREF=\"([^\"]*)\""));
        QSet<QString> linked;
        for (const QString& page : pages) {
            const QString html = QString::fromUtf8(readFile(folder + page));
            QVERIFY2(html.startsWith(QStringLiteral(
                         "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2 Final//EN\">")),
                     qPrintable(page));
            QVERIFY2(html.contains(QStringLiteral("<TITLE>")), qPrintable(page));
            for (auto m = link.globalMatch(html); m.hasNext();) {
                const QString target = m.next().captured(1);
                if (target.contains(QLatin1Char(':')))
                    continue; // web and mail addresses
                const QString file = target.section(QLatin1Char('#'), 0, 0);
                const QString anchor = target.section(QLatin1Char('#'), 1);
                const QString targetPage = file.isEmpty() ? page : file;
                QVERIFY2(pages.contains(targetPage),
                         qPrintable(page + QStringLiteral(" -> ") + target));
                linked.insert(targetPage);
                if (!anchor.isEmpty())
                    QVERIFY2(QString::fromUtf8(readFile(folder + targetPage))
                                 .contains(QStringLiteral("NAME=\"%1\"").arg(anchor)),
                             qPrintable(page + QStringLiteral(" -> ") + target));
            }
        }
        for (const QString& page : pages)
            QVERIFY2(linked.contains(page), qPrintable(page + QStringLiteral(" is never linked")));
    }
};

VORLANE_TEST_MAIN(ChromeTest)
#include "chrome_test.moc"
