#include "app/command_line.h"
#include "app/main_form.h"
#include "check/check_panel.h"
#include "check/markup_child.h"
#include "check/page_check.h"
#include "editor/margin_rich_edit.h"
#include "page/page_properties.h"
#include "support/scripted_prompter.h"
#include "support/test_main.h"

#include <QAction>
#include <QClipboard>
#include <QLabel>
#include <QSignalSpy>
#include <QStyle>
#include <QVBoxLayout>

#include <sys/stat.h>
#include <unistd.h>

using namespace PageCheck;

namespace {

QStringList messages(const QList<Finding>& findings)
{
    QStringList out;
    for (const Finding& f : findings)
        out.append(f.message);
    return out;
}

bool anyFailing(const QList<Finding>& findings)
{
    return std::any_of(findings.begin(), findings.end(), [](const Finding& f) { return fails(f); });
}

} // namespace

class PageCheckTest : public QObject
{
    Q_OBJECT
    QTemporaryDir site_;
    QString page() const { return site_.path() + QStringLiteral("/pages/page.htm"); }

private Q_SLOTS:
    void initTestCase()
    {
        // site/index.htm, site/Pics/Logo.JPG, site/pages/{page,other,my page,it&s}.htm,
        // site/pages/classes/{App.class,pkg/Main.class,app.jar}, and symbolic links in pages/:
        // dangling.htm, loop.htm, pictures (a folder without index page), home (one with)
        const QString root = site_.path();
        writeFile(root + "/index.htm", "<HTML><BODY>home</BODY></HTML>");
        writeFile(root + "/Pics/Logo.JPG", "jpeg");
        writeFile(root + "/pages/other.htm", "<HTML><BODY><A NAME=\"top\">t</A><H2 ID=idx>x</H2><A "
                                             "NAME=\"caf\xc3\xa9 au lait\">c</A></BODY></HTML>");
        writeFile(root + "/pages/my page.htm", "x");
        writeFile(root + "/pages/it&s.htm", "x");
        writeFile(root + "/pages/classes/App.class", "x");
        writeFile(root + "/pages/classes/pkg/Main.class", "x");
        writeFile(root + "/pages/classes/app.jar", "x");
        const QByteArray pages = QFile::encodeName(root + "/pages/");
        QCOMPARE(::symlink("nowhere.htm", pages + "dangling.htm"), 0);
        QCOMPARE(::symlink("loop.htm", pages + "loop.htm"), 0);
        QCOMPARE(::symlink("../Pics", pages + "pictures"), 0);
        QCOMPARE(::symlink("..", pages + "home"), 0);
    }

