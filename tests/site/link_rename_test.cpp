#include "core/app_error.h"
#include "site/link_rename.h"
#include "support/test_main.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

namespace {

// A small site: pages at three depths, pictures, a Windows-1252 page (the "\xE9").
void makeSite(const QString& site)
{
    writeFile(site + "/index.html", "<P>home</P>\r\n");
    writeFile(site + "/sub/page.html", "<P>caf\xE9</P>\r\n");
    writeFile(site + "/sub/deep/leaf.html", "<P>leaf</P>\r\n");
    writeFile(site + "/pics/photo.gif", "GIF89a");
}

} // namespace

class LinkRenameTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // One rename each: the page holding the links is written with only the links' bytes
    // changed (CR LF and Windows-1252 kept), and the entry is renamed on disk.
    void renameKeepsLinks_data()
    {
        QTest::addColumn<QString>("page");      // the referring page, in the site
        QTest::addColumn<QByteArray>("before"); // its bytes; SITE stands for the site's path
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("pageAfter"); // where the page is after it
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<int>("caseOnly");

        QTest::newRow("from the top, fragment kept")
            << "index.html" << QByteArray("<A HREF=\"sub/page.html#top\">x</A>\r\n")
            << "sub/page.html"
            << "sub/renamed.html"
            << "index.html" << QByteArray("<A HREF=\"sub/renamed.html#top\">x</A>\r\n") << 0;
        QTest::newRow("one folder down, Windows-1252 kept")
            << "sub/page.html" << QByteArray("caf\xE9 <IMG SRC=\"../pics/photo.gif\">\r\n")
            << "pics/photo.gif"
            << "pics/picture.gif"
            << "sub/page.html" << QByteArray("caf\xE9 <IMG SRC=\"../pics/picture.gif\">\r\n") << 0;
        QTest::newRow("two folders down, folder renamed")
            << "sub/deep/leaf.html"
            << QByteArray("<BODY BACKGROUND='../../pics/photo.gif'>\n<A HREF=../../index.html>")
            << "pics"
            << "images"
            << "sub/deep/leaf.html"
            << QByteArray("<BODY BACKGROUND='../../images/photo.gif'>\n<A HREF=../../index.html>")
            << 0;
        QTest::newRow("moved page: links to it and its own links")
            << "sub/page.html" << QByteArray("<A HREF=\"../index.html\">up</A>\r\n")
            << "sub/page.html"
            << "sub/deep/page.html"
            << "sub/deep/page.html" << QByteArray("<A HREF=\"../../index.html\">up</A>\r\n") << 0;
        QTest::newRow("rooted and file: forms, query kept")
            << "index.html"
            << QByteArray("<A HREF=\"/sub/page.html?q=1\">a</A><FORM ACTION=\"file://SITE/sub/"
                          "page.html\">\r\n")
            << "sub/page.html"
            << "sub/p2.html"
            << "index.html"
            << QByteArray("<A HREF=\"/sub/p2.html?q=1\">a</A><FORM ACTION=\"file://SITE/sub/"
                          "p2.html\">\r\n")
            << 0;
        QTest::newRow("other letter case: listed, left alone")
            << "index.html"
            << QByteArray("<A HREF=\"Sub/Page.html\">a</A> <A HREF=\"sub/page.html\">b</A>\r\n")
            << "sub/page.html"
            << "sub/p2.html"
            << "index.html"
            << QByteArray("<A HREF=\"Sub/Page.html\">a</A> <A HREF=\"sub/p2.html\">b</A>\r\n") << 1;
        QTest::newRow("web, mail and in-page links untouched")
            << "index.html"
            << QByteArray("<A HREF=\"http://x/sub/page.html\">a</A><A HREF=\"#sub\">b</A>"
                          "<A HREF=\"mailto:sub/page.html\">c</A><IMG USEMAP=\"sub/page.html#m\">")
            << "sub/page.html"
            << "sub/p2.html"
            << "index.html"
            << QByteArray("<A HREF=\"http://x/sub/page.html\">a</A><A HREF=\"#sub\">b</A>"
                          "<A HREF=\"mailto:sub/page.html\">c</A><IMG USEMAP=\"sub/p2.html#m\">")
            << 0;
        QTest::newRow("applet code below its code base")
            << "index.html"
            << QByteArray("<APPLET CODEBASE=\"sub/\" CODE=\"page.html\" WIDTH=1 HEIGHT=1>")
            << "sub/page.html"
            << "sub/p2.html"
            << "index.html"
            << QByteArray("<APPLET CODEBASE=\"sub/\" CODE=\"p2.html\" WIDTH=1 HEIGHT=1>") << 0;
    }
    void renameKeepsLinks()
    {
        QFETCH(QString, page);
        QFETCH(QByteArray, before);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, pageAfter);
        QFETCH(QByteArray, after);
        QFETCH(int, caseOnly);
        QTemporaryDir dir;
        const QString site = QFileInfo(dir.path()).canonicalFilePath() + "/site";
        makeSite(site);
        writeFile(site + "/" + page, QByteArray(before).replace("SITE", QFile::encodeName(site)));

        const RenamePlan plan = planRename(site, site + "/" + from, site + "/" + to);
        QCOMPARE(plan.pagesSearched, 3);
        int listedCaseOnly = 0;
        for (const LinkChange& c : plan.changes)
            listedCaseOnly += c.caseOnly ? 1 : 0;
        QCOMPARE(listedCaseOnly, caseOnly);
        applyRename(plan, QString());
        QVERIFY(!QFileInfo::exists(site + "/" + from));
        QVERIFY(QFileInfo::exists(site + "/" + to));
        QCOMPARE(readFile(site + "/" + pageAfter),
                 QByteArray(after).replace("SITE", QFile::encodeName(site)));
    }

    // The page open in the editor is read from the editor, not from disk, and left to it.
    void editorPageIsReadFromTheEditorAndNotWritten()
    {
        QTemporaryDir dir;
        const QString site = dir.path() + "/site";
        makeSite(site);
        writeFile(site + "/index.html", "<IMG SRC=\"pics/photo.gif\">\r\n");
        EditorPage editor{site + "/index.html", "typed <IMG SRC=\"pics/photo.gif\">\n"};
        const RenamePlan plan =
            planRename(site, site + "/pics/photo.gif", site + "/pics/p.gif", editor);
        const QList<LinkChange> changes = changesFor(plan, editor.path);
        QCOMPARE(changes.size(), 1);
        QCOMPARE(editor.utf8.mid(changes[0].from, changes[0].to - changes[0].from),
                 QByteArray("pics/photo.gif"));
        QCOMPARE(changes[0].newText, QStringLiteral("pics/p.gif"));
        applyRename(plan, editor.path);
        QCOMPARE(readFile(site + "/index.html"), QByteArray("<IMG SRC=\"pics/photo.gif\">\r\n"));
        QVERIFY(QFileInfo::exists(site + "/pics/p.gif"));
    }

    // A page that cannot be written: pages already written get their bytes back, nothing is
    // renamed, and the message names the page and why.
    void aPageThatCannotBeWrittenRenamesNothing()
    {
        QTemporaryDir dir;
        const QString site = dir.path() + "/site";
        makeSite(site);
        writeFile(site + "/index.html", "<IMG SRC=\"pics/photo.gif\">\r\n");
        writeFile(site + "/sub/page.html", "<IMG SRC=\"../pics/photo.gif\">\r\n");
        const RenamePlan plan = planRename(site, site + "/pics/photo.gif", site + "/pics/p.gif");
        QCOMPARE(plan.changeCount(), 2);
        const QString refused = QDir(site).canonicalPath() + "/sub/page.html";
        QStringList written;
        const PageWriter writer = [&](const QString& path, const QByteArray& bytes) {
            if (path == refused)
                throw AppError(QStringLiteral("disk full"));
            written << path;
            writeFile(path, bytes);
        };
        try {
            applyRename(plan, QString(), writer);
            QFAIL("the rename went ahead");
        } catch (const AppError& e) {
            QVERIFY2(e.message().contains(refused), qPrintable(e.message()));
            QVERIFY2(e.message().contains("disk full"), qPrintable(e.message()));
        }
        QVERIFY(!written.isEmpty()); // index.html was written, then put back
        QCOMPARE(readFile(site + "/index.html"), QByteArray("<IMG SRC=\"pics/photo.gif\">\r\n"));
        QVERIFY(QFileInfo::exists(site + "/pics/photo.gif"));
        QVERIFY(!QFileInfo::exists(site + "/pics/p.gif"));
    }

    // Only entries of the site, by their own names, to a free name inside it.
    void renamesStayInsideTheSite_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::newRow("from outside") << "../outside.html"
                                      << "outside2.html";
        QTest::newRow("to outside") << "index.html"
                                    << "../index.html";
        QTest::newRow("to a folder linked out") << "index.html"
                                                << "out/index.html";
        QTest::newRow("a link") << "link.html"
                                << "link2.html";
        QTest::newRow("a FIFO") << "fifo.html"
                                << "fifo2.html";
        QTest::newRow("the site itself") << ""
                                         << "../site2";
        QTest::newRow("to a hidden name") << "index.html"
                                          << ".index.html";
        QTest::newRow("from a hidden folder") << ".git/x.html"
                                              << "x.html";
        QTest::newRow("into itself") << "sub"
                                     << "sub/deep/sub";
        QTest::newRow("over an existing page") << "index.html"
                                               << "sub/page.html";
    }
    void renamesStayInsideTheSite()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QTemporaryDir dir;
        const QString site = dir.path() + "/site";
        makeSite(site);
        writeFile(dir.path() + "/outside.html", "x");
        writeFile(site + "/.git/x.html", "x");
        QVERIFY(QFile::link(dir.path() + "/outside.html", site + "/link.html"));
        QVERIFY(QFile::link(dir.path(), site + "/out"));
        QCOMPARE(::mkfifo(QFile::encodeName(site + "/fifo.html").constData(), 0600), 0);
        const QString fromPath = QDir::cleanPath(site + "/" + from);
        QVERIFY_THROWS_EXCEPTION(AppError,
                                 planRename(site, fromPath, QDir::cleanPath(site + "/" + to)));
        QVERIFY(QFileInfo::exists(fromPath) || QFileInfo(fromPath).isSymLink());
    }
};

VORLANE_TEST_MAIN(LinkRenameTest)
#include "link_rename_test.moc"
