#pragma once
// A length-prefixed byte string with room for N bytes. Addresses are held as raw
// bytes in these (MAC 6, IP 4, IPX 10, IPv6 16) and ordered byte by byte as unsigned
// values, a proper prefix being the smaller: the key order of every tree.

#include <algorithm>
#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace quenlix {

template <std::size_t N>
struct PString {
    static constexpr std::size_t Capacity = N;
    uint8_t Length = 0;
    std::array<uint8_t, N> Bytes{};

    PString() = default;
    PString(const uint8_t* data, std::size_t length) { Assign(data, length); }

    void Assign(const uint8_t* data, std::size_t length)
    {
        Length = static_cast<uint8_t>(std::min(length, N));
        if (Length > 0) std::memcpy(Bytes.data(), data, Length);
        std::fill(Bytes.begin() + Length, Bytes.end(), uint8_t{0});
    }
    void Clear() { Assign(nullptr, 0); }
    bool Empty() const { return Length == 0; }
    const uint8_t* Data() const { return Bytes.data(); }
    uint8_t operator[](std::size_t i) const { return Bytes[i]; }

    template <std::size_t M>
    bool SameBytes(const PString<M>& other) const
    {
        return Length == other.Length && std::memcmp(Bytes.data(), other.Bytes.data(), Length) == 0;
    }

    friend bool operator==(const PString& a, const PString& b) { return a.SameBytes(b); }
    friend std::strong_ordering operator<=>(const PString& a, const PString& b)
    {
        const std::size_t common = std::min(a.Length, b.Length);
        if (common > 0) {
            const int c = std::memcmp(a.Bytes.data(), b.Bytes.data(), common);
            if (c != 0) return c < 0 ? std::strong_ordering::less : std::strong_ordering::greater;
        }
        return a.Length <=> b.Length;
    }
};

using MacString = PString<6>;
using NetString = PString<16>;

}  // namespace quenlix
