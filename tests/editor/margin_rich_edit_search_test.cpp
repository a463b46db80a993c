#include "editor/margin_rich_edit.h"
#include "support/test_main.h"

#include <QAccessible>

// FindText takes a fast path for needles that begin with an ASCII character; whatever it
// finds must be exactly what Scintilla's own case-blind search finds. Needles with other
// characters are folded the Unicode way, since Scintilla folds ASCII letters only.
class MarginRichEditSearchTest : public QObject
{
    Q_OBJECT

    // The search FindText must agree with, as a character position.
    static int scintillaFind(const QString& text, const QString& needle, int from)
    {
        for (const QChar c : needle) {
            if (c.unicode() >= 0x80)
                return int(text.indexOf(needle, from, Qt::CaseInsensitive));
        }
        TMarginRichEdit reference;
        reference.SetEditorText(text);
        const QByteArray bytes = needle.toUtf8();
        reference.SendScintilla(QsciScintillaBase::SCI_SETSEARCHFLAGS, 0L);
        reference.SendScintilla(QsciScintillaBase::SCI_SETTARGETRANGE, reference.charToByte(from),
                                reference.SendScintilla(QsciScintillaBase::SCI_GETLENGTH));
        const long found = reference.SendScintilla(QsciScintillaBase::SCI_SEARCHINTARGET,
                                                   bytes.size(), bytes.constData());
        return found < 0 ? -1 : reference.byteToChar(found);
    }

private Q_SLOTS:
    void findsWhatScintillaFinds_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("needle");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("expected");
        const QString page = QStringLiteral("<HTML>\n<BODY>\ncaf\u00e9 \U0001F600 Page maintained "
                                            "by Quillbridge\n</BODY>\n</HTML>\n");
        QTest::newRow("ascii, other case") << page << QStringLiteral("page MAINTAINED") << 0 << 22;
        QTest::newRow("after an emoji") << page << QStringLiteral("quillbridge") << 0 << 41;
        QTest::newRow("from past the match") << page << QStringLiteral("<body>") << 8 << -1;
        QTest::newRow("from the match") << page << QStringLiteral("</body>") << 53 << 53;
        QTest::newRow("not there") << page << QStringLiteral("Quillbridges") << 0 << -1;
        QTest::newRow("needle longer than the rest")
            << page << QStringLiteral("</HTML>\nmore") << 0 << -1;
        QTest::newRow("from beyond the end") << page << QStringLiteral("a") << 500 << -1;
        QTest::newRow("accent inside the needle") << page << QStringLiteral("CAF\u00e9") << 0 << 14;
        QTest::newRow("needle begins with an accent")
            << page << QStringLiteral("\u00e9 ") << 0 << 17;
        QTest::newRow("accented capital") << page << QStringLiteral("CAF\u00c9") << 0 << 14;
        QTest::newRow("begins with an accented capital")
            << page << QStringLiteral("\u00c9 ") << 0 << 17;
        QTest::newRow("first letter repeats")
            << QStringLiteral("aaaab") << QStringLiteral("AAB") << 0 << 2;
        QTest::newRow("punctuation first")
            << QStringLiteral("x <<b> <B>") << QStringLiteral("<b>") << 0 << 3;
        // Characters whose case mappings lead to ASCII letters begin matches only if
        // Scintilla's folding says so; either way both searches agree.
        QTest::newRow("kelvin sign")
            << QStringLiteral("1 \u212a 2 k") << QStringLiteral("k") << 0 << -2;
        QTest::newRow("long s") << QStringLiteral("Me\u017fe mese") << QStringLiteral("se") << 0
                                << -2;
        QTest::newRow("sharp s") << QStringLiteral("Stra\u00dfe strasse") << QStringLiteral("SSE")
                                 << 0 << -2;
        QTest::newRow("dotted capital I")
            << QStringLiteral("\u0130stanbul istanbul") << QStringLiteral("ist") << 0 << -2;
        QTest::newRow("dotless i")
            << QStringLiteral("\u0131stanbul Istanbul") << QStringLiteral("Ist") << 0 << -2;
        QTest::newRow("accented words before")
            << QStringLiteral("\u00e9t\u00e9 na\u00efve X") << QStringLiteral("x") << 0 << 10;
    }
    void findsWhatScintillaFinds()
    {
        QFETCH(QString, text);
        QFETCH(QString, needle);
        QFETCH(int, from);
        QFETCH(int, expected);
        const int reference = scintillaFind(text, needle, from);
        if (expected != -2)
            QCOMPARE(reference, expected);
        TMarginRichEdit edit;
        edit.SetEditorText(text);
        QCOMPARE(edit.FindText(needle, from), reference);
    }

    void agreesWithScintillaOnMixedText()
    {
        // Letters in both cases, accents, a character that folds to ASCII and line ends, so
        // candidates fall everywhere in and across the eight-byte steps of the scan.
        const QList<QString> pieces = {QStringLiteral("a"),      QStringLiteral("A"),
                                       QStringLiteral("b"),      QStringLiteral("\u00e9"),
                                       QStringLiteral("\u00c9"), QStringLiteral(" "),
                                       QStringLiteral("\n"),     QStringLiteral("k"),
                                       QStringLiteral("\u212a"), QStringLiteral("ab")};
        quint32 state = 7;
        auto next = [&state](int n) {
            state = state * 1664525u + 1013904223u;
            return int((state >> 8) % quint32(n));
        };
        QString text;
        while (text.size() < 3000)
            text += pieces[next(pieces.size())];
        TMarginRichEdit edit;
        edit.SetEditorText(text);
        for (int i = 0; i < 60; ++i) {
            QString needle;
            const int length = 1 + next(4);
            while (needle.size() < length)
                needle += pieces[next(pieces.size())];
            const int from = next(text.size());
            QCOMPARE(edit.FindText(needle, from), scintillaFind(text, needle, from));
        }
    }

    void findsAcrossTheEditGap()
    {
        // An edit in the middle leaves Scintilla's gap there; the search must see through it.
        TMarginRichEdit edit;
        edit.SetEditorText(QString(3000, QLatin1Char('a')) + QStringLiteral(" needle"));
        edit.SetSelectionStart(1500);
        edit.ReplaceSelection(QStringLiteral("\u00fc"));
        QCOMPARE(edit.FindText(QStringLiteral("NEEDLE"), 0), 3002);
        QCOMPARE(edit.FindText(QStringLiteral("a\u00fca"), 0), 1499);
    }

    void positionsFollowANewText()
    {
        // The character index is rebuilt for each new text, not carried over.
        TMarginRichEdit edit;
        edit.SetEditorText(QStringLiteral("plain ascii text"));
        edit.SetSelectionStart(6);
        QCOMPARE(edit.SelectionStart(), 6);
        edit.SetEditorText(QStringLiteral("\u00e9\u00e9\u00e9 \U0001F600 end"));
        QCOMPARE(edit.TextLength(), 10);
        edit.SetSelectionStart(7);
        edit.SetSelectionLength(3);
        QCOMPARE(edit.SelectedText(), QStringLiteral("end"));
        QCOMPARE(edit.byteToChar(edit.charToByte(4)), 4);
    }

    void inputMethodsSeeAStretchOfTheCaretsLine()
    {
        TMarginRichEdit edit;
        const QString euros(3000, QChar(0x20AC)); // three bytes each
        edit.SetEditorText(QStringLiteral("first\n") + euros + QStringLiteral("\nlast"));
        edit.SetSelectionStart(6 + 1500);
        QWidget& widget = edit;
        const QString around = widget.inputMethodQuery(Qt::ImSurroundingText).toString();
        const int cursor = widget.inputMethodQuery(Qt::ImCursorPosition).toInt();
        // Cut between characters, never in the middle of one, and not past the line.
        QCOMPARE(around, QString(666, QChar(0x20AC)));
        QCOMPARE(cursor, 333);
        QCOMPARE(widget.inputMethodQuery(Qt::ImAnchorPosition).toInt(), 333);

        edit.SetSelectionStart(2);
        edit.SetSelectionLength(2);
        QCOMPARE(widget.inputMethodQuery(Qt::ImSurroundingText).toString(),
                 QStringLiteral("first"));
        QCOMPARE(widget.inputMethodQuery(Qt::ImAnchorPosition).toInt(), 2);
        QCOMPARE(widget.inputMethodQuery(Qt::ImCursorPosition).toInt(), 4);
    }

    void changeNoticesOnlyForListeners()
    {
        TMarginRichEdit edit;
        const long quiet = edit.SendScintilla(QsciScintillaBase::SCI_GETMODEVENTMASK);
        QVERIFY(!(quiet & QsciScintillaBase::SC_MOD_INSERTTEXT));
        QVERIFY(!(quiet & QsciScintillaBase::SC_MOD_DELETETEXT));
        // Without an assistive technology the editor is described without QScintilla's text
        // interface, which would count characters on every caret move.
        if (!QAccessible::isActive()) {
            QAccessibleInterface* description = QAccessible::queryAccessibleInterface(&edit);
            QVERIFY(description);
            QCOMPARE(description->role(), QAccessible::EditableText);
            QVERIFY(!description->textInterface());
        }
        edit.applyAccessibilityState(true);
        QVERIFY(edit.SendScintilla(QsciScintillaBase::SCI_GETMODEVENTMASK) &
                QsciScintillaBase::SC_MOD_INSERTTEXT);
        edit.applyAccessibilityState(false);
        QCOMPARE(edit.SendScintilla(QsciScintillaBase::SCI_GETMODEVENTMASK), quiet);
    }
};

VORLANE_TEST_MAIN(MarginRichEditSearchTest)
#include "margin_rich_edit_search_test.moc"
