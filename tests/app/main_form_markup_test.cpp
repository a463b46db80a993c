#include "app/main_form.h"
#include "core/settings_store.h"
#include "editor/margin_rich_edit.h"
#include "editor/markup_commands.h"
#include "page/body_properties_dialog.h"
#include "support/scripted_prompter.h"
#include "support/test_main.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QToolButton>

using Answer = Prompter::Answer;

namespace {
const QString e;

// The default Quick Start page.
const QString kDefaultPage =
    QStringLiteral("<HTML>\n<HEAD>\n<TITLE>Untitled</TITLE>\n</HEAD>\n"
                   "<BODY BGCOLOR=#FFFFFF TEXT=#000000 LINK=#0000FF VLINK=#FF0000 ALINK=#FF0000>\n"
                   "\nDocument text and body\n\n\n\n\n\n\n\n\n</BODY>\n</HTML>\n");

void select(TMarginRichEdit* editor, int start, int length)
{
    editor->SetSelectionStart(start);
    editor->SetSelectionLength(length);
}

// Fills the properties dialog through `edit` and presses OK (or Cancel).
void answerProperties(ScriptedPrompter& prompter, std::function<void(TBodyProperties&)> edit,
                      bool ok = true)
{
    prompter.onDialog(QStringLiteral("TBodyProperties"), [edit, ok](QDialog& dialog) {
        auto& body = static_cast<TBodyProperties&>(dialog);
        if (edit)
            edit(body);
        (ok ? body.BitBtn1 : body.BitBtn2)->click();
    });
}
} // namespace

class MainFormMarkupTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { clearSettings(); }

    void everyCommandByItsMenuItem_data();
    void everyCommandByItsMenuItem();
    void otherWaysIn_data();
    void otherWaysIn();
    void edgeCases_data();
    void edgeCases();
    void quickTableTwice();
    void undoRemovesExactlyTheMarkup_data();
    void undoRemovesExactlyTheMarkup();
    void dateAndTime();
    void newParagraphButtonOffersTheParagraphs();

    void colorPicker();
    void colorPickerCancelled();

    void pageProperties_data();
    void pageProperties();
    void pagePropertiesShowsWhatThePageHolds();
    void pagePropertiesCancelled();
    void pagePropertiesBadColour();
    void pagePropertiesWithoutBody();
    void pagePropertiesPictureRelativeToPage();

    void quickStart_data();
    void quickStart();
    void quickStartAsksFirst();
    void quickStartAtStartup();
    void savedFileHoldsTheMarkup();
    void shortcutKeys_data();
    void shortcutKeys();
};

// Each item applied to "ab|cd|ef" (the middle selected) and at a caret, against the command's
// own literal: checks the wiring, the insertion shape and the caret rule in the editor.
void MainFormMarkupTest::everyCommandByItsMenuItem_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<int>("length");
    for (const char* item :
         {"Centered1", "Left1",      "Right1",      "Default1",   "Center1",     "Bold1",
          "Italic1",   "Underline1", "Size1Large1", "H21",        "H31",         "H41",
          "H51",       "H61",        "QuickTable2", "LineBreak1", "AddComment1", "GreaterThan1",
          "LessThan1", "Space1",     "Copyright1",  "Registered1"}) {
        QTest::addRow("%s selection", item) << item << 2;
        QTest::addRow("%s caret", item) << item << 0;
    }
}

