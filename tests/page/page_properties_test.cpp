#include "page/page_properties.h"
#include "support/test_main.h"

using namespace PageProperties;

class PagePropertiesTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void title_data();
    void title();
    void bodyTag_data();
    void bodyTag();
    void attributes_data();
    void attributes();
    void bodyTagText_data();
    void bodyTagText();
    void relativePath_data();
    void relativePath();
    void quickStartPage_data();
    void quickStartPage();
    void quickStartPlaceholderIsStructural();
};

void PagePropertiesTest::title_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    QTest::newRow("plain") << "<HTML><TITLE>My page</TITLE>"
                           << "My page";
    QTest::newRow("no title tag") << "<HTML><BODY>"
                                  << "No Title";
    QTest::newRow("lower case tag") << "<title>x</title>"
                                    << "No Title";
    QTest::newRow("empty element") << "<TITLE></TITLE>"
                                   << "";
    QTest::newRow("no closing tag") << "<TITLE>abc"
                                    << "";
    QTest::newRow("closing first") << "</TITLE><TITLE>abc"
                                   << "";
    QTest::newRow("across lines") << "<TITLE>a\nb</TITLE>"
                                  << "a\nb";
    QTest::newRow("first of two") << "<TITLE>a</TITLE><TITLE>b</TITLE>"
                                  << "a";
    QTest::newRow("blanks kept") << "<TITLE> a </TITLE>"
                                 << " a ";
}

void PagePropertiesTest::title()
{
    QFETCH(QString, text);
    QFETCH(QString, title);
    QCOMPARE(pageTitle(text), title);
    // The same from the head alone, as Web Page Properties reads it.
    const QByteArray utf8 = (text + QStringLiteral(" tail <TITLE> </TITLE>")).toUtf8();
    QCOMPARE(pageTitle(QString::fromUtf8(utf8.first(headPrefixLength(utf8)))),
             pageTitle(QString::fromUtf8(utf8)));
}

void PagePropertiesTest::bodyTag_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("attributeText");
    QTest::newRow("bare") << "<HTML>\n<BODY>\nx" << 7 << 6 << "";
    QTest::newRow("lower case") << "<body bgcolor=red>" << 0 << 18 << " bgcolor=red";
    QTest::newRow("mixed case") << "ab<BoDy TEXT=#000000>" << 2 << 19 << " TEXT=#000000";
    QTest::newRow("first of two") << "<BODY A=1>\n<BODY B=2>" << 0 << 10 << " A=1";
    QTest::newRow("no closing bracket") << "x<BODY BGCOLOR=#FFFFFF" << 1 << 0 << "";
    QTest::newRow("none") << "<HTML></HTML>" << -1 << 0 << "";
    QTest::newRow("across lines") << "<BODY\nBGCOLOR=red\n>" << 0 << 19 << "\nBGCOLOR=red\n";
    // Only ASCII letters fold, so no other character can stand for one of the tag's.
    QTest::newRow("dotless i is no I") << QString::fromUtf8("<bod\u0131><BODY>") << 6 << 6 << "";
    QTest::newRow("after non-ASCII") << QString::fromUtf8("\u00DF\u00DF<body>") << 2 << 6 << "";
}

void PagePropertiesTest::bodyTag()
{
    QFETCH(QString, text);
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(QString, attributeText);
    const BodyTag tag = findBodyTag(text);
    QCOMPARE(tag.start, start);
    QCOMPARE(tag.length, length);
    QCOMPARE(tag.found(), start >= 0);
    QCOMPARE(bodyAttributeText(text, tag), attributeText);
    const QByteArray utf8 = (text + QStringLiteral(" tail <BODY X=1>")).toUtf8();
    const QString head = QString::fromUtf8(utf8.first(headPrefixLength(utf8)));
    const QString whole = QString::fromUtf8(utf8);
    QCOMPARE(findBodyTag(head).start, findBodyTag(whole).start);
    QCOMPARE(bodyAttributeText(head, findBodyTag(head)),
             bodyAttributeText(whole, findBodyTag(whole)));
}

