#include "app/main_form.h"
#include "core/document_codec.h"
#include "core/file_names.h"
#include "core/in_place_write.h"
#include "core/recovery_store.h"
#include "core/settings_store.h"
#include "editor/margin_rich_edit.h"
#include "support/child_process.h"
#include "support/scripted_prompter.h"
#include "support/test_main.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QStringList recoveryCopies()
{
    return QDir(recoveryFolder()).entryList({QStringLiteral("*.copy")}, QDir::Files);
}

} // namespace

class RecoveryTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        clearSettings();
        WriteSetting(Setting::Welcome, QStringLiteral("N"));
        WriteSetting(Setting::QuickStart, QStringLiteral("N"));
        QDir(recoveryFolder()).removeRecursively();
    }

    // A window killed after typing: the next window offers its page, newest first, and brings
    // it back as it was (text, name, encoding, caret line) and modified; saving it writes the
    // page's own encoding and removes the copy.
    void killedAfterTyping_data()
    {
        QTest::addColumn<QByteArray>("file");       // the page on disk; empty: untitled
        QTest::addColumn<QByteArray>("savedBytes"); // what a save after recovery writes
        QTest::newRow("UTF-8 page") << QByteArray("<P>caf\xc3\xa9</P>\r\n")
                                    << QByteArray("<P>caf\xc3\xa9</P>\r\ntyped \xe2\x82\xac work");
        QTest::newRow("Windows-1252 page")
            << QByteArray("<P>caf\xe9</P>\r\n") << QByteArray("<P>caf\xe9</P>\r\ntyped \x80 work");
        QTest::newRow("untitled page") << QByteArray() << QByteArray("typed \xe2\x82\xac work");
    }
    void killedAfterTyping()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, savedBytes);
        QTemporaryDir dir;
        const QString page =
            file.isEmpty() ? QString() : writeFile(dir.filePath(QStringLiteral("page.htm")), file);
        int ready[2];
        QVERIFY(::pipe(ready) == 0);
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            ScriptedPrompter prompter;
            TMainForm form;
            if (!page.isEmpty()) {
                form.LoadDocument(page);
                form.SetDocumentName(page);
            }
            form.editor()->GoToLine(2);
            QTest::keyClicks(form.editor(), QStringLiteral("typed "));
            form.editor()->ReplaceSelection(QStringLiteral("\u20ac"));
            QTest::keyClicks(form.editor(), QStringLiteral(" work"));
            // The copy comes from the window's own timers, once typing pauses.
            const bool written =
                QTest::qWaitFor([&] { return QFileInfo::exists(form.recoveryCopyPath()); }, 30000);
            const char answer = written ? '1' : '0';
            (void)!::write(ready[1], &answer, 1);
            for (;;)
                ::pause();
        }
        ::close(ready[1]);
        pollfd wait{ready[0], POLLIN, 0};
        char answer = '0';
        if (::poll(&wait, 1, 60000) == 1)
            (void)!::read(ready[0], &answer, 1);
        ::close(ready[0]);
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        QCOMPARE(answer, '1');
        QCOMPARE(recoveryCopies().size(), 1);

        ScriptedPrompter prompter;
        prompter.choices = {0};
        {
            TMainForm form;
            form.FormActivate();
            const QString name = page.isEmpty() ? kUntitled : page;
            QCOMPARE(prompter.chooses.size(), 1);
            QVERIFY2(
                prompter.chooses[0].text.startsWith(
                    QStringLiteral("Vorlane was closed without saving %1 (changed ").arg(name)),
                qPrintable(prompter.chooses[0].text));
            QVERIFY(prompter.chooses[0].text.endsWith(QStringLiteral("). Recover it?")));
            QCOMPARE(form.DocumentFileName(), name);
            QVERIFY(form.editor()->ModifiedFlag());
            QCOMPARE(form.editor()->CaretLine(), page.isEmpty() ? 1 : 2);
            if (page.isEmpty())
                prompter.saveAnswers = {dir.filePath(QStringLiteral("saved.htm"))};
            form.action("FileSaveItem")->trigger();
            QVERIFY2(prompter.unexpected.isEmpty(), qPrintable(prompter.unexpected.join(' ')));
            QCOMPARE(readFile(page.isEmpty() ? dir.filePath(QStringLiteral("saved.htm")) : page),
                     savedBytes);
        }
        QCOMPARE(recoveryCopies(), QStringList());
    }

    // The copy is the editor's text at the moment it is written, whatever the edits made while
    // the writer's own copy of a big page was still going over a piece per turn of the event
    // loop: typing, a paste bigger than a piece, deletions across the part sent, undo and
    // redo; and again for edits after it has all gone.
    void copyIsTheTextAsEdited()
    {
        QTemporaryDir dir;
        const QString page = writeFile(dir.filePath(QStringLiteral("big.htm")),
                                       QByteArray("<P>caf\xc3\xa9 line</P>\r\n").repeated(100000));
        ScriptedPrompter prompter;
        TMainForm form;
        form.LoadDocument(page);
        form.SetDocumentName(page);
        TMarginRichEdit* editor = form.editor();
        const auto copiedText = [&] {
            const auto copy = decodeRecoveryCopy(readFile(form.recoveryCopyPath()));
            return copy ? copy->utf8 : QByteArray("(no copy)");
        };
        const auto turn = [] { QCoreApplication::processEvents(); };
        editor->SetSelectionStart(10);
        QTest::keyClicks(editor, QStringLiteral("typed"));
        turn();
        editor->SetSelectionStart(editor->TextLength() / 2);
        editor->ReplaceSelection(QString::fromUtf8(
            QByteArray("\xe2\x82\xac pasted ")
                .repeated(200000))); // bigger than a piece and than an edit copied as told
        turn();
        editor->SetSelectionStart(5);
        editor->SetSelectionLength(400000); // across what has gone and what has not
        editor->ReplaceSelection(QStringLiteral("cut"));
        turn();
        editor->UndoLastEdit();
        turn();
        editor->SetSelectionStart(editor->TextLength() - 3);
        QTest::keyClicks(editor, QStringLiteral("end"));
        form.writeRecoveryCopyNow();
        QTest::keyClicks(editor, QStringLiteral("later"));
        // Written once the writer has the whole text: the text as it then is.
        QTRY_COMPARE(copiedText(), editor->EditorUtf8());
        editor->SetSelectionStart(0);
        editor->SetSelectionLength(3);
        editor->ReplaceSelection(QStringLiteral("<H1>"));
        editor->SetSelectionStart(editor->TextLength() / 3);
        QTest::keyClick(editor, Qt::Key_Backspace);
        QTest::keyClick(editor, Qt::Key_Return);
        form.writeRecoveryCopyNow(true);
        QCOMPARE(copiedText(), editor->EditorUtf8());
        // A new page replaces the text: its copy is of the new text alone.
        form.LoadDocument(page);
        editor->SetSelectionStart(7);
        QTest::keyClicks(editor, QStringLiteral("x"));
        form.writeRecoveryCopyNow(true);
        QCOMPARE(copiedText(), editor->EditorUtf8());
    }

    // Copies nobody holds are offered newest first; Later keeps one for the next start,
    // Discard removes it, and a running window's own copy is never offered to another.
    void offersNewestFirstAndKeepsLater()
    {
        const QString folder = ensureRecoveryFolder();
        QVERIFY(!folder.isEmpty());
        QCOMPARE(QFileInfo(folder).permissions() & 0x0077, QFileDevice::Permissions());
        const QDateTime now = QDateTime::currentDateTime();
        for (int i = 0; i < 2; ++i) {
            RecoveryCopy copy;
            copy.pageName = QStringLiteral("/site/page%1.htm").arg(i);
            copy.changed = now.addSecs(i * 60);
            copy.utf8 = "text";
            QVERIFY(writePrivateFile(folder, QStringLiteral("gone%1.copy").arg(i),
                                     encodeRecoveryCopy(copy)));
        }
        ScriptedPrompter prompter;
        TMainForm running;
        running.editor()->ReplaceSelection(QStringLiteral("unsaved"));
        running.writeRecoveryCopyNow(true);
        QCOMPARE(recoveryCopies().size(), 3);

        prompter.choices = {2, 1}; // Later for the newest, Discard for the other
        {
            TMainForm form;
            form.FormActivate();
            QCOMPARE(prompter.chooses.size(), 2);
            QVERIFY(prompter.chooses[0].text.contains(QStringLiteral("/site/page1.htm")));
            QVERIFY(prompter.chooses[1].text.contains(QStringLiteral("/site/page0.htm")));
        }
        QCOMPARE(recoveryCopies().size(), 2);
        QVERIFY(recoveryCopies().contains(QStringLiteral("gone1.copy")));
        removeRecoveryCopy(QStringLiteral("gone1"));
    }

    // A save in place killed half-way leaves a torn page and its journal; the next start asks,
    // and Yes puts the whole old version back under every name of the page. A journal whose
    // page is whole is removed without a word.
    void interruptedInPlaceSave()
    {
        QTemporaryDir dir;
        const QByteArray old = QByteArray("<P>the old version</P>\r\n").repeated(20000);
        const QByteArray fresh = QByteArray("<P>the new version</P>\r\n").repeated(20000);
        const QString page = writeFile(dir.filePath(QStringLiteral("page.htm")), old);
        const QString twin = dir.filePath(QStringLiteral("twin.htm"));
        QVERIFY(::link(QFile::encodeName(page).constData(), QFile::encodeName(twin).constData()) ==
                0);
        for (const bool finished : {false, true}) {
            const pid_t child = ::fork();
            QVERIFY(child >= 0);
            if (child == 0) {
                writeInPlace(page, [&](int fd) {
                    if (!finished) {
                        writeAllAt(fd, QByteArrayView(fresh).first(fresh.size() / 2));
                        ::raise(SIGKILL);
                    }
                    return writeAllAt(fd, fresh) ? fresh.size() : qsizetype(-1);
                });
                ::raise(SIGKILL); // before the journal is removed
            }
            ::waitpid(child, nullptr, 0);
            QCOMPARE(readFile(page) == fresh, finished);
            ScriptedPrompter prompter;
            prompter.choices = {0};
            TMainForm form;
            form.FormActivate();
            if (finished) {
                QVERIFY(prompter.chooses.isEmpty());
                QCOMPARE(readFile(twin), fresh);
                continue;
            }
            QCOMPARE(prompter.chooses.size(), 1);
            QCOMPARE(prompter.chooses[0].text,
                     QStringLiteral("The save of %1 was interrupted. Restore the version before "
                                    "that save?")
                         .arg(page));
            QVERIFY(prompter.errors.isEmpty());
            QCOMPARE(readFile(page), old);
            QCOMPARE(readFile(twin), old);
        }
        QCOMPARE(QDir(recoveryFolder()).entryList(QDir::Files), QStringList());
    }

    // The same page opened in a second window: asked first, and Cancel leaves it unopened.
    void alreadyOpenInAnotherWindow()
    {
        QTemporaryDir dir;
        const QString page = writeFile(dir.filePath(QStringLiteral("page.htm")), "<P>page</P>\r\n");
        ScriptedPrompter prompter;
        TMainForm first;
        Prompter::FileAnswer answer;
        answer.files = {page};
        prompter.openAnswers = {answer, answer, answer};
        first.action("FileOpenItem")->trigger();
        QCOMPARE(first.DocumentFileName(), page);
        QVERIFY(prompter.chooses.isEmpty());

        TMainForm second;
        prompter.choices = {1, 0};
        second.action("FileOpenItem")->trigger();
        QCOMPARE(prompter.chooses.size(), 1);
        QCOMPARE(prompter.chooses[0].text,
                 QStringLiteral("%1 is already open in another Vorlane window.").arg(page));
        QCOMPARE(second.DocumentFileName(), kUntitled);
        second.action("FileOpenItem")->trigger();
        QCOMPARE(second.DocumentFileName(), page);
    }
};

VORLANE_TEST_MAIN(RecoveryTest)
#include "recovery_test.moc"
