#include "core/app_error.h"
#include "core/html_colors.h"
#include "support/test_main.h"

class HtmlColorsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void nameTable();
    void toColor_data();
    void toColor();
    void toColorFailure_data();
    void toColorFailure();
    void toHtml_data();
    void toHtml();
    void roundTrip();
    void qcolorConversion();
};

void HtmlColorsTest::nameTable()
{
    const auto& names = HtmlColorNames();
    QCOMPARE(names.size(), 16);
    QCOMPARE(names.first().first, QStringLiteral("black"));
    QCOMPARE(names.last().first, QStringLiteral("yellow"));
    for (const auto& entry : names) {
        QCOMPARE(entry.first, entry.first.toLower());
        QCOMPARE(entry.second.size(), 6);
        QVERIFY(HtmlColorToColor(entry.first) <= 0xFFFFFFu);
    }
}

void HtmlColorsTest::toColor_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<quint32>("value");
    // Values are 0x00BBGGRR.
    QTest::newRow("upper name") << "BLACK" << 0x000000u;
    QTest::newRow("mixed name") << "Black" << 0x000000u;
    QTest::newRow("navy is A0") << "Navy" << 0xA00000u;
    QTest::newRow("teal is 408080") << "teal" << 0x808040u;
    QTest::newRow("fuchsia") << "FUCHSIA" << 0xFF00FFu;
    QTest::newRow("white") << "white" << 0xFFFFFFu;
    QTest::newRow("hash red") << "#FF0000" << 0x0000FFu;
    QTest::newRow("bare red") << "FF0000" << 0x0000FFu;
    QTest::newRow("lower digits") << "#0000a0" << 0xA00000u;
    QTest::newRow("same as navy") << "0000A0" << 0xA00000u;
    QTest::newRow("mixed order") << "#123456" << 0x563412u;
    QTest::newRow("short not expanded") << "#FFF" << 0x000FFFu;
    QTest::newRow("two digits") << "#AB" << 0x0000ABu;
    QTest::newRow("one digit") << "7" << 0x7u;
    QTest::newRow("tail ignored") << "#FFFFFF80" << 0xFFFFFFu;
    QTest::newRow("tail junk ignored") << "#00FF00zz" << 0x00FF00u;
    QTest::newRow("empty is silver") << "" << 0xC0C0C0u;
    QTest::newRow("lone hash is silver") << "#" << 0xC0C0C0u;
    QTest::newRow("name with hash is no name") << "#bad" << 0x000DBAu;
}

void HtmlColorsTest::toColor()
{
    QFETCH(QString, text);
    QFETCH(quint32, value);
    QCOMPARE(HtmlColorToColor(text), value);
}

void HtmlColorsTest::toColorFailure_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown name") << "orange"
                                  << "'$geanor' is not a valid integer value";
    QTest::newRow("blank before name") << " red"
                                       << "'$ed r' is not a valid integer value";
    QTest::newRow("blank after name") << "red "
                                      << "'$d re' is not a valid integer value";
    QTest::newRow("single quotes") << "'#FFFFFF'"
                                   << "'$FFFF'#' is not a valid integer value";
    QTest::newRow("sign") << "-1"
                          << "'$-1' is not a valid integer value";
    QTest::newRow("two hashes") << "##FFFFFF"
                                << "'$FFFF#F' is not a valid integer value";
}

void HtmlColorsTest::toColorFailure()
{
    QFETCH(QString, text);
    QFETCH(QString, message);
    try {
        HtmlColorToColor(text);
        QFAIL("no failure raised");
    } catch (const AppError& e) {
        QCOMPARE(e.message(), message);
    }
}

void HtmlColorsTest::toHtml_data()
{
    QTest::addColumn<quint32>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("red") << 0x0000FFu << "#FF0000";
    QTest::newRow("orange from dialog") << 0x0080FFu << "#FF8000";
    QTest::newRow("black padded") << 0x000000u << "#000000";
    QTest::newRow("small blue") << 0x0A0000u << "#00000A";
    QTest::newRow("upper case") << 0xABCDEFu << "#EFCDAB";
    QTest::newRow("top byte ignored") << 0x01FFFFFFu << "#FFFFFF";
}

void HtmlColorsTest::toHtml()
{
    QFETCH(quint32, value);
    QFETCH(QString, text);
    QCOMPARE(ColorToHtmlColor(value), text);
}

void HtmlColorsTest::roundTrip()
{
    for (const ColorValue v : {0x000000u, 0x123456u, 0xFFFFFFu, 0x0080FFu, 0xA00000u})
        QCOMPARE(HtmlColorToColor(ColorToHtmlColor(v)), v);
}

void HtmlColorsTest::qcolorConversion()
{
    QCOMPARE(toQColor(0x0080FFu), QColor(0xFF, 0x80, 0x00));
    QCOMPARE(fromQColor(QColor(0xFF, 0x80, 0x00)), 0x0080FFu);
    QCOMPARE(fromQColor(QColor::fromHsv(0, 255, 255)), 0x0000FFu);
}

VORLANE_TEST_MAIN(HtmlColorsTest)
#include "html_colors_test.moc"
