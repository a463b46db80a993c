#include "check/tidy_arena.h"
#include "support/test_main.h"

#include <cstdint>
#include <vector>

namespace {

// Bytes that tell a piece apart from any other; `check` compares instead of writing.
bool pattern(void* piece, std::size_t bytes, int seed, bool check)
{
    auto* p = static_cast<unsigned char*>(piece);
    for (std::size_t i = 0; i < bytes; ++i) {
        const auto b = static_cast<unsigned char>(seed * 131 + i * 7);
        if (check && p[i] != b)
            return false;
        p[i] = b;
    }
    return reinterpret_cast<std::uintptr_t>(piece) % 16 == 0; // aligned as malloc's are
}

} // namespace

class TidyArenaTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Pieces of every size, every other one given back and asked for again, never overlap and
    // keep what was written into them; a piece given back is the next one of its size; what no
    // system could give is refused, not wrapped round into a small piece.
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
                QVERIFY(at && pattern(at, bytes, ++seed, false));
                pieces.push_back({at, bytes, seed});
            }
            for (std::size_t i = pieces.size(); i-- > 0;)
                if (i % 2) {
                    arena.release(pieces[i].at);
                    pieces.erase(pieces.begin() + qsizetype(i));
                }
        }
        for (const Piece& p : pieces) {
            QVERIFY2(pattern(p.at, p.bytes, p.seed, true), qPrintable(QString::number(p.bytes)));
            arena.release(p.at);
        }
        void* passing = arena.allocate(2000);
        arena.release(passing);
        QCOMPARE(arena.allocate(1900), passing);
        QCOMPARE(arena.allocate(SIZE_MAX - 4), nullptr);
        void* big = arena.allocate(TidyArena::kBigBytes);
        QCOMPARE(arena.reallocate(big, SIZE_MAX - 4), nullptr);
        arena.release(big);
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
        pattern(piece, from, 3, false);
        void* neighbour = arena.allocate(64); // so the piece is not the newest one
        pattern(neighbour, 64, 4, false);
        void* moved = arena.reallocate(piece, to);
        QVERIFY(moved && pattern(moved, qMin(from, to), 3, true));
        pattern(moved, to, 5, false);
        QVERIFY(pattern(neighbour, 64, 4, true));
        arena.release(moved);
        arena.release(neighbour);
    }
};

VORLANE_TEST_MAIN(TidyArenaTest)
#include "tidy_arena_test.moc"
