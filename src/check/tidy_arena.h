#pragma once

#include <array>
#include <cstddef>
#include <vector>

// Memory for one Tidy document in a process that ends once the document is checked. Pieces
// are cut one after another from large blocks; a piece given back waits in a list for the
// next piece of its size, and nothing goes back to the system before the process ends, which
// returns it all at once. Tidy makes and drops millions of small pieces on a big page, and
// the system allocator's sorting and merging of them was a tenth of the check. Big pieces
// (the lexer's text, which grows by doubling) come from the system allocator, so growing them
// copies nothing.
class TidyArena
{
public:
    TidyArena() = default;
    ~TidyArena();
    TidyArena(const TidyArena&) = delete;
    TidyArena& operator=(const TidyArena&) = delete;

    // Each returns nullptr when the system has no more memory to give.
    void* allocate(std::size_t bytes);
    void* reallocate(void* piece, std::size_t bytes);
    void release(void* piece);

    static constexpr std::size_t kBlockBytes = std::size_t(4) << 20;
    // A piece that would take more than this with its 8-byte header comes from malloc.
    static constexpr std::size_t kBigBytes = std::size_t(64) << 10;

private:
    // Sizes up to 1 KiB in steps of 16 bytes, then powers of two up to kBigBytes (the header
    // included).
    static constexpr std::size_t kSizes = 64 + 6;

    char* next_ = nullptr;             // where the next new piece's header goes
    char* end_ = nullptr;              // the end of the current block
    std::array<void*, kSizes> free_{}; // pieces given back, by size
    std::vector<void*> blocks_;
};
