#include "app/command_line.h"
#include "app/main_form.h"
#include "check/check_panel.h"
#include "check/markup_child.h"
#include "check/site_check.h"
#include "editor/margin_rich_edit.h"
#include "support/scripted_prompter.h"
#include "support/test_main.h"

#include <QAction>
#include <QLabel>
#include <QSignalSpy>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace SiteCheck;

namespace {

QStringList findingLines(const Result& result)
{
    QStringList lines;
    for (const FileFindings& file : result.files)
        for (const Finding& f : file.findings)
            lines.append(PageCheck::formatFinding(file.relative, f));
    return lines;
}

} // namespace

class SiteCheckTest : public QObject
{
    Q_OBJECT
    QTemporaryDir scratch_;
    QString root_;
    Result result_;

private Q_SLOTS:
    void initTestCase()
    {
        // scratch/outside.htm, scratch/elsewhere/lost.htm (reached only through a linked
        // folder), and the site in scratch/site: pages at three depths, pictures, a style sheet,
        // names in mixed letter case, and what the check must leave alone.
        const QString scratch = scratch_.path();
        root_ = scratch + "/site";
        writeFile(scratch + "/outside.htm", "<P>outside</P>");
        writeFile(scratch + "/elsewhere/lost.htm", "<A HREF=\"nowhere.htm\">x</A>");
        writeFile(root_ + "/index.html",
                  "<HTML><HEAD><TITLE>t</TITLE><LINK REL=stylesheet HREF=\"style.css\"></HEAD>\n"
                  "<BODY><A NAME=\"x\">one</A> <A HREF=\"sub/a.htm\">a</A>\n"
                  "<A HREF=\"sub/deep/\">deep</A> <IMG SRC=\"pics/used.gif\" ALT=u>\n"
                  "<A HREF=\"../outside.htm\">out</A> <H2 ID=\"x\">two</H2>\n"
                  "<IMG SRC=\"pics/logo.gif\" ALT=l></BODY></HTML>\n");
        writeFile(root_ + "/style.css", "BODY { background: url('pics/bg.png') }\n");
        writeFile(root_ + "/sub/a.htm",
                  "<A HREF=\"../index.html#x\">home</A> <A HREF=\"mixed.htm\">m</A>\n");
        writeFile(root_ + "/sub/Mixed.HTM", "<P>only linked in another letter case</P>\n");
        writeFile(
            root_ + "/sub/deep/index.htm",
            "<IMG SRC=\"../../pics/deep.gif\" ALT=d> <A HREF=\"../../../outside.htm\">o</A>\n");
        writeFile(root_ + "/orphan.htm", "<A HREF=\"sub/deep/c.htm\">c</A>\n");
        writeFile(root_ + "/sub/deep/c.htm", "<P>reached only from an orphan</P>\n");
        for (const char* picture : {"used.gif", "Logo.GIF", "deep.gif", "bg.png", "unused.jpg"})
            writeFile(root_ + "/pics/" + picture, "GIF89a");
        // Left alone: hidden names, a linked folder, a pipe, and a page over the size limit.
        writeFile(root_ + "/.hidden/x.htm", "<A HREF=\"nowhere.htm\">x</A>");
        writeFile(root_ + "/.y.htm", "<A HREF=\"nowhere.htm\">x</A>");
        QCOMPARE(::symlink("../elsewhere", QFile::encodeName(root_ + "/linked").constData()), 0);
        QCOMPARE(::mkfifo(QFile::encodeName(root_ + "/pipe.htm").constData(), 0600), 0);
        const int big = ::open(QFile::encodeName(root_ + "/big.htm").constData(),
                               O_WRONLY | O_CREAT | O_TRUNC, 0600);
        QVERIFY(big >= 0);
        QCOMPARE(::ftruncate(big, kMaxPageSize + 1), 0);
        ::close(big);

        Options options;
        options.folder = root_;
        result_ = checkSite(options);
    }

