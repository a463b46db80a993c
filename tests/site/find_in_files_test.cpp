#include "site/find_in_files.h"
#include "support/test_main.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

class FindInFilesTest : public QObject
{
    Q_OBJECT
    QTemporaryDir dir_;
    QString site_;

private Q_SLOTS:
    // A small site: UTF-8 with CR LF, LF only, Windows-1252 one folder down; beside them a
    // binary page, hidden pages, a pipe, a page over the size limit and links leading out.
    void initTestCase()
    {
        site_ = dir_.path() + "/site";
        writeFile(site_ + "/index.html", "Hello world. hello World. helloworld\r\n<P>Bye</P>\r\n");
        writeFile(site_ + "/lf.html", "one Hello\ntwo\n");
        writeFile(site_ + "/sub/page.htm", "caf\xE9 Hello\r\n");
        writeFile(site_ + "/bin.html", QByteArray("Hello\0\x01", 7));
        writeFile(site_ + "/.hidden.html", "Hello");
        writeFile(site_ + "/.git/x.html", "Hello");
        writeFile(site_ + "/notes.txt", "Hello");
        writeFile(dir_.path() + "/outside/secret.html", "Hello");
        QVERIFY(QFile::link(dir_.path() + "/outside/secret.html", site_ + "/out.html"));
        QVERIFY(QFile::link(dir_.path() + "/outside", site_ + "/outdir"));
        QVERIFY(::mkfifo(QFile::encodeName(site_ + "/pipe.html").constData(), 0600) == 0);
        QFile big(site_ + "/big.html");
        QVERIFY(big.open(QIODevice::WriteOnly));
        QVERIFY(big.resize(kFindInFilesMaxSize + 1)); // sparse: costs no disk
    }

    void finds_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<bool>("wholeWords");
        QTest::addColumn<bool>("regex");
        QTest::addColumn<QStringList>("found"); // file:line:matched text
        QTest::newRow("literal, any case")
            << "hello" << false << false << false
            << QStringList{"index.html:1:Hello", "index.html:1:hello", "index.html:1:hello",
                           "lf.html:1:Hello", "sub/page.htm:1:Hello"};
        QTest::newRow("match case")
            << "Hello" << true << false << false
            << QStringList{"index.html:1:Hello", "lf.html:1:Hello", "sub/page.htm:1:Hello"};
        QTest::newRow("whole words") << "hello" << false << true << false
                                     << QStringList{"index.html:1:Hello", "index.html:1:hello",
                                                    "lf.html:1:Hello", "sub/page.htm:1:Hello"};
        QTest::newRow("regular expression, second line")
            << "<p>(\\w+)</p>" << false << false << true << QStringList{"index.html:2:<P>Bye</P>"};
        QTest::newRow("decoded Windows-1252")
            << "caf\u00e9" << true << true << false << QStringList{"sub/page.htm:1:caf\u00e9"};
    }
    void finds()
    {
        QFETCH(QString, text);
        QFETCH(bool, matchCase);
        QFETCH(bool, wholeWords);
        QFETCH(bool, regex);
        QFETCH(QStringList, found);
        FindInFilesScope scope;
        scope.folder = site_;
        scope.namePatterns = splitNamePatterns("*.htm;*.html");
        FindInFilesOptions options{text, {}, matchCase, wholeWords, regex};
        const FindInFilesResult result = findInFiles(scope, options);
        QStringList got;
        for (const FindInFilesFile& f : result.files)
            for (const FindInFilesMatch& m : f.matches)
                got << QStringLiteral("%1:%2:%3")
                           .arg(QDir(site_).relativeFilePath(f.path))
                           .arg(m.line)
                           .arg(m.lineText.mid(m.lineStart, m.lineLength));
        QCOMPARE(got, found);
        // Safety: no hidden page, nothing behind a link out of the site, no pipe, no page over
        // the limit was read; the binary page is counted, not searched.
        QCOMPARE(result.filesSearched, 3);
        QCOMPARE(result.binarySkipped, 1);
        QCOMPARE(result.largeSkipped, 1);
        QCOMPARE(result.unreadable, QStringList{}); // the pipe is not even listed
    }

    // Only a regular file is read, even when asked for a pipe by name.
    void readsOnlyRegularFiles()
    {
        QByteArray bytes;
        QCOMPARE(readPageForSearch(site_ + "/pipe.html", bytes), PageRead::Unreadable);
        QCOMPARE(readPageForSearch(site_ + "/out.html", bytes), PageRead::Unreadable);
    }

    void replaces_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("groups, CR LF kept")
            << "index.html"
            << "(\\w+) (world)"
            << "\\2 \\1" << QByteArray("world Hello. World hello. helloworld\r\n<P>Bye</P>\r\n");
        QTest::newRow("across a line end")
            << "index.html"
            << "helloworld\\n<P>"
            << "X" << QByteArray("Hello world. hello World. XBye</P>\r\n");
        QTest::newRow("LF kept") << "lf.html"
                                 << "two"
                                 << "2" << QByteArray("one Hello\n2\n");
        QTest::newRow("Windows-1252 stays so")
            << "sub/page.htm"
            << "Hello"
            << "\u00e9\u2192\u20ac" << QByteArray("caf\xE9 \xE9&#8594;\x80\r\n");
        QTest::newRow("after a Windows-1252 character") << "sub/page.htm"
                                                        << "\u00e9 H"
                                                        << "e-h" << QByteArray("cafe-hello\r\n");
    }
    void replaces()
    {
        QFETCH(QString, file);
        QFETCH(QString, text);
        QFETCH(QString, replacement);
        QFETCH(QByteArray, bytes);
        const QByteArray before = readFile(site_ + "/" + file);
        const QByteArray utf8 = decodeDocument(before).utf8;
        const QList<FindInFilesMatch> matches =
            findInText(utf8, FindInFilesOptions{text, replacement, false, false, true});
        QVERIFY(!matches.isEmpty());
        QCOMPARE(replaceInFileBytes(before, matches), bytes);
    }
};

VORLANE_TEST_MAIN(FindInFilesTest)
#include "find_in_files_test.moc"