void MainFormMarkupTest::everyCommandByItsMenuItem()
{
    QFETCH(QString, item);
    QFETCH(int, length);
    ScriptedPrompter prompter;
    TMainForm form;
    TMarginRichEdit* editor = form.editor();
    // Multi-byte characters around the selection: positions are characters, not bytes.
    editor->SetEditorText(QStringLiteral("\u00E4b\u00E9\u20ACef"));
    select(editor, 2, length);
    const QString selected = editor->SelectedText();
    form.actionNamed(item)->trigger();

    const Markup::Result r = Markup::apply(*Markup::commandFor(item), selected);
    QCOMPARE(editor->EditorText(),
             QStringLiteral("\u00E4b") + r.text + QStringLiteral("\u00E9\u20ACef").mid(length));
    QCOMPARE(editor->SelectionStart(), 2 + int(r.text.size()) - r.caretBack);
    QCOMPARE(editor->SelectionLength(), 0);
    QVERIFY(editor->ModifiedFlag());
    QVERIFY(prompter.errors.isEmpty());
}

void MainFormMarkupTest::otherWaysIn_data()
{
    QTest::addColumn<QString>("way");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("caret");
    // Context menu items, the table pop-up, the Ctrl+Q key and the vertical tool bar.
    QTest::newRow("popup Bold") << "Bold2"
                                << "<B>x</B>" << 8;
    QTest::newRow("popup Italics") << "Italics1"
                                   << "<I>x</I>" << 8;
    QTest::newRow("popup Underline") << "Underline2"
                                     << "<U>x</U>" << 8;
    QTest::newRow("table popup") << "QuickTable1"
                                 << "x" + Markup::quickTableText()
                                 << 1 + int(Markup::quickTableText().size());
    QTest::newRow("Ctrl+Q") << "QuickTableKey"
                            << "x" + Markup::quickTableText()
                            << 1 + int(Markup::quickTableText().size());
    QTest::newRow("button Bold") << "SpeedButton6"
                                 << "<B>x</B>" << 8;
    QTest::newRow("button Italics") << "SpeedButton7"
                                    << "<I>x</I>" << 8;
    QTest::newRow("button Underline") << "SpeedButton8"
                                      << "<U>x</U>" << 8;
    QTest::newRow("button Line Break") << "SpeedButton9"
                                       << "x<BR>\n"
                                       << 6;
    QTest::newRow("button Add Comment") << "SpeedButton13"
                                        << "x<!--  This is a comment  -->\n"
                                        << 30;
}

void MainFormMarkupTest::otherWaysIn()
{
    QFETCH(QString, way);
    QFETCH(QString, text);
    QFETCH(int, caret);
    ScriptedPrompter prompter;
    TMainForm form;
    form.editor()->SetEditorText(QStringLiteral("x"));
    select(form.editor(), 0, 1);
    if (way.startsWith(QLatin1String("SpeedButton")))
        form.findChild<QToolButton*>(way)->click();
    else if (QAction* item = form.actionNamed(way))
        item->trigger();
    else
        form.findChild<QAction*>(way)->trigger(); // the window-wide Ctrl+Q
    QCOMPARE(form.editor()->EditorText(), text);
    QCOMPARE(form.editor()->SelectionStart(), caret);
}

void MainFormMarkupTest::edgeCases_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("caret");
    QTest::newRow("bold in empty page") << "Bold1"
                                        << "" << 0 << 0 << "<B></B>" << 3;
    QTest::newRow("center at caret") << "Center1"
                                     << "ab" << 1 << 0 << "a<CENTER></CENTER>b" << 9;
    QTest::newRow("heading on word") << "Size1Large1"
                                     << "a word b" << 2 << 4 << "a <H1>word</H1> b" << 15;
    QTest::newRow("heading at caret") << "H61"
                                      << "" << 0 << 0 << "<H6></H6>" << 4;
    QTest::newRow("centered on word") << "Centered1"
                                      << "word" << 0 << 4 << "word<P ALIGN=CENTER>\n\n</P>" << 21;
    QTest::newRow("default paragraph at caret") << "Default1"
                                                << "ab" << 1 << 0 << "a<P>\n\n</P>b" << 5;
    QTest::newRow("line break at caret") << "LineBreak1"
                                         << "ab" << 2 << 0 << "ab<BR>\n"
                                         << 7;
    QTest::newRow("greater than after one character") << "GreaterThan1"
                                                      << "x" << 0 << 1 << "x&gt;" << 5;
    QTest::newRow("bold over part of a tag") << "Bold1"
                                             << "<P>" << 0 << 2 << "<B><P</B>>" << 9;
    QTest::newRow("quick table at end of line")
        << "QuickTable2"
        << "abc\nxyz" << 3 << 0 << "abc" + Markup::quickTableText() + "\nxyz"
        << 3 + int(Markup::quickTableText().size());
}

