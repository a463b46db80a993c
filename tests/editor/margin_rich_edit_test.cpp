#include "editor/margin_rich_edit.h"
#include "support/test_main.h"

#include <QClipboard>
#include <QGuiApplication>

class MarginRichEditTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void selectionIsCountedInCharacters()
    {
        TMarginRichEdit edit;
        edit.SetEditorText(QStringLiteral("caf\u00e9 \U0001F600 na\u00efve\nzw\u00f6lf"));
        QCOMPARE(edit.TextLength(), 19);
        edit.SetSelectionStart(8);
        edit.SetSelectionLength(5);
        QCOMPARE(edit.SelectedText(), QStringLiteral("na\u00efve"));
        QCOMPARE(edit.SelectionStart(), 8);
        QCOMPARE(edit.SelectionLength(), 5);
        edit.SetSelectionStart(14);
        edit.SetSelectionLength(100); // cut off at the end
        QCOMPARE(edit.SelectedText(), QStringLiteral("zw\u00f6lf"));
        edit.SetSelectionStart(3);
        QCOMPARE(edit.SelectionLength(), 0);
        QCOMPARE(edit.SelectedText(), QString());
    }

    void wrapSelection_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("result");
        QTest::addColumn<int>("caret");
        QTest::newRow("empty text") << QString() << 0 << 0 << QStringLiteral("<B></B>") << 3;
        QTest::newRow("middle three")
            << QStringLiteral("abcde") << 1 << 3 << QStringLiteral("a<B>bcd</B>e") << 11;
        QTest::newRow("caret inside")
            << QStringLiteral("ab") << 1 << 0 << QStringLiteral("a<B></B>b") << 4;
        QTest::newRow("non-ascii") << QStringLiteral("\u00e9\u00e8") << 0 << 1
                                   << QStringLiteral("<B>\u00e9</B>\u00e8") << 8;
    }
    void wrapSelection()
    {
        QFETCH(QString, text);
        QFETCH(int, start);
        QFETCH(int, length);
        QFETCH(QString, result);
        QFETCH(int, caret);
        TMarginRichEdit edit;
        edit.SetEditorText(text);
        edit.SetSelectionStart(start);
        edit.SetSelectionLength(length);
        edit.WrapSelection(QStringLiteral("<B>"), QStringLiteral("</B>"));
        QCOMPARE(edit.EditorText(), result);
        QCOMPARE(edit.SelectionStart(), caret);
        QCOMPARE(edit.SelectionLength(), 0);
        QVERIFY(edit.ModifiedFlag());
    }

    void appendKeepsTheSelectionInFront()
    {
        TMarginRichEdit edit;
        edit.SetEditorText(QStringLiteral("x"));
        edit.SetSelectionStart(0);
        edit.SetSelectionLength(1);
        edit.AppendAfterSelection(QStringLiteral("&gt;"));
        QCOMPARE(edit.EditorText(), QStringLiteral("x&gt;"));
        QCOMPARE(edit.SelectionStart(), 5);
        QCOMPARE(edit.SelectionLength(), 0);
    }

    void eachInsertionIsOneUndoStep()
    {
        TMarginRichEdit edit;
        edit.SetEditorText(QStringLiteral("word"));
        QVERIFY(!edit.isUndoAvailable());
        edit.SetSelectionStart(0);
        edit.SetSelectionLength(4);
        edit.WrapSelection(QStringLiteral("<I>"), QStringLiteral("</I>"));
        edit.SetSelectionStart(edit.TextLength());
        edit.ReplaceSelection(QStringLiteral("<BR>\n"));
        edit.UndoLastEdit();
        QCOMPARE(edit.EditorText(), QStringLiteral("<I>word</I>"));
        edit.UndoLastEdit();
        QCOMPARE(edit.EditorText(), QStringLiteral("word"));
    }

    void textWithNulAndSpecialCharactersRoundTrips()
    {
        TMarginRichEdit edit;
        const QByteArray utf8("a\0b\xC2\xA0\xE2\x80\xA8z\n", 10);
        edit.SetEditorUtf8(utf8);
        QCOMPARE(edit.EditorUtf8(), utf8);
        QCOMPARE(edit.lines(), 2); // U+2028 is not a line end
        edit.SetSelectionStart(0);
        edit.SetSelectionLength(3);
        QCOMPARE(edit.SelectedText(), QString::fromUtf8("a\0b", 3));
        edit.ReplaceSelection(QString::fromUtf8("\0", 1));
        QCOMPARE(edit.EditorUtf8(), QByteArray("\0\xC2\xA0\xE2\x80\xA8z\n", 8));
    }

    void textRunsHoldTheWholeTextWhereverTheGapIs()
    {
        TMarginRichEdit edit;
        edit.SetEditorText(QStringLiteral("one\ntwo \u00e9\nthree"));
        for (int at : {0, 5, 9, 14}) {
            edit.SetSelectionStart(at);
            edit.ReplaceSelection(QStringLiteral("x"));
            const TextRuns runs = edit.EditorTextRuns();
            // Copied before anything else reads the text: reading may move the gap.
            const QByteArray joined = runs.first.toByteArray() + runs.second.toByteArray();
            QCOMPARE(joined, edit.EditorUtf8());
        }
    }

    void selectAllTakesTheWholeText()
    {
        TMarginRichEdit edit;
        edit.SetEditorText(QString(1200000, QLatin1Char('a')));
        edit.SelectAllText();
        QCOMPARE(edit.SelectionStart(), 0);
        QCOMPARE(edit.SelectionLength(), 1200000);
    }

    void modifiedFlagFollowsEditsAndSaves()
    {
        TMarginRichEdit edit;
        edit.SetEditorText(QStringLiteral("abc"));
        edit.SetModifiedFlag(false);
        QVERIFY(!edit.ModifiedFlag());
        edit.ReplaceSelection(QStringLiteral("x"));
        QVERIFY(edit.ModifiedFlag());
        edit.SetModifiedFlag(false);
        QVERIFY(!edit.ModifiedFlag());
        edit.SetModifiedFlag(true);
        QVERIFY(edit.ModifiedFlag());
    }

    void searchIgnoresCaseAndStartsWhereAsked()
    {
        TMarginRichEdit edit;
        edit.SetEditorText(QStringLiteral("Table TABLE \u00e9table"));
        QCOMPARE(edit.FindText(QStringLiteral("table"), 0), 0);
        QCOMPARE(edit.FindText(QStringLiteral("table"), 1), 6);
        QCOMPARE(edit.FindText(QStringLiteral("table"), 7), 13);
        QCOMPARE(edit.FindText(QStringLiteral("table"), 14), -1);
    }

    void searchFoldsLettersBeyondAscii()
    {
        TMarginRichEdit edit;
        edit.SetEditorText(QStringLiteral(
            "\u00c9T\u00c9 et \u00e9t\u00e9, \u041f\u0420\u0418 \u043f\u0440\u0438"));
        QCOMPARE(edit.FindText(QStringLiteral("\u00e9t\u00e9"), 0), 0);
        QCOMPARE(edit.FindText(QStringLiteral("\u00e9t\u00e9"), 1), 7);
        QCOMPARE(edit.FindText(QStringLiteral("\u043f\u0440\u0438"), 0), 12);
        QCOMPARE(edit.FindText(QStringLiteral("\u043f\u0440\u0438"), 13), 16);
        QCOMPARE(edit.ReplaceAllText(QStringLiteral("\u00e9t\u00e9"), QStringLiteral("summer")), 2);
        QCOMPARE(edit.EditorText(),
                 QStringLiteral("summer et summer, \u041f\u0420\u0418 \u043f\u0440\u0438"));
        QCOMPARE(edit.SelectionStart(), 16); // after the last replacement
        edit.UndoLastEdit();                 // one step
        QCOMPARE(edit.EditorText(),
                 QStringLiteral(
                     "\u00c9T\u00c9 et \u00e9t\u00e9, \u041f\u0420\u0418 \u043f\u0440\u0438"));
        QCOMPARE(edit.ReplaceAllText(QStringLiteral("ET"), QStringLiteral("and")), 1);
        QCOMPARE(edit.SelectionStart(), 7);
        QCOMPARE(edit.ReplaceAllText(QStringLiteral("\u00fc"), QStringLiteral("x")), 0);
    }

    void readOnlyRefusesCommandEdits()
    {
        TMarginRichEdit edit;
        edit.SetEditorText(QStringLiteral("abc"));
        edit.SetReadOnly(true);
        edit.ReplaceSelection(QStringLiteral("x"));
        QCOMPARE(edit.EditorText(), QStringLiteral("abc"));
        edit.SetEditorText(QStringLiteral("loaded")); // loading still works
        QCOMPARE(edit.EditorText(), QStringLiteral("loaded"));
        QVERIFY(edit.ReadOnly());
    }

    void absurdlyLongLinesAreDrawnCutShortButKeptWhole()
    {
        TMarginRichEdit edit;
        const long limit = TMarginRichEdit::kLongLineDisplayLimit;
        QByteArray text = "short line\n" + QByteArray(limit + 500, 'a') + "\nend";
        edit.SetEditorUtf8(text);
        QCOMPARE(edit.LongLinesCutShort(), 1);
        const long lineStart = 11;
        auto styleAt = [&](long pos) {
            return edit.SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT, pos);
        };
        QCOMPARE(styleAt(lineStart + limit - 1), 0L);
        QVERIFY(styleAt(lineStart + limit) != 0L);
        QVERIFY(styleAt(lineStart + limit + 499) != 0L);
        QCOMPARE(styleAt(long(text.size()) - 1), 0L); // the next line is drawn
        QCOMPARE(edit.EditorUtf8(), text);            // nothing of the text is lost
        // Typing at the start of the long line keeps the cut where it was in the text.
        edit.SetSelectionStart(int(lineStart));
        edit.ReplaceSelection(QStringLiteral("x"));
        QVERIFY(styleAt(lineStart + limit + 1) != 0L);
        // A pasted long line is cut short on screen too.
        edit.SetEditorText(QStringLiteral("x"));
        QCOMPARE(edit.LongLinesCutShort(), 0);
        QGuiApplication::clipboard()->setText(QString(limit + 10, QLatin1Char('b')));
        edit.SetSelectionStart(1);
        edit.PasteClipboard();
        QCOMPARE(edit.LongLinesCutShort(), 1);
        QCOMPARE(edit.TextLength(), int(limit) + 11);
        // A page of ordinary lines cuts nothing.
        edit.SetEditorText(QStringLiteral("a\nb"));
        QCOMPARE(edit.LongLinesCutShort(), 0);
    }

    void marginUnitsAndTwips()
    {
        TMargin m;
        m.SetLeft(1000); // one inch
        m.SetTop(500);
        QCOMPARE(m.LeftTwips(), 1440);
        QCOMPARE(m.TopTwips(), 720);
        m.SetUnits(TMeasurementUnits::muMillimeters);
        QCOMPARE(m.Left(), 2540);
        QCOMPARE(m.LeftTwips(), 1440); // unchanged until a margin is set
        m.SetRight(100);
        QCOMPARE(m.LeftTwips(), 2540 * 57 / 100);
        QCOMPARE(m.RightTwips(), 57);
        m.SetUnits(TMeasurementUnits::muMillimeters);
        QCOMPARE(m.Left(), 2540);
        m.SetUnits(TMeasurementUnits::muInches);
        QCOMPARE(m.Left(), 1000);
    }

    void marginsAgainstTheUnprintableBorder()
    {
        PrinterMetrics m;
        m.logPixelsX = m.logPixelsY = 600;
        m.physicalOffsetX = m.physicalOffsetY = 150; // a quarter inch
        m.physicalWidth = 5100;
        m.physicalHeight = 6600;
        m.horzRes = 4800;
        m.vertRes = 6300;
        const QRect page = pageRectTwips(m);
        QCOMPARE(page, QRect(0, 0, 11520, 15120));

        TMargin zero;
        QCOMPARE(textRectTwips(zero, m, page), page);

        TMargin one;
        one.SetLeft(1000);
        one.SetTop(1000);
        one.SetRight(1000);
        one.SetBottom(100); // smaller than the border: full edge, reset to 0
        const QRect text = textRectTwips(one, m, page);
        QCOMPARE(text.left(), 1440 - 360);
        QCOMPARE(text.top(), 1440 - 360);
        QCOMPARE(text.right() + 1, 11520 + 360 - 1440);
        QCOMPARE(text.bottom() + 1, 15120);
        QCOMPARE(one.Bottom(), 0);
        QCOMPARE(one.Left(), 1000);
    }

    // Text and paper come as one readable pair from the palette, also when it changes later.
    void readableOnAnyPalette_data()
    {
        QTest::addColumn<QColor>("text");
        QTest::addColumn<QColor>("base");
        QTest::newRow("light") << QColor(Qt::black) << QColor(Qt::white);
        QTest::newRow("dark") << QColor(0xee, 0xee, 0xee) << QColor(0x1e, 0x1e, 0x1e);
    }
    void readableOnAnyPalette()
    {
        QFETCH(QColor, text);
        QFETCH(QColor, base);
        TMarginRichEdit editor;
        QPalette palette = editor.palette();
        palette.setColor(QPalette::Text, text);
        palette.setColor(QPalette::Base, base);
        editor.setPalette(palette);
        auto colour = [&](int message) {
            const long bgr = editor.SendScintilla(message, 0L);
            return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
        };
        const QColor fore = colour(QsciScintillaBase::SCI_STYLEGETFORE);
        const QColor back = colour(QsciScintillaBase::SCI_STYLEGETBACK);
        QCOMPARE(fore, text);
        QCOMPARE(back, base);
        QVERIFY(qAbs(fore.lightness() - back.lightness()) > 150);
    }
};

VORLANE_TEST_MAIN(MarginRichEditTest)
#include "margin_rich_edit_test.moc"
