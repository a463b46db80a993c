#include "editor/go_to_line_dialog.h"
#include "editor/html_highlighting.h"
#include "editor/margin_rich_edit.h"
#include "editor/tag_completion.h"
#include "editor/tag_matching.h"
#include "editor/tag_reference.h"
#include "support/test_main.h"

#include <Qsci/qscilexerhtml.h>

#include <QSet>

#include <algorithm>
#include <cmath>

#include <optional>

namespace {

// WCAG contrast between two colours.
double contrast(const QColor& a, const QColor& b)
{
    auto luminance = [](const QColor& c) {
        auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) +
               0.0722 * channel(c.blueF());
    };
    const double x = luminance(a), y = luminance(b);
    return (qMax(x, y) + 0.05) / (qMin(x, y) + 0.05);
}

using Sci = QsciScintillaBase;

} // namespace

class MarkupHelpTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void completionOffersTheReferenceNames()
    {
        const QStringList names = htmlTagNames();
        QCOMPARE(names.size(), 67);
        QSet<QString> reference;
        for (const TagEntry& entry : tagReferenceEntries())
            reference.insert(entry.name);
        QCOMPARE(QSet<QString>(names.begin(), names.end()), reference);
        for (const QString& name : names)
            QCOMPARE(name, name.toUpper());
        QVERIFY(std::is_sorted(names.begin(), names.end())); // Scintilla looks them up sorted
        QCOMPARE(tagCompletionList("<B>bold", false), names);
    }

    void endTagOffersTheInnermostOpenElementFirst_data()
    {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<QString>("first");
        QTest::newRow("nothing open") << QByteArray("plain text") << "A";
        QTest::newRow("innermost") << QByteArray("<HTML><BODY><B>bold") << "B";
        QTest::newRow("after its end tag") << QByteArray("<HTML><BODY><B>bold</B>") << "BODY";
        QTest::newRow("lower case") << QByteArray("<center><font size=2>x") << "FONT";
        QTest::newRow("empty elements") << QByteArray("<P>text<BR><IMG SRC=a.gif><HR>") << "P";
        QTest::newRow("second LI") << QByteArray("<UL><LI>one<LI>two") << "LI";
        QTest::newRow("cell after cell") << QByteArray("<TABLE><TR><TD>a<TD>b") << "TD";
        QTest::newRow("row after cell") << QByteArray("<TABLE><TR><TD>a<TR>") << "TR";
        QTest::newRow("comment skipped") << QByteArray("<B><!-- <I> -->") << "B";
        QTest::newRow("stray end tag") << QByteArray("</B>stray<I>") << "I";
        QTest::newRow("unknown element") << QByteArray("<BLINK>") << "BLINK";
        QTest::newRow("outer LI after a nested list")
            << QByteArray("<UL><LI>a<UL><LI>b</UL>") << "LI";
        QTest::newRow("paragraph ended by a table") << QByteArray("<BODY><P>a<TABLE>") << "TABLE";
    }
    void endTagOffersTheInnermostOpenElementFirst()
    {
        QFETCH(QByteArray, page);
        QFETCH(QString, first);
        const QStringList list = tagCompletionList(page, true);
        QCOMPARE(list.first(), first);
        QCOMPARE(QSet<QString>(list.begin(), list.end()).size(), list.size()); // no repeats
        QVERIFY(list.size() >= 67);
    }

    void matchingTagPairs_data()
    {
        // "|" is the caret; the partner's name starts at `partner` (-1: none) in the text
        // without the "|".
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("partner");
        QTest::newRow("start tag") << "<|B>x</B>"
                                   << "B" << 6;
        QTest::newRow("end tag") << "<B>x</|B>"
                                 << "B" << 1;
        QTest::newRow("outer of nested") << "<|B><B>in</B></B>"
                                         << "B" << 14;
        QTest::newRow("inner of nested") << "<B><|B>in</B></B>"
                                         << "B" << 10;
        QTest::newRow("letter case") << "<ta|ble>x</TABLE>"
                                     << "table" << 10;
        QTest::newRow("digits") << "<H1|>t</H1>"
                                << "H1" << 7;
        QTest::newRow("comment skipped") << "<|I><!-- </I> -->x</I>"
                                         << "I" << 19;
        QTest::newRow("start tag ended by the next") << "<|P>one<P>two"
                                                     << "P" << 7;
        QTest::newRow("unclosed end tag") << "x</|B>"
                                          << "B" << -1;
        QTest::newRow("empty element") << "<B|R>x</BR>"
                                       << "BR" << -1;
        QTest::newRow("text") << "<B>te|xt</B>"
                              << "" << -1;
        QTest::newRow("not a tag") << "a<3|"
                                   << "" << -1;
    }
    void matchingTagPairs()
    {
        QFETCH(QString, page);
        QFETCH(QString, name);
        QFETCH(int, partner);
        const qsizetype caret = page.indexOf(QLatin1Char('|'));
        const QByteArray text = page.remove(caret, 1).toLatin1();
        const TagMatch match = matchingTag(text, caret);
        QCOMPARE(match.inTagName(), !name.isEmpty());
        if (match.inTagName())
            QCOMPARE(QString::fromLatin1(text.mid(match.nameStart, match.nameLength)), name);
        QCOMPARE(match.partnerStart, qsizetype(partner));
        if (partner >= 0)
            QVERIFY(text.mid(partner, match.partnerLength)
                        .compare(name.toLatin1(), Qt::CaseInsensitive) == 0);
    }

    void lineNumbers_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("line"); // 0: not a number
        QTest::newRow("plain") << "5" << 10 << 5;
        QTest::newRow("last line") << "10" << 10 << 10;
        QTest::newRow("past the end") << "11" << 10 << 10;
        QTest::newRow("far past the end") << "99999999999999999999" << 10 << 10;
        QTest::newRow("zero") << "0" << 10 << 1;
        QTest::newRow("negative") << "-3" << 10 << 1;
        QTest::newRow("letters") << "abc" << 10 << 0;
        QTest::newRow("nothing") << "  " << 10 << 0;
        QTest::newRow("fraction") << "4.5" << 10 << 0;
        QTest::newRow("other digits") << QStringLiteral("\u0665") << 10 << 0;
    }
    void lineNumbers()
    {
        QFETCH(QString, typed);
        QFETCH(int, lines);
        QFETCH(int, line);
        const std::optional<int> result = lineNumberFrom(typed, lines);
        QCOMPARE(result.value_or(0), line);
    }

    void schemeReadsWellOnLightAndDarkPaper_data()
    {
        QTest::addColumn<QColor>("base");
        QTest::addColumn<QColor>("text");
        QTest::newRow("white") << QColor(Qt::white) << QColor(Qt::black);
        QTest::newRow("Adwaita dark") << QColor(0x2D, 0x2D, 0x2D) << QColor(0xEE, 0xEE, 0xEC);
        QTest::newRow("near black") << QColor(0x1E, 0x1E, 0x1E) << QColor(0xD4, 0xD4, 0xD4);
    }
    void schemeReadsWellOnLightAndDarkPaper()
    {
        QFETCH(QColor, base);
        QFETCH(QColor, text);
        const HighlightScheme s = highlightSchemeFor(base, text);
        QCOMPARE(s.paper, base);
        const QList<QColor> inks{s.tag, s.attribute, s.value, s.entity, s.comment, s.declaration};
        for (const QColor& ink : inks)
            QVERIFY2(contrast(ink, base) >= 4.5, qPrintable(ink.name() + " on " + base.name()));
        QVERIFY(contrast(s.marginText, s.margin) >= 4.5);
        QVERIFY2(contrast(s.match, base) >= 3.0, qPrintable(s.match.name())); // the tag mark
        QCOMPARE(QSet<QRgb>({s.tag.rgb(), s.attribute.rgb(), s.value.rgb(), s.entity.rgb(),
                             s.comment.rgb()})
                     .size(),
                 5);
    }

    void highlightingColoursMarkupInTheUsersFont()
    {
        TMarginRichEdit edit;
        const QFont font(QStringLiteral("Courier"), 13);
        edit.SetDisplayFont(font);
        edit.SetHighlighting(true);
        const QByteArray page = "<B CLASS=x>a &amp; b</B><!-- c -->";
        edit.SetEditorUtf8(page);
        edit.SendScintilla(Sci::SCI_COLOURISE, 0L, -1L);
        auto styleAt = [&](qsizetype at) {
            return int(edit.SendScintilla(Sci::SCI_GETSTYLEAT, long(at)));
        };
        QCOMPARE(styleAt(page.indexOf('B')), int(QsciLexerHTML::Tag));
        QCOMPARE(styleAt(page.indexOf("CLASS")), int(QsciLexerHTML::Attribute));
        QCOMPARE(styleAt(page.indexOf("x>")), int(QsciLexerHTML::HTMLValue));
        QCOMPARE(styleAt(page.indexOf("&amp;")), int(QsciLexerHTML::Entity));
        QCOMPARE(styleAt(page.indexOf("c -->")), int(QsciLexerHTML::HTMLComment));
        QCOMPARE(styleAt(page.indexOf("a &")), int(QsciLexerHTML::Default));
        QSet<long> colours;
        for (int style : {1, 3, 19, 10, 9, 0}) {
            char family[128] = {};
            edit.SendScintilla(Sci::SCI_STYLEGETFONT, long(style), family);
            QCOMPARE(QString::fromLatin1(family), font.family());
            QCOMPARE(edit.SendScintilla(Sci::SCI_STYLEGETSIZE, long(style)), 13L);
            colours.insert(edit.SendScintilla(Sci::SCI_STYLEGETFORE, long(style)));
        }
        QCOMPARE(colours.size(), 6);
        QCOMPARE(edit.EditorUtf8(), page);
        // A later font change reaches every style too; switching off leaves one plain style.
        edit.SetDisplayFont(QFont(QStringLiteral("Courier"), 15));
        QCOMPARE(edit.SendScintilla(Sci::SCI_STYLEGETSIZE, long(QsciLexerHTML::Attribute)), 15L);
        edit.SetHighlighting(false);
        QCOMPARE(styleAt(page.indexOf('B')), 0);
        QCOMPARE(edit.EditorUtf8(), page);
    }

    void longLinesStayCutShortWithHighlighting()
    {
        TMarginRichEdit edit;
        edit.SetHighlighting(true);
        edit.resize(500, 300);
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        const long limit = TMarginRichEdit::kLongLineDisplayLimit;
        const QByteArray page = "<I>a</I>\n<B>" + QByteArray(limit + 500, 'x') + "</B>\n<P>end";
        edit.SetEditorUtf8(page);
        QCOMPARE(edit.LongLinesCutShort(), 1);
        auto hidden = [&](long at) {
            const long style = edit.SendScintilla(Sci::SCI_GETSTYLEAT, at) & 0xFF;
            return edit.SendScintilla(Sci::SCI_STYLEGETVISIBLE, style) == 0;
        };
        const long line = 9;
        for (int round = 0; round < 2; ++round) {
            edit.viewport()->repaint();
            QVERIFY(hidden(line + limit + 10));
            QVERIFY(hidden(long(page.indexOf("</B>"))));
            QVERIFY(!hidden(line + 1));
            QCOMPARE(edit.SendScintilla(Sci::SCI_GETSTYLEAT, line + 1), long(QsciLexerHTML::Tag));
            QCOMPARE(edit.SendScintilla(Sci::SCI_GETSTYLEAT, long(page.indexOf("<P>") + 1)),
                     long(QsciLexerHTML::Tag));
            // Something else runs the lexer over the whole page; the next paint hides the tail
            // again.
            edit.SendScintilla(Sci::SCI_COLOURISE, 0L, -1L);
        }
        QCOMPARE(edit.EditorUtf8(), page);
    }

    // The status field's column: UTF-16 units from the line's start, however long the line and
    // wherever Scintilla's gap stands.
    void caretColumn_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("caret"); // in the line, in UTF-16 units
        QTest::addColumn<int>("gap");   // where an edit leaves the gap; -1: none
        const QString mixed = QStringLiteral("a\u00e9\u20ac") + QString::fromUcs4(U"\U0001D11E") +
                              QStringLiteral("b");
        QTest::newRow("start") << mixed << 0 << -1;
        QTest::newRow("after two-, three- and four-byte characters") << mixed << 6 << -1;
        QTest::newRow("gap before the caret") << mixed << 6 << 2;
        const QString minified = mixed.repeated(30000); // 330,000 bytes on one line
        QTest::newRow("middle of a minified line") << minified << 90003 << -1;
        QTest::newRow("gap inside the minified line") << minified << 150000 << 40002;
        QTest::newRow("gap after the caret") << minified << 90003 << 120000;
    }
    void caretColumn()
    {
        QFETCH(QString, line);
        QFETCH(int, caret);
        QFETCH(int, gap);
        TMarginRichEdit edit;
        const QString before = QStringLiteral("<P>first line\n");
        edit.SetEditorText(before + line + QStringLiteral("\nlast"));
        if (gap >= 0) {
            // An edit there and back leaves the gap where it was made.
            edit.SetSelectionStart(int(before.size()) + gap);
            edit.ReplaceSelection(QStringLiteral("z"));
            edit.SetSelectionStart(int(before.size()) + gap);
            edit.SetSelectionLength(1);
            edit.ReplaceSelection(QString());
        }
        edit.SetSelectionStart(int(before.size()) + caret);
        QCOMPARE(edit.CaretLine(), 2);
        QCOMPARE(edit.CaretColumn(), caret + 1);
    }

    // Bytes that are not UTF-8 count one unit each, as Scintilla counts them.
    void caretColumnOverBytesThatAreNotUtf8()
    {
        TMarginRichEdit edit;
        edit.SetEditorUtf8(QByteArray("x\nab\xff\xfe\xe2\x82"
                                      "cd"));
        edit.SendScintilla(Sci::SCI_GOTOPOS, 10L);
        QCOMPARE(edit.CaretColumn(), int(edit.SendScintilla(Sci::SCI_COUNTCODEUNITS, 2L, 10L)) + 1);
        QVERIFY(edit.CaretColumn() >= 7);
    }

    // Redrawing a line too long to draw in full twice a second would keep a core busy: in
    // such a line the caret stays on without blinking, and blinks again elsewhere.
    void caretIsSteadyInALongLine()
    {
        TMarginRichEdit edit;
        edit.SetHighlighting(true);
        edit.resize(500, 300);
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        edit.setFocus();
        const long limit = TMarginRichEdit::kLongLineDisplayLimit;
        const QByteArray page = "<P>short\n<B>" + QByteArray(limit + 500, 'x') + "</B>\nend";
        edit.SetEditorUtf8(page);
        const long period = edit.SendScintilla(Sci::SCI_GETCARETPERIOD);
        QVERIFY(period > 0);
        auto caretAt = [&](long byte) {
            edit.SendScintilla(Sci::SCI_GOTOPOS, byte);
            edit.viewport()->repaint();
            QCoreApplication::processEvents();
        };
        auto caretShown = [&] {
            return edit.SendScintilla(Sci::SCI_GETCARETSTYLE) != Sci::CARETSTYLE_INVISIBLE &&
                   edit.SendScintilla(Sci::SCI_GETCARETWIDTH) > 0;
        };
        caretAt(3);
        QVERIFY(edit.CaretBlinks());
        caretAt(long(page.indexOf('x')) + limit / 2);
        QVERIFY(!edit.CaretBlinks());
        QCOMPARE(edit.SendScintilla(Sci::SCI_GETCARETPERIOD), 0L);
        QVERIFY(caretShown());
        caretAt(long(page.size()) - 1);
        QVERIFY(edit.CaretBlinks());
        QCOMPARE(edit.SendScintilla(Sci::SCI_GETCARETPERIOD), period);
        QVERIFY(caretShown());
        // A line that grows long under the caret stops the blinking too.
        caretAt(3);
        edit.ReplaceSelection(QString(int(limit), QLatin1Char('y')));
        caretAt(long(edit.SendScintilla(Sci::SCI_GETCURRENTPOS)));
        QVERIFY(!edit.CaretBlinks());
    }

    // Key sequences typed into the editor: "\n" is Return, "\t" Tab, "v" (U+2193) Down; "|"
    // in the page is the caret (at the end without one).
    void completionKeys_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("result");
        QTest::addColumn<int>("caret");
        const QString down(QChar(0x2193));
        QTest::newRow("Return straight after <") << "if a "
                                                 << "<\nb"
                                                 << "if a <\nb" << 8;
        QTest::newRow("Tab straight after <") << "<B>"
                                              << "<\tx"
                                              << "<B><\tx" << 6;
        QTest::newRow("Return straight after </") << "<B>x"
                                                  << "</\n"
                                                  << "<B>x</\n"
                                                  << 7;
        QTest::newRow("a letter, then Tab") << ""
                                            << "<ta\t"
                                            << "<TABLE" << 6;
        QTest::newRow("moved in the list, then Return") << ""
                                                        << "<" + down + "\n"
                                                        << "<ADDRESS" << 8;
        QTest::newRow("lower-case page") << "<table>\n<tr>"
                                         << "<t\t"
                                         << "<table>\n<tr><table" << 18;
        QTest::newRow("the nearest tags decide") << "<B>x</B>\n<i>y"
                                                 << "<u\t"
                                                 << "<B>x</B>\n<i>y<u" << 15;
        QTest::newRow("end tag, > typed over") << "<ul>\n<li>a"
                                               << "</l\n>"
                                               << "<ul>\n<li>a</li>" << 15;
        QTest::newRow("> typed later stays") << "<B>x"
                                             << "</b\nz>"
                                             << "<B>x</B>z>" << 10;
        QTest::newRow("> that was there") << "<B>x|>"
                                          << "</b\n>"
                                          << "<B>x</B>" << 8;
        QTest::newRow("HTML5 page") << "<!DOCTYPE html>\n<body>"
                                    << "<sec\t"
                                    << "<!DOCTYPE html>\n<body><section" << 30;
        QTest::newRow("HTML 3.2 page") << "<HTML>\n<BODY>"
                                       << "<sec\t"
                                       << "<HTML>\n<BODY><sec\t" << 18;
    }
    void completionKeys()
    {
        QFETCH(QString, page);
        QFETCH(QString, keys);
        QFETCH(QString, result);
        QFETCH(int, caret);
        TMarginRichEdit edit;
        edit.SetTagCompletion(true);
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        const qsizetype at = page.indexOf(QLatin1Char('|'));
        edit.SetEditorText(QString(page).remove(QLatin1Char('|')));
        edit.SetSelectionStart(at < 0 ? int(page.size()) : int(at));
        edit.setFocus();
        for (const QChar key : keys) {
            if (key == u'\n')
                QTest::keyClick(&edit, Qt::Key_Return);
            else if (key == u'\t')
                QTest::keyClick(&edit, Qt::Key_Tab);
            else if (key == QChar(0x2193))
                QTest::keyClick(&edit, Qt::Key_Down);
            else
                QTest::keyClicks(&edit, QString(key));
        }
        QCOMPARE(edit.EditorText(), result);
        QCOMPARE(edit.SelectionStart(), caret);
        QCOMPARE(edit.SelectionLength(), 0);
    }

    // Small pages: their folds ("first-last" lines, from 1) and where Go to Matching Tag takes
    // the caret from "|" (-1: it stays).
    void foldsAndPartners_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("folds");
        QTest::addColumn<int>("target");
        QTest::newRow("list items without end tags") << "<UL>\n<L|I>a\n<LI>b\n</UL>\n<P>after"
                                                     << "1-3" << 11;
        QTest::newRow("an item over lines") << "<UL>\n<LI>one\ntwo\n<L|I>three\n</UL>"
                                            << "1-4 2-3" << 27;
        QTest::newRow("paragraphs") << "<P>a\nb\n<|P>c\nd"
                                    << "1-2 3-4" << 13;
        QTest::newRow("rows and cells") << "<TABLE>\n<TR>\n<TD>a\n<TD>b\n<T|R>\n<TD>c\n</TABLE>"
                                        << "1-6 2-4 5-6" << 36;
        QTest::newRow("stated end tags") << "<UL>\n<LI>a\n<UL>\n<LI>b\n</UL>\n</U|L>"
                                         << "1-5 2-5 3-4" << 1;
        QTest::newRow("head ended by body")
            << "<HTML>\n<H|EAD>\n<TITLE>t</TITLE>\n<BODY>\nx\n</HTML>"
            << "1-5 2-3 4-5" << 31;
        QTest::newRow("comments hide tags") << "<|B>\n<!-- <UL> -->\n</B>"
                                            << "1-2" << 20;
        QTest::newRow("empty element") << "<UL>\n<B|R>\n</UL>"
                                       << "1-2" << -1;
    }
    void foldsAndPartners()
    {
        QFETCH(QString, page);
        QFETCH(QString, folds);
        QFETCH(int, target);
        TMarginRichEdit edit;
        edit.SetHighlighting(true);
        edit.resize(400, 300);
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        const int caret = int(page.indexOf(QLatin1Char('|')));
        edit.SetEditorText(QString(page).remove(QLatin1Char('|')));
        auto foldsShown = [&] {
            QStringList list;
            for (long line = 0; line < edit.LineCount(); ++line) {
                if (!(edit.SendScintilla(Sci::SCI_GETFOLDLEVEL, line) &
                      Sci::SC_FOLDLEVELHEADERFLAG))
                    continue;
                const long last = edit.SendScintilla(Sci::SCI_GETLASTCHILD, line, -1L);
                if (last > line)
                    list.append(QStringLiteral("%1-%2").arg(line + 1).arg(last + 1));
            }
            return list.join(QLatin1Char(' '));
        };
        QTRY_COMPARE(foldsShown(), folds);
        // The lexer styling the whole page leaves the levels alone.
        edit.SendScintilla(Sci::SCI_COLOURISE, 0L, -1L);
        QCOMPARE(foldsShown(), folds);
        edit.SetSelectionStart(caret);
        QCOMPARE(edit.GoToMatchingTag(), target >= 0);
        QCOMPARE(edit.SelectionStart(), target >= 0 ? target : caret);
    }

    // An edit far down the page, then one at its top: the levels follow both.
    void foldsFollowEdits()
    {
        TMarginRichEdit edit;
        edit.SetHighlighting(true);
        edit.resize(400, 300);
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        QString page;
        for (int i = 0; i < 600; ++i)
            page += QStringLiteral("<P>a\nb\n");
        edit.SetEditorText(page);
        auto levelOf = [&](int line) {
            return edit.SendScintilla(Sci::SCI_GETFOLDLEVEL, long(line)) &
                   (Sci::SC_FOLDLEVELNUMBERMASK | Sci::SC_FOLDLEVELHEADERFLAG);
        };
        const long base = Sci::SC_FOLDLEVELBASE;
        QTRY_COMPARE(levelOf(0), base | Sci::SC_FOLDLEVELHEADERFLAG);
        edit.GoToLine(1101);
        QTRY_COMPARE(levelOf(1101), base + 1);
        // "<UL>" at the top puts every paragraph one deeper.
        edit.SetSelectionStart(0);
        edit.ReplaceSelection(QStringLiteral("<UL>\n"));
        edit.GoToLine(1102);
        QTRY_COMPARE(levelOf(1101), (base + 1) | Sci::SC_FOLDLEVELHEADERFLAG);
        QTRY_COMPARE(levelOf(1102), base + 2);
        QCOMPARE(levelOf(0), base | Sci::SC_FOLDLEVELHEADERFLAG);
    }

    void partnerMarkShowsOnLightAndDarkPaper_data()
    {
        QTest::addColumn<QColor>("base");
        QTest::addColumn<QColor>("text");
        QTest::newRow("light") << QColor(Qt::white) << QColor(Qt::black);
        QTest::newRow("Adwaita dark") << QColor(0x2D, 0x2D, 0x2D) << QColor(0xEE, 0xEE, 0xEC);
    }
    void partnerMarkShowsOnLightAndDarkPaper()
    {
        QFETCH(QColor, base);
        QFETCH(QColor, text);
        TMarginRichEdit edit;
        QPalette palette = edit.palette();
        palette.setColor(QPalette::Base, base);
        palette.setColor(QPalette::Text, text);
        edit.setPalette(palette);
        edit.SetHighlighting(true);
        edit.resize(300, 100);
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        edit.SetEditorText(QStringLiteral("<B>x</B>"));
        // The partner's name, "B" of "</B>", and a pixel around it.
        const long x0 = edit.SendScintilla(Sci::SCI_POINTXFROMPOSITION, 0L, 6L) - 1;
        const long x1 = edit.SendScintilla(Sci::SCI_POINTXFROMPOSITION, 0L, 7L) + 1;
        const long y0 = edit.SendScintilla(Sci::SCI_POINTYFROMPOSITION, 0L, 6L);
        const long y1 = y0 + edit.SendScintilla(Sci::SCI_TEXTHEIGHT, 0L);
        edit.SetSelectionStart(3); // in the text: nothing marked
        QTest::qWait(50);
        const QImage unmarked = edit.viewport()->grab().toImage();
        // Pixels the mark changed that stand out from the paper by 3:1 or more.
        auto markPixels = [&] {
            const QImage shot = edit.viewport()->grab().toImage();
            int count = 0;
            for (long y = y0; y < y1; ++y)
                for (long x = x0; x <= x1; ++x) {
                    const QColor c = shot.pixelColor(int(x), int(y));
                    if (c != unmarked.pixelColor(int(x), int(y)) && contrast(c, base) >= 3.0)
                        ++count;
                }
            return count;
        };
        QCOMPARE(markPixels(), 0);
        edit.SetSelectionStart(1);
        QTRY_VERIFY(markPixels() > 4);
    }

    void completionInsertsOnlyWhatIsAccepted()
    {
        TMarginRichEdit edit;
        edit.SetTagCompletion(true);
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        edit.SetEditorText(QStringLiteral("<B>x"));
        edit.SetSelectionStart(4);
        edit.setFocus();
        auto listShown = [&] { return edit.SendScintilla(Sci::SCI_AUTOCACTIVE) != 0; };
        QTest::keyClicks(&edit, QStringLiteral("<"));
        QVERIFY(listShown());
        QCOMPARE(edit.EditorText(), QStringLiteral("<B>x<"));
        QTest::keyClick(&edit, Qt::Key_Escape);
        QVERIFY(!listShown());
        QCOMPARE(edit.EditorText(), QStringLiteral("<B>x<"));
        // Typing on narrows the list; Tab takes the name, in upper case.
        QTest::keyClicks(&edit, QStringLiteral("/"));
        QVERIFY(listShown());
        QTest::keyClick(&edit, Qt::Key_Backspace);
        QTest::keyClick(&edit, Qt::Key_Backspace);
        QTest::keyClicks(&edit, QStringLiteral("<ce"));
        QTest::keyClick(&edit, Qt::Key_Tab);
        QCOMPARE(edit.EditorText(), QStringLiteral("<B>x<CENTER"));
        QTest::keyClicks(&edit, QStringLiteral(">y</"));
        QVERIFY(listShown());
        QTest::keyClicks(&edit, QStringLiteral("C"));
        QTest::keyClick(&edit, Qt::Key_Return);
        QCOMPARE(edit.EditorText(), QStringLiteral("<B>x<CENTER>y</CENTER>"));
        QCOMPARE(edit.SelectionStart(), 22);
        // A command that writes closes the list, so Enter cannot take back what it wrote.
        QTest::keyClicks(&edit, QStringLiteral("<"));
        edit.WrapSelection(QStringLiteral("<I>"), QStringLiteral("</I>"));
        QVERIFY(!listShown());
        QTest::keyClick(&edit, Qt::Key_Return);
        QCOMPARE(edit.EditorText(), QStringLiteral("<B>x<CENTER>y</CENTER><<I>\n</I>"));
        // Switched off: "<" is only a character.
        edit.SetTagCompletion(false);
        QTest::keyClicks(&edit, QStringLiteral("<"));
        QVERIFY(!listShown());
    }
};

VORLANE_TEST_MAIN(MarkupHelpTest)
#include "markup_help_test.moc"
