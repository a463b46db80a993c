#include "core/app_error.h"
#include "core/document_codec.h"
#include "support/test_main.h"
#include "wizards/table_markup.h"

class TableMarkupTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void markup_data()
    {
        QTest::addColumn<QString>("width");
        QTest::addColumn<bool>("percent");
        QTest::addColumn<QString>("padding");
        QTest::addColumn<QString>("spacing");
        QTest::addColumn<QString>("border");
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<QStringList>("lines");

        const QList<QStringList> initial{{QString(), QString()}};
        const QStringList body{"<TR>", "",      " <TD></TD>", "",        " <TD></TD>",
                               "",     "</TR>", "",           "</TABLE>"};
        // clang-format off
        QTest::newRow("initial grid") << "" << false << "0" << "0" << "0" << initial
            << QStringList{"<TABLE>"} + body;
        QTest::newRow("percent width, padding, border") << "80" << true << "2" << "0" << "1" << initial
            << QStringList{"<TABLE WIDTH=80% CELLPADDING=2 BORDER=1>"} + body;
        QTest::newRow("pixel width and spacing") << "300" << false << "0" << "4" << "0" << initial
            << QStringList{"<TABLE WIDTH=300 CELLSPACING=4>"} + body;
        QTest::newRow("percent unit without width") << "" << true << "0" << "0" << "0" << initial
            << QStringList{"<TABLE>"} + body;
        QTest::newRow("only exact 0 is left out") << "" << false << "00" << " 0" << "" << initial
            << QStringList{"<TABLE CELLPADDING=00 CELLSPACING= 0 BORDER=>"} + body;
        QTest::newRow("three rows, one column")
            << "" << false << "0" << "0" << "0" << QList<QStringList>{{"a"}, {"b"}, {"c"}}
            << QStringList{"<TABLE>",
                           "<TR>", "", " <TD>a</TD>", "", "</TR>",
                           "<TR>", "", " <TD>b</TD>", "", "</TR>",
                           "<TR>", "", " <TD>c</TD>", "", "</TR>",
                           "", "</TABLE>"};
        QTest::newRow("cell text unchanged")
            << "" << false << "0" << "0" << "0" << QList<QStringList>{{"a<b", "x & y"}}
            << QStringList{"<TABLE>", "<TR>", "", " <TD>a<b</TD>", "", " <TD>x & y</TD>", "",
                           "</TR>", "", "</TABLE>"};
        // clang-format on
    }
    void markup()
    {
        QFETCH(QString, width);
        QFETCH(bool, percent);
        QFETCH(QString, padding);
        QFETCH(QString, spacing);
        QFETCH(QString, border);
        QFETCH(QList<QStringList>, rows);
        QFETCH(QStringList, lines);
        const TableSettings s{width, percent, padding, spacing, border};
        // Every line ends in CR LF, the last one too.
        QCOMPARE(buildTableMarkup(s, rows),
                 lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
    }

    void editorLineEnds()
    {
        QCOMPARE(normalizeLineEnds(QStringLiteral("a\r\nb\r\n\r\nc\rd\n")),
                 QStringLiteral("a\nb\n\nc\nd\n"));
    }

    void spinArrows_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<bool>("up");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<qint64>("value");
        QTest::newRow("rows up") << "1" << true << 1 << qint64(2);
        QTest::newRow("rows down at 1") << "1" << false << 1 << qint64(1);
        QTest::newRow("rows down at 2") << "2" << false << 1 << qint64(1);
        QTest::newRow("rows down below minimum") << "-3" << false << 1 << qint64(-3);
        QTest::newRow("padding up") << "0" << true << 0 << qint64(1);
        QTest::newRow("padding down at 1") << "1" << false << 0 << qint64(0);
        QTest::newRow("padding down at 0") << "0" << false << 0 << qint64(0);
        QTest::newRow("blanks around") << " 7 " << true << 0 << qint64(8);
        QTest::newRow("no upper limit") << "2147483647" << true << 0 << qint64(2147483648LL);
    }
    void spinArrows()
    {
        QFETCH(QString, box);
        QFETCH(bool, up);
        QFETCH(int, minimum);
        QFETCH(qint64, value);
        QCOMPARE(spinArrowValue(box, up, minimum), value);
    }

    void gridCountsAndFitting()
    {
        QCOMPARE(gridCount(-5, 100), 1);
        QCOMPARE(gridCount(0, 100), 1);
        QCOMPARE(gridCount(7, 100), 7);
        QCOMPARE(gridCount(qint64(1) << 40, 100), 100);
        QCOMPARE(fittedCellExtent(575, 2), 284); // (575 - 6) / 2, truncated
        QCOMPARE(fittedCellExtent(100, 3), 30);
        QCOMPARE(fittedCellExtent(100, 0), 97); // never divides by zero
        QCOMPARE(fittedCellExtent(10, 5), 0);   // never negative
    }
};

VORLANE_TEST_MAIN(TableMarkupTest)
#include "table_markup_test.moc"
