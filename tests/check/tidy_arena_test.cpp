#include "check/tidy_arena.h"
#include "support/test_main.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

bool aligned(const void* piece)
{
    return reinterpret_cast<std::uintptr_t>(piece) % 16 == 0;
}

// Fills a piece with bytes that tell it apart from any other piece.
void fill(void* piece, std::size_t bytes, int seed)
{
    auto* p = static_cast<unsigned char*>(piece);
    for (std::size_t i = 0; i < bytes; ++i)
        p[i] = static_cast<unsigned char>(seed * 131 + i * 7);
}

bool holds(const void* piece, std::size_t bytes, int seed)
{
    const auto* p = static_cast<const unsigned char*>(piece);
    for (std::size_t i = 0; i < bytes; ++i)
        if (p[i] != static_cast<unsigned char>(seed * 131 + i * 7))
            return false;
    return true;
}

} // namespace

class TidyArenaTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Pieces of every size, some given back and asked for again, never overlap, are aligned
    // as malloc's are, and keep what was written into them.
    void piecesStayApart()
    {
        TidyArena arena;
        struct Piece
        {
            void* at;
            std::size_t bytes;
            int seed;
        };
        std::vector<Piece> pieces;
        int seed = 0;
        for (int round = 0; round < 3; ++round) {
            for (std::size_t bytes = 1; bytes < 3 * TidyArena::kBigBytes;
                 bytes = bytes * 5 / 4 + 1) {
                void* at = arena.allocate(bytes);
                QVERIFY(at);
                QVERIFY(aligned(at));
                fill(at, bytes, ++seed);
                pieces.push_back({at, bytes, seed});
            }
            // Every other piece goes back; the next round takes their places again.
            for (std::size_t i = pieces.size(); i-- > 0;)
                if (i % 2) {
                    arena.release(pieces[i].at);
                    pieces.erase(pieces.begin() + qsizetype(i));
                }
        }
        // Each kept piece still holds its own bytes: nothing later was cut from it.
        for (const Piece& p : pieces) {
            QVERIFY2(holds(p.at, p.bytes, p.seed), qPrintable(QString::number(p.bytes)));
            arena.release(p.at);
        }
    }

    // A piece given back is the next one of its size: Tidy's passing buffers do not pile up.
    void releasedPieceIsReused()
    {
        TidyArena arena;
        void* first = arena.allocate(2000);
        arena.release(first);
        QCOMPARE(arena.allocate(1900), first);
        void* small = arena.allocate(24);
        arena.release(small);
        QVERIFY(arena.allocate(100) != small); // another size
        QCOMPARE(arena.allocate(20), small);
    }

    // Growing and shrinking keeps the bytes, across small and big pieces alike.
    void reallocateKeepsTheBytes_data()
    {
        QTest::addColumn<qulonglong>("from");
        QTest::addColumn<qulonglong>("to");
        const qulonglong big = TidyArena::kBigBytes;
        QTest::newRow("small, within its size") << 17ULL << 20ULL;
        QTest::newRow("small to small") << 40ULL << 900ULL;
        QTest::newRow("small to big") << 500ULL << 2 * big;
        QTest::newRow("big to bigger") << big << 8 * big;
        QTest::newRow("big to small") << 2 * big << 300ULL;
        QTest::newRow("small to smaller") << 900ULL << 10ULL;
        // Either side of where pieces stop coming from the blocks.
        for (qulonglong edge = big - 9; edge <= big; ++edge)
            QTest::addRow("%llu bytes to %llu", edge, edge + 1) << edge << edge + 1;
    }

    void reallocateKeepsTheBytes()
    {
        QFETCH(qulonglong, from);
        QFETCH(qulonglong, to);
        TidyArena arena;
        void* piece = arena.allocate(from);
        fill(piece, from, 3);
        void* neighbour = arena.allocate(64); // so the piece is not the newest one
        fill(neighbour, 64, 4);
        void* moved = arena.reallocate(piece, to);
        QVERIFY(moved);
        QVERIFY(aligned(moved));
        QVERIFY(holds(moved, qMin(from, to), 3));
        fill(moved, to, 5);
        QVERIFY(holds(neighbour, 64, 4));
        arena.release(moved);
        arena.release(neighbour);
        QCOMPARE(arena.reallocate(nullptr, 10) != nullptr, true);
    }

    // What no system could give is refused, not wrapped round into a small piece.
    void impossibleSizesAreRefused()
    {
        TidyArena arena;
        QCOMPARE(arena.allocate(SIZE_MAX - 4), nullptr);
        void* piece = arena.allocate(TidyArena::kBigBytes);
        QCOMPARE(arena.reallocate(piece, SIZE_MAX - 4), nullptr);
        arena.release(piece);
    }
};

VORLANE_TEST_MAIN(TidyArenaTest)
#include "tidy_arena_test.moc"
