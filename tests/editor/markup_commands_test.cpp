#include "editor/markup_commands.h"
#include "support/test_main.h"

#include <QTimeZone>

class MarkupCommandsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void apply_data();
    void apply();
    void quickTableText();
    void timeWithoutZone_data();
    void timeWithoutZone();
    void dateTimeNamesNoZone();
};

void MarkupCommandsTest::apply_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("caretBack");

    const QString w = QStringLiteral("word");
    struct Wrap
    {
        const char* item;
        const char* open;
        const char* close;
    };
    for (const Wrap& c : {Wrap{"Center1", "<CENTER>", "</CENTER>"}, Wrap{"Bold1", "<B>", "</B>"},
                          Wrap{"Italic1", "<I>", "</I>"}, Wrap{"Underline1", "<U>", "</U>"},
                          Wrap{"Size1Large1", "<H1>", "</H1>"}, Wrap{"H21", "<H2>", "</H2>"},
                          Wrap{"H31", "<H3>", "</H3>"}, Wrap{"H41", "<H4>", "</H4>"},
                          Wrap{"H51", "<H5>", "</H5>"}, Wrap{"H61", "<H6>", "</H6>"}}) {
        const QString open = QLatin1String(c.open), close = QLatin1String(c.close);
        QTest::addRow("%s empty", c.item)
            << c.item << QString() << open + close << int(close.size());
        QTest::addRow("%s word", c.item) << c.item << w << open + w + close << 0;
    }
    QTest::newRow("bold part of a tag") << "Bold1"
                                        << "<P"
                                        << "<B><P</B>" << 0;

    struct Para
    {
        const char* item;
        const char* open;
    };
    for (const Para& c : {Para{"Centered1", "<P ALIGN=CENTER>"}, Para{"Left1", "<P ALIGN=LEFT>"},
                          Para{"Right1", "<P ALIGN=RIGHT>"}, Para{"Default1", "<P>"}}) {
        const QString open = QLatin1String(c.open);
        QTest::addRow("%s empty", c.item) << c.item << QString() << open + "\n\n</P>" << 5;
        // The selection stays in front of the paragraph, outside it.
        QTest::addRow("%s word", c.item) << c.item << w << w + open + "\n\n</P>" << 5;
    }

    struct Piece
    {
        const char* item;
        const char* piece;
    };
    for (const Piece& c :
         {Piece{"LineBreak1", "<BR>\n"}, Piece{"AddComment1", "<!--  This is a comment  -->\n"},
          Piece{"GreaterThan1", "&gt;"}, Piece{"LessThan1", "&lt;"}, Piece{"Space1", "&nbsp;"},
          Piece{"Copyright1", "&copy;"}, Piece{"Registered1", "&reg;"}}) {
        QTest::addRow("%s empty", c.item)
            << c.item << QString() << QString::fromLatin1(c.piece) << 0;
        QTest::addRow("%s word", c.item) << c.item << w << w + QLatin1String(c.piece) << 0;
    }
    QTest::newRow("entity after one character") << "GreaterThan1"
                                                << "x"
                                                << "x&gt;" << 0;
    QTest::newRow("quick table after word")
        << "QuickTable2" << w << w + Markup::quickTableText() << 0;
}

void MarkupCommandsTest::apply()
{
    QFETCH(QString, item);
    QFETCH(QString, selected);
    QFETCH(QString, text);
    QFETCH(int, caretBack);
    const Markup::Command* command = Markup::commandFor(item);
    QVERIFY(command);
    const Markup::Result result = Markup::apply(*command, selected);
    QCOMPARE(result.text, text);
    QCOMPARE(result.caretBack, caretBack);
}

void MarkupCommandsTest::quickTableText()
{
    const QString expected = QStringLiteral("\n"
                                            "\n"
                                            "<TABLE>\n"
                                            "  <TR>\n"
                                            "      <TD>\n"
                                            "\n"
                                            "      Table Data/Column 1 \n"
                                            "\n"
                                            "      </TD>\n"
                                            "\n"
                                            "       <TD>\n"
                                            "\n"
                                            "       Table Data/Column 2\n"
                                            "\n"
                                            "       </TD>\n"
                                            "  </TR>\n"
                                            "</TABLE>\n"
                                            "\n");
    QCOMPARE(Markup::quickTableText(), expected);
}

void MarkupCommandsTest::timeWithoutZone_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");
    QTest::newRow("trailing") << "HH:mm:ss t"
                              << "HH:mm:ss";
    QTest::newRow("long name") << "h:mm:ss AP tttt"
                               << "h:mm:ss AP";
    QTest::newRow("leading") << "t HH:mm:ss"
                             << "HH:mm:ss";
    QTest::newRow("brackets") << "H:mm:ss (t)"
                              << "H:mm:ss";
    QTest::newRow("square") << "APh:mm:ss [t]"
                            << "APh:mm:ss";
    QTest::newRow("comma") << "h:mm:ss AP, t"
                           << "h:mm:ss AP";
    QTest::newRow("quoted t stays") << "H 'h' mm 'min' ss 's' t"
                                    << "H 'h' mm 'min' ss 's'";
    QTest::newRow("no zone") << "HH:mm:ss"
                             << "HH:mm:ss";
}

void MarkupCommandsTest::timeWithoutZone()
{
    QFETCH(QString, format);
    QFETCH(QString, expected);
    QCOMPARE(Markup::timeFormatWithoutZone(format), expected);
}

void MarkupCommandsTest::dateTimeNamesNoZone()
{
    const QDateTime when(QDate(2024, 5, 6), QTime(10, 57, 0), QTimeZone::utc());
    for (const QLocale& locale :
         QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory))
        QVERIFY2(!Markup::dateTimeText(when, locale).contains(QLatin1String("UTC")),
                 qPrintable(locale.name()));
}

VORLANE_TEST_MAIN(MarkupCommandsTest)
#include "markup_commands_test.moc"
