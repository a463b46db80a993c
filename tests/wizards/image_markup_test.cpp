#include "support/test_main.h"
#include "wizards/image_markup.h"

class ImageMarkupTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void singleImage_data()
    {
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("height");
        QTest::addColumn<QString>("alt");
        QTest::addColumn<QString>("align");
        QTest::addColumn<QString>("border");
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("markup");

        const QString none = kNoAlign, no = kNoBorder;
        // clang-format off
        QTest::newRow("size and align") << "120" << "80" << "" << "Left" << no << ""
            << "<IMG SRC=pics/a.jpg WIDTH=120 HEIGHT=80 ALIGN=Left>";
        QTest::newRow("alt between height and align") << "120" << "80" << "Logo" << "Left" << no << ""
            << "<IMG SRC=pics/a.jpg WIDTH=120 HEIGHT=80 ALT=\"Logo\" ALIGN=Left>";
        QTest::newRow("nothing optional") << "" << "" << "" << none << no << ""
            << "<IMG SRC=pics/a.jpg>";
        QTest::newRow("height only") << "" << "80" << "" << none << no << ""
            << "<IMG SRC=pics/a.jpg HEIGHT=80>";
        QTest::newRow("border without link") << "" << "" << "" << none << "2" << ""
            << "<IMG SRC=pics/a.jpg BORDER=2>";
        QTest::newRow("typed 0 is no border") << "" << "" << "" << none << "0" << ""
            << "<IMG SRC=pics/a.jpg>";
        QTest::newRow("linked image states border 0") << "" << "" << "" << none << no << "home.html"
            << "<A HREF=home.html><IMG SRC=pics/a.jpg BORDER=0></A>";
        QTest::newRow("linked with everything") << "1" << "2" << "x" << "Right" << "3" << "a\\b"
            << "<A HREF=a\\b><IMG SRC=pics/a.jpg WIDTH=1 HEIGHT=2 ALT=\"x\" ALIGN=Right BORDER=3></A>";
        QTest::newRow("link with a blank quoted") << "" << "" << "" << none << no << "my page.htm"
            << "<A HREF=\"my page.htm\"><IMG SRC=pics/a.jpg BORDER=0></A>";
        QTest::newRow("Top keeps its blank") << "" << "" << "" << "Top " << no << ""
            << "<IMG SRC=pics/a.jpg ALIGN=Top >";
        QTest::newRow("emptied align box") << "" << "" << "" << "" << no << ""
            << "<IMG SRC=pics/a.jpg ALIGN=>";
        QTest::newRow("values copied unchecked") << "5%" << "a b" << "" << none << "No" << ""
            << "<IMG SRC=pics/a.jpg WIDTH=5% HEIGHT=\"a b\" BORDER=No>";
        // clang-format on
    }
    void singleImage()
    {
        QFETCH(QString, width);
        QFETCH(QString, height);
        QFETCH(QString, alt);
        QFETCH(QString, align);
        QFETCH(QString, border);
        QFETCH(QString, link);
        QFETCH(QString, markup);
        const ImageFields f{QStringLiteral("pics/a.jpg"), width, height, alt, align, border, link};
        QCOMPARE(buildImageMarkup(f), markup);
    }

    void backslashesBecomeSlashes()
    {
        QCOMPARE(markupFileName(QStringLiteral("C:\\Web\\pics\\a.jpg")),
                 QStringLiteral("C:/Web/pics/a.jpg"));
    }

    void severalImages_data()
    {
        QTest::addColumn<QString>("border");
        QTest::addColumn<QString>("link");
        QTest::addColumn<bool>("breakBetween");
        QTest::addColumn<QString>("markup");
        // clang-format off
        QTest::newRow("line ends") << kNoBorder << "" << false
            << "<IMG SRC=a.jpg ALT=\"d\" ALIGN=Left>\n"
               "<IMG SRC=b/c.gif ALT=\"d\" ALIGN=Left>";
        QTest::newRow("BR between") << "1" << "" << true
            << "<IMG SRC=a.jpg ALT=\"d\" ALIGN=Left BORDER=1><BR>\n"
               "<IMG SRC=b/c.gif ALT=\"d\" ALIGN=Left BORDER=1>";
        QTest::newRow("each linked") << kNoBorder << "x.html" << false
            << "<A HREF=x.html><IMG SRC=a.jpg ALT=\"d\" ALIGN=Left BORDER=0></A>\n"
               "<A HREF=x.html><IMG SRC=b/c.gif ALT=\"d\" ALIGN=Left BORDER=0></A>";
        // clang-format on
    }
    void severalImages()
    {
        QFETCH(QString, border);
        QFETCH(QString, link);
        QFETCH(bool, breakBetween);
        QFETCH(QString, markup);
        // The size boxes hold "[n/a]" then; no size reaches the markup.
        const ImageFields f{QString(),
                            QStringLiteral("[n/a]"),
                            QStringLiteral("[n/a]"),
                            QStringLiteral("d"),
                            QStringLiteral("Left"),
                            border,
                            link};
        QCOMPARE(buildSeveralImagesMarkup({QStringLiteral("a.jpg"), QStringLiteral("b/c.gif")}, f,
                                          breakBetween),
                 markup);
    }

    void severalImagesKeepsOrderAndCount()
    {
        ImageFields f;
        f.align = kNoAlign;
        f.border = kNoBorder;
        QCOMPARE(buildSeveralImagesMarkup(
                     {QStringLiteral("z"), QStringLiteral("a"), QStringLiteral("m")}, f, true),
                 QStringLiteral("<IMG SRC=z><BR>\n<IMG SRC=a><BR>\n<IMG SRC=m>"));
        QCOMPARE(buildSeveralImagesMarkup({}, f, true), QString());
    }

    void pathShortening_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("document");
        QTest::addColumn<QString>("result");
        const QString doc = QStringLiteral("/web/index.html");
        const QString accented = QStringLiteral("/\u00e9t\u00e9/x.html");
        // clang-format off
        QTest::newRow("below the folder") << "/web/pics/a.jpg" << doc << "pics/a.jpg";
        QTest::newRow("below, other case") << "/WEB/Pics/a.jpg" << doc << "/WEB/Pics/a.jpg";
        QTest::newRow("in the folder") << "/web/b.gif" << doc << "b.gif";
        QTest::newRow("other case inside") << "/web/Pics/a.jpg" << "/web/pics/x.html" << "/web/Pics/a.jpg";
        QTest::newRow("another folder") << "/art/c.gif" << doc << "/art/c.gif";
        QTest::newRow("folder merely starts the same") << "/webs/d.gif" << doc << "/webs/d.gif";
        QTest::newRow("shorter folder") << "/w.gif" << doc << "/w.gif";
        QTest::newRow("untitled document") << "/web/pics/a.jpg" << "Untitled" << "/web/pics/a.jpg";
        QTest::newRow("bare name stays") << "a.jpg" << doc << "a.jpg";
        QTest::newRow("already relative") << "pics/a.jpg" << doc << "pics/a.jpg";
        QTest::newRow("non-ASCII letters in other case")
            << QStringLiteral("/\u00c9t\u00e9/a.jpg") << accented << QStringLiteral("/\u00c9t\u00e9/a.jpg");
        QTest::newRow("non-ASCII letters equal")
            << QStringLiteral("/\u00e9t\u00e9/a.jpg") << accented << "a.jpg";
        // clang-format on
    }
    void pathShortening()
    {
        QFETCH(QString, name);
        QFETCH(QString, document);
        QFETCH(QString, result);
        QCOMPARE(shortenImagePath(name, document), result);
    }

private:
    static QString kUntitledName() { return QStringLiteral("Untitled"); }
};

VORLANE_TEST_MAIN(ImageMarkupTest)
#include "image_markup_test.moc"
