#pragma once
// Frame counts of one conversation record by code (protocol family, encapsulation,
// application). Nearly every conversation carries frames of one code only, so the
// counts take one word: a single code's count held inline, and the whole array of
// N counts allocated only once a second code is counted. A flood of new hosts then
// costs 8 bytes per array and record instead of N counts.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "model/Codes.h"

namespace quenlix {

template <class Code, std::size_t N>
class SparseCounts {
public:
    SparseCounts() = default;
    SparseCounts(const SparseCounts& other) : word_(other.word_)
    {
        if (other.Spilled()) word_ = FromArray(CopyOf(other.Array()));
    }
    SparseCounts(SparseCounts&& other) noexcept : word_(other.word_) { other.word_ = kEmpty; }
    SparseCounts& operator=(const SparseCounts& other)
    {
        if (this != &other) *this = SparseCounts(other);
        return *this;
    }
    SparseCounts& operator=(SparseCounts&& other) noexcept
    {
        if (this != &other) {
            Release();
            word_ = other.word_;
            other.word_ = kEmpty;
        }
        return *this;
    }
    ~SparseCounts() { Release(); }

    static constexpr std::size_t size() { return N; }

    // The count of the code at index (0..N-1).
    uint32_t operator[](std::size_t index) const
    {
        if (Spilled()) return Array()[index];
        return InlineIndex() == index ? InlineCount() : 0;
    }
    uint32_t operator[](Code code) const { return (*this)[CodeIndex(code)]; }

    void Add(std::size_t index, uint32_t count = 1)
    {
        if (Spilled()) {
            Array()[index] += count;
        } else if (InlineCount() == 0 || InlineIndex() == index) {
            word_ = Inline(index, InlineCount() + count);
        } else {
            uint32_t* counts = new uint32_t[N]();
            counts[InlineIndex()] = InlineCount();
            counts[index] = count;
            word_ = FromArray(counts);
        }
    }
    void Add(Code code, uint32_t count = 1) { Add(CodeIndex(code), count); }

    // True while at most one code has a count (always until a second code is
    // counted), with that code's index and count; count is 0 when none has one.
    bool Single(std::size_t& index, uint32_t& count) const
    {
        if (Spilled()) return false;
        index = InlineIndex();
        count = InlineCount();
        return true;
    }

    // Every count, as a plain array (for listings).
    std::array<uint32_t, N> ToArray() const
    {
        std::array<uint32_t, N> counts{};
        for (std::size_t i = 0; i < N; ++i) counts[i] = (*this)[i];
        return counts;
    }

private:
    // Inline: the count in the high half, the code's index above bit 0, bit 0 set.
    // Spilled: the address of the array (new[] aligns it, so bit 0 is clear).
    static constexpr uint64_t kEmpty = 1;
    static uint64_t Inline(std::size_t index, uint32_t count)
    {
        return uint64_t{count} << 32 | uint64_t{index} << 1 | 1;
    }
    static uint64_t FromArray(uint32_t* counts) { return reinterpret_cast<uintptr_t>(counts); }
    static uint32_t* CopyOf(const uint32_t* counts)
    {
        uint32_t* copy = new uint32_t[N];
        std::memcpy(copy, counts, N * sizeof(uint32_t));
        return copy;
    }

    bool Spilled() const { return (word_ & 1) == 0; }
    uint32_t* Array() const { return reinterpret_cast<uint32_t*>(static_cast<uintptr_t>(word_)); }
    std::size_t InlineIndex() const { return static_cast<std::size_t>(word_ >> 1 & 0x7FFFFFFF); }
    uint32_t InlineCount() const { return static_cast<uint32_t>(word_ >> 32); }
    void Release()
    {
        if (Spilled()) delete[] Array();
        word_ = kEmpty;
    }

    uint64_t word_ = kEmpty;
};

}  // namespace quenlix