void MainFormMarkupTest::edgeCases()
{
    QFETCH(QString, item);
    QFETCH(QString, before);
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(QString, after);
    QFETCH(int, caret);
    ScriptedPrompter prompter;
    TMainForm form;
    form.editor()->SetEditorText(before);
    select(form.editor(), start, length);
    form.actionNamed(item)->trigger();
    QCOMPARE(form.editor()->EditorText(), after);
    QCOMPARE(form.editor()->SelectionStart(), caret);
    QCOMPARE(form.editor()->SelectionLength(), 0);
}

void MainFormMarkupTest::quickTableTwice()
{
    ScriptedPrompter prompter;
    TMainForm form;
    form.action("QuickTable2")->trigger();
    form.action("QuickTable2")->trigger();
    const QStringList lines = form.editor()->EditorText().split(QLatin1Char('\n'));
    const int end = int(lines.indexOf(QStringLiteral("</TABLE>")));
    QCOMPARE(lines.mid(end, 5), (QStringList{"</TABLE>", e, e, e, "<TABLE>"}));
    // The caret stands at the start of the line after the second table's empty line.
    QCOMPARE(form.editor()->SelectionStart(), form.editor()->TextLength());
}

void MainFormMarkupTest::undoRemovesExactlyTheMarkup_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<int>("length");
    QTest::newRow("bold selection") << "Bold1" << 1;
    QTest::newRow("bold caret") << "Bold1" << 0;
    QTest::newRow("paragraph") << "Centered1" << 1;
    QTest::newRow("entity") << "GreaterThan1" << 1;
    QTest::newRow("quick table") << "QuickTable2" << 0;
}

void MainFormMarkupTest::undoRemovesExactlyTheMarkup()
{
    QFETCH(QString, item);
    QFETCH(int, length);
    ScriptedPrompter prompter;
    TMainForm form;
    TMarginRichEdit* editor = form.editor();
    editor->SetEditorText(QStringLiteral("abc"));
    editor->SetSelectionStart(3);
    editor->ReplaceSelection(QStringLiteral("d")); // an earlier edit that must survive
    select(editor, 1, length);
    form.actionNamed(item)->trigger();
    QVERIFY(editor->EditorText() != QStringLiteral("abcd"));
    form.action("EditUndoItem")->trigger();
    QCOMPARE(editor->EditorText(), QStringLiteral("abcd"));
    form.action("EditUndoItem")->trigger();
    QCOMPARE(editor->EditorText(), QStringLiteral("abc"));
}

void MainFormMarkupTest::dateAndTime()
{
    ScriptedPrompter prompter;
    TMainForm form;
    form.editor()->SetEditorText(QStringLiteral("x"));
    select(form.editor(), 0, 1);
    const QString before = Markup::dateTimeText(QDateTime::currentDateTime(), QLocale::system());
    form.action("DateTime1")->trigger();
    const QString after = Markup::dateTimeText(QDateTime::currentDateTime(), QLocale::system());
    const QString text = form.editor()->EditorText();
    QVERIFY2(text == "x" + before || text == "x" + after, qPrintable(text));
    QCOMPARE(form.editor()->SelectionStart(), form.editor()->TextLength());
}

