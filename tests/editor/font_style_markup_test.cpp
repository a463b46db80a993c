#include "editor/font_style_markup.h"
#include "support/test_main.h"

class FontStyleMarkupTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void literalCases_data()
    {
        QTest::addColumn<QString>("typeface");
        QTest::addColumn<QString>("size"); // empty: no size picked
        QTest::addColumn<int>("styles");   // 1 bold, 2 italics, 4 underlined
        QTest::addColumn<QString>("open");
        QTest::addColumn<QString>("close");

        QTest::newRow("bold only") << ""
                                   << "" << 1 << "<B>"
                                   << "</B>";
        QTest::newRow("size only") << ""
                                   << "-1" << 0 << "<FONT SIZE=-1>"
                                   << "</FONT>";
        QTest::newRow("bold and italics") << ""
                                          << "" << 3 << "<B><I>"
                                          << "</B></I>";
        QTest::newRow("all styles, size +2") << ""
                                             << "+2" << 7 << "<FONT SIZE=+2><B><I><U>"
                                             << "</B></I></U></FONT>";
        QTest::newRow("face with blanks") << "Times New Roman"
                                          << "" << 0 << "<FONT FACE=\"Times New Roman\">"
                                          << "</FONT>";
        QTest::newRow("face and size") << "Verdana"
                                       << "+2" << 0 << "<FONT FACE=\"Verdana\" SIZE=+2>"
                                       << "</FONT>";
        QTest::newRow("face, size, underline") << "Arial"
                                               << "-6" << 4 << "<FONT FACE=\"Arial\" SIZE=-6><U>"
                                               << "</U></FONT>";
        QTest::newRow("nothing") << ""
                                 << "" << 0 << ""
                                 << "";
    }
    void literalCases()
    {
        QFETCH(QString, typeface);
        QFETCH(QString, size);
        QFETCH(int, styles);
        FontStyleChoice choice;
        choice.typeface = typeface;
        choice.sizeChosen = !size.isEmpty();
        choice.size = size;
        choice.bold = styles & 1;
        choice.italic = styles & 2;
        choice.underline = styles & 4;
        const MarkupPair markup = buildFontStyleMarkup(choice);
        QTEST(markup.open, "open");
        QTEST(markup.close, "close");
    }

    // All 32 combinations of typeface, size and the three styles.
    void everyCombination_data()
    {
        QTest::addColumn<int>("bits");
        QTest::addColumn<QString>("open");
        QTest::addColumn<QString>("close");
        const QString fontOpen[4] = {"", "<FONT FACE=\"Courier\">", "<FONT SIZE=+3>",
                                     "<FONT FACE=\"Courier\" SIZE=+3>"};
        const char* styleOpen[8] = {"",    "<B>",    "<I>",    "<B><I>",
                                    "<U>", "<B><U>", "<I><U>", "<B><I><U>"};
        const char* styleClose[8] = {"",     "</B>",     "</I>",     "</B></I>",
                                     "</U>", "</B></U>", "</I></U>", "</B></I></U>"};
        for (int font = 0; font < 4; ++font) {
            for (int style = 0; style < 8; ++style) {
                const QString close =
                    QString::fromLatin1(styleClose[style]) + (font ? "</FONT>" : "");
                QTest::addRow("font %d style %d", font, style)
                    << (font | style << 2) << fontOpen[font] + QLatin1String(styleOpen[style])
                    << close;
            }
        }
    }
    void everyCombination()
    {
        QFETCH(int, bits);
        FontStyleChoice choice;
        if (bits & 1)
            choice.typeface = QStringLiteral("Courier");
        choice.sizeChosen = bits & 2;
        choice.size = QStringLiteral("+3");
        choice.bold = bits & 4;
        choice.italic = bits & 8;
        choice.underline = bits & 16;
        const MarkupPair markup = buildFontStyleMarkup(choice);
        QTEST(markup.open, "open");
        QTEST(markup.close, "close");
        QCOMPARE(markup.isEmpty(), bits == 0);
    }
};

VORLANE_TEST_MAIN(FontStyleMarkupTest)
#include "font_style_markup_test.moc"
