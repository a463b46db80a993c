#include "app/main_form.h"
#include "app/preferences_dialog.h"
#include "app/welcome_dialog.h"
#include "core/file_names.h"
#include "core/recent_files.h"
#include "core/settings_store.h"
#include "editor/margin_rich_edit.h"
#include "preview/browser_preview.h"
#include "support/fake_launcher.h"
#include "support/scripted_prompter.h"
#include "support/test_main.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>

namespace {

// The recent-file entries after "E&xit", as shown.
QStringList recentEntries(TMainForm& form)
{
    QStringList out;
    bool afterExit = false;
    for (QAction* a : form.FileMenuItem->actions()) {
        if (afterExit)
            out.append(a->isSeparator() ? QStringLiteral("-") : a->text());
        afterExit = afterExit || a->objectName() == QLatin1String("FileExitItem");
    }
    return out;
}

} // namespace

class MainFormPreviewTest : public QObject
{
    Q_OBJECT
    QTemporaryDir dir_;
    QString path(const QString& name) const { return dir_.filePath(name); }

private Q_SLOTS:
    void init()
    {
        clearSettings();
        QDir(dir_.path()).removeRecursively();
        QDir().mkpath(dir_.path());
    }

    // ---- browser preview ----

    void previewWritesThePreviewFileAndStartsTheBrowser_data()
    {
        QTest::addColumn<QString>("useTemp");
        QTest::addColumn<QString>("choice");
        QTest::addColumn<QString>("previewName");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("NS, temp file") << "Y"
                                       << "NS"
                                       << "pagetmp.htm" << QStringList{};
        QTest::newRow("IE, temp file") << "Y"
                                       << "IE"
                                       << "pagetmp.htm" << QStringList{"-nohome"};
        QTest::newRow("empty flag is temp too") << ""
                                                << "NS"
                                                << "pagetmp.htm" << QStringList{};
        QTest::newRow("N writes the page") << "N"
                                           << "NS"
                                           << "my page.htm" << QStringList{};
    }
    void previewWritesThePreviewFileAndStartsTheBrowser()
    {
        QFETCH(QString, useTemp);
        QFETCH(QString, choice);
        QFETCH(QString, previewName);
        QFETCH(QStringList, arguments);
        WriteSetting(Setting::BrowserLocation, QStringLiteral("/opt/browser"));
        const QString page = writeFile(path("my page.htm"), "on disk");
        ScriptedPrompter prompts;
        FakeLauncher launcher;
        TMainForm form;
        form.SetDocumentName(page);
        form.RichEdit1->SetEditorText(QStringLiteral("<P>\nline\u00e9\n"));
        QVERIFY(form.RichEdit1->ModifiedFlag());
        form.setPreviewValues(
            changed(form.previewValues(), &TMainForm::PreviewValues::useTemp, useTemp));
        form.setPreviewValues(
            changed(form.previewValues(), &TMainForm::PreviewValues::browser, choice));
        form.invokeMenuItem("mnuViewinbrowser");
        QVERIFY2(prompts.errors.isEmpty(), qPrintable(prompts.errors.join(QLatin1Char('\n'))));
        QCOMPARE(readFile(path(previewName)), QByteArray("<P>\r\nline\xc3\xa9\r\n"));
        if (useTemp != QLatin1String("N"))
            QCOMPARE(readFile(page), QByteArray("on disk"));
        QCOMPARE(launcher.started.size(), 1);
        QCOMPARE(launcher.started.first(), QStringList({"/opt/browser", dir_.path()}) + arguments +
                                               QStringList{path(previewName)});
        // The page itself is untouched as far as the editor knows.
        QCOMPARE(form.DocumentFileName(), page);
        QVERIFY(form.RichEdit1->ModifiedFlag());
    }