    // One row per site rule: a finding of `file` whose text after its place starts with
    // `message`, there or not.
    void siteFindings_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("present");
        QTest::newRow("orphan page")
            << "orphan.htm"
            << "warning: orphan page: no link leads to it from index.html" << true;
        QTest::newRow("reached only from an orphan")
            << "sub/deep/c.htm"
            << "warning: orphan page: no link leads to it from index.html" << true;
        QTest::newRow("linked one level down") << "sub/a.htm"
                                               << "warning: orphan page" << false;
        QTest::newRow("a folder's index page, linked as the folder")
            << "sub/deep/index.htm"
            << "warning: orphan page" << false;
        QTest::newRow("index page") << "index.html"
                                    << "warning: orphan page" << false;
        QTest::newRow("linked in another letter case: an orphan")
            << "sub/Mixed.HTM"
            << "warning: orphan page: no link leads to it from index.html" << true;
        QTest::newRow("linked in another letter case: the link")
            << "sub/a.htm"
            << "error: mixed.htm exists as Mixed.HTM: a web server on Linux will not find it"
            << true;
        QTest::newRow("unused picture") << "pics/unused.jpg"
                                        << "warning: no page uses this picture" << true;
        QTest::newRow("picture used in the top folder") << "pics/used.gif"
                                                        << "warning: no page uses" << false;
        QTest::newRow("picture used two folders down") << "pics/deep.gif"
                                                       << "warning: no page uses" << false;
        QTest::newRow("picture used by a style sheet") << "pics/bg.png"
                                                       << "warning: no page uses" << false;
        QTest::newRow("picture used only in another letter case")
            << "pics/Logo.GIF"
            << "warning: no page uses this picture" << true;
        QTest::newRow("link out of the site")
            << "index.html"
            << "error: ../outside.htm leads out of the site folder: it will not work once the "
               "site is up"
            << true;
        QTest::newRow("link out of the site, two folders down")
            << "sub/deep/index.htm"
            << "error: ../../../outside.htm leads out of the site folder: it will not work once "
               "the site is up"
            << true;
        QTest::newRow("link back up inside the site") << "sub/a.htm"
                                                      << "leads out of the site" << false;
        QTest::newRow("name defined twice")
            << "index.html"
            << "error: #x is defined twice in this page (first on line 2): links to it reach "
               "only the first"
            << true;
        QTest::newRow("name defined twice, said once")
            << "index.html"
            << "warning: <h2> anchor \"x\" already defined" << false;
        QTest::newRow("page over the size limit")
            << "big.htm"
            << "note: the page is larger than 64 MB: it was not checked" << true;
        QTest::newRow("hidden folder") << ".hidden/x.htm"
                                       << "" << false;
        QTest::newRow("hidden page") << ".y.htm"
                                     << "" << false;
        QTest::newRow("linked folder") << "linked/lost.htm"
                                       << "" << false;
        QTest::newRow("pipe") << "pipe.htm"
                              << "" << false;
    }

    void siteFindings()
    {
        QFETCH(QString, file);
        QFETCH(QString, message);
        QFETCH(bool, present);
        const QStringList lines = findingLines(result_);
        const bool found = std::any_of(lines.begin(), lines.end(), [&](const QString& line) {
            // FILE:LINE:COLUMN: message
            return line.startsWith(file + QLatin1Char(':')) &&
                   line.section(QLatin1Char(':'), 3).trimmed().startsWith(message);
        });
        QVERIFY2(found == present, qPrintable(lines.join(QLatin1Char('\n'))));
        // Nothing outside the rules was opened: the pipe, the linked folder and the hidden
        // names are not even tried.
        QVERIFY2(result_.unreadable.isEmpty(), qPrintable(result_.unreadable.join(", ")));
        QCOMPARE(result_.pagesChecked, 6);
    }

    // Tidy's child dies or hangs on every page: each page says so and still gets its links
    // checked, and the next page gets a new child.
    void childFaults_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<QString>("why");
        QTest::newRow("crashes") << QByteArray("#!/bin/sh\nkill -SEGV $$\n")
                                 << "it crashed with signal 11";
        QTest::newRow("never ends")
            << QByteArray("#!/bin/sh\nexec sleep 60\n") << "it ran out of time";
    }

    void childFaults()
    {
        QFETCH(QByteArray, script);
        QFETCH(QString, why);
        QTemporaryDir dir;
        for (const char* name : {"index.htm", "a.htm", "b.htm"})
            writeFile(dir.filePath(name), "<A HREF=\"a.htm\">a</A> <A HREF=\"b.htm\">b</A> <A "
                                          "HREF=\"missing.htm\">m</A>");
        PageCheck::MarkupChildLimits limits;
        limits.program = writeFile(scratch_.filePath("stand-in"), script);
        QVERIFY(QFile::setPermissions(limits.program,
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        limits.seconds = 1;
        PageCheck::setMarkupChildLimits(limits);
        struct Restore
        {
            ~Restore() { PageCheck::setMarkupChildLimits({}); }
        } restore;
        Options options;
        options.folder = dir.path();
        options.markupIn = PageCheck::MarkupIn::ChildProcess;
        const QStringList lines = findingLines(checkSite(options));
        for (const char* name : {"index.htm", "a.htm", "b.htm"}) {
            const QString page = QString::fromLatin1(name);
            QVERIFY2(lines.contains(page + ":1:1: error: The markup check stopped (" + why +
                                    "); the links were still checked"),
                     qPrintable(lines.join('\n')));
            QVERIFY2(lines.contains(page + ":1:54: error: missing.htm does not exist"),
                     qPrintable(lines.join('\n')));
        }
    }

    // `vorlane --check DIR`: the site's findings under the folder's name as given, the exit
    // code as for files, --strict making warnings count.
    void checkFolderOnTheCommandLine()
    {
        const QString dir = scratch_.path() + "/cli";
        writeFile(dir + "/index.htm", "<HTML><HEAD><TITLE>t</TITLE></HEAD><BODY><A "
                                      "HREF=\"a.htm\">a</A></BODY></HTML>\n");
        writeFile(dir + "/a.htm", "<HTML><HEAD><TITLE>t</TITLE></HEAD><BODY>a</BODY></HTML>\n");
        writeFile(dir + "/old.htm", "<HTML><HEAD><TITLE>t</TITLE></HEAD><BODY>o</BODY></HTML>\n");
        const auto run = [&](const QStringList& arguments, QString& out) {
            QString err;
            QTextStream outStream(&out), errStream(&err);
            const int code = runCheckCommand(arguments, outStream, errStream);
            return err.isEmpty() ? code : -1;
        };
        QString out;
        QCOMPARE(run({dir}, out), 0);
        QCOMPARE(out, dir + "/old.htm:1:1: warning: orphan page: no link leads to it from "
                            "index.htm\n");
        out.clear();
        QCOMPARE(run({"--strict", dir + "/"}, out), 1);
        QVERIFY2(out.startsWith(dir + "/old.htm:1:1: warning: orphan page"), qPrintable(out));
        writeFile(dir + "/a.htm", "<HTML><HEAD><TITLE>t</TITLE></HEAD><BODY><IMG "
                                  "SRC=\"gone.gif\" ALT=g></BODY></HTML>\n");
        out.clear();
        QCOMPARE(run({dir}, out), 1);
        QCOMPARE(out.split(QLatin1Char('\n'), Qt::SkipEmptyParts),
                 QStringList({dir + "/a.htm:1:52: error: gone.gif does not exist",
                              dir + "/old.htm:1:1: warning: orphan page: no link leads to it "
                                    "from index.htm"}));
    }

    // Tools > Check Site from the window: the open page is checked as it stands in the
    // editor, findings are grouped by file, and choosing one in another page asks about the
    // unsaved page, then opens that page with the place selected.
    void checkSiteCommand()
    {
        clearSettings();
        ScriptedPrompter prompter;
        TMainForm form;
        const QString index = root_ + "/index.html";
        form.LoadDocument(index);
        form.SetDocumentName(index);
        form.RichEdit1->SetSelectionStart(0);
        form.RichEdit1->ReplaceSelection(QStringLiteral("<A HREF=\"typed.htm\">t</A>"));
        form.action("CheckSite1")->trigger();
        QVERIFY(form.CheckPanel);
        QSignalSpy finished(form.CheckPanel, &TCheckPanel::finished);
        QVERIFY(finished.wait(60000));
        const QString all = form.CheckPanel->findingsText(false);
        QVERIFY2(all.contains("index.html:1:10: error: typed.htm does not exist\n"),
                 qPrintable(all));
        QVERIFY2(all.contains("orphan.htm:1:1: warning: orphan page"), qPrintable(all));
        QVERIFY2(form.CheckPanel->Summary->text().startsWith("6 page(s) checked: "),
                 qPrintable(form.CheckPanel->Summary->text()));

        // The group of sub/a.htm, then its letter-case finding.
        QAbstractItemModel* model = form.CheckPanel->List->model();
        QModelIndex finding;
        for (int r = 0; r < model->rowCount() && !finding.isValid(); ++r) {
            const QModelIndex file = model->index(r, 0);
            if (!file.data().toString().startsWith("sub/a.htm ("))
                continue;
            for (int c = 0; c < model->rowCount(file); ++c)
                if (model->index(c, 3, file).data().toString().startsWith("mixed.htm exists as"))
                    finding = model->index(c, 0, file);
        }
        QVERIFY(finding.isValid());
        prompter.answers = {Prompter::Answer::No};
        form.CheckPanel->List->setCurrentIndex(finding);
        QTest::keyClick(form.CheckPanel->List, Qt::Key_Return);
        QCOMPARE(prompter.confirms.size(), 1);
        QCOMPARE(form.DocumentFileName(), root_ + "/sub/a.htm");
        QCOMPARE(form.RichEdit1->SelectedText(), QStringLiteral("mixed.htm"));
        // The findings stay; typing does not replace them with the page's own.
        QVERIFY(form.CheckPanel->showsSite());
    }
};

VORLANE_TEST_MAIN(SiteCheckTest)
#include "site_check_test.moc"