void MainFormMarkupTest::newParagraphButtonOffersTheParagraphs()
{
    ScriptedPrompter prompter;
    TMainForm form;
    auto* button = form.findChild<QToolButton*>(QStringLiteral("SpeedButton11"));
    QVERIFY(button && button->menu());
    QStringList names;
    for (QAction* a : button->menu()->actions())
        names.append(a->objectName());
    QCOMPARE(names, (QStringList{"Centered1", "Left1", "Right1", "Default1"}));
}

void MainFormMarkupTest::colorPicker()
{
    ScriptedPrompter prompter;
    TMainForm form;
    TMarginRichEdit* editor = form.editor();
    editor->SetEditorText(QStringLiteral("<BODY BGCOLOR=>"));
    select(editor, 6, 8); // "BGCOLOR="
    prompter.colorAnswers = {QColor(255, 0, 0), QColor(0xFF, 0x80, 0x00)};
    form.action("Color1")->trigger();
    QCOMPARE(editor->EditorText(), QStringLiteral("<BODY BGCOLOR=#FF0000>"));
    QCOMPARE(editor->SelectionStart(), 21);
    QCOMPARE(editor->SelectionLength(), 0);
    // The tool button; the dialog starts at the colour chosen last.
    form.findChild<QToolButton*>(QStringLiteral("SpeedButton14"))->click();
    QCOMPARE(editor->EditorText(), QStringLiteral("<BODY BGCOLOR=#FF0000#FF8000>"));
    QCOMPARE(prompter.colorRequests.size(), 2);
    QVERIFY(!prompter.colorRequests.at(0).isValid()); // nothing preset the first time
    QCOMPARE(prompter.colorRequests.at(1), QColor(255, 0, 0));
}

void MainFormMarkupTest::colorPickerCancelled()
{
    ScriptedPrompter prompter;
    TMainForm form;
    TMarginRichEdit* editor = form.editor();
    editor->SetEditorText(QStringLiteral("abc"));
    editor->SetModifiedFlag(false);
    select(editor, 1, 1);
    prompter.colorAnswers = {std::nullopt};
    form.action("Color1")->trigger();
    QCOMPARE(editor->EditorText(), QStringLiteral("abc"));
    QCOMPARE(editor->SelectionStart(), 1);
    QCOMPARE(editor->SelectionLength(), 1);
    QVERIFY(!editor->ModifiedFlag());
    QVERIFY(!form.lastPickedColor().isValid());
}

void MainFormMarkupTest::pageProperties_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("bgColor"); // typed into Edit2 before OK
    QTest::addColumn<QString>("result");
    QTest::addColumn<int>("caret");
    QTest::newRow("bare tag written again") << "<HTML>\n<body>\n</BODY>"
                                            << ""
                                            << "<HTML>\n<BODY>\n</BODY>" << 13;
    QTest::newRow("quotes dropped") << "<BODY BGCOLOR=\"#FFFFFF\">x"
                                    << ""
                                    << "<BODY BGCOLOR=#FFFFFF>x" << 22;
    QTest::newRow("extra attributes dropped")
        << "<Body onLoad=\"go()\" TEXT=#000000 MARGINWIDTH=0>x"
        << ""
        << "<BODY TEXT=#000000>x" << 19;
    QTest::newRow("new colour") << "a<BODY TEXT=red>b"
                                << "#00FF00"
                                << "a<BODY BGCOLOR=#00FF00 TEXT=red>b" << 32;
    QTest::newRow("only the first of two") << "<BODY TEXT=red>\n<BODY TEXT=blue>"
                                           << ""
                                           << "<BODY TEXT=red>\n<BODY TEXT=blue>" << 15;
    QTest::newRow("no closing bracket: inserted in front")
        << "x<BODY TEXT=red"
        << "navy"
        << "x<BODY BGCOLOR=navy><BODY TEXT=red" << 20;
    QTest::newRow("values across lines") << "<BODY BGCOLOR=#FFFFFF\nTEXT=#000000 LINK=#0000FF>"
                                         << "white"
                                         << "<BODY BGCOLOR=white TEXT=#000000 LINK=#0000FF>" << 46;
    // What was read from the page goes back as it was, without quotes around the line break.
    QTest::newRow("values across lines kept")
        << "<BODY BGCOLOR=#FFFFFF\nTEXT=#000000 LINK=#0000FF>"
        << ""
        << "<BODY BGCOLOR=#FFFFFF\nTEXT=#000000 TEXT=#000000 LINK=#0000FF>" << 61;
    // Without its quotes a value holding a blank would fall apart.
    QTest::newRow("quoted value with a blank kept whole")
        << "<BODY BACKGROUND=\"my pic.gif\">x"
        << ""
        << "<BODY BACKGROUND=\"my pic.gif\">x" << 30;
}

