#include "core/document_codec.h"
#include "support/test_main.h"

Q_DECLARE_METATYPE(TextEncoding)

namespace {
// What a save must produce from a file: every CR LF, lone CR and lone LF as CR LF.
QByteArray crlf(QByteArray bytes)
{
    bytes.replace("\r\n", "\n");
    bytes.replace('\r', '\n');
    bytes.replace("\n", "\r\n");
    return bytes;
}

// UTF-16 bytes from 16-bit units, in either byte order.
QByteArray units(std::initializer_list<char16_t> list, bool bigEndian)
{
    QByteArray out;
    for (char16_t u : list) {
        out.append(char(bigEndian ? u >> 8 : u & 0xFF));
        out.append(char(bigEndian ? u & 0xFF : u >> 8));
    }
    return out;
}

QByteArray allBytes()
{
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    return all;
}
} // namespace

class DocumentCodecTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void lineEndsBecomeOneLf_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("editor");
        QTest::newRow("crlf") << QByteArray("a\r\nb\r\n") << QByteArray("a\nb\n");
        QTest::newRow("lone cr") << QByteArray("a\rb\r") << QByteArray("a\nb\n");
        QTest::newRow("lone lf") << QByteArray("a\nb") << QByteArray("a\nb");
        QTest::newRow("mixed") << QByteArray("a\r\r\nb\n\rc") << QByteArray("a\n\nb\n\nc");
        QTest::newRow("windows-1252 cr")
            << QByteArray("\xe9\r\n\xe8\r") << QByteArray("\xc3\xa9\n\xc3\xa8\n");
        QTest::newRow("empty") << QByteArray() << QByteArray();
    }
    void lineEndsBecomeOneLf()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, editor);
        QCOMPARE(decodeDocument(file).utf8, editor);
        // Reading a file hands its buffer over; the text must come out the same.
        QByteArray owned = file;
        owned.detach();
        QCOMPARE(decodeDocument(std::move(owned)).utf8, editor);
        QByteArray marked = "\xEF\xBB\xBF" + file;
        const EditorBytes withMark = decodeDocument(std::move(marked));
        if (isValidUtf8(file.constData(), file.size())) {
            QCOMPARE(withMark.utf8, editor);
            QCOMPARE(withMark.format.encoding, TextEncoding::Utf8WithBom);
        }
    }

    // File -> editor -> file: how each kind of page is read, and that it is written back the
    // same way, byte for byte apart from line ends.
    void pagesRoundTrip_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("editor");
        QTest::addColumn<TextEncoding>("encoding");
        QTest::addColumn<QByteArray>("saved");
        const QByteArray utf8Page = "<P>caf\xC3\xA9\xC2\xA0\xE2\x80\xA8 \xF0\x9F\x98\x80</P>\r\n";
        QTest::newRow("utf-8") << utf8Page
                               << QByteArray(
                                      "<P>caf\xC3\xA9\xC2\xA0\xE2\x80\xA8 \xF0\x9F\x98\x80</P>\n")
                               << TextEncoding::Utf8 << utf8Page;
        QTest::newRow("utf-8 with its mark")
            << "\xEF\xBB\xBF" + utf8Page
            << QByteArray("<P>caf\xC3\xA9\xC2\xA0\xE2\x80\xA8 \xF0\x9F\x98\x80</P>\n")
            << TextEncoding::Utf8WithBom << "\xEF\xBB\xBF" + utf8Page;
        QTest::newRow("only a utf-8 mark")
            << QByteArray("\xEF\xBB\xBF") << QByteArray() << TextEncoding::Utf8WithBom
            << QByteArray("\xEF\xBB\xBF");
        QTest::newRow("empty") << QByteArray() << QByteArray() << TextEncoding::Utf8
                               << QByteArray();
        QTest::newRow("nul bytes") << QByteArray("a\0b\r\n\0", 6) << QByteArray("a\0b\n\0", 5)
                                   << TextEncoding::Utf8 << QByteArray("a\0b\r\n\0", 6);
        QTest::newRow("windows page")
            << QByteArray("\x93"
                          "Caf\xe9\x94 \x96 10\x80\x85\x81\x8d\x8f\x90\x9d\x9f")
            << QByteArray("\xE2\x80\x9C"
                          "Caf\xC3\xA9\xE2\x80\x9D \xE2\x80\x93 10\xE2\x82\xAC\xE2\x80\xA6"
                          "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D\xC5\xB8")
            << TextEncoding::Windows1252
            << QByteArray("\x93"
                          "Caf\xe9\x94 \x96 10\x80\x85\x81\x8d\x8f\x90\x9d\x9f");
        QTest::newRow("utf-8 mark before a stray byte")
            << QByteArray("\xEF\xBB\xBF\xE9") << QByteArray("\xC3\xAF\xC2\xBB\xC2\xBF\xC3\xA9")
            << TextEncoding::Windows1252 << QByteArray("\xEF\xBB\xBF\xE9");
        for (const bool big : {false, true}) {
            const QByteArray mark = big ? "\xFE\xFF" : "\xFF\xFE";
            const TextEncoding encoding = big ? TextEncoding::Utf16BE : TextEncoding::Utf16LE;
            const char* order = big ? "be" : "le";
            QTest::addRow("utf-16 %s, mixed line ends", order)
                << mark + units({'a', '\r', '\n', 0x00E9, '\r', 0x20AC, '\n', 0xD83D, 0xDE00, '\r'},
                                big)
                << QByteArray("a\n\xC3\xA9\n\xE2\x82\xAC\n\xF0\x9F\x98\x80\n") << encoding
                << mark + units({'a', '\r', '\n', 0x00E9, '\r', '\n', 0x20AC, '\r', '\n', 0xD83D,
                                 0xDE00, '\r', '\n'},
                                big);
            QTest::addRow("utf-16 %s, unpaired surrogates", order)
                << mark + units({0xD800, 'x', 0xDC00, 0xDBFF}, big)
                << QByteArray("\xED\xA0\x80x\xED\xB0\x80\xED\xAF\xBF") << encoding
                << mark + units({0xD800, 'x', 0xDC00, 0xDBFF}, big);
            QTest::addRow("utf-16 %s, odd length", order)
                << mark + units({'a', 0x0100}, big) + "\x07" << QByteArray("a\xC4\x80") << encoding
                << mark + units({'a', 0x0100}, big) + "\x07";
            QTest::addRow("utf-16 %s, only the mark", order)
                << mark << QByteArray() << encoding << mark;
        }
    }
    void pagesRoundTrip()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, editor);
        QFETCH(TextEncoding, encoding);
        QFETCH(QByteArray, saved);
        const EditorBytes decoded = decodeDocument(file);
        QCOMPARE(decoded.utf8, editor);
        QCOMPARE(decoded.format.encoding, encoding);
        qsizetype references = -1;
        QCOMPARE(encodeDocument(decoded.utf8, decoded.format, &references), saved);
        QCOMPARE(references, 0);
        QByteArray owned = file;
        owned.detach();
        QCOMPARE(decodeDocument(std::move(owned)).utf8, editor);
    }

    void everyByteValueSurvivesWindows1252()
    {
        const QByteArray all = allBytes();
        const EditorBytes decoded = decodeDocument(all);
        QCOMPARE(decoded.format.encoding, TextEncoding::Windows1252);
        QCOMPARE(encodeDocument(decoded.utf8, decoded.format), crlf(all));
        // Each byte is one character in the editor (CR and LF: two line ends).
        QCOMPARE(QString::fromUtf8(decoded.utf8).size(), 256);
    }

    // A single-byte page gaining characters its code page cannot hold: only those characters
    // change, into character references; every other byte stays as it was.
    void charactersOutsideTheCodePageBecomeReferences_data()
    {
        QTest::addColumn<QString>("added");
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<int>("references");
        QTest::newRow("arrow") << QStringLiteral("\u2192") << QByteArray("&#8594;") << 1;
        QTest::newRow("outside the basic plane")
            << QStringLiteral("\U0001F600") << QByteArray("&#128512;") << 1;
        QTest::newRow("in the code page")
            << QStringLiteral("\u20ac\u2014\u00ff") << QByteArray("\x80\x97\xff") << 0;
        QTest::newRow("a C1 control the code page uses")
            << QStringLiteral("\u0080") << QByteArray("&#128;") << 1;
        QTest::newRow("two, around a line end")
            << QStringLiteral("\u0100\n\u3042") << QByteArray("&#256;\r\n&#12354;") << 2;
    }
    void charactersOutsideTheCodePageBecomeReferences()
    {
        QFETCH(QString, added);
        QFETCH(QByteArray, written);
        QFETCH(int, references);
        const QByteArray page = "<P>\x93"
                                "Caf\xe9\x94 \x96 \x80\x81</P>\r\n";
        const EditorBytes decoded = decodeDocument(page);
        QCOMPARE(decoded.format.encoding, TextEncoding::Windows1252);
        qsizetype counted = -1;
        QCOMPARE(encodeDocument(decoded.utf8 + added.toUtf8(), decoded.format, &counted),
                 page + written);
        QCOMPARE(counted, qsizetype(references));
    }

    // The editor hands its text over in two runs, split anywhere, even inside a character.
    void textSplitIntoTwoRunsEncodesTheSame()
    {
        const QByteArray text = "caf\xC3\xA9\nna\xC3\xAFve \xC2\xA0"
                                "end\n\xE2\x82\xAC\xE2\x86\x92\n"
                                "\xF0\x9F\x98\x80\xED\xA0\x80\xC3";
        const TextFormat formats[] = {TextEncoding::Windows1252, TextEncoding::Utf8,
                                      TextEncoding::Utf8WithBom, TextEncoding::Utf16LE,
                                      TextEncoding::Utf16BE};
        for (const TextFormat& format : formats) {
            qsizetype whole = 0, split = 0;
            const QByteArray expected = encodeDocument(text, format, &whole);
            for (qsizetype cut = 0; cut <= text.size(); ++cut) {
                const TextRuns runs{QByteArrayView(text).first(cut),
                                    QByteArrayView(text).sliced(cut)};
                QCOMPARE(encodeDocument(runs, format, &split), expected);
                QCOMPARE(split, whole);
            }
        }
    }

    // A page of several pieces comes out as its lines do one by one, whatever falls on a
    // piece's edge or a 16-byte block's (runs of empty lines, every line length, wide
    // characters); each piece fits the buffer, and a refused piece stops the encoding.
    void bigTextGoesOutInPieces()
    {
        QByteArray text;
        QList<QByteArray> lines;
        const QByteArray wide[] = {"\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", ""};
        for (int i = 0; text.size() < 3 * kEncodedPieceSize; ++i) {
            const QByteArray line = QByteArray(i % 41, char('a' + i % 26)) + wide[i % 4] + '\n';
            lines << line;
            text += line;
        }
        const TextFormat formats[] = {TextEncoding::Windows1252, TextEncoding::Utf8,
                                      TextEncoding::Utf8WithBom, TextEncoding::Utf16LE};
        for (const TextFormat& format : formats) {
            const qsizetype mark = format.encoding == TextEncoding::Utf8WithBom ? 3
                                   : format.encoding == TextEncoding::Utf16LE   ? 2
                                                                                : 0;
            QByteArray expected = encodeDocument(QByteArray(), format);
            for (const QByteArray& line : lines)
                expected += encodeDocument(line, format).mid(mark);
            const qsizetype cut = text.size() / 2 + 7;
            const TextRuns runs{QByteArrayView(text).first(cut), QByteArrayView(text).sliced(cut)};
            QByteArray joined;
            int pieces = 0;
            QVERIFY(encodeDocumentInPieces(runs, format, [&](QByteArrayView piece) {
                ++pieces;
                joined += piece;
                return piece.size() <= kEncodedPieceSize;
            }));
            QVERIFY(pieces > 3);
            QCOMPARE(joined, expected);

            pieces = 0;
            QVERIFY(!encodeDocumentInPieces(runs, format,
                                            [&](QByteArrayView) { return ++pieces < 2; }));
            QCOMPARE(pieces, 2);
        }
    }

    void invalidUtf8IsDetected_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("valid");
        QTest::newRow("ascii") << QByteArray("plain text that is long enough") << true;
        QTest::newRow("two byte") << QByteArray("\xC3\xA9") << true;
        QTest::newRow("four byte") << QByteArray("\xF0\x9F\x98\x80") << true;
        QTest::newRow("lone continuation") << QByteArray("\x80") << false;
        QTest::newRow("overlong slash") << QByteArray("\xC0\xAF") << false;
        QTest::newRow("overlong three") << QByteArray("\xE0\x80\xAF") << false;
        QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << false;
        QTest::newRow("past max") << QByteArray("\xF4\x90\x80\x80") << false;
        QTest::newRow("truncated at end") << QByteArray("abcdefgh\xE2\x82") << false;
        QTest::newRow("latin1 word") << QByteArray("caf\xe9 au lait") << false;
    }
    void invalidUtf8IsDetected()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, valid);
        QCOMPARE(isValidUtf8(bytes.constData(), bytes.size()), valid);
    }
};

VORLANE_TEST_MAIN(DocumentCodecTest)
#include "document_codec_test.moc"
