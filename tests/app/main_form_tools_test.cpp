#include "app/main_form.h"
#include "core/pending_markup.h"
#include "core/settings_store.h"
#include "editor/applet_dialog.h"
#include "editor/find_replace_dialogs.h"
#include "editor/font_style_dialog.h"
#include "editor/horizontal_line_dialog.h"
#include "editor/margin_rich_edit.h"
#include "editor/tag_list_dialog.h"
#include "support/scripted_prompter.h"
#include "support/test_main.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolButton>

#include <memory>

class MainFormToolsTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<ScriptedPrompter> prompter;
    std::unique_ptr<TMainForm> form;
    TMarginRichEdit* editor = nullptr;

    void setText(const QString& text, int start = 0, int length = 0)
    {
        editor->SetEditorText(text);
        editor->SetSelectionStart(start);
        editor->SetSelectionLength(length);
    }
    void trigger(const char* name) { form->actionNamed(QString::fromLatin1(name))->trigger(); }
    void findNext(const QString& text)
    {
        form->findDialog()->SetFindText(text);
        form->findDialog()->FindNextButton->click();
    }
    QString notFound(const QString& text) { return "Could not find \"" + text + "\""; }

private Q_SLOTS:
    void init()
    {
        clearSettings();
        PendingMarkup::take();
        prompter = std::make_unique<ScriptedPrompter>();
        form = std::make_unique<TMainForm>();
        editor = form->RichEdit1;
    }
    void cleanup()
    {
        {
            const auto pending = PendingMarkup::take();
            QVERIFY(pending.text.isEmpty() && pending.closing.isEmpty());
        }
        form.reset();
        prompter.reset();
    }

    // ---- find ----

    void findStartsAtTheTopAndSelectsTheMatch()
    {
        setText("Hello hello HELLO", 12, 5);
        trigger("Find1");
        QVERIFY(form->findDialog()->isVisible());
        QCOMPARE(editor->SelectionStart(), 0);
        QCOMPARE(editor->SelectionLength(), 0);
        findNext("hello");
        QCOMPARE(editor->SelectionStart(), 0);
        QCOMPARE(editor->SelectedText(), QStringLiteral("Hello"));
        findNext("hello");
        QCOMPARE(editor->SelectionStart(), 6);
        findNext("hello");
        QCOMPARE(editor->SelectionStart(), 12);
        QCOMPARE(editor->SelectedText(), QStringLiteral("HELLO"));
        QVERIFY(prompter->errors.isEmpty());
        QVERIFY(form->findDialog()->isVisible());
    }

    void searchRunsFromTheSelectionsEnd()
    {
        // "abab" selected from 1 to 3 ("ba"): the search starts at 3, so the "ab" at 2 is
        // passed over even though it overlaps the selection.
        setText("abab ab", 1, 2);
        form->replaceDialog()->SetFindText("ab");
        form->replaceDialog()->FindNextButton->click();
        QCOMPARE(editor->SelectionStart(), 5);
        QCOMPARE(editor->SelectionLength(), 2);
    }

    void matchesInsideWordsIgnoringCase_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("search");
        QTest::addColumn<int>("at");
        QTest::newRow("lower finds upper") << "<TABLE BORDER=1>"
                                           << "border" << 7;
        QTest::newRow("inside a word") << "unforgettable"
                                       << "GET" << 5;
        QTest::newRow("across a line end") << "one\ntwo"
                                           << "e\nT" << 2;
        QTest::newRow("after non-ASCII")
            << QString::fromUtf8("\xc3\xa9t\xc3\xa9 <b>") << "<B>" << 4;
    }
    void matchesInsideWordsIgnoringCase()
    {
        QFETCH(QString, text);
        QFETCH(QString, search);
        setText(text);
        trigger("Find1");
        findNext(search);
        QTEST(editor->SelectionStart(), "at");
        QCOMPARE(editor->SelectionLength(), int(search.size()));
        QVERIFY(prompter->errors.isEmpty());
    }

    void notFoundKeepsTheLastMatch()
    {
        setText("a cat, a Cat");
        trigger("Find1");
        findNext("cat");
        findNext("cat");
        QCOMPARE(editor->SelectionStart(), 9);
        findNext("cat");
        QCOMPARE(prompter->errors, QStringList{notFound("cat")});
        QCOMPARE(editor->SelectionStart(), 9);
        QCOMPARE(editor->SelectedText(), QStringLiteral("Cat"));
        // No wrap-around: the same message again.
        findNext("cat");
        QCOMPARE(prompter->errors.size(), 2);
        QCOMPARE(editor->SelectionStart(), 9);
    }

    void findAgainStaysDisabled()
    {
        QVERIFY(!form->action("FindAgain1")->isEnabled());
        setText("x");
        trigger("Find1");
        findNext("x");
        QVERIFY(!form->action("FindAgain1")->isEnabled());
    }

    void replaceKeepsItsPlace()
    {
        setText("one two", 4, 3);
        trigger("Replace1");
        QVERIFY(form->replaceDialog()->isVisible());
        QCOMPARE(editor->SelectionStart(), 4);
        QCOMPARE(editor->SelectionLength(), 3);
    }

    // ---- replace ----

    void replace_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<QString>("result");
        QTest::addColumn<int>("caret");
        QTest::newRow("selection") << 4 << 3 << "2"
                                   << "one 2 three" << 5;
        QTest::newRow("caret only") << 3 << 0 << "!"
                                    << "one! two three" << 4;
        QTest::newRow("empty replacement") << 3 << 4 << ""
                                           << "one three" << 3;
    }
    void replace()
    {
        QFETCH(int, start);
        QFETCH(int, length);
        QFETCH(QString, replacement);
        setText("one two three", start, length);
        form->replaceDialog()->SetFindText("two");
        form->replaceDialog()->SetReplaceText(replacement);
        form->replaceDialog()->ReplaceButton->click();
        QTEST(editor->EditorText(), "result");
        QTEST(editor->SelectionStart(), "caret");
        QCOMPARE(editor->SelectionLength(), 0);
    }

    void searchContinuesAfterAReplacement()
    {
        setText("cat cat");
        TReplaceDialog* dialog = form->replaceDialog();
        dialog->SetFindText("cat");
        dialog->SetReplaceText("concat");
        dialog->FindNextButton->click();
        QCOMPARE(editor->SelectionStart(), 0);
        dialog->ReplaceButton->click();
        QCOMPARE(editor->EditorText(), QStringLiteral("concat cat"));
        dialog->FindNextButton->click();
        // The "cat" inside "concat" is behind the caret.
        QCOMPARE(editor->SelectionStart(), 7);
        dialog->ReplaceButton->click();
        QCOMPARE(editor->EditorText(), QStringLiteral("concat concat"));
        dialog->FindNextButton->click();
        QCOMPARE(prompter->errors, QStringList{notFound("cat")});
    }

    void replaceAll_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("start"); // caret before, to show the whole page is covered
        QTest::addColumn<QString>("search");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<QString>("result");
        QTest::addColumn<int>("caret");
        QTest::newRow("several, case ignored") << "<b>x</B> <B>y</b>" << 9 << "b>"
                                               << "STRONG>"
                                               << "<STRONG>x</STRONG> <STRONG>y</STRONG>" << 37;
        QTest::newRow("replacement holds the search text") << "a a a" << 2 << "a"
                                                           << "aa"
                                                           << "aa aa aa" << 8;
        QTest::newRow("to nothing") << "x--y--z" << 0 << "--"
                                    << ""
                                    << "xyz" << 2;
        QTest::newRow("adjacent") << "aaaa" << 0 << "aa"
                                  << "b"
                                  << "bb" << 2;
        QTest::newRow("non-ASCII around")
            << QString::fromUtf8("\xc3\xa9X\xc3\xa9x") << 0 << "x" << QString::fromUtf8("\xc3\xbc")
            << QString::fromUtf8("\xc3\xa9\xc3\xbc\xc3\xa9\xc3\xbc") << 4;
    }
    void replaceAll()
    {
        QFETCH(QString, text);
        QFETCH(int, start);
        QFETCH(QString, search);
        QFETCH(QString, replacement);
        setText(text, start);
        editor->SetModifiedFlag(false);
        form->replaceDialog()->SetFindText(search);
        form->replaceDialog()->SetReplaceText(replacement);
        form->replaceDialog()->ReplaceAllButton->click();
        QTEST(editor->EditorText(), "result");
        QTEST(editor->SelectionStart(), "caret");
        QCOMPARE(editor->SelectionLength(), 0);
        QVERIFY(editor->ModifiedFlag());
        QVERIFY(prompter->errors.isEmpty());
        // One undo step takes the whole replacement back.
        editor->UndoLastEdit();
        QCOMPARE(editor->EditorText(), text);
    }

    void replaceAllWithoutMatch()
    {
        setText("nothing here", 2, 3);
        editor->SetModifiedFlag(false);
        form->replaceDialog()->SetFindText("zebra");
        form->replaceDialog()->SetReplaceText("x");
        form->replaceDialog()->ReplaceAllButton->click();
        QCOMPARE(prompter->errors, QStringList{notFound("zebra")});
        QCOMPARE(editor->EditorText(), QStringLiteral("nothing here"));
        QCOMPARE(editor->SelectionStart(), 2);
        QCOMPARE(editor->SelectionLength(), 3);
        QVERIFY(!editor->ModifiedFlag());
    }

    void replaceAllOnABigPage()
    {
        QString page;
        for (int i = 0; i < 20000; ++i)
            page += QStringLiteral("<p>line %1 <font>x</font>\n").arg(i);
        setText(page);
        form->replaceDialog()->SetFindText("<FONT>");
        form->replaceDialog()->SetReplaceText("<B>");
        form->replaceDialog()->ReplaceAllButton->click();
        const QString result = editor->EditorText();
        QCOMPARE(result.count(QStringLiteral("<B>")), 20000);
        QVERIFY(!result.contains(QStringLiteral("<font>")));
    }

    // ---- font and style ----

    void fontAndStyle_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("size"); // empty: none picked
        QTest::addColumn<bool>("bold");
        QTest::addColumn<bool>("italics");
        QTest::addColumn<QString>("result");
        QTest::addColumn<int>("caret");
        QTest::newRow("bold around a word")
            << 4 << 4 << "" << true << false << "the <B>word</B> here" << 15;
        QTest::newRow("size, nothing selected")
            << 4 << 0 << "-1" << false << false << "the <FONT SIZE=-1>\n\n</FONT>word here" << 19;
        QTest::newRow("bold and italics, closing order")
            << 0 << 3 << "" << true << true << "<B><I>the</B></I> word here" << 17;
    }
    void fontAndStyle()
    {
        QFETCH(int, start);
        QFETCH(int, length);
        QFETCH(QString, size);
        QFETCH(bool, bold);
        QFETCH(bool, italics);
        setText("the word here", start, length);
        prompter->onDialog("TFontAndStyle", [&](QDialog& d) {
            auto& dialog = static_cast<TFontAndStyle&>(d);
            if (!size.isEmpty())
                dialog.ComboBox1->setCurrentIndex(dialog.ComboBox1->findText(size));
            if (bold)
                dialog.CheckBox1->click();
            if (italics)
                dialog.CheckBox2->click();
            dialog.BitBtn1->click();
        });
        trigger("FontandStyle1");
        QCOMPARE(prompter->dialogsRun, QStringList{"TFontAndStyle"});
        QTEST(editor->EditorText(), "result");
        QTEST(editor->SelectionStart(), "caret");
        QCOMPARE(editor->SelectionLength(), 0);
    }

    void fontAndStyleFaceIsQuoted()
    {
        setText("x", 0, 1);
        prompter->onDialog("TFontAndStyle", [](QDialog& d) {
            auto& dialog = static_cast<TFontAndStyle&>(d);
            dialog.ListBox1->setCurrentRow(4);
            dialog.ComboBox1->setCurrentIndex(dialog.ComboBox1->findText("+2"));
            dialog.BitBtn1->click();
        });
        trigger("FontandStyle1");
        QCOMPARE(editor->EditorText(),
                 QStringLiteral("<FONT FACE=\"Times New Roman\" SIZE=+2>x</FONT>"));
    }

    // Cancel, and an OK that built nothing, insert nothing at all.
    void fontAndStyleNothingBuilt_data()
    {
        QTest::addColumn<bool>("okAfterUntick");
        QTest::addColumn<int>("length");
        QTest::newRow("cancel, selection") << false << 4;
        QTest::newRow("cancel, caret") << false << 0;
        QTest::newRow("empty OK, selection") << true << 4;
        QTest::newRow("empty OK, caret") << true << 0;
    }
    void fontAndStyleNothingBuilt()
    {
        QFETCH(bool, okAfterUntick);
        QFETCH(int, length);
        setText("the word here", 4, length);
        editor->SetModifiedFlag(false);
        prompter->onDialog("TFontAndStyle", [&](QDialog& d) {
            auto& dialog = static_cast<TFontAndStyle&>(d);
            if (okAfterUntick) {
                dialog.CheckBox1->click();
                dialog.CheckBox1->click();
                dialog.BitBtn1->click();
            } else {
                dialog.CheckBox1->click();
                dialog.BitBtn2->click();
            }
        });
        trigger("FontandStyle1");
        QCOMPARE(editor->EditorText(), QStringLiteral("the word here"));
        QCOMPARE(editor->SelectionStart(), 4 + length);
        QCOMPARE(editor->SelectionLength(), 0);
        QVERIFY(!editor->ModifiedFlag());
    }

    // ---- horizontal line ----

    void horizontalLine()
    {
        setText("ab", 0, 1);
        prompter->colorAnswers = {QColor(Qt::black)};
        prompter->onDialog("THorzLine", [](QDialog& d) {
            auto& dialog = static_cast<THorzLine&>(d);
            dialog.Edit1->setText("75");
            dialog.RadioButton2->setChecked(true);
            dialog.ComboBox2->setEditText("right");
            dialog.Button1->click();
            dialog.BitBtn1->click();
        });
        trigger("HorizontalLine1");
        QCOMPARE(editor->EditorText(),
                 QStringLiteral("a<HR WIDTH=75% SIZE=1 ALIGN=right COLOR=#000000>b"));
        QCOMPARE(editor->SelectionStart(), 48);
        QCOMPARE(editor->SelectionLength(), 0);
    }

    void horizontalLineDefaultsAndCancel()
    {
        setText("ab", 1);
        prompter->onDialog("THorzLine",
                           [](QDialog& d) { static_cast<THorzLine&>(d).BitBtn1->click(); });
        trigger("HorizontalLine1");
        QCOMPARE(editor->EditorText(), QStringLiteral("a<HR SIZE=1>b"));

        setText("abc", 1, 1);
        editor->SetModifiedFlag(false);
        prompter->onDialog("THorzLine",
                           [](QDialog& d) { static_cast<THorzLine&>(d).BitBtn2->click(); });
        form->findChild<QToolButton*>("SpeedButton10")->click();
        QCOMPARE(editor->EditorText(), QStringLiteral("abc"));
        QCOMPARE(editor->SelectionStart(), 2);
        QCOMPARE(editor->SelectionLength(), 0);
        QVERIFY(!editor->ModifiedFlag());
    }

    // ---- applet ----

    void appletWithBrowse()
    {
        QTemporaryDir dir;
        const QString folder = dir.path() + "/Site/";
        const QString classFile = writeFile(folder + "applets/Clock.class", "x");
        form->SetDocumentName(folder + "index.htm");
        setText("<BODY>", 6);
        prompter->openAnswers = {Prompter::FileAnswer{{classFile}, false}};
        prompter->onDialog("TInsJava", [](QDialog& d) {
            auto& dialog = static_cast<TInsJava&>(d);
            dialog.BrowseBtn->click();
            dialog.JavaName->setText("clock");
            dialog.BitBtn2->click();
        });
        trigger("JavaApplet1");
        QCOMPARE(editor->EditorText(),
                 QStringLiteral("<BODY><APPLET CODE=applets/Clock.class HEIGHT=100 WIDTH=200 "
                                "NAME=clock ALT=\"Java Applet\"> </APPLET>"));
        QCOMPARE(editor->SelectionStart(), editor->TextLength());
    }

    void appletCancel()
    {
        setText("abc", 0, 2);
        prompter->onDialog("TInsJava", [](QDialog& d) {
            auto& dialog = static_cast<TInsJava&>(d);
            dialog.ClassFileName->setText("x.class");
            dialog.BitBtn1->click();
        });
        trigger("JavaApplet1");
        QCOMPARE(editor->EditorText(), QStringLiteral("abc"));
        QCOMPARE(editor->SelectionStart(), 2);
        QCOMPARE(editor->SelectionLength(), 0);
    }

    // ---- tag reference ----

    void tagReference()
    {
        setText("abc", 1, 1);
        QString shown;
        prompter->onDialog("TTagList", [&](QDialog& d) {
            auto& dialog = static_cast<TTagList&>(d);
            dialog.ListBox1->setCurrentRow(3);
            shown = dialog.Memo1->toPlainText();
            dialog.BitBtn1->click();
        });
        QCOMPARE(form->action("Refresh1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_L));
        trigger("Refresh1");
        QCOMPARE(prompter->dialogsRun, QStringList{"TTagList"});
        QVERIFY(shown.startsWith("An Anchor"));
        // Reference only: the page is untouched.
        QCOMPARE(editor->EditorText(), QStringLiteral("abc"));
        QCOMPARE(editor->SelectionStart(), 1);
        QCOMPARE(editor->SelectionLength(), 1);
    }

    // ---- as the user goes about it ----

    void ctrlFFindsAWordInAnotherCase()
    {
        WriteSetting(Setting::Welcome, QStringLiteral("N"));
        WriteSetting(Setting::QuickStart, QStringLiteral("N"));
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QTRY_VERIFY(form->startupDone());
        setText("<html>\n<body>Welcome to my Page</body>\n</html>", 30);
        form->activateWindow();
        editor->FocusEditor();
        QTest::keyClick(editor, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(form->findDialog()->isVisible());
        QCOMPARE(editor->SelectionStart(), 0);
        QTest::keyClicks(form->findDialog()->FindEdit, "PAGE");
        QTest::keyClick(form->findDialog()->FindEdit, Qt::Key_Return);
        QCOMPARE(editor->SelectedText(), QStringLiteral("Page"));
        QCOMPARE(editor->SelectionStart(), 27);
        QVERIFY(prompter->errors.isEmpty());
    }

    void markupReachesTheSavedPage()
    {
        setText("<BODY>\nword\n</BODY>", 7, 4);
        prompter->onDialog("TFontAndStyle", [](QDialog& d) {
            auto& dialog = static_cast<TFontAndStyle&>(d);
            dialog.ListBox1->setCurrentRow(6);
            dialog.CheckBox2->click();
            dialog.BitBtn1->click();
        });
        trigger("FontandStyle1");
        prompter->onDialog("THorzLine", [](QDialog& d) {
            auto& dialog = static_cast<THorzLine&>(d);
            dialog.Edit1->setText("80");
            dialog.RadioButton2->setChecked(true);
            dialog.BitBtn1->click();
        });
        trigger("HorizontalLine1");
        prompter->onDialog("TInsJava", [](QDialog& d) {
            auto& dialog = static_cast<TInsJava&>(d);
            dialog.ClassFileName->setText("Ticker.class");
            dialog.Align->setEditText("left");
            dialog.BitBtn2->click();
        });
        trigger("JavaApplet1");
        QTemporaryDir dir;
        const QString path = dir.path() + "/page.htm";
        form->WriteDocument(path);
        QCOMPARE(
            readFile(path),
            QByteArray("<BODY>\r\n<FONT FACE=\"Verdana\"><I>word</I></FONT><HR WIDTH=80% SIZE=1>"
                       "<APPLET CODE=Ticker.class HEIGHT=100 WIDTH=200 ALIGN=left "
                       "ALT=\"Java Applet\"> </APPLET>\r\n</BODY>"));
    }
};

VORLANE_TEST_MAIN(MainFormToolsTest)
#include "main_form_tools_test.moc"