void MainFormMarkupTest::pageProperties()
{
    QFETCH(QString, page);
    QFETCH(QString, bgColor);
    QFETCH(QString, result);
    QFETCH(int, caret);
    ScriptedPrompter prompter;
    TMainForm form;
    form.editor()->SetEditorText(page);
    answerProperties(prompter, [bgColor](TBodyProperties& d) {
        if (!bgColor.isEmpty())
            d.Edit2->setText(bgColor);
        d.DocTitle->setText(QStringLiteral("never written back"));
    });
    form.action("Document1")->trigger();
    QCOMPARE(prompter.dialogsRun, QStringList{QStringLiteral("TBodyProperties")});
    QCOMPARE(form.editor()->EditorText(), result);
    QCOMPARE(form.editor()->SelectionStart(), caret);
    QVERIFY(prompter.errors.isEmpty());
}

void MainFormMarkupTest::pagePropertiesShowsWhatThePageHolds()
{
    ScriptedPrompter prompter;
    TMainForm form;
    form.editor()->SetEditorText(QStringLiteral(
        "<TITLE>Home</TITLE><body background=\"bg.gif\" bgcolor=Navy text='red' vlink=#FF0000\n"
        "LINK=#0000FF ALINK=#00ff00>"));
    QStringList shown;
    QString title;
    QList<QColor> samples;
    answerProperties(
        prompter,
        [&](TBodyProperties& d) {
            shown = d.fields();
            title = d.DocTitle->text();
            for (const TShape* s : {d.Shape1, d.Shape3, d.Shape4, d.Shape5})
                samples.append(s->brushColor());
        },
        false);
    // 'red' in single quotes is no colour: the command stops before the dialog.
    form.action("WebPageProperties1")->trigger();
    QCOMPARE(prompter.errors, QStringList{QStringLiteral("'$'ed'r' is not a valid integer value")});
    QVERIFY(prompter.dialogsRun.isEmpty());

    form.editor()->SetEditorText(form.editor()->EditorText().replace("'red'", "red"));
    form.findChild<QToolButton*>(QStringLiteral("SpeedButton15"))->click();
    QCOMPARE(title, QStringLiteral("Home"));
    // A value runs on across the line break; LINK= right after it is not found, and VLINK and
    // ALINK are never read as LINK.
    QCOMPARE(shown, (QStringList{"bg.gif", "Navy", "red", e, "#FF0000\nLINK=#0000FF", "#00ff00"}));
    QCOMPARE(samples, (QList<QColor>{QColor(0, 0, 0xA0), QColor(0xC0, 0xC0, 0xC0),
                                     QColor(255, 0, 0), QColor(0, 255, 0)}));
}

void MainFormMarkupTest::pagePropertiesCancelled()
{
    ScriptedPrompter prompter;
    TMainForm form;
    const QString page = QStringLiteral("<BODY onLoad=x BGCOLOR=red>");
    form.editor()->SetEditorText(page);
    form.editor()->SetModifiedFlag(false);
    answerProperties(
        prompter, [](TBodyProperties& d) { d.Edit2->setText("blue"); }, false);
    form.action("Document1")->trigger();
    QCOMPARE(form.editor()->EditorText(), page);
    QVERIFY(!form.editor()->ModifiedFlag());
}

