#include "core/tag_lexer.h"
#include "support/test_main.h"

// Each tag as "<NAME" or "</NAME", then " attr=value" for each attribute with a value (the value
// checked against the bytes at its offset), ">" when its ">" was found.
static QString describe(QByteArrayView text)
{
    QStringList tags;
    forEachTag(text, [&](const LexedTag& tag) {
        QString out = QStringLiteral("%1%2@%3")
                          .arg(tag.closing ? QStringLiteral("</") : QStringLiteral("<"),
                               QString::fromLatin1(tag.name))
                          .arg(tag.start);
        for (const TagAttribute& a : tag.attributes) {
            out += QLatin1Char(' ') + QString::fromLatin1(a.name);
            if (a.valueStart >= 0) {
                // The offsets and the view agree.
                if (text.sliced(a.valueStart, a.value.size()) != a.value)
                    return false;
                out += QLatin1Char('=') + QString::fromLatin1(a.value);
            }
        }
        if (tag.closed)
            out += QLatin1Char('>');
        tags << out;
        return true;
    });
    return tags.join(QLatin1Char(' '));
}

class TagLexerTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void readsTagsAsBrowsersDo_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("tags");
        QTest::newRow("plain") << QByteArray("<B>x</B>") << "<B@0> </B@4>";
        QTest::newRow("comment hides tags") << QByteArray("<!-- <b> --><i>") << "<i@12>";
        QTest::newRow("unclosed comment hides the rest") << QByteArray("<p><!-- <b>") << "<p@0>";
        QTest::newRow("declarations") << QByteArray("<!DOCTYPE html><?xml x?><a>") << "<a@24>";
        QTest::newRow("script is raw text") << QByteArray("<SCRIPT>if (a<b) x='</b>'</SCRIPT><i>")
                                            << "<SCRIPT@0> </SCRIPT@25> <i@34>";
        QTest::newRow("script end tag in any case, not a longer name")
            << QByteArray("<style><b></styles></Style ><i>") << "<style@0> </Style@19> <i@28>";
        QTest::newRow("unclosed script holds the rest")
            << QByteArray("<script><b>") << "<script@0>";
        QTest::newRow("title and textarea hold text")
            << QByteArray("<TITLE>a<b></TITLE><TEXTAREA><i></TEXTAREA>")
            << "<TITLE@0> </TITLE@11> <TEXTAREA@19> </TEXTAREA@32>";
        QTest::newRow("quoted > in a value")
            << QByteArray("<IMG ALT=\"a>b\" SRC='x.gif'>") << "<IMG@0 ALT=a>b SRC=x.gif>";
        QTest::newRow("unquoted and bare attributes")
            << QByteArray("<HR NOSHADE SIZE=3 WIDTH = 50%>") << "<HR@0 NOSHADE SIZE=3 WIDTH=50%>";
        QTest::newRow("unclosed quote runs to the end")
            << QByteArray("<A HREF=\"x.htm>text</A>") << "<A@0 HREF=x.htm>text</A>";
        QTest::newRow("< in text") << QByteArray("a < b <3 <= c<p>") << "<p@13>";
        QTest::newRow("end tag needs a letter") << QByteArray("</ b></3></p>") << "</p@9>";
        QTest::newRow("unclosed tag") << QByteArray("<P ALIGN=left") << "<P@0 ALIGN=left";
        QTest::newRow("self-closing slash")
            << QByteArray("<br/><img src=a.gif />") << "<br@0> <img@5 src=a.gif>";
        QTest::newRow("empty") << QByteArray() << "";
    }
    void readsTagsAsBrowsersDo()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, tags);
        QCOMPARE(describe(text), tags);
    }
};

VORLANE_TEST_MAIN(TagLexerTest)
#include "tag_lexer_test.moc"
