#include "check/tidy_arena.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

// Each piece follows an 8-byte header: its size class, or kBig for a piece from malloc.
// Headers sit 8 bytes past a multiple of 16 and every size is a multiple of 16 minus 8 bytes,
// so each piece starts 16-byte aligned, as malloc's do.
namespace {

constexpr std::size_t kBig = SIZE_MAX;
constexpr std::size_t kHeader = 8;
constexpr std::size_t kBigHeader = 16; // keeps a big piece 16-byte aligned too

std::size_t& headerOf(void* piece)
{
    return *reinterpret_cast<std::size_t*>(static_cast<char*>(piece) - kHeader);
}

// The size class that holds `bytes` (at most kLargestSmall), and the bytes a piece of that
// class takes with its header.
std::size_t classOf(std::size_t bytes)
{
    const std::size_t whole = bytes + kHeader;
    if (whole <= 1024)
        return (whole - 1) / 16;
    std::size_t size = 2048;
    std::size_t index = 64;
    while (size < whole) {
        size *= 2;
        ++index;
    }
    return index;
}

// Pieces up to this size are cut from the blocks (with their header, 64 KiB at most).
constexpr std::size_t kLargestSmall = TidyArena::kBigBytes - kHeader;

std::size_t takenBy(std::size_t sizeClass)
{
    return sizeClass < 64 ? (sizeClass + 1) * 16 : std::size_t(2048) << (sizeClass - 64);
}

} // namespace

TidyArena::~TidyArena()
{
    for (void* block : blocks_)
        std::free(block);
}

void* TidyArena::allocate(std::size_t bytes)
{
    if (bytes > kLargestSmall) {
        if (bytes > SIZE_MAX - kBigHeader)
            return nullptr;
        auto* raw = static_cast<char*>(std::malloc(bytes + kBigHeader));
        if (!raw)
            return nullptr;
        void* piece = raw + kBigHeader;
        headerOf(piece) = kBig;
        return piece;
    }
    const std::size_t sizeClass = classOf(bytes);
    if (void* piece = free_[sizeClass]) {
        std::memcpy(&free_[sizeClass], piece, sizeof(void*));
        return piece;
    }
    const std::size_t take = takenBy(sizeClass);
    if (next_ == nullptr || std::size_t(end_ - next_) < take) {
        auto* block = static_cast<char*>(std::malloc(kBlockBytes));
        if (!block)
            return nullptr;
        blocks_.push_back(block);
        next_ = block + kHeader;
        end_ = block + kBlockBytes;
    }
    void* piece = next_ + kHeader;
    headerOf(piece) = sizeClass;
    next_ += take;
    return piece;
}

void TidyArena::release(void* piece)
{
    if (!piece)
        return;
    const std::size_t sizeClass = headerOf(piece);
    if (sizeClass == kBig) {
        std::free(static_cast<char*>(piece) - kBigHeader);
        return;
    }
    std::memcpy(piece, &free_[sizeClass], sizeof(void*));
    free_[sizeClass] = piece;
}

void* TidyArena::reallocate(void* piece, std::size_t bytes)
{
    if (!piece)
        return allocate(bytes);
    const std::size_t sizeClass = headerOf(piece);
    if (sizeClass == kBig && bytes > kLargestSmall) {
        if (bytes > SIZE_MAX - kBigHeader)
            return nullptr;
        auto* raw = static_cast<char*>(
            std::realloc(static_cast<char*>(piece) - kBigHeader, bytes + kBigHeader));
        if (!raw)
            return nullptr;
        return raw + kBigHeader;
    }
    // A big piece holds more than kLargestSmall bytes, and the new size fits in fewer.
    const std::size_t capacity =
        sizeClass == kBig ? kLargestSmall + 1 : takenBy(sizeClass) - kHeader;
    if (sizeClass != kBig && bytes <= capacity)
        return piece;
    void* moved = allocate(bytes);
    if (moved) {
        std::memcpy(moved, piece, bytes < capacity ? bytes : capacity);
        release(piece);
    }
    return moved;
}
