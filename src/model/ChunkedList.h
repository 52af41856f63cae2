#pragma once
// A growable list stored in fixed-size chunks. Growing never moves the elements
// already stored, so a list of millions of packet summaries grows without the
// copies (and the doubled peak memory) of a single contiguous array.

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <new>
#include <stdexcept>
#include <type_traits>
#include <utility>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace quenlix {

// Chunk memory. Chunks of a huge page's size or more are aligned to it and, on
// Linux, offered to the kernel for transparent huge pages: a list of millions of
// elements then costs one page fault per 2 MiB instead of one per 4 KiB, which on
// a virtual machine is a good part of a trace's read time.
struct ChunkMemory {
    static constexpr std::size_t kHugePage = std::size_t{2} << 20;
    // A chunk short of a huge page by less than this takes the whole page: a
    // list of elements whose size does not divide 2 MiB fills it as far as it can.
    static constexpr std::size_t kHugeSlack = 64;

    static constexpr bool IsHuge(std::size_t bytes) { return bytes + kHugeSlack > kHugePage; }

    static void* Allocate(std::size_t bytes)
    {
        if (!IsHuge(bytes)) return ::operator new(bytes);
        const std::size_t rounded = (bytes + kHugePage - 1) & ~(kHugePage - 1);
        void* memory = std::aligned_alloc(kHugePage, rounded);
        if (memory == nullptr) throw std::bad_alloc();
#if defined(__linux__) && defined(MADV_HUGEPAGE)
        madvise(memory, rounded, MADV_HUGEPAGE);  // only advice: failure changes nothing
#endif
        return memory;
    }

    static void Release(void* memory, std::size_t bytes)
    {
        if (!IsHuge(bytes)) {
            ::operator delete(memory);
        } else {
            std::free(memory);
        }
    }
};

// Chunks of ChunkSize elements. A power of two makes the index arithmetic shifts
// and masks; another size (a list of elements that do not divide a huge page)
// costs a multiplication.
template <class T, std::size_t ChunkSize>
class ChunkedListOf {
    static constexpr std::size_t kChunkSize = ChunkSize;
    static constexpr std::size_t kChunkBytes = kChunkSize * sizeof(T);
    static_assert(kChunkSize > 0);
    // Elements are built in place and destroyed only all at once, by clear().
    static_assert(alignof(T) <= alignof(std::max_align_t));
    // A huge chunk that ran a little past a huge page would fault in, and have the
    // kernel clear, most of a second one that it hardly uses.
    static_assert(!ChunkMemory::IsHuge(kChunkBytes) || ChunkMemory::IsHuge(kChunkBytes % ChunkMemory::kHugePage) ||
                      kChunkBytes % ChunkMemory::kHugePage == 0,
                  "a huge chunk should fill whole huge pages");

public:
    template <class List, class Ref>
    class Iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = T;
        using difference_type = std::ptrdiff_t;
        using pointer = std::remove_reference_t<Ref>*;
        using reference = Ref;

        Iterator() = default;
        Iterator(List* list, std::size_t index) : list_(list), index_(index) {}
        Ref operator*() const { return (*list_)[index_]; }
        pointer operator->() const { return &(*list_)[index_]; }
        Iterator& operator++()
        {
            ++index_;
            return *this;
        }
        Iterator operator++(int)
        {
            Iterator old = *this;
            ++index_;
            return old;
        }
        friend bool operator==(const Iterator& a, const Iterator& b) { return a.index_ == b.index_; }

    private:
        List* list_ = nullptr;
        std::size_t index_ = 0;
    };
    using iterator = Iterator<ChunkedListOf, T&>;
    using const_iterator = Iterator<const ChunkedListOf, const T&>;

    T& operator[](std::size_t i) { return chunks_[i / kChunkSize][i % kChunkSize]; }
    const T& operator[](std::size_t i) const { return chunks_[i / kChunkSize][i % kChunkSize]; }
    T& at(std::size_t i) { return i < size_ ? (*this)[i] : throw std::out_of_range("ChunkedList index"); }
    const T& at(std::size_t i) const { return i < size_ ? (*this)[i] : throw std::out_of_range("ChunkedList index"); }

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T& back() { return (*this)[size_ - 1]; }
    const T& back() const { return (*this)[size_ - 1]; }

    ChunkedListOf() = default;
    ChunkedListOf(const ChunkedListOf&) = delete;
    ChunkedListOf& operator=(const ChunkedListOf&) = delete;
    ~ChunkedListOf() { clear(); }

    template <class... Args>
    T& emplace_back(Args&&... args)
    {
        if (size_ % kChunkSize == 0 && size_ / kChunkSize == chunks_.size()) AddChunk();
        T* slot = chunks_[size_ / kChunkSize] + size_ % kChunkSize;
        T* element = ::new (static_cast<void*>(slot)) T{std::forward<Args>(args)...};
        ++size_;
        return *element;
    }
    void push_back(const T& value) { emplace_back() = value; }

    // Capacity is chunk by chunk; the hint only sizes the chunk table.
    void reserve(std::size_t count) { chunks_.reserve((count + kChunkSize - 1) / kChunkSize); }
    void clear()
    {
        if constexpr (!std::is_trivially_destructible_v<T>)
            for (std::size_t i = 0; i < size_; ++i) (*this)[i].~T();
        for (T* chunk : chunks_) ChunkMemory::Release(chunk, kChunkBytes);
        chunks_.clear();
        size_ = 0;
    }

    iterator begin() { return iterator(this, 0); }
    iterator end() { return iterator(this, size_); }
    const_iterator begin() const { return const_iterator(this, 0); }
    const_iterator end() const { return const_iterator(this, size_); }

private:
    void AddChunk()
    {
        // Room first, so a failed push cannot leak the chunk; the table doubles, as
        // lists of small chunks add thousands of them.
        if (chunks_.size() == chunks_.capacity()) chunks_.reserve(std::max<std::size_t>(8, chunks_.size() * 2));
        chunks_.push_back(static_cast<T*>(ChunkMemory::Allocate(kChunkBytes)));
    }

    std::vector<T*> chunks_;
    std::size_t size_ = 0;
};

// Chunks of 2^ChunkBits elements.
template <class T, std::size_t ChunkBits = 14>
using ChunkedList = ChunkedListOf<T, std::size_t{1} << ChunkBits>;

}  // namespace quenlix