void PagePropertiesTest::attributes_data()
{
    QTest::addColumn<QString>("attributeText");
    QTest::addColumn<QStringList>("values");
    const QString e;
    QTest::newRow("empty") << "" << QStringList{e, e, e, e, e, e};
    QTest::newRow("all six")
        << " BACKGROUND=img/bg.gif BGCOLOR=#FFFFFF TEXT=#000000 LINK=#0000FF VLINK=#FF0000 "
           "ALINK=#00FF00"
        << QStringList{"img/bg.gif", "#FFFFFF", "#000000", "#0000FF", "#FF0000", "#00FF00"};
    QTest::newRow("any case, value case kept")
        << " bgcolor=Navy background=Pics/A.GIF" << QStringList{"Pics/A.GIF", "Navy", e, e, e, e};
    QTest::newRow("double quotes dropped")
        << " BGCOLOR=\"#FFFFFF\" TEXT=\"#000000" << QStringList{e, "#FFFFFF", "#000000", e, e, e};
    QTest::newRow("quoted value runs to its closing quote")
        << " BACKGROUND=\"my pics/a b.gif\" TEXT=\"&quot;x&quot;\" BGCOLOR=red"
        << QStringList{"my pics/a b.gif", "red", "\"x\"", e, e, e};
    QTest::newRow("trailing quote only")
        << " BGCOLOR=#FFFFFF\"" << QStringList{e, "#FFFFFF", e, e, e, e};
    QTest::newRow("two quotes give empty") << " BGCOLOR=\"\"" << QStringList{e, "", e, e, e, e};
    QTest::newRow("single quotes kept")
        << " BGCOLOR='#FFFFFF'" << QStringList{e, "'#FFFFFF'", e, e, e, e};
    // Only a blank ends a value: a line break does not.
    QTest::newRow("value runs across line break")
        << " BGCOLOR=#FFFFFF\nTEXT=#000000 LINK=#0000FF"
        << QStringList{e, "#FFFFFF\nTEXT=#000000", "#000000", "#0000FF", e, e};
    QTest::newRow("tab does not end a value")
        << " TEXT=#000000\tVLINK=#FF0000"
        << QStringList{e, e, "#000000\tVLINK=#FF0000", e, "#FF0000", e};
    QTest::newRow("LINK after line break not found")
        << "\nLINK=#0000FF VLINK=#FF0000" << QStringList{e, e, e, e, "#FF0000", e};
    QTest::newRow("VLINK and ALINK are not LINK")
        << " VLINK=#FF0000 ALINK=#00FF00" << QStringList{e, e, e, e, "#FF0000", "#00FF00"};
    QTest::newRow("first occurrence wins")
        << " TEXT=#111111 TEXT=#222222" << QStringList{e, e, "#111111", e, e, e};
    QTest::newRow("blank right after =") << " BGCOLOR= #FFFFFF" << QStringList{e, "", e, e, e, e};
    QTest::newRow("event handler dropped")
        << " onLoad=\"go()\" BGCOLOR=red MARGINWIDTH=0" << QStringList{e, "red", e, e, e, e};
}

void PagePropertiesTest::attributes()
{
    QFETCH(QString, attributeText);
    QFETCH(QStringList, values);
    QCOMPARE(extractBodyAttributes(attributeText), values);
}

void PagePropertiesTest::bodyTagText_data()
{
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QString>("tag");
    const QString e;
    QTest::newRow("bare") << QStringList{e, e, e, e, e, e} << "<BODY>";
    QTest::newRow("defaults")
        << QStringList{e, "#FFFFFF", "#000000", "#0000FF", "#FF0000", "#FF0000"}
        << "<BODY BGCOLOR=#FFFFFF TEXT=#000000 LINK=#0000FF VLINK=#FF0000 ALINK=#FF0000>";
    QTest::newRow("all six in order")
        << QStringList{"a.gif", "1", "2", "3", "4", "5"}
        << "<BODY BACKGROUND=a.gif BGCOLOR=1 TEXT=2 LINK=3 VLINK=4 ALINK=5>";
    QTest::newRow("values that would break are quoted")
        << QStringList{"my pic.gif", e, "'red'", e, e, "\"x\""}
        << "<BODY BACKGROUND=\"my pic.gif\" TEXT=\"'red'\" ALINK=\"&quot;x&quot;\">";
}

