#pragma once
// A growable list stored in fixed-size chunks. Growing never moves the elements
// already stored, so a list of millions of packet summaries grows without the
// copies (and the doubled peak memory) of a single contiguous array.

#include <cstddef>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <vector>

namespace quenlix {

template <class T, std::size_t ChunkBits = 14>
class ChunkedList {
    static constexpr std::size_t kChunkSize = std::size_t{1} << ChunkBits;
    static constexpr std::size_t kMask = kChunkSize - 1;

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
    using iterator = Iterator<ChunkedList, T&>;
    using const_iterator = Iterator<const ChunkedList, const T&>;

    T& operator[](std::size_t i) { return chunks_[i >> ChunkBits][i & kMask]; }
    const T& operator[](std::size_t i) const { return chunks_[i >> ChunkBits][i & kMask]; }
    T& at(std::size_t i) { return i < size_ ? (*this)[i] : throw std::out_of_range("ChunkedList index"); }
    const T& at(std::size_t i) const { return i < size_ ? (*this)[i] : throw std::out_of_range("ChunkedList index"); }

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T& back() { return (*this)[size_ - 1]; }
    const T& back() const { return (*this)[size_ - 1]; }

    T& emplace_back()
    {
        if ((size_ & kMask) == 0 && (size_ >> ChunkBits) == chunks_.size())
            chunks_.push_back(std::make_unique<T[]>(kChunkSize));
        T& slot = (*this)[size_++];
        slot = T{};
        return slot;
    }
    void push_back(const T& value) { emplace_back() = value; }

    // Capacity is chunk by chunk; the hint only sizes the chunk table.
    void reserve(std::size_t count) { chunks_.reserve((count + kMask) >> ChunkBits); }
    void clear()
    {
        chunks_.clear();
        size_ = 0;
    }

    iterator begin() { return iterator(this, 0); }
    iterator end() { return iterator(this, size_); }
    const_iterator begin() const { return const_iterator(this, 0); }
    const_iterator end() const { return const_iterator(this, size_); }

private:
    std::vector<std::unique_ptr<T[]>> chunks_;
    std::size_t size_ = 0;
};

}  // namespace quenlix
