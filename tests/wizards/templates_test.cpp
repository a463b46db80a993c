#include "app/help_window.h"
#include "app/main_form.h"
#include "core/command_guard.h"
#include "core/pending_markup.h"
#include "core/program_files.h"
#include "core/settings_store.h"
#include "editor/margin_rich_edit.h"
#include "support/scripted_prompter.h"
#include "support/test_main.h"
#include "wizards/page_templates_dialog.h"
#include "wizards/pagemarks_dialog.h"
#include "wizards/table_templates_dialog.h"

#include <QAction>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>

using Answer = Prompter::Answer;

namespace {
const QString kOldText = QStringLiteral("<P>work in progress</P>");
const QString kOldName = QStringLiteral("/pages/old.htm");

// Picks the named template in the chooser and presses OK.
ScriptedPrompter::DialogHandler choose(const QString& name)
{
    return [name](QDialog& d) {
        auto& chooser = static_cast<TPageTempletes&>(d);
        const QList<QListWidgetItem*> found =
            chooser.FileListBox1->findItems(name, Qt::MatchExactly);
        QVERIFY(!found.isEmpty());
        chooser.FileListBox1->setCurrentItem(found.first());
        QVERIFY(chooser.BitBtn1->isEnabled());
        chooser.BitBtn1->click();
    };
}
} // namespace

class TemplatesTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;

    QString templates() const { return dir_.path() + QStringLiteral("/Templates/"); }

    static void setModifiedDocument(TMainForm& form)
    {
        form.editor()->SetEditorText(kOldText);
        form.SetDocumentName(kOldName);
        form.editor()->SetModifiedFlag(true);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        setProgramFilesFolder(dir_.path());
    }
    void cleanupTestCase() { setProgramFilesFolder(QString()); }
    void init()
    {
        clearSettings();
        QDir(templates()).removeRecursively();
        writeFile(templates() + QStringLiteral("Beta page.html"),
                  "<HTML>\r\n<BODY>beta</BODY>\r\n</HTML>\r\n");
        writeFile(templates() + QStringLiteral("alpha.htm"), "<HTML>alpha</HTML>\r\n");
        writeFile(templates() + QStringLiteral("notes"), "plain notes");
        writeFile(templates() + QStringLiteral(".hidden"), "not a template");
        QDir().mkpath(templates() + QStringLiteral("folder"));
        PendingMarkup::take();
    }

    void chooserListsOrdinaryFiles()
    {
        ScriptedPrompter prompter;
        QStringList listed;
        bool okAtStart = true, okAfterChoice = false;
        QString label;
        prompter.onDialog(QStringLiteral("TPageTempletes"), [&](QDialog& d) {
            auto& chooser = static_cast<TPageTempletes&>(d);
            QCOMPARE(chooser.windowTitle(), QStringLiteral("Choose a Template"));
            QVERIFY(!(chooser.windowFlags() & Qt::WindowCloseButtonHint));
            for (int i = 0; i < chooser.FileListBox1->count(); ++i)
                listed << chooser.FileListBox1->item(i)->text();
            label = chooser.Label1->text();
            okAtStart = chooser.BitBtn1->isEnabled();
            chooser.FileListBox1->setCurrentRow(0);
            okAfterChoice = chooser.BitBtn1->isEnabled();
            chooser.BitBtn2->click();
        });
        TPageTempletes chooser;
        prompter.exec(chooser);
        QCOMPARE(listed, (QStringList{QStringLiteral("alpha.htm"), QStringLiteral("Beta page.html"),
                                      QStringLiteral("notes")}));
        QCOMPARE(label,
                 QStringLiteral("Choose a web page template you would like to load. Then you "
                                "can customize it in Vorlane."));
        QVERIFY(!okAtStart); // nothing chosen yet
        QVERIFY(okAfterChoice);
        QCOMPARE(PendingMarkup::take().text, TPageTempletes::kCanceledTemplate);
        QVERIFY(prompter.errors.isEmpty());
    }

    void chooserHandsOverTheChosenName_data()
    {
        QTest::addColumn<int>("how"); // 0: OK, 1: Cancel, 2: Esc, 3: double click
        QTest::addColumn<QString>("pending");
        QTest::newRow("OK") << 0 << QStringLiteral("notes");
        QTest::newRow("Cancel") << 1 << QStringLiteral("Error: Canceled Template");
        QTest::newRow("Esc") << 2 << QStringLiteral("Error: Canceled Template");
        QTest::newRow("double click") << 3 << QStringLiteral("notes");
    }
    void chooserHandsOverTheChosenName()
    {
        QFETCH(int, how);
        QFETCH(QString, pending);
        ScriptedPrompter prompter;
        prompter.onDialog(QStringLiteral("TPageTempletes"), [&](QDialog& d) {
            auto& chooser = static_cast<TPageTempletes&>(d);
            chooser.FileListBox1->setCurrentRow(2);
            switch (how) {
            case 0:
                chooser.BitBtn1->click();
                break;
            case 1:
                chooser.BitBtn2->click();
                break;
            case 2:
                QTest::keyClick(chooser.FileListBox1, Qt::Key_Escape);
                break;
            default:
                Q_EMIT chooser.FileListBox1->itemActivated(chooser.FileListBox1->currentItem());
            }
        });
        TPageTempletes chooser;
        prompter.exec(chooser);
        QCOMPARE(PendingMarkup::take().text, pending);
    }

    void emptyFolderListsNothing()
    {
        QDir(templates()).removeRecursively();
        QDir().mkpath(templates());
        ScriptedPrompter prompter;
        int count = -1;
        bool listEnabled = false;
        prompter.onDialog(QStringLiteral("TPageTempletes"), [&](QDialog& d) {
            auto& chooser = static_cast<TPageTempletes&>(d);
            count = chooser.FileListBox1->count();
            listEnabled = chooser.FileListBox1->isEnabled();
            QTest::keyClick(&chooser, Qt::Key_Return); // OK stays disabled
            QVERIFY(chooser.isVisible());
            chooser.reject();
        });
        TPageTempletes chooser;
        prompter.exec(chooser);
        QCOMPARE(count, 0);
        QVERIFY(listEnabled);
        QVERIFY(prompter.errors.isEmpty());
    }

    void missingFolderAllowsOnlyCancel()
    {
        QDir(templates()).removeRecursively();
        ScriptedPrompter prompter;
        TMainForm form;
        setModifiedDocument(form);
        bool listEnabled = true, okEnabled = true;
        QString label;
        prompter.onDialog(QStringLiteral("TPageTempletes"), [&](QDialog& d) {
            auto& chooser = static_cast<TPageTempletes&>(d);
            listEnabled = chooser.FileListBox1->isEnabled();
            okEnabled = chooser.BitBtn1->isEnabled();
            label = chooser.Label1->text();
            chooser.BitBtn1->click(); // disabled: nothing
            QVERIFY(chooser.isVisible());
            chooser.BitBtn2->click();
        });
        form.FromTemplate3Click();
        QVERIFY(!listEnabled);
        QVERIFY(!okEnabled);
        QCOMPARE(label,
                 QStringLiteral("Error: Could not find the Templates path. Make sure VORLANE.EXE "
                                "is in the same folder you installed to."));
        QCOMPARE(prompter.errors,
                 QStringList{QStringLiteral("Error, the path: %1/Templates/ does not "
                                            "exist. Please reinstall Vorlane.")
                                 .arg(dir_.path())});
        QVERIFY(prompter.confirms.isEmpty());
        QCOMPARE(form.editor()->EditorText(), kOldText);
        QCOMPARE(form.DocumentFileName(), kOldName);
        QVERIFY(form.editor()->ModifiedFlag());
        QVERIFY(PendingMarkup::take().text.isEmpty());
    }

    // The save question in front of a template: Yes saves, No discards, Cancel keeps all.
    void templateReplacesTheDocument_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("loaded");
        QTest::newRow("No") << int(Answer::No) << true;
        QTest::newRow("Yes") << int(Answer::Yes) << true;
        QTest::newRow("Cancel") << int(Answer::Cancel) << false;
    }
    void templateReplacesTheDocument()
    {
        QFETCH(int, answer);
        QFETCH(bool, loaded);
        ScriptedPrompter prompter;
        TMainForm form;
        const QString saved = dir_.path() + QStringLiteral("/saved.htm");
        QFile::remove(saved);
        form.editor()->SetEditorText(kOldText);
        form.SetDocumentName(saved);
        form.editor()->SetModifiedFlag(true);
        prompter.answers = {Answer(answer)};
        prompter.onDialog(QStringLiteral("TPageTempletes"),
                          choose(QStringLiteral("Beta page.html")));
        form.invokeMenuItem("FromTemplate3"); // disabled in the menu: nothing
        QVERIFY(prompter.dialogsRun.isEmpty());
        form.FromTemplate3Click();

        QCOMPARE(prompter.confirms.size(), 1);
        QCOMPARE(prompter.confirms[0].text, QStringLiteral("Save changes to %1?").arg(saved));
        QCOMPARE(QFileInfo::exists(saved), Answer(answer) == Answer::Yes);
        if (loaded) {
            QCOMPARE(form.editor()->EditorText(),
                     QStringLiteral("<HTML>\n<BODY>beta</BODY>\n</HTML>\n"));
            QCOMPARE(form.DocumentFileName(), QStringLiteral("Untitled"));
            QCOMPARE(form.windowTitle(), QStringLiteral("Untitled - Vorlane"));
            QVERIFY(!form.editor()->ModifiedFlag());
        } else {
            QCOMPARE(form.editor()->EditorText(), kOldText);
            QCOMPARE(form.DocumentFileName(), saved);
            QVERIFY(form.editor()->ModifiedFlag());
        }
        QVERIFY(PendingMarkup::take().text.isEmpty());
        // The template itself is never written.
        QCOMPARE(readFile(templates() + QStringLiteral("Beta page.html")),
                 QByteArray("<HTML>\r\n<BODY>beta</BODY>\r\n</HTML>\r\n"));
    }

    void loadedTemplateClosesWithoutAQuestionAndSavesUnderANewName()
    {
        ScriptedPrompter prompter;
        TMainForm form;
        prompter.onDialog(QStringLiteral("TPageTempletes"), choose(QStringLiteral("alpha.htm")));
        form.FromTemplate3Click();
        QVERIFY(prompter.confirms.isEmpty()); // the empty new document needed no question
        QCOMPARE(form.editor()->EditorText(), QStringLiteral("<HTML>alpha</HTML>\n"));
        QVERIFY(form.close());
        QVERIFY(prompter.confirms.isEmpty());
        form.editor()->SetModifiedFlag(true);
        form.invokeMenuItem("FileSaveItem");
        QCOMPARE(prompter.saveRequests.size(), 1); // asks for a name, never the template's
    }

    void cancelLeavesEverything_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::newRow("Cancel") << false;
        QTest::newRow("Esc") << true;
    }
    void cancelLeavesEverything()
    {
        QFETCH(bool, escape);
        ScriptedPrompter prompter;
        TMainForm form;
        setModifiedDocument(form);
        prompter.onDialog(QStringLiteral("TPageTempletes"), [&](QDialog& d) {
            auto& chooser = static_cast<TPageTempletes&>(d);
            chooser.FileListBox1->setCurrentRow(0);
            if (escape)
                QTest::keyClick(&chooser, Qt::Key_Escape);
            else
                chooser.BitBtn2->click();
        });
        form.FromTemplate3Click();
        QVERIFY(prompter.confirms.isEmpty());
        QCOMPARE(form.editor()->EditorText(), kOldText);
        QCOMPARE(form.DocumentFileName(), kOldName);
        QVERIFY(form.editor()->ModifiedFlag());
        QVERIFY(PendingMarkup::take().text.isEmpty());
    }

    void unreadableTemplateIsReportedAndLeavesNoPendingName()
    {
        ScriptedPrompter prompter;
        TMainForm form;
        form.editor()->SetEditorText(kOldText);
        form.editor()->SetModifiedFlag(false);
        prompter.onDialog(QStringLiteral("TPageTempletes"), [&](QDialog& d) {
            auto& chooser = static_cast<TPageTempletes&>(d);
            chooser.FileListBox1->setCurrentRow(0);
            QFile::remove(templates() + QStringLiteral("alpha.htm")); // gone before OK
            chooser.BitBtn1->click();
        });
        QVERIFY(!runGuarded(&form, [&] { form.FromTemplate3Click(); }));
        QCOMPARE(prompter.errors,
                 QStringList{QStringLiteral("Cannot open file %1alpha.htm").arg(templates())});
        QCOMPARE(form.DocumentFileName(), QStringLiteral("Untitled"));
        QCOMPARE(form.editor()->EditorText(), QString());
        QVERIFY(PendingMarkup::take().text.isEmpty());
    }

    void disabledEntriesStayDisabled()
    {
        ScriptedPrompter prompter;
        TMainForm form;
        for (const char* name :
             {"FromTemplate3", "FromTemplete1", "FromTemplete2", "N110", "EditPagemarks2"}) {
            QAction* item = form.actionNamed(QString::fromLatin1(name));
            QVERIFY2(item && !item->isEnabled(), name);
            form.invokeMenuItemNamed(QString::fromLatin1(name));
        }
        QCOMPARE(form.action("FromTemplete1")->shortcut(), QKeySequence(Qt::Key_F9));
        QCOMPARE(form.action("FromTemplete2")->shortcut(), QKeySequence(Qt::Key_F9));
        // The pagemark submenu reads "None", a separator and "&Edit Pagemarks...".
        auto* pagemarks = form.findChild<QMenu*>(QStringLiteral("OpenPagemark1"));
        QVERIFY(pagemarks);
        const QList<QAction*> items = pagemarks->actions();
        QCOMPARE(items.size(), 3);
        QCOMPARE(items[0]->text(), QStringLiteral("None"));
        QVERIFY(items[1]->isSeparator());
        QCOMPARE(items[2]->text(), QStringLiteral("&Edit Pagemarks..."));
        QVERIFY(prompter.dialogsRun.isEmpty());
    }

    void f9DoesNothingWhileF1Works()
    {
        QDir().mkpath(dir_.path() + QStringLiteral("/help"));
        writeFile(dir_.path() + QStringLiteral("/help/index.html"),
                  "<HTML><BODY>Help</BODY></HTML>");
        ScriptedPrompter prompter;
        WriteSetting(Setting::Welcome, QStringLiteral("N"));
        WriteSetting(Setting::QuickStart, QStringLiteral("N"));
        TMainForm form;
        form.editor()->SetEditorText(QStringLiteral("text"));
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTest::keyClick(form.editor(), Qt::Key_F9);
        QVERIFY(prompter.dialogsRun.isEmpty());
        QCOMPARE(form.editor()->EditorText(), QStringLiteral("text"));
        // The same keyboard path does reach an enabled F-key item.
        QTest::keyClick(form.editor(), Qt::Key_F1);
        QVERIFY(form.helpWindow && form.helpWindow->isVisible());
        form.helpWindow->close();
        form.editor()->SetModifiedFlag(false);
    }

    void tableTempletesInsertNothing_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::newRow("OK") << true;
        QTest::newRow("Cancel") << false;
    }
    void tableTempletesInsertNothing()
    {
        QFETCH(bool, ok);
        ScriptedPrompter prompter;
        TMainForm form;
        form.editor()->SetEditorText(QStringLiteral("<TABLE></TABLE>"));
        form.editor()->SetSelectionStart(2);
        form.editor()->SetSelectionLength(5);
        PendingMarkup::take().text = QString();
        prompter.onDialog(QStringLiteral("TTableTempletes"), [&](QDialog& d) {
            auto& chooser = static_cast<TTableTempletes&>(d);
            QCOMPARE(chooser.windowTitle(), QStringLiteral("Table Templetes"));
            QVERIFY(!(chooser.windowFlags() & Qt::WindowCloseButtonHint));
            QCOMPARE(chooser.ListBox1->count(), 0);
            QCOMPARE(
                chooser.Label1->text(),
                QStringLiteral("A templete allows you to easily insert pre-made tables or create "
                               "your own tables that can be inserted later."));
            QVERIFY(chooser.BitBtn2->isDefault());
            QCOMPARE(chooser.BitBtn2->toolTip(), QStringLiteral("Insert Table"));
            QCOMPARE(chooser.BitBtn3->text(), QStringLiteral("&Cancel"));
            QCOMPARE(chooser.BitBtn1->toolTip(), QStringLiteral("Create a new templete"));
            QCOMPARE(chooser.BitBtn4->toolTip(), QStringLiteral("Delete selected templete"));
            QVERIFY(!chooser.BitBtn1->isEnabled());
            QVERIFY(!chooser.BitBtn4->isEnabled());
            (ok ? chooser.BitBtn2 : chooser.BitBtn3)->click();
        });
        form.FromTemplete1Click();
        QCOMPARE(prompter.dialogsRun, QStringList{QStringLiteral("TTableTempletes")});
        QCOMPARE(form.editor()->EditorText(), QStringLiteral("<TABLE></TABLE>"));
        QCOMPARE(form.editor()->SelectionStart(), 2);
        QCOMPARE(form.editor()->SelectionLength(), 5);
        QVERIFY(PendingMarkup::take().text.isEmpty());
        QVERIFY(form.findChildren<TTableTempletes*>().isEmpty());
    }

    void pagemarksAddUntitledEntries()
    {
        ScriptedPrompter prompter;
        TMainForm form;
        QStringList entries;
        int runs = 0;
        prompter.onDialog(QStringLiteral("TPagemarks"), [&](QDialog& d) {
            auto& marks = static_cast<TPagemarks&>(d);
            ++runs;
            QCOMPARE(marks.windowTitle(), QStringLiteral("Edit Pagemarks"));
            QVERIFY(marks.windowFlags() & Qt::WindowCloseButtonHint);
            QCOMPARE(marks.GroupBox1->title(), QStringLiteral("Current Pagemarks:"));
            QCOMPARE(marks.ListBox1->count(), 0); // each use starts empty
            for (QWidget* off :
                 std::initializer_list<QWidget*>{marks.BitBtn2, marks.Edit1, marks.Edit2,
                                                 marks.BitBtn4, marks.Label1, marks.Label2})
                QVERIFY(!off->isEnabled());
            QCOMPARE(marks.BitBtn4->toolTip(), QStringLiteral("Browse"));
            QVERIFY(marks.BitBtn3->isDefault());
            for (int i = 0; i < 3; ++i)
                marks.BitBtn1->click();
            for (int i = 0; i < marks.ListBox1->count(); ++i)
                entries << marks.ListBox1->item(i)->text();
            marks.close(); // the close box
        });
        form.EditPagemarks2Click();
        QCOMPARE(entries, QStringList(3, QStringLiteral("Untitled")));
        entries.clear();
        form.EditPagemarks2Click();
        QCOMPARE(runs, 2);
        QVERIFY(form.findChildren<TPagemarks*>().isEmpty());
    }

    // The templates that ship load as complete HTML 3.2 pages.
    void shippedTemplatesLoad_data()
    {
        QTest::addColumn<QString>("name");
        for (const char* name :
             {"Club Newsletter.htm", "Personal Home Page.htm", "Small Business.htm"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void shippedTemplatesLoad()
    {
        QFETCH(QString, name);
        setProgramFilesFolder(sourceDir() + QStringLiteral("/resources"));
        ScriptedPrompter prompter;
        TMainForm form;
        QStringList listed;
        prompter.onDialog(QStringLiteral("TPageTempletes"), [&](QDialog& d) {
            auto& chooser = static_cast<TPageTempletes&>(d);
            for (int i = 0; i < chooser.FileListBox1->count(); ++i)
                listed << chooser.FileListBox1->item(i)->text();
            choose(name)(d);
        });
        form.FromTemplate3Click();
        setProgramFilesFolder(dir_.path());
        QCOMPARE(listed.size(), 3);
        const QString text = form.editor()->EditorText();
        QVERIFY(text.startsWith(QStringLiteral(
            "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2 Final//EN\">\n<HTML>\n<HEAD>\n<TITLE>")));
        QVERIFY(text.contains(QStringLiteral("\n<BODY ")));
        QVERIFY(text.endsWith(QStringLiteral("</BODY>\n</HTML>\n")));
        QCOMPARE(text.count(QStringLiteral("<TABLE")), text.count(QStringLiteral("</TABLE>")));
        QCOMPARE(form.DocumentFileName(), QStringLiteral("Untitled"));
        QVERIFY(!form.editor()->ModifiedFlag());
    }
};

VORLANE_TEST_MAIN(TemplatesTest)
#include "templates_test.moc"