void PagePropertiesTest::bodyTagText()
{
    QFETCH(QStringList, values);
    QFETCH(QString, tag);
    QCOMPARE(buildBodyTag(values), tag);
}

void PagePropertiesTest::relativePath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("document");
    QTest::addColumn<QString>("result");
    QTest::newRow("same folder") << "/site/bg.gif"
                                 << "/site/index.html"
                                 << "bg.gif";
    QTest::newRow("sub folder") << "/site/img/bg.gif"
                                << "/site/index.html"
                                << "img/bg.gif";
    QTest::newRow("elsewhere") << "/other/bg.gif"
                               << "/site/index.html"
                               << "/other/bg.gif";
    QTest::newRow("sibling with longer name") << "/site2/bg.gif"
                                              << "/site/index.html"
                                              << "/site2/bg.gif";
    QTest::newRow("other letter case is another folder") << "/SITE/bg.gif"
                                                         << "/site/index.html"
                                                         << "/SITE/bg.gif";
    QTest::newRow("untitled keeps path") << "/site/bg.gif"
                                         << "Untitled"
                                         << "/site/bg.gif";
    QTest::newRow("no document") << "/site/bg.gif"
                                 << ""
                                 << "/site/bg.gif";
}

void PagePropertiesTest::relativePath()
{
    QFETCH(QString, path);
    QFETCH(QString, document);
    QFETCH(QString, result);
    QCOMPARE(pathRelativeToDocument(path, document), result);
}

void PagePropertiesTest::quickStartPage_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QString>("text");
    const QString e;
    const QString tail =
        QStringLiteral("\n\nDocument text and body\n\n\n\n\n\n\n\n\n</BODY>\n</HTML>\n");
    QTest::newRow("defaults")
        << "Untitled" << QStringList{e, "#FFFFFF", "#000000", "#0000FF", "#FF0000", "#FF0000"}
        << "<HTML>\n<HEAD>\n<TITLE>Untitled</TITLE>\n</HEAD>\n"
           "<BODY BGCOLOR=#FFFFFF TEXT=#000000 LINK=#0000FF VLINK=#FF0000 ALINK=#FF0000>" +
               tail;
    QTest::newRow("changed")
        << "My Home" << QStringList{"bg.jpg", "navy", "white", "#00FF00", "red", "yellow"}
        << "<HTML>\n<HEAD>\n<TITLE>My Home</TITLE>\n</HEAD>\n"
           "<BODY BACKGROUND=bg.jpg BGCOLOR=navy TEXT=white LINK=#00FF00 VLINK=red "
           "ALINK=yellow>" +
               tail;
    QTest::newRow("all empty") << "" << QStringList{e, e, e, e, e, e}
                               << "<HTML>\n<HEAD>\n<TITLE></TITLE>\n</HEAD>\n<BODY>" + tail;
}

void PagePropertiesTest::quickStartPage()
{
    QFETCH(QString, title);
    QFETCH(QStringList, values);
    QFETCH(QString, text);
    const QuickStartPage page = PageProperties::quickStartPage(title, values);
    QCOMPARE(page.text, text);
    QCOMPARE(page.text.split(QLatin1Char('\n')).size(), 18); // 17 lines and the final LF
    QCOMPARE(page.text.mid(page.placeholderStart, 22), QStringLiteral("Document text and body"));
}

void PagePropertiesTest::quickStartPlaceholderIsStructural()
{
    // A title holding the placeholder or a BODY tag must not move either one.
    const QString title = QStringLiteral("Document text and body <BODY>");
    const QuickStartPage page = PageProperties::quickStartPage(title, {"", "red", "", "", "", ""});
    const QStringList lines = page.text.split(QLatin1Char('\n'));
    QCOMPARE(lines.at(2), QStringLiteral("<TITLE>") + title + QStringLiteral("</TITLE>"));
    QCOMPARE(lines.at(4), QStringLiteral("<BODY BGCOLOR=red>"));
    QCOMPARE(page.placeholderStart, int(page.text.indexOf(QStringLiteral("\nDocument")) + 1));
}

VORLANE_TEST_MAIN(PagePropertiesTest)
#include "page_properties_test.moc"