void MainFormMarkupTest::pagePropertiesBadColour()
{
    ScriptedPrompter prompter;
    TMainForm form;
    const QString page = QStringLiteral("<BODY BGCOLOR=orange>");
    form.editor()->SetEditorText(page);
    answerProperties(prompter, nullptr);
    form.action("Document1")->trigger();
    QCOMPARE(prompter.errors,
             QStringList{QStringLiteral("'$geanor' is not a valid integer value")});
    QVERIFY(prompter.dialogsRun.isEmpty());
    QCOMPARE(form.editor()->EditorText(), page);
}

void MainFormMarkupTest::pagePropertiesWithoutBody()
{
    ScriptedPrompter prompter;
    TMainForm form;
    const QString page = QStringLiteral("<HTML><HEAD></HEAD>some text</HTML>");
    form.editor()->SetEditorText(page);
    select(form.editor(), 5, 3);
    answerProperties(prompter, nullptr);
    form.action("Document1")->trigger();
    QVERIFY(prompter.dialogsRun.isEmpty());
    QCOMPARE(prompter.informs.size(), 1);
    QVERIFY(prompter.informs.first().text.contains(QLatin1String("BODY")));
    QCOMPARE(form.editor()->EditorText(), page);
    QCOMPARE(form.editor()->SelectionStart(), 5);
    QCOMPARE(form.editor()->SelectionLength(), 3);
    QVERIFY(prompter.errors.isEmpty());
}

void MainFormMarkupTest::pagePropertiesPictureRelativeToPage()
{
    ScriptedPrompter prompter;
    TMainForm form;
    form.SetDocumentName(QStringLiteral("/site/index.html"));
    form.editor()->SetEditorText(QStringLiteral("<BODY>"));
    prompter.openAnswers = {Prompter::FileAnswer{{QStringLiteral("/site/img/bg.gif")}, false}};
    answerProperties(prompter, [](TBodyProperties& d) { d.SpeedButton1->click(); });
    form.action("Document1")->trigger();
    QCOMPARE(prompter.openRequests.first().folder, QStringLiteral("/site"));
    QCOMPARE(form.editor()->EditorText(), QStringLiteral("<BODY BACKGROUND=img/bg.gif>"));
}

void MainFormMarkupTest::quickStart_data()
{
    QTest::addColumn<QStringList>("settings"); // name, value pairs
    QTest::addColumn<QString>("text");
    QTest::newRow("defaults") << QStringList{} << kDefaultPage;
    QTest::newRow("changed")
        << QStringList{"Default Title",          "My Page", "Quick Start BgImage",    "back.jpg",
                       "Quick Start BgColor",    "black",   "Quick Start TextColor",  "#FFFFFF",
                       "Quick Start LinkColor",  "yellow",  "Quick Start vLinkColor", "#808080",
                       "Quick Start aLinkColor", "lime"}
        << QString(kDefaultPage)
               .replace("Untitled", "My Page")
               .replace(QRegularExpression("<BODY[^>]*>"),
                        "<BODY BACKGROUND=back.jpg BGCOLOR=black TEXT=#FFFFFF LINK=yellow "
                        "VLINK=#808080 ALINK=lime>");
    QTest::newRow("all empty") << QStringList{"Default Title",          "",
                                              "Quick Start BgColor",    "",
                                              "Quick Start TextColor",  "",
                                              "Quick Start LinkColor",  "",
                                              "Quick Start vLinkColor", "",
                                              "Quick Start aLinkColor", ""}
                               << QString(kDefaultPage)
                                      .replace("<TITLE>Untitled", "<TITLE>")
                                      .replace(QRegularExpression("<BODY[^>]*>"), "<BODY>");
}