    void links_data()
    {
        QTest::addColumn<QString>("markup");
        QTest::addColumn<QString>("expected"); // the findings' messages, "|"-joined
        QTest::addColumn<bool>("failing");
        const QString outside = "file://" + site_.path() + "/elsewhere.gif";
        const QString inside = "file://" + site_.path() + "/pages/other.htm";
        const QString index = site_.path() + "/index.htm";
        QTest::newRow("good, quoted") << "<A HREF=\"other.htm\">"
                                      << "" << false;
        QTest::newRow("good, unquoted, lower case") << "<img src=../Pics/Logo.JPG>"
                                                    << "" << false;
        QTest::newRow("good ../ link") << "<A HREF='../index.htm'>"
                                       << "" << false;
        QTest::newRow("blank inside quotes") << "<A HREF='my page.htm'>"
                                             << "" << false;
        QTest::newRow("blank as %20") << "<A HREF=\"my%20page.htm\">"
                                      << "" << false;
        QTest::newRow("character reference") << "<A HREF=\"it&amp;s.htm\">"
                                             << "" << false;
        QTest::newRow("quote inside the other quotes") << "<A HREF='it\"s.htm'>"
                                                       << "it\"s.htm does not exist" << true;
        QTest::newRow("missing file") << "<A HREF=\"missing.htm\">"
                                      << "missing.htm does not exist" << true;
        QTest::newRow("missing picture in BACKGROUND") << "<BODY BACKGROUND=bg.gif>"
                                                       << "bg.gif does not exist" << true;
        QTest::newRow("FORM ACTION") << "<FORM ACTION=\"cgi/go.cgi\">"
                                     << "cgi/go.cgi does not exist" << true;
        QTest::newRow("case only")
            << "<IMG SRC=\"../pics/logo.jpg\">"
            << "../pics/logo.jpg exists as ../Pics/Logo.JPG: a web server on "
               "Linux will not find it"
            << true;
        QTest::newRow("case only, in the folder alone")
            << "<IMG SRC=\"../pics/Logo.JPG\">"
            << "../pics/Logo.JPG exists as ../Pics/Logo.JPG: a web server on "
               "Linux will not find it"
            << true;
        QTest::newRow("case only, written in capitals")
            << "<IMG SRC=\"../Pics/LOGO.jpg\">"
            << "../Pics/LOGO.jpg exists as ../Pics/Logo.JPG: a web server on "
               "Linux will not find it"
            << true;
        QTest::newRow("dangling symbolic link") << "<A HREF=\"dangling.htm\">"
                                                << "dangling.htm is a symbolic link that leads "
                                                   "nowhere"
                                                << true;
        QTest::newRow("symbolic link loop")
            << "<A HREF=\"loop.htm\">"
            << "loop.htm is a symbolic link that leads nowhere" << true;
        QTest::newRow("link to a folder without index page")
            << "<A HREF=\"pictures/\">"
            << "pictures/ is a folder with no index page" << true;
        QTest::newRow("folder without index page")
            << "<A HREF=\"classes\">"
            << "classes is a folder with no index page" << true;
        QTest::newRow("link to a folder with an index page") << "<A HREF=\"home/\">"
                                                             << "" << false;
        QTest::newRow("fragment percent-encoded") << "<A HREF=\"other.htm#caf%C3%A9%20au%20lait\">"
                                                  << "" << false;
        QTest::newRow("fragment in this page, percent-encoded")
            << "<A NAME=\"a b\"></A><A HREF=\"#a%20b\">"
            << "" << false;
        QTest::newRow("web address after blanks") << "<A HREF=\" http://a.example/\">"
                                                  << "1 web address not checked (http:)" << false;
        QTest::newRow("BASE that is a web address")
            << "<BASE HREF=\"http://a.example/x/\"><A HREF=\"missing.htm\">"
            << "2 web addresses not checked (http:)" << false;
        QTest::newRow("BASE in the site")
            << "<BASE HREF=\"../Pics/\"><IMG SRC=\"Logo.JPG\"><IMG SRC=\"other.htm\">"
            << "other.htm does not exist" << true;
        QTest::newRow("USEMAP") << "<MAP NAME=\"m\"></MAP><IMG SRC=../Pics/Logo.JPG USEMAP=\"#m\">"
                                << "" << false;
        QTest::newRow("USEMAP without its MAP")
            << "<MAP NAME=\"m\"></MAP><IMG SRC=../Pics/Logo.JPG USEMAP=\"#nomap\">"
            << "no map \"nomap\" in this page" << true;
        QTest::newRow("APPLET CODE with a package") << "<APPLET CODE=\"pkg.Main.class\" "
                                                       "CODEBASE=classes>"
                                                    << "" << false;
        QTest::newRow("APPLET CODE without .class") << "<APPLET CODE=App CODEBASE=\"classes/\">"
                                                    << "" << false;
        QTest::newRow("APPLET classes in ARCHIVE")
            << "<APPLET CODE=Gone.class CODEBASE=classes ARCHIVE=\"app.jar, lib.jar\">"
            << "classes/lib.jar does not exist" << true;
        QTest::newRow(".. above the root")
            << "<A HREF=\"../../../../../../../../../../../../../../../../etc/passwd\">"
            << "../../../../../../../../../../../../../../../../etc/passwd climbs above the "
               "root folder to /etc/passwd: it works only on this computer"
            << true;
        QTest::newRow("fragment by NAME") << "<A HREF=other.htm#top>"
                                          << "" << false;
        QTest::newRow("fragment by ID") << "<A HREF=other.htm#idx>"
                                        << "" << false;
        QTest::newRow("missing fragment") << "<A HREF=\"other.htm#nothere\">"
                                          << "no anchor \"nothere\" in other.htm" << true;
        QTest::newRow("fragment in this page") << "<A NAME=here></A><A HREF=#here>"
                                               << "" << false;
        QTest::newRow("missing fragment in this page") << "<A HREF=\"#gone\">"
                                                       << "no anchor \"gone\" in this page" << true;
        QTest::newRow("APPLET CODE against CODEBASE") << "<APPLET CODE=App.class CODEBASE=classes>"
                                                      << "" << false;
        QTest::newRow("absolute path")
            << "<A HREF=\"" + index + "\">"
            << index + " is an absolute path: it works only on this computer" << true;
        QTest::newRow("absolute path to nothing")
            << "<IMG SRC=\"" + site_.path() + "/logo.gif\">"
            << site_.path() + "/logo.gif does not exist" << true;
        QTest::newRow("Windows path")
            << "<IMG SRC=\"C:\\pics\\a.gif\">"
            << "C:\\pics\\a.gif is an absolute path: it works only on this "
               "computer"
            << true;
        QTest::newRow("file: address") << "<A HREF=\"" + inside + "#top\">"
                                       << inside + " is an absolute path (" + site_.path() +
                                              "/pages/other.htm): it works only on this computer"
                                       << true;
        QTest::newRow("file: address to nothing")
            << "<A HREF=\"" + outside + "\">"
            << outside + " does not exist (" + site_.path() + "/elsewhere.gif)" << true;
        QTest::newRow("web addresses in one line")
            << "<A HREF=\"http://a.example/\"><A HREF=mailto:b@example.org><A HREF=\"HTTP://c/\">"
            << "3 web addresses not checked (http:, mailto:)" << false;
        QTest::newRow("commented out") << "<!-- <A HREF=\"nothere.htm\"> -->"
                                       << "" << false;
        QTest::newRow("inside a script") << "<SCRIPT>x='<A HREF=\"nothere.htm\">'</SCRIPT>"
                                         << "" << false;
    }

