#include "core/site_folder.h"
#include "support/test_main.h"

#include <QDir>
#include <QFile>

class SiteFolderTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // home/site/INDEX.HTM, home/site/a/index.html, home/site/a/b/page.htm, home/loose/page.htm,
    // home/top.htm with home/index.htm; outside/x/index.htm with outside/x/page.htm.
    void findsTheSite_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("site");
        QTest::newRow("highest index page below home") << "home/site/a/b/page.htm"
                                                       << ""
                                                       << "home/site";
        QTest::newRow("no index page: the page's folder") << "home/loose/page.htm"
                                                          << ""
                                                          << "home/loose";
        QTest::newRow("home itself is never a site by its index") << "home/top.htm"
                                                                  << ""
                                                                  << "home";
        QTest::newRow("outside home: the page's folder") << "outside/x/y/page.htm"
                                                         << ""
                                                         << "outside/x/y";
        QTest::newRow("chosen site holding the page") << "home/site/a/b/page.htm"
                                                      << "home/site/a"
                                                      << "home/site/a";
        QTest::newRow("chosen site not holding the page") << "home/loose/page.htm"
                                                          << "home/site"
                                                          << "home/loose";
        QTest::newRow("through a link into the site") << "home/link/b/page.htm"
                                                      << ""
                                                      << "home/site";
        QTest::newRow("untitled: the chosen site") << ""
                                                   << "home/site"
                                                   << "home/site";
        QTest::newRow("untitled, nothing chosen") << ""
                                                  << ""
                                                  << "";
    }
    void findsTheSite()
    {
        QFETCH(QString, page);
        QFETCH(QString, chosen);
        QFETCH(QString, site);
        QTemporaryDir dir;
        const QString root = QFileInfo(dir.path()).canonicalFilePath() + QLatin1Char('/');
        for (const char* file : {"home/site/INDEX.HTM", "home/site/a/index.html",
                                 "home/site/a/b/page.htm", "home/loose/page.htm", "home/top.htm",
                                 "home/index.htm", "outside/x/index.htm", "outside/x/y/page.htm"}) {
            const QString path = root + QLatin1String(file);
            QDir().mkpath(QFileInfo(path).absolutePath());
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QVERIFY(
            QFile::link(root + QStringLiteral("home/site/a"), root + QStringLiteral("home/link")));
        auto full = [&](const QString& p) { return p.isEmpty() ? QString() : root + p; };
        QCOMPARE(siteFolderFor(full(page), full(chosen), root + QStringLiteral("home")),
                 full(site));
    }

    void insideIsByWholeNames()
    {
        QVERIFY(liesInside(QStringLiteral("/a/site/x.htm"), QStringLiteral("/a/site")));
        QVERIFY(liesInside(QStringLiteral("/a/site"), QStringLiteral("/a/site")));
        QVERIFY(!liesInside(QStringLiteral("/a/site2/x.htm"), QStringLiteral("/a/site")));
        QVERIFY(!liesInside(QStringLiteral("/a/x.htm"), QString()));
    }
};

VORLANE_TEST_MAIN(SiteFolderTest)
#include "site_folder_test.moc"
