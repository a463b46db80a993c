#include "core/markup_values.h"
#include "support/test_main.h"

class MarkupValuesTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void attributeValue_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("written");
        // clang-format off
        QTest::newRow("plain") << "pics/a.jpg" << "pics/a.jpg";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("colour") << "#FF0000" << "#FF0000";
        QTest::newRow("trailing blank only") << "Top " << "Top ";
        QTest::newRow("blank") << "my pics/a b.jpg" << "\"my pics/a b.jpg\"";
        QTest::newRow("tab") << "a\tb" << "\"a\tb\"";
        QTest::newRow("greater") << "a>b" << "\"a>b\"";
        QTest::newRow("less") << "a<b" << "\"a<b\"";
        QTest::newRow("equals") << "x.cgi?a=1" << "\"x.cgi?a=1\"";
        QTest::newRow("double quote") << "say\"hi\"" << "\"say&quot;hi&quot;\"";
        QTest::newRow("single quote") << "it's" << "\"it's\"";
        QTest::newRow("backquote") << "a`b" << "\"a`b\"";
        // clang-format on
    }
    void attributeValue()
    {
        QFETCH(QString, value);
        QFETCH(QString, written);
        QCOMPARE(::attributeValue(value), written);
    }
};

VORLANE_TEST_MAIN(MarkupValuesTest)
#include "markup_values_test.moc"