    void links()
    {
        QFETCH(QString, markup);
        QFETCH(QString, expected);
        QFETCH(bool, failing);
        const QList<Finding> found = checkLinks(markup.toUtf8(), page(), nullptr, site_.path());
        QCOMPARE(messages(found).join(QLatin1Char('|')), expected);
        QCOMPARE(anyFailing(found), failing);
        for (const Finding& f : found)
            QCOMPARE(f.kind,
                     f.message.contains(QLatin1String("not checked")) ? Kind::Note : Kind::Error);
    }

    // A page never saved has no folder, but its own #names and absolute paths are checked.
    void untitledPage()
    {
        const QList<Finding> found =
            checkLinks("<A HREF=missing.htm>x</A><A HREF=#gone><IMG SRC=\"/no-such-folder/x.gif\">",
                       QString());
        QCOMPARE(messages(found),
                 QStringList({"relative links not checked: the page has not been saved yet, so "
                              "there is no folder to find their files in",
                              "no anchor \"gone\" in this page",
                              "/no-such-folder/x.gif does not exist"}));
        QCOMPARE(found.first().kind, Kind::Note);
    }

    // A #name in another page is looked for in pieces, in regular files inside the site only.
    void fragmentTargets_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("expected");
        QTest::newRow("name across two pieces") << "split.htm"
                                                << "";
        QTest::newRow("name missing from a long page") << "long.htm"
                                                       << "no anchor \"here\" in long.htm";
        QTest::newRow("larger than the limit") << "sparse.htm"
                                               << "sparse.htm is too large to look for #here";
        QTest::newRow("outside the site folder") << "outside/elsewhere.htm"
                                                 << "";
        QTest::newRow("a pipe") << "pipe.htm"
                                << "";
    }
    void fragmentTargets()
    {
        QFETCH(QString, target);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString site = dir.filePath("site");
        // The tag holding the name starts in the first piece and ends in the second.
        QByteArray split(kFragmentPiece - 10, ' ');
        split += "<A NAME=\"here\">x</A>";
        writeFile(site + "/split.htm", split);
        writeFile(site + "/long.htm", QByteArray(3 * kFragmentPiece, ' ') + "<A NAME=there>");
        QFile sparse(site + "/sparse.htm");
        QVERIFY(sparse.open(QIODevice::WriteOnly));
        QVERIFY(sparse.resize(kMaxFragmentTarget + 1));
        sparse.close();
        writeFile(dir.filePath("elsewhere.htm"), "nothing here");
        QCOMPARE(::symlink("..", QFile::encodeName(site + "/outside").constData()), 0);
        QCOMPARE(::mkfifo(QFile::encodeName(site + "/pipe.htm").constData(), 0600), 0);
        const QList<Finding> found = checkLinks(("<A HREF=\"" + target + "#here\">").toUtf8(),
                                                site + "/page.htm", nullptr, site);
        QCOMPARE(messages(found).join(QLatin1Char('|')), expected);
    }

    void markup_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("expected"); // the first finding's message; empty: none at all
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("column");
        const QByteArray head = "<HTML>\n<HEAD>\n<TITLE>t</TITLE>\n</HEAD>\n<BODY>\n";
        const QByteArray tail = "\n</BODY>\n</HTML>\n";
        QTest::newRow("unknown tag")
            << head + "<P>a <FOO>b</FOO>" + tail << "<foo> is not recognized!" << 6 << 6;
        QTest::newRow("unclosed element")
            << head + "<P><B>bold\n<H2>x</H2>" + tail << "missing </b> before <h2>" << 6 << 4;
        QTest::newRow("bad nesting")
            << head + "<P><B><I>x</B></I>" + tail << "replacing unexpected b with </b>" << 6 << 7;
        QTest::newRow("first line keeps its columns") << QByteArray("<HTML><FOO>") + "\n</HTML>\n"
                                                      << "<foo> is not recognized!" << 1 << 7;
        QTest::newRow("HTML 3.2 table without SUMMARY")
            << head + "<TABLE WIDTH=50% BORDER=1><TR><TD>a<TD>b</TABLE><IMG SRC=x.gif>" + tail << ""
            << 0 << 0;
        const QByteArray table = "<HTML><HEAD><TITLE>t</TITLE></HEAD><BODY><TABLE><TR><TD>a</TD></"
                                 "TR></TABLE></BODY></HTML>\n";
        QTest::newRow("declared HTML 4.01 keeps Tidy's own rules")
            << "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n" + table
            << "<table> lacks \"summary\" attribute" << 2 << 42;
        QTest::newRow("HTML 3.2 declared after a comment")
            << "<!-- c -->\n<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2 Final//EN\">\n" + table
            << "" << 0 << 0;
        QTest::newRow("Quick Start page")
            << PageProperties::quickStartPage(
                   "Untitled", {"", "#FFFFFF", "#000000", "#0000FF", "#FF0000", "#FF0000"})
                   .text.toUtf8()
            << "" << 0 << 0;
        for (const char* name :
             {"Club Newsletter.htm", "Personal Home Page.htm", "Small Business.htm"})
            QTest::newRow(name) << readFile(sourceDir() + "/resources/Templates/" + name) << "" << 0
                                << 0;
        QTest::newRow("AREA without ALT")
            << head + "<MAP NAME=m><AREA HREF=x.htm SHAPE=rect COORDS=\"0,0,1,1\"></MAP>" + tail
            << "<area> lacks \"alt\" attribute" << 6 << 13;
        QTest::newRow("proprietary attribute, from the clean-up stage")
            << head + "<P FOO=\"bar\">x" + tail << "<p> proprietary attribute \"foo\"" << 6 << 1;
        QByteArray deep = head;
        for (int i = 0; i <= kMaxNesting; ++i)
            deep += "<DIV>";
        QByteArray unmatched = head;
        for (int i = 0; i <= kMaxNesting; ++i)
            unmatched += "<DIV></FOO>";
        QTest::newRow("end tags that close nothing do not lower the nesting")
            << unmatched
            << QStringLiteral("elements nest more than %1 deep here (tags left open?): the "
                              "markup was not checked")
                   .arg(kMaxNesting)
            << 6 << 11 * kMaxNesting + 1;
        QTest::newRow("nesting too deep for the checker")
            << deep
            << QStringLiteral("elements nest more than %1 deep here (tags left open?): the "
                              "markup was not checked")
                   .arg(kMaxNesting)
            << 6 << 5 * kMaxNesting + 1;
    }

    void markup()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, expected);
        QFETCH(int, line);
        QFETCH(int, column);
        const QList<Finding> found = checkMarkup(text);
        if (expected.isEmpty()) {
            QVERIFY2(found.isEmpty(), qPrintable(messages(found).join(QLatin1Char('\n'))));
            return;
        }
        QVERIFY(!found.isEmpty());
        QCOMPARE(found.first().message, expected);
        QCOMPARE(found.first().line, line);
        QCOMPARE(found.first().column, column);
    }

    // The editor's check runs Tidy in a child process with memory of its own making; on a long
    // page of every kind of fault it finds exactly what Tidy finds in this process.
    void childFindsWhatTheLibraryFinds()
    {
        const QList<QByteArray> pieces =
            QByteArray("<P>text &amp; more|</B>|<FONT COLOR=red>x|<TABLE><TR><TD>a</TD>|</TABLE>|"
                       "<UL><LI>one<LI>two</UL>|<A HREF=\"x.htm\" FOO=bar>l</A>|&bogus;|"
                       "<DIV ALIGN=center>|</DIV></DIV>|<BLINK>z</BLINK>|<H1>h</H2>|<!-- c -->|"
                       "<SCRIPT>var a=\"</P>\";</SCRIPT>|\xc3\xa9\xe4\xb8\xad|</SPAN>|"
                       "<B><I>x</B></I>|<PRE>  x\n</PRE>|<TD>stray</TD>\n")
                .split('|');
        QByteArray page = "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2 Final//EN\">\n<BODY>";
        for (int i = 0; i < 20000; ++i)
            page += pieces[(i * 7 + i / 19) % pieces.size()];
        const auto lines = [](const QList<Finding>& findings) {
            QStringList out;
            for (const Finding& f : findings)
                out << QStringLiteral("%1 %2:%3 %4")
                           .arg(f.start)
                           .arg(f.line)
                           .arg(f.column)
                           .arg(f.message);
            return out;
        };
        const QStringList here = lines(checkMarkup(page));
        QVERIFY(here.size() > 1000);
        QCOMPARE(lines(checkMarkupInChild(page, nullptr)), here);
    }

    // HTML 3.2 lets a page leave out HTML, HEAD and BODY and their end tags; text after TITLE
    // starts the body. Pages an HTML 3.2 validator accepts give no findings.
    void validHtml32_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("no HTML, HEAD or BODY") << QByteArray("<TITLE>t</TITLE>\n<P>text\n");
        QTest::newRow("text right after TITLE")
            << QByteArray("<TITLE>t</TITLE>\nSome <B>bold</B> text.\n");
        QTest::newRow("HEAD start tag only")
            << QByteArray("<HTML><HEAD><TITLE>t</TITLE>\nText after the title.\n");
        QTest::newRow("declared, IMG without ALT")
            << QByteArray("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2 Final//EN\">\n"
                          "<TITLE>t</TITLE>\nA picture: <IMG SRC=x.gif>\n");
    }
    void validHtml32()
    {
        QFETCH(QByteArray, text);
        const QList<Finding> found = checkMarkup(text);
        QVERIFY2(found.isEmpty(), qPrintable(messages(found).join(QLatin1Char('\n'))));
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("firstLine");
        const QString dir = site_.path() + "/cli/";
        writeFile(dir + "clean.htm", "<HTML><HEAD><TITLE>t</TITLE></HEAD><BODY>x</BODY></HTML>");
        writeFile(dir + "warning.htm",
                  "<HTML><HEAD><TITLE>t</TITLE></HEAD><BODY><B><I>x</B></I></BODY></HTML>");
        writeFile(dir + "error.htm",
                  "<HTML><HEAD><TITLE>t</TITLE></HEAD>\n<BODY>\xc3\xa9<FOO></BODY></HTML>");
        writeFile(dir + "link.htm",
                  "<HTML><HEAD><TITLE>t</TITLE></HEAD><BODY><A HREF=no.htm>x</A></BODY></HTML>");
        writeFile(dir + "web.htm", "<HTML><HEAD><TITLE>t</TITLE></HEAD><BODY><A "
                                   "HREF=http://a.example/>x</A></BODY></HTML>");
        writeFile(dir + "control.htm",
                  "<HTML><HEAD><TITLE>t</TITLE></HEAD><BODY><A "
                  "HREF=\"x%0A" +
                      dir.toUtf8() + "forged.htm:1:1:%20error:%20y.htm\">x</A></BODY></HTML>");
        QTest::newRow("clean") << QStringList{dir + "clean.htm"} << 0 << "";
        QTest::newRow("warnings only")
            << QStringList{dir + "warning.htm"} << 0
            << dir + "warning.htm:1:45: warning: replacing unexpected b with </b>";
        QTest::newRow("an error") << QStringList{dir + "clean.htm", dir + "error.htm"} << 1
                                  << dir + "error.htm:2:8: error: <foo> is not recognized!";
        QTest::newRow("a broken link") << QStringList{dir + "link.htm"} << 1
                                       << dir + "link.htm:1:50: error: no.htm does not exist";
        QTest::newRow("warnings, strict")
            << QStringList{"--strict", dir + "warning.htm"} << 1
            << dir + "warning.htm:1:45: warning: replacing unexpected b with </b>";
        QTest::newRow("a note, strict")
            << QStringList{"--strict", dir + "web.htm"} << 0
            << dir + "web.htm:1:50: note: 1 web address not checked (http:)";
        QTest::newRow("a line break in a link")
            << QStringList{dir + "control.htm"} << 1
            << dir + "control.htm:1:51: error: x\\n" + dir +
                   "forged.htm:1:1: error: y.htm does not exist";
        QTest::newRow("unreadable file") << QStringList{dir + "error.htm", dir + "none.htm"} << 2
                                         << dir + "error.htm:2:8: error: <foo> is not recognized!";
        QTest::newRow("no file") << QStringList{} << 2 << "";
    }

    void commandLine()
    {
        QFETCH(QStringList, files);
        QFETCH(int, exitCode);
        QFETCH(QString, firstLine);
        QString out, err;
        QTextStream outStream(&out), errStream(&err);
        QCOMPARE(runCheckCommand(files, outStream, errStream), exitCode);
        QCOMPARE(out.section(QLatin1Char('\n'), 0, 0), firstLine);
        QCOMPARE(err.isEmpty(), exitCode != 2);
        // One line per finding, each naming a file it was given: none can be forged.
        for (const QString& line : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            QVERIFY2(files.contains(line.section(QLatin1Char(':'), 0, 0)), qPrintable(line));
    }

    // The panel selects a finding's text in the editor after multi-byte characters, follows
    // later edits, and greys a finding whose place was deleted.
    void panelSelectsAndFollowsThePlace()
    {
        TMarginRichEdit editor;
        TCheckPanel panel(&editor);
        editor.SetEditorText(QStringLiteral(
            "<HTML><BODY>\n<P>\u00c4\u00d6\u00dc \U0001F600 <FOO>x\n</BODY></HTML>\n"));
        QSignalSpy finished(&panel, &TCheckPanel::finished);
        panel.start(QString(), QStringLiteral("Untitled"));
        QVERIFY(finished.wait(20000));
        int row = -1;
        for (int r = 0; r < panel.findingCount(); ++r)
            if (panel.findingsText(false).section('\n', r, r).contains("<foo> is not recognized!"))
                row = r;
        QVERIFY(row >= 0);
        QCOMPARE(panel.findingsText(false).section('\n', row, row),
                 QStringLiteral("Untitled:2:10: error: <foo> is not recognized!"));
        QVERIFY(panel.chooseFinding(row));
        QCOMPARE(editor.SelectedText(), QStringLiteral("<FOO>"));

        editor.SetSelectionStart(0);
        editor.ReplaceSelection(QStringLiteral("\u00e9\u00e9\n"));
        panel.refreshPlaces();
        QVERIFY(panel.chooseFinding(row));
        QCOMPARE(editor.SelectedText(), QStringLiteral("<FOO>"));
        QCOMPARE(panel.findingsText(false).section('\n', row, row),
                 QStringLiteral("Untitled:3:10: error: <foo> is not recognized!"));

        editor.ReplaceSelection(QString()); // the tag goes
        panel.refreshPlaces();
        QVERIFY(panel.isStale(row));
        QVERIFY(!panel.chooseFinding(row));
    }

    // Broken links are errors with the error icon; what was not checked is a note.
    void panelKindsAndSummary()
    {
        TMarginRichEdit editor;
        TCheckPanel panel(&editor);
        editor.SetEditorText(QStringLiteral("<HTML><HEAD><TITLE>t</TITLE></HEAD><BODY><A "
                                            "HREF=\"missing.htm\">x</A> <A "
                                            "HREF=\"http://a.example/\">y</A></BODY></HTML>"));
        QSignalSpy finished(&panel, &TCheckPanel::finished);
        panel.start(page(), QStringLiteral("page.htm"));
        QVERIFY(finished.wait(30000));
        QCOMPARE(panel.Summary->text(), QStringLiteral("1 error(s), 0 warning(s), 1 note(s)"));
        QCOMPARE(panel.findingsText(false),
                 QStringLiteral("page.htm:1:51: error: missing.htm does not exist\n"
                                "page.htm:1:79: note: 1 web address not checked (http:)\n"));
        const auto icon = [&](int row) {
            return panel.List->model()
                ->index(row, 0)
                .data(Qt::DecorationRole)
                .value<QIcon>()
                .pixmap(16)
                .toImage();
        };
        QCOMPARE(icon(0), QApplication::style()
                              ->standardIcon(QStyle::SP_MessageBoxCritical)
                              .pixmap(16)
                              .toImage());
        QCOMPARE(icon(1), QApplication::style()
                              ->standardIcon(QStyle::SP_MessageBoxInformation)
                              .pixmap(16)
                              .toImage());
    }

    // The text is copied when a check starts; an edit made while it runs moves the findings
    // after it, so a finding still selects its own text.
    void panelFollowsEditsMadeDuringACheck()
    {
        TMarginRichEdit editor;
        TCheckPanel panel(&editor);
        editor.SetEditorText(QStringLiteral("<P>x <A HREF=\"missing.htm\">y</A>\n"));
        QSignalSpy finished(&panel, &TCheckPanel::finished);
        panel.start(page(), QStringLiteral("page.htm"));
        editor.SetSelectionStart(0);
        editor.ReplaceSelection(QStringLiteral("\u00e9t\u00e9\n"));
        QVERIFY(finished.wait(30000));
        int row = -1;
        for (int r = 0; r < panel.findingCount(); ++r)
            if (panel.findingsText(false).section('\n', r, r).contains("missing.htm does not"))
                row = r;
        QVERIFY(row >= 0);
        QVERIFY(panel.chooseFinding(row));
        QCOMPARE(editor.SelectedText(), QStringLiteral("missing.htm"));
    }

    // While the panel is shown, a link typed into the page is checked a moment later.
    void panelChecksAgainAfterTyping()
    {
        QWidget window;
        auto* editor = new TMarginRichEdit(&window);
        auto* panel = new TCheckPanel(editor, &window);
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(editor);
        layout->addWidget(panel);
        connect(panel, &TCheckPanel::recheckWanted, panel,
                [&] { panel->start(page(), QStringLiteral("page.htm")); });
        editor->SetEditorText(QStringLiteral("<P>text\n"));
        window.show();
        QSignalSpy finished(panel, &TCheckPanel::finished);
        panel->start(page(), QStringLiteral("page.htm"));
        QVERIFY(finished.wait(30000));
        QVERIFY(!panel->findingsText(false).contains(QLatin1String("typed.htm")));
        editor->SetSelectionStart(editor->TextLength());
        editor->ReplaceSelection(QStringLiteral("<A HREF=\"typed.htm\">x</A>\n"));
        QVERIFY(finished.wait(30000));
        QVERIFY2(panel->findingsText(false).contains(
                     QLatin1String("page.htm:2:10: error: typed.htm does not exist")),
                 qPrintable(panel->findingsText(false)));
    }

    // F4 from the window: the panel appears under the editor; Ctrl+C copies its findings.
    void checkPageCommand()
    {
        clearSettings();
        ScriptedPrompter prompter;
        TMainForm form;
        form.show();
        form.RichEdit1->SetEditorText(QStringLiteral("<HTML><BODY><FOO></BODY></HTML>"));
        form.RichEdit1->SetSelectionStart(7);
        form.RichEdit1->setFocus();
        form.action("CheckPage1")->trigger();
        QVERIFY(form.CheckPanel);
        // The first panel puts the editor into the window's splitters: it stays shown, with
        // its caret.
        QVERIFY(form.RichEdit1->isVisible() && form.RichEdit1->SelectionStart() == 7);
        QSignalSpy finished(form.CheckPanel, &TCheckPanel::finished);
        QVERIFY(finished.wait(20000));
        form.CheckPanel->List->selectAll();
        QTest::keyClick(form.CheckPanel->List, Qt::Key_C, Qt::ControlModifier);
        const QString copied = QApplication::clipboard()->text();
        QVERIFY2(
            copied.contains(QStringLiteral("\nUntitled:1:13: error: <foo> is not recognized!\n")),
            qPrintable(copied));
        QVERIFY(!copied.contains(QStringLiteral("links not checked")));
    }
};

VORLANE_TEST_MAIN(PageCheckTest)
#include "page_check_test.moc"