    void f5StartsARealProgramWithThePreviewPath()
    {
        // A stand-in browser that records where it ran and what it was given.
        const QString record = path("record.txt");
        const QString script = writeFile(
            path("browser.sh"),
            QStringLiteral(
                "#!/bin/sh\n{ pwd; printf '%s\\n' \"$@\"; } > '%1.tmp' && mv '%1.tmp' '%1'\n")
                .arg(record)
                .toUtf8());
        QFile::setPermissions(script, QFile::permissions(script) | QFile::ExeOwner);
        WriteSetting(Setting::Browser, QStringLiteral("NS"));
        WriteSetting(Setting::BrowserLocation, script);
        WriteSetting(Setting::Welcome, QStringLiteral("N"));
        WriteSetting(Setting::QuickStart, QStringLiteral("N"));
        const QString page = writeFile(path("site dir/page.htm"), "<P>saved</P>");
        ScriptedPrompter prompts;
        TMainForm form(page);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTRY_VERIFY(form.startupDone());
        QCOMPARE(form.DocumentFileName(), page);
        QTest::keyClick(form.RichEdit1, Qt::Key_F5);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(record), 10000);
        QCOMPARE(readFile(path("site dir/pagetmp.htm")), QByteArray("<P>saved</P>"));
        const QStringList lines = QString::fromUtf8(readFile(record)).split(QLatin1Char('\n'));
        QCOMPARE(lines.mid(0, 2), (QStringList{path("site dir"), path("site dir/pagetmp.htm")}));
        QVERIFY(prompts.errors.isEmpty());
    }

    void noLocationStoredIsReported()
    {
        ScriptedPrompter prompts;
        FakeLauncher launcher;
        TMainForm form;
        form.SetDocumentName(path("p.htm"));
        form.setPreviewValues(changed(form.previewValues(), &TMainForm::PreviewValues::browser,
                                      QStringLiteral("None")));
        form.invokeMenuItem("mnuViewinbrowser");
        QVERIFY(QFileInfo::exists(path("pagetmp.htm"))); // written all the same
        QCOMPARE(prompts.informs.size(), 1);
        QCOMPARE(prompts.informs.first().text,
                 QStringLiteral("Please locate you browser in File | Preferences"));
        QVERIFY(launcher.started.isEmpty());
    }

    void untitledPageWithCancelledSaveAsStops()
    {
        WriteSetting(Setting::BrowserLocation, QStringLiteral("/opt/browser"));
        const QString cwd = QDir::currentPath();
        QDir::setCurrent(dir_.path());
        ScriptedPrompter prompts;
        prompts.saveAnswers.append(QString());
        FakeLauncher launcher;
        TMainForm form;
        form.setPreviewValues(changed(form.previewValues(), &TMainForm::PreviewValues::browser,
                                      QStringLiteral("NS")));
        form.RichEdit1->SetEditorText(QStringLiteral("x"));
        form.invokeMenuItem("mnuViewinbrowser");
        QDir::setCurrent(cwd);
        QCOMPARE(prompts.saveRequests.size(), 1);
        QVERIFY(QDir(dir_.path()).entryList(QDir::Files).isEmpty());
        QVERIFY(launcher.started.isEmpty());
        QCOMPARE(form.DocumentFileName(), QStringLiteral("Untitled"));
    }

    void untitledPageIsSavedOnceThenPreviewed()
    {
        WriteSetting(Setting::BrowserLocation, QStringLiteral("/opt/browser"));
        ScriptedPrompter prompts;
        prompts.saveAnswers.append(path("new"));
        FakeLauncher launcher;
        TMainForm form;
        form.setPreviewValues(changed(form.previewValues(), &TMainForm::PreviewValues::browser,
                                      QStringLiteral("NS")));
        form.RichEdit1->SetEditorText(QStringLiteral("x"));
        form.invokeMenuItem("mnuViewinbrowser");
        QCOMPARE(prompts.saveRequests.size(), 1);
        QCOMPARE(form.DocumentFileName(), path("new.htm"));
        QCOMPARE(readFile(path("new.htm")), QByteArray("x"));
        QCOMPARE(readFile(path("pagetmp.htm")), QByteArray("x"));
        QCOMPARE(launcher.started.size(), 1);
        QCOMPARE(launcher.started.first().last(), path("pagetmp.htm"));
    }

    void previewFailures_data()
    {
        QTest::addColumn<QString>("tempName");
        QTest::addColumn<bool>("link");
        QTest::addColumn<bool>("launchFails");
        QTest::addColumn<QString>("message");
        QTest::newRow("browser cannot start") << "pagetmp.htm" << false << true << "/opt/browser";
        QTest::newRow("temp file is the page")
            << "page.htm" << false << false << "is the page itself";
        QTest::newRow("temp file links to the page")
            << "pagetmp.htm" << true << false << "is the page itself";
        QTest::newRow("temp file cannot be written")
            << "sub" << false << false << "Cannot create file";
    }
    void previewFailures()
    {
        QFETCH(QString, tempName);
        QFETCH(bool, link);
        QFETCH(bool, launchFails);
        QFETCH(QString, message);
        WriteSetting(Setting::BrowserLocation, QStringLiteral("/opt/browser"));
        const QString page = writeFile(path("page.htm"), "saved page");
        QDir().mkpath(path("sub"));
        if (link)
            QVERIFY(QFile::link(page, path(tempName)));
        ScriptedPrompter prompts;
        FakeLauncher launcher;
        launcher.succeed = !launchFails;
        TMainForm form;
        form.SetDocumentName(page);
        form.RichEdit1->SetEditorText(QStringLiteral("edited"));
        form.setPreviewValues(changed(form.previewValues(), &TMainForm::PreviewValues::browser,
                                      QStringLiteral("NS")));
        form.setPreviewValues(
            changed(form.previewValues(), &TMainForm::PreviewValues::tempFilename, tempName));
        form.invokeMenuItem("mnuViewinbrowser");
        QCOMPARE(prompts.errors.size(), 1);
        QVERIFY2(prompts.errors.first().contains(message), qPrintable(prompts.errors.first()));
        QCOMPARE(readFile(page), QByteArray("saved page"));
        QCOMPARE(launcher.started.size(), launchFails ? 1 : 0);
    }

    void loadUrlStartsTheBrowserInTheCurrentFolder()
    {
        WriteSetting(Setting::BrowserLocation, QStringLiteral("/opt/browser"));
        ScriptedPrompter prompts;
        FakeLauncher launcher;
        TMainForm form;
        form.setPreviewValues(changed(form.previewValues(), &TMainForm::PreviewValues::browser,
                                      QStringLiteral("IE")));
        form.LoadUrl(QStringLiteral("http://example.org/a b"));
        const QList<QStringList> expected = {
            {"/opt/browser", QDir::currentPath(), "-nohome", "http://example.org/a b"}};
        QCOMPARE(launcher.started, expected);
        QVERIFY(!QFileInfo::exists(path("pagetmp.htm")));
    }

    // ---- preferences ----

    void preferencesRefreshAfterEitherButton_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::newRow("OK") << true;
        QTest::newRow("Cancel") << false;
    }
    void preferencesRefreshAfterEitherButton()
    {
        QFETCH(bool, ok);
        WriteSetting(Setting::Browser, QStringLiteral("IE"));
        WriteSetting(Setting::Font, QStringLiteral("Courier New"));
        WriteSetting(Setting::FontSize, QStringLiteral("15"));
        ScriptedPrompter prompts;
        prompts.onDialog("TPrefs", [&](QDialog& d) {
            auto& p = static_cast<TPrefs&>(d);
            p.Edit2->setText(QStringLiteral("view.htm"));
            (ok ? p.BitBtn1 : p.BitBtn2)->click();
        });
        TMainForm form;
        form.setPreviewValues(changed(form.previewValues(), &TMainForm::PreviewValues::useTemp,
                                      QStringLiteral("old")));
        form.setPreviewValues(changed(form.previewValues(), &TMainForm::PreviewValues::tempFilename,
                                      QStringLiteral("old.htm")));
        form.invokeMenuItem("Preferences1");
        QVERIFY(prompts.errors.isEmpty());
        QCOMPARE(form.previewValues().browser, QStringLiteral("IE"));
        QCOMPARE(form.RichEdit1->DisplayFont().family(), QStringLiteral("Courier New"));
        QCOMPARE(form.RichEdit1->DisplayFont().pointSize(), 15);
        QCOMPARE(form.previewValues().useTemp, ok ? QStringLiteral("Y") : QStringLiteral("old"));
        QCOMPARE(form.previewValues().tempFilename,
                 ok ? QStringLiteral("view.htm") : QStringLiteral("old.htm"));
    }

    void badFontSizeIsReportedAgainAfterThePreferences()
    {
        WriteSetting(Setting::Browser, QStringLiteral("NS"));
        WriteSetting(Setting::Font, QStringLiteral("Courier New"));
        WriteSetting(Setting::FontSize, QStringLiteral("big"));
        ScriptedPrompter prompts;
        TMainForm form;
        QFont before = form.RichEdit1->DisplayFont();
        before.setPointSize(11);
        form.RichEdit1->SetDisplayFont(before);
        form.invokeMenuItem("Preferences1"); // closed without OK
        QCOMPARE(prompts.errors,
                 QStringList(2, QStringLiteral("'big' is not a valid integer value")));
        QCOMPARE(form.previewValues().browser, QStringLiteral("NS"));
        QCOMPARE(form.RichEdit1->DisplayFont().family(), QStringLiteral("Courier New"));
        QCOMPARE(form.RichEdit1->DisplayFont().pointSize(), 11);
    }

    // ---- recent files ----

    void savedFilesAreListedAndSurviveARestart()
    {
        ScriptedPrompter prompts;
        {
            TMainForm form;
            QCOMPARE(recentEntries(form), QStringList()); // no separator for an empty list
            for (const char* name : {"a", "b", "c", "d", "e"}) {
                form.SetDocumentName(path(QString::fromLatin1(name) + QStringLiteral(".htm")));
                form.RichEdit1->SetEditorText(QString::fromLatin1(name));
                form.invokeMenuItem("FileSaveItem");
            }
            QCOMPARE(recentEntries(form),
                     QStringList({"-", "&1 " + path("e.htm"), "&2 " + path("d.htm"),
                                  "&3 " + path("c.htm"), "&4 " + path("b.htm")}));
        }
        TMainForm restarted;
        QCOMPARE(recentEntries(restarted).size(), 5);
        // Choosing an entry reopens it and leaves the order alone.
        QAction* third =
            restarted.FileMenuItem->actions().at(restarted.FileMenuItem->actions().size() - 2);
        third->trigger();
        QCOMPARE(restarted.DocumentFileName(), path("c.htm"));
        QCOMPARE(restarted.RichEdit1->EditorText(), QStringLiteral("c"));
        QCOMPARE(recentEntries(restarted).at(1), "&1 " + path("e.htm"));
    }

    // ---- welcome window ----

    void startupCarriesOutTheWelcomeChoice_data()
    {
        QTest::addColumn<QString>("press");
        QTest::addColumn<QString>("triggered");
        QTest::addColumn<QString>("document");
        QTest::newRow("new page") << "SpeedButton2"
                                  << "QuickStart1"
                                  << "";
        QTest::newRow("template") << "SpeedButton3"
                                  << ""
                                  << "Untitled";
        QTest::newRow("open") << "SpeedButton5"
                              << "FileOpenItem"
                              << "Untitled";
        QTest::newRow("recent file") << "recent"
                                     << ""
                                     << "r.htm";
        QTest::newRow("close box") << ""
                                   << ""
                                   << "Untitled";
    }
    void startupCarriesOutTheWelcomeChoice()
    {
        QFETCH(QString, press);
        QFETCH(QString, triggered);
        QFETCH(QString, document);
        const QString recent = writeFile(path("r.htm"), "recent\r\npage");
        WriteSubkeyValue(kRecentFilesKeyPath, kRecentFilesSubkey, QStringLiteral("F0"), recent);
        ScriptedPrompter prompts;
        prompts.onDialog("TWelcome", [&](QDialog& d) {
            auto& w = static_cast<TWelcome&>(d);
            QVERIFY(w.CheckBox1->isChecked());
            if (press == QLatin1String("recent"))
                w.PopupMenu1->actions().at(1)->trigger();
            else if (press == QLatin1String("SpeedButton3"))
                w.SpeedButton3Click(); // disabled button: its code does nothing either
            else if (!press.isEmpty())
                w.findChild<QToolButton*>(press)->click();
            else
                w.reject();
        });
        TMainForm form;
        QHash<QString, int> fired;
        for (const char* name : {"QuickStart1", "FileOpenItem", "FromTemplate3"})
            connect(form.actionNamed(QString::fromLatin1(name)), &QAction::triggered, this,
                    [&fired, name] { ++fired[QString::fromLatin1(name)]; });
        form.FormActivate();
        QCOMPARE(prompts.dialogsRun.first(), QStringLiteral("TWelcome"));
        QCOMPARE(fired.value(QStringLiteral("QuickStart1")),
                 triggered == QLatin1String("QuickStart1") ? 1 : 0);
        QCOMPARE(fired.value(QStringLiteral("FileOpenItem")),
                 triggered == QLatin1String("FileOpenItem") ? 1 : 0);
        QCOMPARE(fired.value(QStringLiteral("FromTemplate3")), 0);
        if (!document.isEmpty())
            QCOMPARE(fileNamePart(form.DocumentFileName()), document);
        if (press == QLatin1String("recent"))
            QCOMPARE(form.RichEdit1->EditorText(), QStringLiteral("recent\npage"));
        QCOMPARE(ReadSetting(Setting::Welcome), QStringLiteral("Y"));
    }

    void clearedBoxKeepsTheWindowAwayNextTime()
    {
        WriteSetting(Setting::QuickStart, QStringLiteral("N"));
        ScriptedPrompter prompts;
        prompts.onDialog("TWelcome", [](QDialog& d) {
            static_cast<TWelcome&>(d).CheckBox1->setChecked(false);
            d.close();
        });
        {
            TMainForm form;
            form.FormActivate();
        }
        QCOMPARE(ReadSetting(Setting::Welcome), QStringLiteral("N"));
        TMainForm again;
        again.FormActivate();
        QCOMPARE(prompts.dialogsRun, QStringList{"TWelcome"});
        QCOMPARE(again.DocumentFileName(), QStringLiteral("Untitled"));
    }

    void toolsMenuWindowDoesNotCarryOutTheChoice_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("boxShown");
        QTest::newRow("stored Y") << "Y" << true;
        QTest::newRow("stored N") << "N" << false;
        QTest::newRow("stored y") << "y" << false;
    }
    void toolsMenuWindowDoesNotCarryOutTheChoice()
    {
        QFETCH(QString, stored);
        QFETCH(bool, boxShown);
        WriteSetting(Setting::Welcome, stored);
        const QString recent = writeFile(path("r.htm"), "recent");
        WriteSubkeyValue(kRecentFilesKeyPath, kRecentFilesSubkey, QStringLiteral("F0"), recent);
        ScriptedPrompter prompts;
        bool shown = false;
        int round = 0;
        prompts.onDialog("TWelcome", [&](QDialog& d) {
            auto& w = static_cast<TWelcome&>(d);
            shown = w.CheckBox1->isChecked();
            if (round++ == 0)
                w.SpeedButton2->click();
            else
                w.PopupMenu1->actions().at(1)->trigger();
        });
        TMainForm form;
        form.RichEdit1->SetEditorText(QStringLiteral("keep me"));
        QSignalSpy quickStart(form.action("QuickStart1"), &QAction::triggered);
        form.invokeMenuItem("WelcomeForm1");
        form.invokeMenuItem("WelcomeForm1");
        QCOMPARE(shown, boxShown);
        QCOMPARE(prompts.dialogsRun.size(), 2);
        QCOMPARE(quickStart.size(), 0);
        QCOMPARE(form.RichEdit1->EditorText(), QStringLiteral("keep me"));
        QCOMPARE(form.DocumentFileName(), QStringLiteral("Untitled"));
        QCOMPARE(ReadSetting(Setting::Welcome),
                 boxShown ? QStringLiteral("Y") : QStringLiteral("N"));
    }

    void welcomePreferencesRefreshTheWindow()
    {
        WriteSetting(Setting::Welcome, QStringLiteral("N"));
        WriteSetting(Setting::Browser, QStringLiteral("NS"));
        ScriptedPrompter prompts;
        prompts.onDialog("TPrefs", [](QDialog& d) {
            auto& p = static_cast<TPrefs&>(d);
            p.Edit2->setText(QStringLiteral("w.htm"));
            p.BitBtn1->click();
        });
        prompts.onDialog("TWelcome", [](QDialog& d) {
            static_cast<TWelcome&>(d).SpeedButton1->click();
            d.reject();
        });
        TMainForm form;
        form.invokeMenuItem("WelcomeForm1");
        QCOMPARE(prompts.dialogsRun, (QStringList{"TWelcome", "TPrefs"}));
        QCOMPARE(form.previewValues().browser, QStringLiteral("NS"));
        QCOMPARE(form.previewValues().tempFilename, QStringLiteral("w.htm"));
    }

    void tipOfTheDay()
    {
        ScriptedPrompter prompts;
        TMainForm form;
        form.invokeMenuItem("TipoftheDay1");
        QCOMPARE(prompts.dialogsRun, QStringList{"TTipOfTheDay"});
    }
};

VORLANE_TEST_MAIN(MainFormPreviewTest)
#include "main_form_preview_test.moc"
