#include "core/spell_checker.h"
#include "core/spelling_words.h"
#include "editor/margin_rich_edit.h"
#include "editor/spelling_as_you_type.h"
#include "support/test_main.h"

#include <QTemporaryDir>

namespace {

// The marked stretches of the editor's text, in order.
QStringList marked(const TMarginRichEdit& editor)
{
    QStringList list;
    const QByteArray bytes = editor.EditorUtf8();
    for (long at = 0; at < bytes.size();) {
        const auto [start, end] = editor.SpellingMarkAt(at);
        if (start < 0) {
            ++at;
            continue;
        }
        list << QString::fromUtf8(bytes.mid(start, end - start));
        at = end;
    }
    return list;
}

} // namespace

class SpellingAsYouTypeTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (!SpellChecker::installedDictionaries().contains(QStringLiteral("en_US")))
            QSKIP("hunspell-en-us is not installed (scripts/deps.sh installs it)");
    }

    // Which words of a page are checked, and where their marks go.
    void marks_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QStringList>("marks");
        QTest::newRow("text between tags") << "<P>I recieve it</P>" << QStringList{"recieve"};
        QTest::newRow("tag and attribute names, other values")
            << "<P CLASS=\"bnrx\" ALGN=lft><FONT FACE='Arail'>fine</FONT></P>" << QStringList{};
        QTest::newRow("ALT and TITLE values") << "<IMG SRC=\"qwzx.gif\" ALT=\"a recieve\"><A "
                                                 "TITLE='teh end' HREF=\"qwzx.htm\">fine</A>"
                                              << QStringList{"recieve", "teh"};
        QTest::newRow("comments and declarations")
            << "<!DOCTYPE qwzx>\n<!-- recieve\n teh -->fine<?qwzx?>" << QStringList{};
        QTest::newRow("SCRIPT and STYLE content")
            << "<SCRIPT>var recieve = '<b>teh</b>';</SCRIPT><STYLE>p { colr: red }</STYLE>after teh"
            << QStringList{"teh"};
        QTest::newRow("TITLE content is text") << "<TITLE>Teh page</TITLE>" << QStringList{"Teh"};
        QTest::newRow("references decoded")
            << "recei&#118;e rec&#105;eve fine&amp;dandy qwzx&nbsp;fine"
            << QStringList{"rec&#105;eve", "qwzx"};
        QTest::newRow("inline tags inside a word")
            << "<B>re</B>ceive and <I>recie</I>ve" << QStringList{"recie</I>ve"};
        QTest::newRow("block tags end a word") << "rece<P>ive" << QStringList{"rece", "ive"};
        QTest::newRow("addresses, digits")
            << "see http://www.exmaple.com/teh www.qwzx.org mail@exmaple.com h2o 3rd x_qwzx"
            << QStringList{};
        QTest::newRow("apostrophes") << "it's teh users' 'qwzx'" << QStringList{"teh", "qwzx"};
        QTest::newRow("a LANG with no dictionary falls back")
            << "<HTML LANG=\"xx-YY\"><BODY>recieve" << QStringList{"recieve"};
        QTest::newRow("non-ASCII letters") << "<P>na\u00efve d\u00e9j\u00e0vu</P>"
                                           << QStringList{"na\u00efve", "d\u00e9j\u00e0vu"};
    }
    void marks()
    {
        QFETCH(QString, page);
        QFETCH(QStringList, marks);
        TMarginRichEdit editor;
        TSpellingAsYouType spelling(editor);
        spelling.setChosenLanguage(QStringLiteral("en_US"));
        editor.SetEditorText(page);
        spelling.setEnabled(true);
        spelling.checkWholePageNow();
        QCOMPARE(marked(editor).join(QLatin1Char('|')), marks.join(QLatin1Char('|')));
        // The whole page in the background gives the same marks.
        editor.ClearSpellingMarks(0, editor.ByteLength());
        editor.SetEditorText(page);
        QTRY_VERIFY(!spelling.backgroundPending());
        QCOMPARE(marked(editor), marks);
        QCOMPARE(editor.EditorText(), page); // no byte of the page changes
    }

    // Typing re-checks the changed lines, however far down the page they are and whatever
    // context (tag, comment, script) they sit in.
    void editsAreCheckedAgain()
    {
        TMarginRichEdit editor;
        TSpellingAsYouType spelling(editor);
        spelling.setChosenLanguage(QStringLiteral("en_US"));
        spelling.setEnabled(true);
        const QString filler = QStringLiteral("<P>fine words</P>\n").repeated(2000);
        editor.SetEditorText(filler + QStringLiteral("<SCRIPT>\nx\n</SCRIPT>\n<P>\n\n</P>\n"));
        QTRY_VERIFY(!spelling.backgroundPending());
        QCOMPARE(marked(editor), QStringList{});
        editor.SetSelectionStart(int(editor.EditorText().lastIndexOf(QStringLiteral("x\n"))));
        editor.ReplaceSelection(QStringLiteral("teh "));
        const int text = int(editor.EditorText().lastIndexOf(QStringLiteral("<P>\n\n"))) + 4;
        editor.SetSelectionStart(text);
        editor.ReplaceSelection(QStringLiteral("I recieve"));
        QTRY_COMPARE(marked(editor), QStringList{"recieve"});
        // Correcting the word takes its mark away.
        editor.SetSelectionStart(text + 5);
        editor.SetSelectionLength(2);
        editor.ReplaceSelection(QStringLiteral("ei"));
        QTRY_COMPARE(marked(editor), QStringList{});
        editor.UndoLastEdit(); // undo is an edit too
        QTRY_COMPARE(marked(editor), QStringList{"recieve"});
        editor.SetSelectionStart(text + 2);
        editor.SetSelectionLength(7);
        editor.ReplaceSelection(QStringLiteral("receive"));
        QTRY_COMPARE(marked(editor), QStringList{});
        spelling.setEnabled(false);
        editor.SetSelectionStart(text);
        editor.ReplaceSelection(QStringLiteral("teh "));
        QTest::qWait(20);
        QCOMPARE(marked(editor), QStringList{});
    }

    // A minified page is one line: a key re-checks a stretch of it around the change, and the
    // stretch never cuts a marked word in two.
    void longLineIsCheckedAroundTheChange()
    {
        TMarginRichEdit editor;
        TSpellingAsYouType spelling(editor);
        spelling.setChosenLanguage(QStringLiteral("en_US"));
        spelling.setEnabled(true);
        const QString filler = QStringLiteral("fine words ").repeated(1500);
        const QString word = QStringLiteral("recieveqwzxqwzxqwzxqwzxqwzx");
        const QString page = QStringLiteral("<P>teh ") + filler + word + QLatin1Char(' ') + filler +
                             QStringLiteral("teh</P>");
        editor.SetEditorText(page);
        spelling.checkWholePageNow();
        const QStringList before{QStringLiteral("teh"), word, QStringLiteral("teh")};
        QCOMPARE(marked(editor), before);
        // An edit so far after the long word that the stretch checked again starts inside it.
        const int w = int(page.indexOf(word));
        int at = w + 5 + int(TMarginRichEdit::kLineStretch);
        while (page.at(at - 1) != QLatin1Char(' '))
            ++at;
        QVERIFY(at - TMarginRichEdit::kLineStretch < w + word.size());
        editor.SetSelectionStart(at);
        editor.ReplaceSelection(QStringLiteral("fine "));
        QTest::qWait(20);
        QCOMPARE(marked(editor), before);
        // A misspelling typed there is marked; the marks far away stay as they were.
        editor.SetSelectionStart(at);
        editor.ReplaceSelection(QStringLiteral("recieve "));
        QTRY_COMPARE(marked(editor),
                     (QStringList{QStringLiteral("teh"), word, QStringLiteral("recieve"),
                                  QStringLiteral("teh")}));
        editor.UndoLastEdit();
        QTRY_COMPARE(marked(editor), before);
    }

    // Typing on a line reads it from where its context starts, which stays put while the line
    // alone changes; once anything before the line changes (here a SCRIPT begins above it, the
    // line keeping its place), that context is looked for again.
    void contextBeforeTheLineIsReadAgain()
    {
        TMarginRichEdit editor;
        TSpellingAsYouType spelling(editor);
        spelling.setChosenLanguage(QStringLiteral("en_US"));
        spelling.setEnabled(true);
        editor.SetEditorText(QStringLiteral("<P>fine</P>\nx\n<P>fine</P>\n"));
        QTRY_VERIFY(!spelling.backgroundPending());
        const int line = int(editor.EditorText().indexOf(QStringLiteral("x\n")));
        editor.SetSelectionStart(line);
        editor.ReplaceSelection(QStringLiteral("teh "));
        QTRY_COMPARE(marked(editor), QStringList{"teh"});
        editor.SetSelectionStart(line + 4);
        editor.ReplaceSelection(QStringLiteral("qwzx "));
        QTRY_COMPARE(marked(editor), (QStringList{"teh", "qwzx"}));
        editor.SetSelectionStart(0);
        editor.SetSelectionLength(11);
        editor.ReplaceSelection(QStringLiteral("<SCRIPT>abc")); // the same length
        editor.SetSelectionStart(line + 4);
        editor.ReplaceSelection(QStringLiteral("y"));
        QTRY_COMPARE(marked(editor), QStringList{});
    }

    // A Replace All over the page (its changes spanning far more than a screen) leaves the
    // marks right everywhere, and so does undoing it.
    void marksAfterReplaceAll()
    {
        TMarginRichEdit editor;
        TSpellingAsYouType spelling(editor);
        spelling.setChosenLanguage(QStringLiteral("en_US"));
        spelling.setEnabled(true);
        const QString page = QStringLiteral("<P>fine teh words</P>\n").repeated(4000);
        editor.SetEditorText(page);
        QTRY_VERIFY(!spelling.backgroundPending());
        const QStringList everyTeh(4000, QStringLiteral("teh"));
        QCOMPARE(marked(editor), everyTeh);
        QCOMPARE(editor.ReplaceAllText(QStringLiteral("teh"), QStringLiteral("qwzx")), 4000);
        QTRY_COMPARE_WITH_TIMEOUT(marked(editor), QStringList(4000, QStringLiteral("qwzx")), 20000);
        editor.UndoLastEdit();
        QTRY_COMPARE_WITH_TIMEOUT(marked(editor), everyTeh, 20000);
        QCOMPARE(editor.EditorText(), page);
    }

    // The dictionary is loaded on a worker thread: nothing is marked before it is there, what
    // was typed meanwhile is checked once it is, and changing to another dictionary leaves the
    // marks as they are until that one has loaded in its turn.
    void marksWaitForTheDictionary()
    {
        QTemporaryDir folder;
        writeFile(folder.filePath(QStringLiteral("aa_AA.aff")), "SET UTF-8\n");
        writeFile(folder.filePath(QStringLiteral("aa_AA.dic")), "2\nfine\nwords\n");
        writeFile(folder.filePath(QStringLiteral("bb_BB.aff")), "SET UTF-8\n");
        writeFile(folder.filePath(QStringLiteral("bb_BB.dic")), "1\nbonk\n");
        SpellChecker::setDictionaryFolder(folder.path());
        {
            TMarginRichEdit editor;
            TSpellingAsYouType spelling(editor);
            spelling.setChosenLanguage(QStringLiteral("aa_AA"));
            editor.SetEditorText(QStringLiteral("fine words bonk"));
            spelling.setEnabled(true);
            QVERIFY(spelling.dictionaryLoading());
            QVERIFY(spelling.backgroundPending());
            editor.SetSelectionStart(0);
            editor.ReplaceSelection(QStringLiteral("zorp "));
            QCOMPARE(marked(editor), QStringList{});
            QTRY_COMPARE(marked(editor), (QStringList{"zorp", "bonk"}));
            spelling.setChosenLanguage(QStringLiteral("bb_BB"));
            QVERIFY(spelling.dictionaryLoading());
            QCOMPARE(marked(editor), (QStringList{"zorp", "bonk"}));
            QTRY_COMPARE(marked(editor), (QStringList{"zorp", "fine", "words"}));
            QCOMPARE(spelling.dictionary(), QStringLiteral("bb_BB"));
        }
        SpellChecker::setDictionaryFolder(QString());
    }

    void dictionaryChoice_data()
    {
        QTest::addColumn<QString>("lang");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("dictionary");
        QTest::newRow("page names one") << "de-DE"
                                        << "en_GB"
                                        << "en_US"
                                        << "de_DE";
        QTest::newRow("page's language only") << "de"
                                              << ""
                                              << "en_US"
                                              << "de_DE";
        QTest::newRow("page's region missing, chosen of that language") << "en-ZA"
                                                                        << "en_GB"
                                                                        << "de_DE"
                                                                        << "en_GB";
        QTest::newRow("page names none installed") << "fr"
                                                   << "en_GB"
                                                   << "de_DE"
                                                   << "en_GB";
        QTest::newRow("then the desktop's") << ""
                                            << ""
                                            << "de_AT"
                                            << "de_DE";
        QTest::newRow("then English") << ""
                                      << ""
                                      << "C"
                                      << "en_US";
        QTest::newRow("case and dash") << "EN-gb"
                                       << ""
                                       << ""
                                       << "en_GB";
    }
    void dictionaryChoice()
    {
        QFETCH(QString, lang);
        QFETCH(QString, chosen);
        QFETCH(QString, locale);
        QFETCH(QString, dictionary);
        const QStringList installed = {"de_DE", "en_GB", "en_US"};
        QCOMPARE(chooseDictionary(installed, lang, chosen, locale), dictionary);
        QCOMPARE(chooseDictionary({}, lang, chosen, locale), QString());
        QCOMPARE(pageLanguage(("<!DOCTYPE html><HTML lang='" + lang + "'><BODY>").toUtf8()), lang);
    }
};

VORLANE_TEST_MAIN(SpellingAsYouTypeTest)
#include "spelling_as_you_type_test.moc"
