#include "core/document_codec.h"
#include "support/test_main.h"

namespace {
// What a save must produce from a file: every CR LF, lone CR and lone LF as CR LF.
QByteArray crlf(QByteArray bytes)
{
    bytes.replace("\r\n", "\n");
    bytes.replace('\r', '\n');
    bytes.replace("\n", "\r\n");
    return bytes;
}

QByteArray roundTrip(const QByteArray& file, TextEncoding* encoding = nullptr)
{
    const EditorBytes decoded = decodeDocument(file);
    if (encoding)
        *encoding = decoded.encoding;
    return encodeDocument(decoded.utf8, decoded.encoding);
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
        QTest::newRow("latin1 cr") << QByteArray("\xe9\r\n\xe8\r") << QByteArray("\xc3\xa9\n\xc3\xa8\n");
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
            QCOMPARE(withMark.encoding, TextEncoding::Utf8WithBom);
        }
    }

    void everyByteValueSurvives()
    {
        QByteArray all;
        for (int i = 0; i < 256; ++i)
            all.append(char(i));
        TextEncoding encoding;
        QCOMPARE(roundTrip(all, &encoding), crlf(all));
        QCOMPARE(encoding, TextEncoding::Latin1);
        // Each byte is one character in the editor.
        QCOMPARE(QString::fromUtf8(decodeDocument(all).utf8).size(), 256); // CR and LF apart: two line ends
    }

    void utf8StaysUtf8WithItsMark()
    {
        const QByteArray page = "\xEF\xBB\xBF<P>caf\xC3\xA9\xC2\xA0\xE2\x80\xA8 \xF0\x9F\x98\x80</P>\r\n";
        TextEncoding encoding;
        QCOMPARE(roundTrip(page, &encoding), page);
        QCOMPARE(encoding, TextEncoding::Utf8WithBom);
        QVERIFY(!decodeDocument(page).utf8.startsWith("\xEF\xBB\xBF"));
        const QByteArray plain = "caf\xC3\xA9\n";
        QCOMPARE(roundTrip(plain, &encoding), QByteArray("caf\xC3\xA9\r\n"));
        QCOMPARE(encoding, TextEncoding::Utf8);
    }

    void nulBytesSurvive()
    {
        const QByteArray page("a\0b\r\n\0", 6);
        QCOMPARE(roundTrip(page), page);
    }

    void latin1PageGainingWideCharactersIsWrittenAsUtf8()
    {
        const EditorBytes decoded = decodeDocument("caf\xe9");
        QCOMPARE(decoded.encoding, TextEncoding::Latin1);
        TextEncoding used;
        const QByteArray out = encodeDocument(decoded.utf8 + "\xE2\x82\xAC", decoded.encoding, &used);
        QCOMPARE(used, TextEncoding::Utf8);
        QCOMPARE(out, QByteArray("caf\xC3\xA9\xE2\x82\xAC"));
        QCOMPARE(encodeDocument(decoded.utf8, decoded.encoding), QByteArray("caf\xe9"));
    }

    void textSplitIntoTwoRunsEncodesTheSame()
    {
        const QByteArray text = "caf\xC3\xA9\nna\xC3\xAFve \xC2\xA0" "end\n";
        const QByteArray wide = text + "\xE2\x82\xAC\n";
        for (const QByteArray& utf8 : {text, wide}) {
            for (TextEncoding encoding : {TextEncoding::Latin1, TextEncoding::Utf8, TextEncoding::Utf8WithBom}) {
                TextEncoding whole, split;
                const QByteArray expected = encodeDocument(utf8, encoding, &whole);
                for (qsizetype cut = 0; cut <= utf8.size(); ++cut) {
                    const TextRuns runs{QByteArrayView(utf8).first(cut), QByteArrayView(utf8).sliced(cut)};
                    QCOMPARE(encodeDocument(runs, encoding, &split), expected);
                    QCOMPARE(split, whole);
                }
            }
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
