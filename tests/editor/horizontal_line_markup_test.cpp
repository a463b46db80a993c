#include "editor/horizontal_line_markup.h"
#include "support/test_main.h"

class HorizontalLineMarkupTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void tag_data()
    {
        QTest::addColumn<QString>("width");
        QTest::addColumn<bool>("percent");
        QTest::addColumn<QString>("thickness");
        QTest::addColumn<QString>("align");
        QTest::addColumn<QString>("color");
        QTest::addColumn<QString>("tag");

        QTest::newRow("defaults") << "" << false << "1"
                                  << "<none>"
                                  << "Default"
                                  << "<HR SIZE=1>";
        QTest::newRow("width in pixels") << "300" << false << "1"
                                         << "<none>"
                                         << "Default"
                                         << "<HR WIDTH=300 SIZE=1>";
        QTest::newRow("width in percent") << "50" << true << "1"
                                          << "<none>"
                                          << "Default"
                                          << "<HR WIDTH=50% SIZE=1>";
        QTest::newRow("empty width with percent") << "" << true << "1"
                                                  << "<none>"
                                                  << "Default"
                                                  << "<HR SIZE=1>";
        QTest::newRow("everything") << "50" << true << "2"
                                    << "center"
                                    << "#FF0000"
                                    << "<HR WIDTH=50% SIZE=2 ALIGN=center COLOR=#FF0000>";
        QTest::newRow("free-typed alignment") << "" << false << "1"
                                              << "justify"
                                              << "Default"
                                              << "<HR SIZE=1 ALIGN=justify>";
        QTest::newRow("emptied alignment") << "" << false << "1"
                                           << ""
                                           << "Default"
                                           << "<HR SIZE=1 ALIGN=>";
        QTest::newRow("emptied thickness") << "" << false << ""
                                           << "<none>"
                                           << "Default"
                                           << "<HR SIZE=>";
        QTest::newRow("typed values unchecked") << "wide" << false << "x y"
                                                << "left"
                                                << "Default"
                                                << "<HR WIDTH=wide SIZE=x y ALIGN=left>";
        QTest::newRow("black") << "" << false << "1"
                               << "<none>"
                               << "#000000"
                               << "<HR SIZE=1 COLOR=#000000>";
        QTest::newRow("default is case-exact") << "" << false << "1"
                                               << "<NONE>"
                                               << "default"
                                               << "<HR SIZE=1 ALIGN=<NONE> COLOR=default>";
    }
    void tag()
    {
        HorzLineFields fields;
        QFETCH(QString, width);
        QFETCH(bool, percent);
        QFETCH(QString, thickness);
        QFETCH(QString, align);
        QFETCH(QString, color);
        fields.width = width;
        fields.percent = percent;
        fields.thickness = thickness;
        fields.align = align;
        fields.color = color;
        QTEST(buildHorizontalLineTag(fields), "tag");
    }

    void defaultFieldsGiveTheDefaultTag()
    {
        QCOMPARE(buildHorizontalLineTag(HorzLineFields()), QStringLiteral("<HR SIZE=1>"));
    }
};

VORLANE_TEST_MAIN(HorizontalLineMarkupTest)
#include "horizontal_line_markup_test.moc"
