#include "app/main_form.h"
#include "core/settings_store.h"
#include "editor/margin_rich_edit.h"
#include "site/find_in_files_dialog.h"
#include "site/find_results_panel.h"
#include "support/scripted_prompter.h"
#include "support/test_main.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <memory>

class MainFormFindInFilesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Find, open a match in another page through the save question, then Replace All in Files
    // with one replacement unchecked: the other page is written, the open one changes in the
    // editor as one undo step.
    void findOpenAndReplace()
    {
        clearSettings();
        QTemporaryDir dir;
        const QString site = dir.path() + "/site";
        writeFile(site + "/index.html", "<A HREF=\"old.htm\">Old</A>\r\n");
        writeFile(site + "/sub/b.htm", "caf\xE9 old old\r\n");
        writeFile(site + "/c.html", "nothing\r\n");
        // The site folder of sub/b.htm is site/, the highest folder below home with an index.
        const QByteArray home = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(dir.path()));
        const auto restoreHome = qScopeGuard([&] { qputenv("HOME", home); });
        ScriptedPrompter prompter;
        TMainForm form;
        TMarginRichEdit* editor = form.RichEdit1;
        form.LoadDocument(site + "/index.html");
        form.SetDocumentName(site + "/index.html");

        prompter.onDialog("TFindInFilesDialog", [](QDialog& d) {
            auto& dialog = static_cast<TFindInFilesDialog&>(d);
            dialog.FindEdit->setText("old");
            dialog.FindButton->click();
        });
        QCOMPARE(form.actionNamed("FindInFiles1")->shortcut(), QKeySequence("Ctrl+Shift+F"));
        form.actionNamed("FindInFiles1")->trigger();
        TFindResultsPanel* panel = form.FindResultsPanel;
        QVERIFY(panel);
        QTRY_VERIFY_WITH_TIMEOUT(!panel->running(), 60000);
        QCOMPARE(panel->Results->topLevelItemCount(), 2);
        QCOMPARE(panel->result().matchCount(), 4);

        // The match in sub/b.htm, with the page in the editor modified: the save question.
        editor->SetModifiedFlag(true);
        prompter.answers << Prompter::Answer::No;
        QTreeWidgetItem* inB = panel->Results->topLevelItem(1)->child(0);
        panel->Results->setCurrentItem(inB);
        panel->activate(inB);
        QCOMPARE(prompter.confirms.size(), 1);
        QCOMPARE(form.DocumentFileName(), site + "/sub/b.htm");
        QCOMPARE(editor->SelectedText(), QStringLiteral("old"));

        prompter.onDialog("TFindInFilesDialog", [](QDialog& d) {
            auto& dialog = static_cast<TFindInFilesDialog&>(d);
            dialog.FindEdit->setText("old");
            dialog.ReplaceEdit->setText("new\u2192");
            dialog.ReplaceAllButton->click();
        });
        prompter.onDialog("TReplaceInFilesDialog", [](QDialog& d) {
            auto& dialog = static_cast<TReplaceInFilesDialog&>(d);
            QCOMPARE(dialog.List->topLevelItemCount(), 2);
            dialog.List->topLevelItem(0)->child(1)->setCheckState(0, Qt::Unchecked); // "Old"
            dialog.accept();
        });
        form.actionNamed("FindInFiles1")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!panel->running(), 60000);
        QVERIFY(prompter.dialogsRun.contains("TReplaceInFilesDialog"));
        QCOMPARE(prompter.errors, QStringList());
        QCOMPARE(readFile(site + "/index.html"),
                 QByteArray("<A HREF=\"new\xE2\x86\x92.htm\">Old</A>\r\n"));
        QCOMPARE(readFile(site + "/sub/b.htm"), QByteArray("caf\xE9 old old\r\n"));
        QCOMPARE(editor->EditorText(), QStringLiteral("caf\u00e9 new\u2192 new\u2192\n"));
        QVERIFY(editor->ModifiedFlag());
        editor->UndoLastEdit();
        QCOMPARE(editor->EditorText(), QStringLiteral("caf\u00e9 old old\n"));
    }
};

VORLANE_TEST_MAIN(MainFormFindInFilesTest)
#include "main_form_find_in_files_test.moc"
