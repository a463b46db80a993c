#include "app/main_form.h"
#include "core/settings_store.h"
#include "core/spell_checker.h"
#include "editor/margin_rich_edit.h"
#include "support/scripted_prompter.h"
#include "support/test_main.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QFile>
#include <QLabel>
#include <QMenu>

#include <memory>

namespace {

// A small real Hunspell dictionary with letters Windows-1252 has and one it lacks (U+0109).
void writeTestDictionary(const QString& folder)
{
    writeFile(folder + QStringLiteral("/xx_TEST.aff"), "SET UTF-8\nTRY e\xc3\xa9\xc3\xa7\xc4\x89"
                                                       "acdfilnoprstuvw\n");
    writeFile(folder + QStringLiteral("/xx_TEST.dic"), "6\ncaf\xc3\xa9\nfa\xc3\xa7"
                                                       "ade\n\xc4\x89"
                                                       "apelo\nthe\nwords\nreceive\n");
}

bool markedAt(TMainForm& form, const QByteArray& word)
{
    const long at = form.editor()->EditorUtf8().indexOf(word);
    return at >= 0 && form.editor()->SpellingMarkAt(at).first == at;
}

// Right-clicks (from the keyboard) with the caret in `word`; the spelling entries on top.
QList<QAction*> rightClick(TMainForm& form, const QByteArray& word)
{
    TMarginRichEdit* editor = form.editor();
    editor->SetSelectionStart(editor->byteToChar(long(editor->EditorUtf8().indexOf(word)) + 1));
    QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(4, 4),
                            editor->mapToGlobal(QPoint(4, 4)));
    QCoreApplication::sendEvent(editor->viewport(), &event);
    QList<QAction*> entries;
    for (QAction* a : form.PopupRichEd->actions()) {
        if (a->isSeparator())
            break;
        if (!a->objectName().startsWith(QLatin1String("Spelling")) &&
            a->objectName() != QLatin1String("AddToDictionary1") &&
            a->objectName() != QLatin1String("IgnoreAll1"))
            break;
        entries << a;
    }
    form.PopupRichEd->close();
    return entries;
}

QAction* entryNamed(const QList<QAction*>& entries, const QString& name)
{
    for (QAction* a : entries)
        if (a->objectName() == name || a->text() == name)
            return a;
    return nullptr;
}

} // namespace

class MainFormSpellingTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<ScriptedPrompter> prompter;
    QTemporaryDir dictionaries;
    QTemporaryDir pages;