void MainFormMarkupTest::quickStart()
{
    QFETCH(QStringList, settings);
    QFETCH(QString, text);
    for (int i = 0; i + 1 < settings.size(); i += 2)
        WriteSetting(settingNamed(settings.at(i)), settings.at(i + 1));
    ScriptedPrompter prompter;
    TMainForm form;
    form.SetDocumentName(QStringLiteral("/site/old.html"));
    form.editor()->SetEditorText(QStringLiteral("old page"));
    form.editor()->SetModifiedFlag(false);
    form.action("QuickStart1")->trigger();

    TMarginRichEdit* editor = form.editor();
    QCOMPARE(editor->EditorText(), text);
    QCOMPARE(editor->SelectedText(), QStringLiteral("Document text and body"));
    QCOMPARE(editor->SelectionStart(), int(text.indexOf(QStringLiteral("\nDocument"))) + 1);
    QVERIFY(!editor->ModifiedFlag());
    QCOMPARE(form.DocumentFileName(), QStringLiteral("Untitled"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Untitled - Vorlane"));
    QVERIFY(prompter.confirms.isEmpty());
    // Undo cannot step back into the old page or the bare BODY tag.
    form.action("EditUndoItem")->trigger();
    QCOMPARE(editor->EditorText(), text);
}

void MainFormMarkupTest::quickStartAsksFirst()
{
    ScriptedPrompter prompter;
    TMainForm form;
    form.editor()->SetEditorText(QStringLiteral("changed"));
    prompter.answers = {Answer::Cancel, Answer::No};
    form.action("QuickStart1")->trigger();
    QCOMPARE(form.editor()->EditorText(), QStringLiteral("changed"));
    QVERIFY(form.editor()->ModifiedFlag());
    form.findChild<QToolButton*>(QStringLiteral("SpeedButton24"))->click();
    QCOMPARE(form.editor()->EditorText(), kDefaultPage);
    QCOMPARE(prompter.confirms.size(), 2);
}

void MainFormMarkupTest::quickStartAtStartup()
{
    ScriptedPrompter prompter;
    WriteSetting(Setting::Welcome, QStringLiteral("N"));
    TMainForm form;
    form.FormActivate();
    QCOMPARE(form.editor()->EditorText(), kDefaultPage);
    QCOMPARE(form.editor()->SelectedText(), QStringLiteral("Document text and body"));
    QVERIFY(!form.editor()->ModifiedFlag());
}

void MainFormMarkupTest::savedFileHoldsTheMarkup()
{
    ScriptedPrompter prompter;
    QTemporaryDir dir;
    TMainForm form;
    TMarginRichEdit* editor = form.editor();
    form.action("QuickStart1")->trigger();
    editor->ReplaceSelection(QStringLiteral("Hello"));
    select(editor, editor->SelectionStart() - 5, 5);
    form.action("Bold1")->trigger();
    editor->ReplaceSelection(QStringLiteral(" <FONT COLOR="));
    prompter.colorAnswers = {QColor(0, 0x80, 0)};
    form.action("Color1")->trigger();
    answerProperties(prompter, [](TBodyProperties& d) {
        d.setFields(QString(), {e, "silver", e, e, e, e});
    });
    form.action("Document1")->trigger();
    const QString path = dir.filePath(QStringLiteral("page.htm"));
    prompter.saveAnswers = {path};
    form.action("FileSaveItem")->trigger();
    QVERIFY(prompter.errors.isEmpty());
    QCOMPARE(readFile(path),
             QByteArray("<HTML>\r\n<HEAD>\r\n<TITLE>Untitled</TITLE>\r\n</HEAD>\r\n"
                        "<BODY BGCOLOR=silver>\r\n\r\n<B>Hello</B> <FONT COLOR=#008000\r\n"
                        "\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n</BODY>\r\n</HTML>\r\n"));
}

void MainFormMarkupTest::shortcutKeys_data()
{
    QTest::addColumn<QKeyCombination>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("selected"); // -1: not checked
    QTest::newRow("Ctrl+B") << QKeyCombination(Qt::CTRL, Qt::Key_B) << "<B>x</B>" << -1;
    QTest::newRow("Ctrl+I") << QKeyCombination(Qt::CTRL, Qt::Key_I) << "<I>x</I>" << -1;
    QTest::newRow("Ctrl+U") << QKeyCombination(Qt::CTRL, Qt::Key_U) << "<U>x</U>" << -1;
    QTest::newRow("Ctrl+.") << QKeyCombination(Qt::CTRL, Qt::Key_Period) << "x&gt;" << -1;
    QTest::newRow("Ctrl+,") << QKeyCombination(Qt::CTRL, Qt::Key_Comma) << "x&lt;" << -1;
    QTest::newRow("Alt+Space") << QKeyCombination(Qt::ALT, Qt::Key_Space) << "x&nbsp;" << -1;
    QTest::newRow("Alt+Enter") << QKeyCombination(Qt::ALT, Qt::Key_Return) << "x<BR>\n" << -1;
    QTest::newRow("Ctrl+T") << QKeyCombination(Qt::CTRL, Qt::Key_T)
                            << "x" + Markup::quickTableText() << -1;
    QTest::newRow("Ctrl+Q") << QKeyCombination(Qt::CTRL, Qt::Key_Q)
                            << "x" + Markup::quickTableText() << -1;
    QTest::newRow("Ctrl+Shift+Space")
        << QKeyCombination(Qt::CTRL | Qt::SHIFT, Qt::Key_Space) << "x&nbsp;" << -1;
    // Alt with a letter no menu uses types nothing.
    for (Qt::Key letter : {Qt::Key_O, Qt::Key_Z, Qt::Key_K})
        QTest::addRow("Alt+%c", char(letter)) << QKeyCombination(Qt::ALT, letter) << "x" << 1;
    QTest::newRow("Alt+Shift+K") << QKeyCombination(Qt::ALT | Qt::SHIFT, Qt::Key_K) << "x" << 1;
    // The editor component's own line and case commands are gone.
    const QKeyCombination foreign[] = {
        Qt::CTRL | Qt::Key_D,
        Qt::CTRL | Qt::SHIFT | Qt::Key_D,
        Qt::CTRL | Qt::SHIFT | Qt::Key_L,
        Qt::CTRL | Qt::SHIFT | Qt::Key_U,
        Qt::CTRL | Qt::SHIFT | Qt::Key_Backspace,
        Qt::CTRL | Qt::SHIFT | Qt::Key_Delete,
        Qt::SHIFT | Qt::Key_Backtab,
    };
    for (QKeyCombination k : foreign)
        QTest::addRow("%s", QKeySequence(k).toString().toLatin1().constData()) << k << "x" << -1;
    // Caret keys stay.
    QTest::newRow("Right") << QKeyCombination(Qt::Key_Right) << "x" << 0;
}

void MainFormMarkupTest::shortcutKeys()
{
    QFETCH(QKeyCombination, key);
    QFETCH(QString, text);
    QFETCH(int, selected);
    ScriptedPrompter prompter;
    WriteSetting(Setting::Welcome, QStringLiteral("N"));
    WriteSetting(Setting::QuickStart, QStringLiteral("N"));
    TMainForm form;
    form.show();
    QApplication::setActiveWindow(&form);
    QVERIFY(QTest::qWaitForWindowActive(&form));
    form.editor()->SetEditorText(QStringLiteral("x"));
    select(form.editor(), 0, 1);
    form.editor()->FocusEditor();
    QTest::keyClick(form.editor(), key.key(), key.keyboardModifiers());
    QCOMPARE(form.editor()->EditorText(), text);
    if (selected >= 0)
        QCOMPARE(form.editor()->SelectionLength(), selected);
}

VORLANE_TEST_MAIN(MainFormMarkupTest)
#include "main_form_markup_test.moc"
