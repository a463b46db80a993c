#include "app/command_line.h"
#include "app/main_form.h"
#include "check/check_panel.h"
#include "check/page_check.h"
#include "editor/margin_rich_edit.h"
#include "page/page_properties.h"
#include "support/scripted_prompter.h"
#include "support/test_main.h"

#include <QAction>
#include <QClipboard>
#include <QSignalSpy>

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
    return std::any_of(findings.begin(), findings.end(),
                       [](const Finding& f) { return f.failing; });
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
        // site/pages/classes/App.class
        const QString root = site_.path();
        writeFile(root + "/index.htm", "<HTML><BODY>home</BODY></HTML>");
        writeFile(root + "/Pics/Logo.JPG", "jpeg");
        writeFile(root + "/pages/other.htm",
                  "<HTML><BODY><A NAME=\"top\">t</A><H2 ID=idx>x</H2></BODY></HTML>");
        writeFile(root + "/pages/my page.htm", "x");
        writeFile(root + "/pages/it&s.htm", "x");
        writeFile(root + "/pages/classes/App.class", "x");
    }

    void links_data()
    {
        QTest::addColumn<QString>("markup");
        QTest::addColumn<QString>("expected"); // the findings' messages, "|"-joined
        QTest::addColumn<bool>("failing");
        const QString outside = "file://" + QDir::tempPath() + "/elsewhere.gif";
        const QString inside = "file://" + site_.path() + "/pages/other.htm";
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
            << "<IMG SRC=\"/home/ann/logo.gif\">"
            << "/home/ann/logo.gif is an absolute path: it works only on "
               "this computer"
            << true;
        QTest::newRow("Windows path")
            << "<IMG SRC=\"C:\\pics\\a.gif\">"
            << "C:\\pics\\a.gif is an absolute path: it works only on this "
               "computer"
            << true;
        QTest::newRow("file: inside the folder") << "<A HREF=\"" + inside + "\">"
                                                 << "" << false;
        QTest::newRow("file: outside the folder")
            << "<A HREF=\"" + outside + "\">"
            << outside + " points outside the page's folder: it works only on this computer"
            << true;
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
        const QList<Finding> found = checkLinks(markup.toUtf8(), page());
        QCOMPARE(messages(found).join(QLatin1Char('|')), expected);
        QCOMPARE(anyFailing(found), failing);
        for (const Finding& f : found)
            QCOMPARE(f.kind, Kind::Link);
    }

    void untitledPageChecksMarkupOnly()
    {
        const QList<Finding> found = checkPage("<A HREF=missing.htm>x</A>", QString());
        QCOMPARE(messages(found).filter("missing.htm").size(), 0);
        QVERIFY(messages(found).contains("links not checked: the page has not been saved yet, so "
                                         "there is no folder to find its files in"));
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
        QByteArray deep = head;
        for (int i = 0; i <= kMaxNesting; ++i)
            deep += "<DIV>";
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
        QTest::newRow("clean") << QStringList{dir + "clean.htm"} << 0 << "";
        QTest::newRow("warnings only")
            << QStringList{dir + "warning.htm"} << 0
            << dir + "warning.htm:1:45: warning: replacing unexpected b with </b>";
        QTest::newRow("an error") << QStringList{dir + "clean.htm", dir + "error.htm"} << 1
                                  << dir + "error.htm:2:8: error: <foo> is not recognized!";
        QTest::newRow("a broken link") << QStringList{dir + "link.htm"} << 1
                                       << dir + "link.htm:1:50: link: no.htm does not exist";
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

    // F4 from the window: the panel appears under the editor; Ctrl+C copies its findings.
    void checkPageCommand()
    {
        clearSettings();
        ScriptedPrompter prompter;
        TMainForm form;
        form.RichEdit1->SetEditorText(QStringLiteral("<HTML><BODY><FOO></BODY></HTML>"));
        form.action("CheckPage1")->trigger();
        QVERIFY(form.CheckPanel);
        QSignalSpy finished(form.CheckPanel, &TCheckPanel::finished);
        QVERIFY(finished.wait(20000));
        form.CheckPanel->List->selectAll();
        QTest::keyClick(form.CheckPanel->List, Qt::Key_C, Qt::ControlModifier);
        const QString copied = QApplication::clipboard()->text();
        QVERIFY2(
            copied.contains(QStringLiteral("\nUntitled:1:13: error: <foo> is not recognized!\n")),
            qPrintable(copied));
        QVERIFY(copied.contains(QStringLiteral("link: links not checked")));
    }
};

VORLANE_TEST_MAIN(PageCheckTest)
#include "page_check_test.moc"