private Q_SLOTS:
    void initTestCase()
    {
        writeTestDictionary(dictionaries.path());
        SpellChecker::setDictionaryFolder(dictionaries.path());
    }
    void init()
    {
        clearSettings();
        QFile::remove(SpellChecker::personalListPath());
        WriteSetting(Setting::Welcome, QStringLiteral("N"));
        WriteSetting(Setting::QuickStart, QStringLiteral("N"));
        prompter = std::make_unique<ScriptedPrompter>();
    }
    void cleanup() { prompter.reset(); }

    // Hunspell is opened by the first dictionary's load, never by a start of the window.
    // (First in this program: nothing before it loads a dictionary.)
    void hunspellOpensWithTheFirstDictionary()
    {
        const auto hunspellLoaded = [] {
            QFile maps(QStringLiteral("/proc/self/maps"));
            return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libhunspell");
        };
        auto form = std::make_unique<TMainForm>();
        form->show();
        form->FormActivate();
        QCoreApplication::processEvents();
        QVERIFY(!hunspellLoaded());
        form.reset();
        QVERIFY(SpellChecker::forLanguage(QStringLiteral("xx_TEST")));
        QVERIFY(hunspellLoaded());
    }

    // A dictionary in a single-byte encoding gets and gives its words in that encoding.
    void dictionaryInItsOwnEncoding()
    {
        QTemporaryDir folder;
        writeFile(folder.filePath(QStringLiteral("xx_LATIN.aff")), "SET ISO8859-1\nTRY e\xe9\n");
        writeFile(folder.filePath(QStringLiteral("xx_LATIN.dic")), "2\ncaf\xe9\nna\xefve\n");
        const std::shared_ptr<SpellChecker> checker = SpellChecker::forLanguage(
            QStringLiteral("xx_LATIN"), SpellChecker::personalListPath(), folder.path());
        QVERIFY(checker && checker->isCorrect(QStringLiteral("caf\u00e9")));
        QVERIFY(!checker->isCorrect(QStringLiteral("cafe")));
        QCOMPARE(checker->suggestions(QStringLiteral("cafe")).value(0),
                 QStringLiteral("caf\u00e9"));
        // A word of the user's own reaches Hunspell encoded, so its capitalised form passes.
        checker->addToPersonalList(QStringLiteral("na\u00efv"));
        QVERIFY(checker->isCorrect(QStringLiteral("Na\u00efv")));
    }

    // The chosen suggestion replaces the word as one undo step, in the form the page needs.
    void suggestionReplacesTheWord_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("word");
        QTest::addColumn<QString>("suggestion");
        QTest::addColumn<QByteArray>("text");  // the editor's, after the replacement
        QTest::addColumn<QByteArray>("saved"); // the file's
        QTest::newRow("UTF-8 page")
            << QByteArray("<P>the cafe</P>") << QByteArray("cafe") << "caf\u00e9"
            << QByteArray("<P>the caf\xc3\xa9</P>") << QByteArray("<P>the caf\xc3\xa9</P>");
        QTest::newRow("UTF-8 page, letter beyond Latin-1")
            << QByteArray("<P>capelo</P>") << QByteArray("capelo") << "\u0109apelo"
            << QByteArray("<P>\xc4\x89"
                          "apelo</P>")
            << QByteArray("<P>\xc4\x89"
                          "apelo</P>");
        QTest::newRow("Windows-1252 page, letter it has")
            << QByteArray("<P>d\xe9j\xe0 cafe</P>") << QByteArray("cafe") << "caf\u00e9"
            << QByteArray("<P>d\xc3\xa9j\xc3\xa0 caf\xc3\xa9</P>")
            << QByteArray("<P>d\xe9j\xe0 caf\xe9</P>");
        QTest::newRow("Windows-1252 page, letter it lacks")
            << QByteArray("<P>d\xe9j\xe0 capelo</P>") << QByteArray("capelo") << "\u0109apelo"
            << QByteArray("<P>d\xc3\xa9j\xc3\xa0 &#265;apelo</P>")
            << QByteArray("<P>d\xe9j\xe0 &#265;apelo</P>");
        QTest::newRow("word written with references keeps them")
            << QByteArray("<P>fa&ccedil;ad</P>") << QByteArray("fa&ccedil;ad") << "fa\u00e7ade"
            << QByteArray("<P>fa&ccedil;ade</P>") << QByteArray("<P>fa&ccedil;ade</P>");
        QTest::newRow("inline tags inside the word stay")
            << QByteArray("<P><B>ca</B>fe</P>") << QByteArray("ca</B>fe") << "caf\u00e9"
            << QByteArray("<P><B>caf\xc3\xa9</B></P>") << QByteArray("<P><B>caf\xc3\xa9</B></P>");
    }
    void suggestionReplacesTheWord()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, word);
        QFETCH(QString, suggestion);
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, saved);
        const QString path = writeFile(pages.filePath(QStringLiteral("page.htm")), file);
        TMainForm form;
        form.FormActivate();
        form.LoadDocument(path);
        QTRY_VERIFY(markedAt(form, word));
        const QByteArray before = form.editor()->EditorUtf8();
        const QList<QAction*> entries = rightClick(form, word);
        QVERIFY(entryNamed(entries, QStringLiteral("AddToDictionary1")));
        QVERIFY(entryNamed(entries, QStringLiteral("IgnoreAll1")));
        QAction* choice = entryNamed(entries, suggestion);
        QVERIFY2(choice, qPrintable(suggestion));
        QCOMPARE(entries.first(), choice); // the best suggestion first
        QVERIFY(entries.size() <= 8 + 2);
        choice->trigger();
        QCOMPARE(form.editor()->EditorUtf8(), text);
        form.WriteDocument(path);
        QCOMPARE(readFile(path), saved);
        form.editor()->UndoLastEdit();
        QCOMPARE(form.editor()->EditorUtf8(), before);
    }

    // "Add to Dictionary" reaches every window at once and later instances through the list
    // in the settings folder; "Ignore All" lasts for the session and writes nothing.
    void personalWordListIsShared()
    {
        const QString path = writeFile(pages.filePath(QStringLiteral("words.htm")),
                                       "<P>the vorlanish words zorbly</P>");
        TMainForm first;
        first.FormActivate();
        first.LoadDocument(path);
        TMainForm second;
        second.FormActivate();
        second.LoadDocument(path);
        QTRY_VERIFY(markedAt(first, "vorlanish") && markedAt(second, "vorlanish"));
        entryNamed(rightClick(first, "vorlanish"), QStringLiteral("AddToDictionary1"))->trigger();
        QTRY_VERIFY(!markedAt(first, "vorlanish") && !markedAt(second, "vorlanish"));
        QCOMPARE(readFile(SpellChecker::personalListPath()), QByteArray("vorlanish\n"));
        QCOMPARE(first.editor()->EditorUtf8(), QByteArray("<P>the vorlanish words zorbly</P>"));

        entryNamed(rightClick(second, "zorbly"), QStringLiteral("IgnoreAll1"))->trigger();
        QTRY_VERIFY(!markedAt(first, "zorbly") && !markedAt(second, "zorbly"));
        QCOMPARE(readFile(SpellChecker::personalListPath()), QByteArray("vorlanish\n"));

        // Another instance adds a word: taken in at the next pass over the page.
        writeFile(SpellChecker::personalListPath(), "vorlanish\nquixly\n");
        first.editor()->SetEditorText(QStringLiteral("<P>quixly qwzx</P>"));
        QTRY_VERIFY(markedAt(first, "qwzx") && !markedAt(first, "quixly"));
    }

    // The list is read only as a regular file of its own, and only its first megabyte: a link
    // placed at its name is not followed, and adding a word replaces the link rather than
    // writing through it.
    void personalListLinkIsNotFollowed()
    {
        const QString elsewhere =
            writeFile(pages.filePath(QStringLiteral("elsewhere.txt")), "plinkety\n");
        QVERIFY(QFile::link(elsewhere, SpellChecker::personalListPath()));
        std::shared_ptr<SpellChecker> checker =
            SpellChecker::forLanguage(QStringLiteral("xx_TEST"));
        QVERIFY(checker);
        checker->refreshPersonalList();
        QVERIFY(!checker->isCorrect(QStringLiteral("plinkety")));
        checker->addToPersonalList(QStringLiteral("blorpish"));
        QCOMPARE(readFile(elsewhere), QByteArray("plinkety\n"));
        QVERIFY(!QFileInfo(SpellChecker::personalListPath()).isSymLink());
        QVERIFY(checker->isCorrect(QStringLiteral("blorpish")));
        // Only the start of an oversized list is read.
        writeFile(SpellChecker::personalListPath(),
                  QByteArray(1100 * 1024, '\n') + "farbeyond\nblorpish\n");
        QVERIFY(checker->refreshPersonalList());
        QVERIFY(!checker->isCorrect(QStringLiteral("farbeyond")));
    }

    // Without a dictionary the page is left alone and the user is told once.
    void noDictionaryIsToldOnce()
    {
        QTemporaryDir empty;
        SpellChecker::setDictionaryFolder(empty.path());
        const QString path =
            writeFile(pages.filePath(QStringLiteral("none.htm")), "<P>the qwzx words</P>");
        {
            TMainForm form;
            form.FormActivate();
            QTRY_VERIFY(form.Label1->text().contains(QLatin1String("No spelling dictionary")));
            form.LoadDocument(path);
            QTest::qWait(600);
            QCOMPARE(form.editor()->SpellingMarkAt(7).first, -1L);
            QVERIFY(rightClick(form, "qwzx").isEmpty());
            QCOMPARE(form.editor()->EditorUtf8(), QByteArray("<P>the qwzx words</P>"));
        }
        TMainForm again;
        again.FormActivate();
        QTest::qWait(50);
        QVERIFY(!again.Label1->text().contains(QLatin1String("No spelling dictionary")));
        SpellChecker::setDictionaryFolder(dictionaries.path());
    }
};

VORLANE_TEST_MAIN(MainFormSpellingTest)
#include "main_form_spelling_test.moc"
