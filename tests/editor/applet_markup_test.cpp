#include "editor/applet_markup.h"
#include "support/test_main.h"

#include <QTemporaryDir>

class AppletMarkupTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void element_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("element");

        const QString tail = QStringLiteral(" ALT=\"Java Applet\"> </APPLET>");
        QTest::newRow("defaults") << ""
                                  << ""
                                  << "<APPLET CODE=x.class HEIGHT=100 WIDTH=200" + tail;
        QTest::newRow("empty class file") << "classFile"
                                          << ""
                                          << "<APPLET CODE= HEIGHT=100 WIDTH=200" + tail;
        QTest::newRow("height emptied") << "height"
                                        << ""
                                        << "<APPLET CODE=x.class WIDTH=200" + tail;
        QTest::newRow("width emptied") << "width"
                                       << ""
                                       << "<APPLET CODE=x.class HEIGHT=100" + tail;
        QTest::newRow("align") << "align"
                               << "middle"
                               << "<APPLET CODE=x.class HEIGHT=100 WIDTH=200 ALIGN=middle" + tail;
        QTest::newRow("align emptied") << "align"
                                       << ""
                                       << "<APPLET CODE=x.class HEIGHT=100 WIDTH=200 ALIGN=" + tail;
        QTest::newRow("codebase")
            << "codebase"
            << "http://h/c/"
            << "<APPLET CODE=x.class HEIGHT=100 WIDTH=200 CODEBASE=http://h/c/" + tail;
        QTest::newRow("name") << "name"
                              << "clock"
                              << "<APPLET CODE=x.class HEIGHT=100 WIDTH=200 NAME=clock" + tail;
        QTest::newRow("class file with a blank")
            << "classFile"
            << "my applets/x.class"
            << "<APPLET CODE=\"my applets/x.class\" HEIGHT=100 WIDTH=200" + tail;
        QTest::newRow("description with blanks")
            << "alt"
            << "A ticking clock"
            << "<APPLET CODE=x.class HEIGHT=100 WIDTH=200 ALT=\"A ticking clock\"> </APPLET>";
        QTest::newRow("description emptied")
            << "alt"
            << ""
            << "<APPLET CODE=x.class HEIGHT=100 WIDTH=200> </APPLET>";
        QTest::newRow("params without separator")
            << "params"
            << "MAYSCRIPT"
            << "<APPLET CODE=x.class HEIGHT=100 WIDTH=200 ALT=\"Java Applet\"MAYSCRIPT> </APPLET>";
        QTest::newRow("params with typed blank")
            << "params"
            << " VSPACE=4"
            << "<APPLET CODE=x.class HEIGHT=100 WIDTH=200 ALT=\"Java Applet\" VSPACE=4> </APPLET>";
    }
    void element()
    {
        QFETCH(QString, field);
        QFETCH(QString, value);
        AppletFields fields;
        fields.classFile = QStringLiteral("x.class");
        QString* target = field == "classFile"  ? &fields.classFile
                          : field == "height"   ? &fields.height
                          : field == "width"    ? &fields.width
                          : field == "align"    ? &fields.align
                          : field == "codebase" ? &fields.codebase
                          : field == "name"     ? &fields.name
                          : field == "alt"      ? &fields.alt
                          : field == "params"   ? &fields.params
                                                : nullptr;
        if (target)
            *target = value;
        QTEST(buildAppletElement(fields), "element");
    }

    void everyOptionInOrder()
    {
        const AppletFields fields{QStringLiteral("a/b.class"), QStringLiteral("1"),
                                  QStringLiteral("2"),         QStringLiteral("left"),
                                  QStringLiteral("cb"),        QStringLiteral("n"),
                                  QStringLiteral("d"),         QStringLiteral(" X=1")};
        QCOMPARE(buildAppletElement(fields),
                 QStringLiteral("<APPLET CODE=a/b.class HEIGHT=1 WIDTH=2 ALIGN=left CODEBASE=cb "
                                "NAME=n ALT=\"d\" X=1> </APPLET>"));
    }

    void documentFolder()
    {
        QCOMPARE(documentFolderOf(QStringLiteral("Untitled")), QString());
        QCOMPARE(documentFolderOf(QStringLiteral("/home/u/site/index.htm")),
                 QStringLiteral("/home/u/site/"));
    }

    // Names are relative to a real folder; "@" stands for it, "@@" for its upper-cased
    // spelling.
    void relativePath_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("documentFolder");
        QTest::addColumn<QString>("result");

        QTest::newRow("same folder, existing file") << "@site/clock.class"
                                                    << "@site/"
                                                    << "clock.class";
        QTest::newRow("same folder, missing file") << "@site/gone.class"
                                                   << "@site/"
                                                   << "gone.class";
        QTest::newRow("sub-folder") << "@site/applets/clock.class"
                                    << "@site/"
                                    << "applets/clock.class";
        QTest::newRow("deeper sub-folder") << "@site/a/b/c.class"
                                           << "@site/"
                                           << "a/b/c.class";
        QTest::newRow("folder differing in case") << "@SITE/clock.class"
                                                  << "@site/"
                                                  << "@SITE/clock.class";
        QTest::newRow("sub-folder differing in case") << "@Site/applets/clock.class"
                                                      << "@site/"
                                                      << "@Site/applets/clock.class";
        QTest::newRow("elsewhere") << "@other/clock.class"
                                   << "@site/"
                                   << "@other/clock.class";
        QTest::newRow("sibling with longer name") << "@site2/clock.class"
                                                  << "@site/"
                                                  << "@site2/clock.class";
        QTest::newRow("parent folder") << "@clock.class"
                                       << "@site/"
                                       << "@clock.class";
        QTest::newRow("untitled keeps everything") << "@site/clock.class"
                                                   << ""
                                                   << "@site/clock.class";
        QTest::newRow("back slashes turned") << "C:\\java\\sub\\x.class"
                                             << ""
                                             << "C:/java/sub/x.class";
        QTest::newRow("back slashes below the folder") << "@site/sub\\x.class"
                                                       << "@site/"
                                                       << "sub/x.class";
        QTest::newRow("bare name stays") << "x.class"
                                         << "@site/"
                                         << "x.class";
        QTest::newRow("empty stays empty") << ""
                                           << "@site/"
                                           << "";
        QTest::newRow("the folder itself") << "@site/"
                                           << "@site/"
                                           << "";
    }
    void relativePath()
    {
        QFETCH(QString, name);
        QFETCH(QString, documentFolder);
        QTemporaryDir dir;
        const QString root = dir.path() + QLatin1Char('/');
        QVERIFY(QDir().mkpath(root + "site/applets"));
        QVERIFY(QDir().mkpath(root + "other"));
        writeFile(root + "site/clock.class", "x");
        writeFile(root + "site/applets/clock.class", "x");
        writeFile(root + "other/clock.class", "x");
        auto expand = [&](QString s) {
            if (s.startsWith("@@"))
                return root.toUpper() + s.mid(2);
            if (s.startsWith("@"))
                return root + s.mid(1);
            return s;
        };
        QFETCH(QString, result);
        QCOMPARE(DocumentRelativePath(expand(name), expand(documentFolder)), expand(result));
    }
};

VORLANE_TEST_MAIN(AppletMarkupTest)
#include "applet_markup_test.moc"
