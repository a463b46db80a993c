#include "editor/text_search.h"
#include "support/test_main.h"

// The plain search, without an editor: Unicode simple case folding settles the doubtful cases.
class TextSearchTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void next_data()
    {
        QTest::addColumn<QByteArray>("text"); // UTF-8
        QTest::addColumn<QString>("needle");
        QTest::addColumn<int>("from"); // bytes
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::newRow("ascii, other case") << QByteArray("a <TABLE> b") << "<table>" << 0 << 2 << 9;
        QTest::newRow("from past it") << QByteArray("a <TABLE> b") << "<table>" << 3 << -1 << -1;
        QTest::newRow("after accents") << QByteArray("\u00e9t\u00e9 X") << "x" << 0 << 6 << 7;
        QTest::newRow("accented capital")
            << QByteArray("caf\u00c9!") << QStringLiteral("CAF\u00e9") << 0 << 0 << 5;
        QTest::newRow("kelvin sign is a k") << QByteArray("1 \u212a") << "k" << 0 << 2 << 5;
        QTest::newRow("needle longer than the text") << QByteArray("ab") << "abc" << 0 << -1 << -1;
        QTest::newRow("emoji before") << QByteArray("\U0001F600 quill") << "QUILL" << 0 << 5 << 10;
        QTest::newRow("emoji needle")
            << QByteArray("x\U0001F600y") << QStringLiteral("\U0001F600Y") << 0 << 1 << 6;
        // Far enough from both ends for the sixteen-byte scan, which also looks at the byte
        // after a letter.
        const QByteArray far(40, ' ');
        QTest::newRow("second letter in the other case")
            << far + "xx pB Pb" + far << "pb" << 0 << 43 << 45;
        QTest::newRow("kelvin sign as the second letter")
            << far + "sx s\u212a" + far << "SK" << 0 << 43 << 47;
        QTest::newRow("second byte no letter") << far + "a_ a-" + far << "A-" << 0 << 43 << 45;
        QTest::newRow("broken byte is no letter") << QByteArray("\xff"
                                                                "ab")
                                                  << "AB" << 0 << 1 << 3;
    }
    void next()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, needle);
        QFETCH(int, from);
        QFETCH(int, start);
        QFETCH(int, end);
        const CaseBlindSearch::Match m = CaseBlindSearch(needle).next(text, from);
        QCOMPARE(int(m.start), start);
        QCOMPARE(int(m.end), end);
    }

    // All matches agree with QString's own case-blind search, across the eight-byte steps.
    void allAgreesWithQString()
    {
        const QStringList pieces = {"a", "A", "b", "\u00e9", "\u00c9", " ", "\n", "ab"};
        quint32 state = 11;
        auto pick = [&](int n) {
            state = state * 1664525u + 1013904223u;
            return int((state >> 8) % quint32(n));
        };
        QString text;
        while (text.size() < 2000)
            text += pieces[pick(int(pieces.size()))];
        const QByteArray bytes = text.toUtf8();
        for (int round = 0; round < 40; ++round) {
            QString needle;
            for (int n = 1 + pick(3); n > 0; --n)
                needle += pieces[pick(int(pieces.size()))];
            QList<int> expected;
            for (qsizetype at = text.indexOf(needle, 0, Qt::CaseInsensitive); at >= 0;
                 at = text.indexOf(needle, at + needle.size(), Qt::CaseInsensitive))
                expected.append(int(text.left(at).toUtf8().size()));
            QList<int> found;
            for (const auto& m : CaseBlindSearch(needle).all(bytes))
                found.append(int(m.start));
            QCOMPARE(found, expected);
        }
    }
};

VORLANE_TEST_MAIN(TextSearchTest)
#include "text_search_test.moc"
