#include "app/command_line.h"
#include "app/main_form.h"
#include "check/check_panel.h"
#include "check/markup_child.h"
#include "core/document_codec.h"
#include "core/document_file.h"
#include "core/recent_files.h"
#include "core/settings_store.h"
#include "editor/margin_rich_edit.h"
#include "preview/browser_preview.h"
#include "support/child_process.h"
#include "support/fake_launcher.h"
#include "support/scripted_prompter.h"
#include "support/test_main.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <memory>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// What a save writes for a file read from `bytes`: every line end as CR LF.
QByteArray withCrLf(QByteArray bytes)
{
    bytes.replace("\r\n", "\n");
    bytes.replace('\r', '\n');
    bytes.replace("\n", "\r\n");
    return bytes;
}

// Pages that are big, long-lined or not text at all.
QByteArray hostilePage(const QString& kind, qsizetype megabytes)
{
    const qsizetype size = megabytes * 1024 * 1024;
    QByteArray page;
    page.reserve(size + 64);
    if (kind == QLatin1String("many lines")) {
        const QByteArray line =
            "<P>A paragraph of an enormous page, with <B>markup</B> in it.</P>\r\n";
        while (page.size() + line.size() <= size)
            page.append(line);
    } else if (kind == QLatin1String("one line")) {
        const QByteArray piece = "<TD>cell</TD>";
        while (page.size() + piece.size() <= size)
            page.append(piece);
    } else if (kind == QLatin1String("nul bytes")) {
        auto* random = QRandomGenerator::global();
        page.resize(size);
        for (qsizetype i = 0; i < size; ++i)
            page[i] = random->bounded(4) == 0 ? char(random->bounded(256)) : '\0';
    } else {
        while (page.size() < size)
            for (int b = 0; b < 256; ++b)
                page.append(char(b));
    }
    return page;
}

// A disk that fails part-way through a file: the first reads deliver, then EIO.
struct FailingReads : FileReads
{
    qsizetype deliver = 0; // bytes handed out before the failure
    InstalledSeam<FileReads> installed{&setFileReads, this};
    ssize_t read(int fd, void* buffer, size_t size) override
    {
        if (deliver <= 0) {
            errno = EIO;
            return -1;
        }
        const ssize_t n = ::read(fd, buffer, qMin(size, size_t(deliver)));
        deliver -= n > 0 ? n : 0;
        return n;
    }
};

// Makes the file of the given kind at `path`; false when this system cannot.
bool makeSpecialFile(const QString& kind, const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    if (kind == QLatin1String("pipe"))
        return ::mkfifo(name.constData(), 0644) == 0;
    if (kind == QLatin1String("folder"))
        return QDir().mkpath(path);
    if (kind == QLatin1String("link to a pipe"))
        return ::mkfifo((name + ".fifo").constData(), 0644) == 0 &&
               ::symlink((name + ".fifo").constData(), name.constData()) == 0;
    if (kind == QLatin1String("socket")) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (size_t(name.size()) >= sizeof address.sun_path)
            return false;
        std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const bool bound =
            fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        if (fd >= 0)
            ::close(fd);
        return bound;
    }
    // A regular file, big enough that it takes many reads.
    return !writeFile(path, QByteArray(1 << 20, 'x')).isEmpty();
}

// Peak memory of this process since the last reset, and a reset (Linux: /proc/self/status).
qint64 peakMemoryBytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
    return -1;
}
bool resetPeakMemory()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

} // namespace

using PageCheck::MarkupChildLimits;
using PageCheck::setMarkupChildLimits;

class HostileInputTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        clearSettings();
        WriteSetting(Setting::Welcome, QStringLiteral("N"));
        WriteSetting(Setting::QuickStart, QStringLiteral("N"));
    }

    // Loaded from the command line, edited at the end, saved: every byte comes back.
    void hugeAndBinaryPages_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("megabytes");
        const int huge = qEnvironmentVariableIntValue("VORLANE_HUGE_PAGE_MB");
        QTest::newRow("huge page") << QStringLiteral("many lines") << (huge > 0 ? huge : 50);
        QTest::newRow("one long line") << QStringLiteral("one line") << 5;
        QTest::newRow("nul bytes") << QStringLiteral("nul bytes") << 1;
        QTest::newRow("every byte value") << QStringLiteral("every byte") << 1;
    }
    void hugeAndBinaryPages()
    {
        QFETCH(QString, kind);
        QFETCH(int, megabytes);
        QTemporaryDir dir;
        const QByteArray original = hostilePage(kind, megabytes);
        const QString path = writeFile(dir.filePath(QStringLiteral("page.htm")), original);

        ScriptedPrompter prompter;
        TMainForm form(path);
        form.FormActivate();
        QCOMPARE(form.DocumentFileName(), path);
        QVERIFY(!form.editor()->ModifiedFlag());
        QCOMPARE(form.editor()->EditorUtf8(), decodeDocument(original).utf8);

        form.editor()->SetSelectionStart(form.editor()->TextLength());
        form.editor()->ReplaceSelection(QStringLiteral("\nthe end"));
        form.action("FileSaveItem")->trigger();
        QVERIFY2(prompter.errors.isEmpty(), qPrintable(prompter.errors.join(QLatin1Char('\n'))));
        QCOMPARE(readFile(path), withCrLf(original) + "\r\nthe end");
        QCOMPARE(folderEntries(dir.path()), QStringList{QStringLiteral("page.htm")});
    }

    // Names that a shell, an option parser or a format string would take apart.
    void hostileNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("blanks") << QStringLiteral("my site  page .htm");
        QTest::newRow("double quotes") << QStringLiteral("\"quoted\" page.htm");
        QTest::newRow("single quotes") << QStringLiteral("it's 'mine'.htm");
        QTest::newRow("leading dash") << QStringLiteral("-rf page.htm");
        QTest::newRow("option-like, no extension") << QStringLiteral("--help");
        QTest::newRow("non-ASCII") << QStringLiteral("caf\u00e9 \u30da\u30fc\u30b8 \U0001F600.htm");
        QTest::newRow("shell syntax") << QStringLiteral("$(touch pwned) `touch pwned`;|&<>*?.htm");
        QTest::newRow("format markers") << QStringLiteral("100%1 %2 %s %n.htm");
        QTest::newRow("backslash and ampersand") << QStringLiteral("a\\b & c.htm");
        QTest::newRow("tab and line break") << QStringLiteral("tab\there\nnext line.htm");
    }
    void hostileNames()
    {
        QFETCH(QString, name);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        writeFile(path, "<P>page\r\n");
        ScriptedPrompter prompter;
        FakeLauncher launcher;
        WriteSetting(Setting::BrowserLocation,
                     dir.filePath(QStringLiteral("my browser/bin/web browser")));

        // Given on the command line.
        {
            TMainForm form(path);
            form.FormActivate();
            QCOMPARE(form.DocumentFileName(), path);
            QCOMPARE(form.windowTitle(), name + QStringLiteral(" - Vorlane"));
            QCOMPARE(form.editor()->EditorText(), QStringLiteral("<P>page\n"));
            form.editor()->ReplaceSelection(QStringLiteral("1"));
            form.action("FileSaveItem")->trigger();
            QCOMPARE(readFile(path), QByteArray("1<P>page\r\n"));

            // Previewed: the browser program and the page's path each arrive as one argument,
            // exactly as they are.
            form.setPreviewValues(changed(form.previewValues(), &TMainForm::PreviewValues::browser,
                                          QStringLiteral("NS")));
            form.setPreviewValues(changed(form.previewValues(), &TMainForm::PreviewValues::useTemp,
                                          QStringLiteral("N")));
            form.action("mnuViewinbrowser")->trigger();
            QCOMPARE(launcher.started.size(), 1);
            QCOMPARE(launcher.started[0][0],
                     dir.filePath(QStringLiteral("my browser/bin/web browser")));
            QCOMPARE(launcher.started[0].mid(2), QStringList{path});
        }

        // Chosen in the dialogs.
        {
            TMainForm form;
            Prompter::FileAnswer answer;
            answer.files = {path};
            prompter.openAnswers = {answer};
            form.action("FileOpenItem")->trigger();
            QCOMPARE(form.DocumentFileName(), path);
            QCOMPARE(form.editor()->EditorText(), QStringLiteral("1<P>page\n"));
            form.editor()->ReplaceSelection(QStringLiteral("2"));
            const QString copy = dir.filePath(QStringLiteral("copy of ") + name);
            prompter.saveAnswers = {copy};
            form.action("FileSaveAsItem")->trigger();
            const QString written = QFileInfo(name).fileName().contains(QLatin1Char('.'))
                                        ? copy
                                        : copy + QStringLiteral(".htm");
            QCOMPARE(form.DocumentFileName(), written);
            QCOMPARE(readFile(written), QByteArray("21<P>page\r\n"));
        }
        QVERIFY2(prompter.errors.isEmpty(), qPrintable(prompter.errors.join(QLatin1Char('\n'))));
        QVERIFY(!QFileInfo::exists(QStringLiteral("pwned")));
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("pwned"))));
    }

    // Only regular files are loaded. A pipe would wait for a writer and a device never end, so
    // anything else is refused at once; a read error part-way through a file refuses all of
    // it. Either way the open page stays exactly as it was.
    void onlyRegularFilesAreLoaded_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("command");
        for (const char* command : {"Open", "recent file"}) {
            for (const char* kind :
                 {"pipe", "link to a pipe", "device", "folder", "socket", "read error"})
                QTest::addRow("%s, %s", command, kind)
                    << QString::fromLatin1(kind) << QString::fromLatin1(command);
        }
    }
    void onlyRegularFilesAreLoaded()
    {
        QFETCH(QString, kind);
        QFETCH(QString, command);
        QTemporaryDir dir;
        const QString kept =
            writeFile(dir.filePath(QStringLiteral("kept.htm")), "<P>open page\r\n");
        const QString path = kind == QLatin1String("device")
                                 ? QStringLiteral("/dev/zero")
                                 : dir.filePath(QStringLiteral("special"));
        if (kind != QLatin1String("device") && !makeSpecialFile(kind, path))
            QSKIP("this system cannot make such a file here");

        // In a child: a load that blocks or never ends fails the test instead of hanging it.
        VERIFY_CHILD(runInChild(
            [&]() -> QString {
                ScriptedPrompter prompter;
                std::unique_ptr<FailingReads> reads;
                if (kind == QLatin1String("read error")) {
                    reads = std::make_unique<FailingReads>();
                    reads->deliver = 256 * 1024;
                }
                TMainForm form;
                form.LoadDocument(kept);
                form.SetDocumentName(kept);
                if (command == QLatin1String("Open")) {
                    Prompter::FileAnswer answer;
                    answer.files = {path};
                    prompter.openAnswers = {answer};
                    form.action("FileOpenItem")->trigger();
                } else {
                    Q_EMIT form.MRUFileList1->MRUItemClick(nullptr, path);
                }
                QString problems;
                if (prompter.errors != QStringList{QStringLiteral("Cannot open file %1").arg(path)})
                    problems += QStringLiteral("messages [%1]; ").arg(prompter.errors.join(u'|'));
                if (form.editor()->EditorText() != QLatin1String("<P>open page\n"))
                    problems += QStringLiteral("the editor holds %1 characters; ")
                                    .arg(form.editor()->EditorText().size());
                if (form.DocumentFileName() != kept || form.editor()->ModifiedFlag())
                    problems += QStringLiteral("the name or modified flag changed; ");
                return problems;
            },
            30000));
    }

    // Check Page on pages that once took the editor down or read without bound: the markup
    // check's child may die or run out of time, the editor and its page stay as they were, and
    // the links are still checked.
    void checkPageSurvives_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("expected"); // a finding's line as copied, after the page's name
        QTest::newRow("end tags that close nothing")
            << "crash"
            << ":1:55001: error: elements nest more than 5000 deep here (tags "
               "left open?): the markup was not checked";
        QTest::newRow("Tidy crashes")
            << "segv"
            << ":1:1: error: The markup check stopped (it crashed with signal "
               "11); the links were still checked";
        QTest::newRow("Tidy never ends") << "hang"
                                         << ":1:1: error: The markup check stopped (it ran "
                                            "out of time); the links were still checked";
        QTest::newRow("3 GiB target of a #name")
            << "sparse"
            << ":1:9: note: big.htm is too large to look for #x";
    }
    void checkPageSurvives()
    {
        QFETCH(QString, kind);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        QByteArray page;
        if (kind == QLatin1String("crash"))
            for (int i = 0; i < 50000; ++i)
                page += "<DIV></FOO>";
        page += "<A HREF=big.htm#x>x</A> <A HREF=missing.htm>y</A>";
        const QString path = writeFile(dir.filePath(QStringLiteral("page.htm")), page);
        QFile big(dir.filePath(QStringLiteral("big.htm")));
        QVERIFY(big.open(QIODevice::WriteOnly));
        QVERIFY(big.resize(kind == QLatin1String("sparse") ? qint64(3) << 30 : 10));
        big.close();
        MarkupChildLimits limits;
        if (kind == QLatin1String("segv") || kind == QLatin1String("hang")) {
            limits.program =
                writeFile(dir.filePath(QStringLiteral("tidy-stand-in")),
                          kind == QLatin1String("segv") ? "#!/bin/sh\nkill -SEGV $$\n"
                                                        : "#!/bin/sh\nexec sleep 60\n");
            QVERIFY(QFile::setPermissions(limits.program,
                                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
            limits.seconds = 1;
        }
        setMarkupChildLimits(limits);
        struct Restore
        {
            ~Restore() { setMarkupChildLimits({}); }
        } restore;

        ScriptedPrompter prompter;
        TMainForm form(path);
        form.FormActivate();
        const bool peak = resetPeakMemory();
        const qint64 before = peakMemoryBytes();
        form.action("CheckPage1")->trigger();
        QSignalSpy finished(form.CheckPanel, &TCheckPanel::finished);
        QVERIFY(finished.wait(120000));
        const QStringList lines = form.CheckPanel->findingsText(false).split(QLatin1Char('\n'));
        QVERIFY2(lines.contains(path + expected), qPrintable(lines.join(QLatin1Char('\n'))));
        QVERIFY(lines.filter(QStringLiteral("missing.htm does not exist")).size() == 1);
        QCOMPARE(form.editor()->EditorUtf8(), page);
        QCOMPARE(form.DocumentFileName(), path);
        QVERIFY(!form.editor()->ModifiedFlag());
        if (peak && before > 0)
            QVERIFY2(peakMemoryBytes() - before < 200 * 1024 * 1024,
                     qPrintable(QString::number(peakMemoryBytes() - before)));

        // The command line checks in its own process, and survives the same pages.
        QString out, err;
        QTextStream outStream(&out), errStream(&err);
        QCOMPARE(runCheckCommand({path}, outStream, errStream), 1);
        QVERIFY(out.contains(QStringLiteral("missing.htm does not exist")));
    }

    // A relative name that looks like an option, given on the command line from its folder.
    void relativeOptionLikeName()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath(QStringLiteral("-x page.htm")), "text");
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        ScriptedPrompter prompter;
        FakeLauncher launcher;
        WriteSetting(Setting::BrowserLocation, QStringLiteral("/usr/bin/browser"));
        {
            TMainForm form(QStringLiteral("-x page.htm"));
            form.FormActivate();
            form.editor()->ReplaceSelection(QStringLiteral("more "));
            form.action("FileSaveItem")->trigger();
            form.setPreviewValues(changed(form.previewValues(), &TMainForm::PreviewValues::browser,
                                          QStringLiteral("IE")));
            form.setPreviewValues(changed(form.previewValues(), &TMainForm::PreviewValues::useTemp,
                                          QStringLiteral("Y")));
            form.action("mnuViewinbrowser")->trigger();
        }
        QDir::setCurrent(previous);
        QVERIFY2(prompter.errors.isEmpty(), qPrintable(prompter.errors.join(QLatin1Char('\n'))));
        QCOMPARE(readFile(dir.filePath(QStringLiteral("-x page.htm"))), QByteArray("more text"));
        QCOMPARE(readFile(dir.filePath(QStringLiteral("pagetmp.htm"))), QByteArray("more text"));
        // The browser gets an absolute path, never something it could read as an option.
        const QStringList expected = {QStringLiteral("-nohome"),
                                      dir.filePath(QStringLiteral("pagetmp.htm"))};
        QCOMPARE(launcher.started.size(), 1);
        QCOMPARE(launcher.started[0].mid(2), expected);
    }
};

VORLANE_TEST_MAIN(HostileInputTest)
#include "hostile_input_test.moc"
