#include "core/recovery_store.h"
#include "support/test_main.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

namespace {

// The editor's text as it lies around its insertion gap.
TextRuns runsOf(const QByteArray& text, qsizetype gap)
{
    const QByteArrayView all(text);
    return TextRuns{all.first(gap), all.sliced(gap)};
}

QByteArray randomBytes(QRandomGenerator& random, qsizetype count)
{
    static const QByteArray alphabet = QByteArrayLiteral("abc <P>\n\xc3\xa9\xe2\x82\xac");
    QByteArray bytes;
    for (qsizetype i = 0; i < count; ++i)
        bytes += alphabet[random.bounded(int(alphabet.size()))];
    return bytes;
}

} // namespace

class RecoveryStoreTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // The writer's own copy of the text follows the editor's through edits made while it is
    // still going over in pieces (before, inside and across what has gone) and after it has:
    // every copy written is the text as it stood when the copy was asked for.
    void keptTextFollowsEdits_data()
    {
        QTest::addColumn<int>("piece");
        QTest::addColumn<quint32>("seed");
        QTest::newRow("one byte at a time") << 1 << 1u;
        QTest::newRow("small pieces") << 7 << 2u;
        QTest::newRow("pieces of a page") << 4096 << 3u;
        QTest::newRow("all at once") << (1 << 30) << 4u;
    }
    void keptTextFollowsEdits()
    {
        QFETCH(int, piece);
        QFETCH(quint32, seed);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("w.copy"));
        QRandomGenerator random(seed);
        RecoveryWriter writer;
        RecoveryTextFeed feed(writer);
        QByteArray text = randomBytes(random, 20000);
        feed.start(text.size());
        int copies = 0;
        for (int step = 0; step < 600; ++step) {
            const int what = random.bounded(10);
            if (what < 3) {
                QVERIFY(feed.sendPiece(runsOf(text, random.bounded(int(text.size()) + 1)), piece));
            } else if (what < 9) {
                const qsizetype at = random.bounded(int(text.size()) + 1);
                const qsizetype deleted =
                    random.bounded(int(qMin(text.size() - at, qsizetype(300))) + 1);
                // Now and then more than the kept text has room for.
                const QByteArray inserted =
                    randomBytes(random, step % 97 == 0 ? 70000 : random.bounded(40));
                feed.edit(at, deleted, inserted);
                text.replace(at, deleted, inserted);
            } else if (feed.complete()) {
                writer.writeCopy(path, "H\n", text.size());
                writer.flush();
                QCOMPARE(readFile(path), "H\n" + text);
                ++copies;
            }
        }
        while (!feed.complete())
            QVERIFY(feed.sendPiece(runsOf(text, 0), piece));
        writer.writeCopy(path, "H\n", text.size());
        writer.flush();
        QCOMPARE(readFile(path), "H\n" + text);
        QVERIFY(!writer.textOutOfStep());
        QVERIFY(copies > 0 || piece < 4096); // copies between edits once the text has gone
    }

    // One edit while the first 10 bytes of 20 have gone over, before, at, across and after
    // that point.
    void editAroundWhatHasGone_data()
    {
        QTest::addColumn<int>("at");
        QTest::addColumn<int>("deleted");
        QTest::addColumn<QByteArray>("inserted");
        QTest::newRow("inserted before") << 3 << 0 << QByteArray("xyz");
        QTest::newRow("deleted before") << 2 << 5 << QByteArray();
        QTest::newRow("replaced up to it") << 7 << 3 << QByteArray("xyz");
        QTest::newRow("inserted at it") << 10 << 0 << QByteArray("xyz");
        QTest::newRow("deleted across it") << 6 << 9 << QByteArray();
        QTest::newRow("replaced across it") << 8 << 12 << QByteArray("xyzw");
        QTest::newRow("replaced after it") << 14 << 3 << QByteArray("x");
    }
    void editAroundWhatHasGone()
    {
        QFETCH(int, at);
        QFETCH(int, deleted);
        QFETCH(QByteArray, inserted);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("w.copy"));
        RecoveryWriter writer;
        RecoveryTextFeed feed(writer);
        QByteArray text("abcdefghijklmnopqrst");
        feed.start(text.size());
        QVERIFY(feed.sendPiece(runsOf(text, 4), 10));
        feed.edit(at, deleted, inserted);
        text.replace(at, deleted, inserted);
        while (!feed.complete())
            QVERIFY(feed.sendPiece(runsOf(text, qMin(qsizetype(12), text.size())), 3));
        writer.writeCopy(path, "H\n", text.size());
        writer.flush();
        QCOMPARE(readFile(path), "H\n" + text);
    }

    // A copy whose text is not what the window counts on is never written: the old copy stays
    // and the window is told, so the text goes over again.
    void copyOutOfStepIsRefused()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("w.copy"));
        QVERIFY(writePrivateFile(dir.path(), QStringLiteral("w.copy"), QByteArray("old")));
        RecoveryWriter writer;
        RecoveryTextFeed feed(writer);
        QByteArray text("<P>page</P>");
        feed.start(text.size());
        QVERIFY(feed.sendPiece(runsOf(text, 3), 100));
        writer.writeCopy(path, "H\n", text.size() + 1); // an edit the writer was never told
        writer.flush();
        QVERIFY(writer.textOutOfStep());
        QCOMPARE(readFile(path), QByteArray("old"));
        // A text of another length than the edits said: the feed starts over.
        feed.start(text.size());
        QVERIFY(!writer.textOutOfStep());
        text += "!";
        QVERIFY(!feed.sendPiece(runsOf(text, 0), 100));
        QVERIFY(!feed.complete());
        QVERIFY(feed.sendPiece(runsOf(text, 0), 100));
        writer.writeCopy(path, "H\n", text.size());
        writer.flush();
        QCOMPARE(readFile(path), "H\n" + text);
        QCOMPARE(QFileInfo(path).permissions() & 0x0077, QFileDevice::Permissions());
    }
};

VORLANE_TEST_MAIN(RecoveryStoreTest)
#include "recovery_store_test.moc"
