#pragma once
// Small helpers shared by the format readers: multi-byte fields in either byte
// order, and reading one record while telling a clean end of the file from a
// record cut short.

#include <cstddef>
#include <cstdint>

#include "import/TraceInput.h"

namespace quenlix {

inline uint16_t LittleU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t LittleU32(const uint8_t* p)
{
    return static_cast<uint32_t>(LittleU16(p)) | static_cast<uint32_t>(LittleU16(p + 2)) << 16;
}
inline int32_t LittleI32(const uint8_t* p) { return static_cast<int32_t>(LittleU32(p)); }

inline uint16_t BigU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
inline uint32_t BigU32(const uint8_t* p)
{
    return static_cast<uint32_t>(BigU16(p)) << 16 | static_cast<uint32_t>(BigU16(p + 2));
}
inline uint64_t BigU64(const uint8_t* p) { return static_cast<uint64_t>(BigU32(p)) << 32 | BigU32(p + 4); }

enum class Fetch {
    Whole,  // every byte asked for was read
    End,    // the file ended cleanly before the record
    Short,  // the record was cut short, or the device failed
};

// Reads n bytes of one record. A file that simply has no more records is told
// apart from one whose last record is incomplete.
[[nodiscard]] inline Fetch FetchRecord(TraceInput& input, void* destination, std::size_t n)
{
    const std::size_t got = input.Read(destination, n);
    if (got == n) return Fetch::Whole;
    return got == 0 && !input.Failed() ? Fetch::End : Fetch::Short;
}

}  // namespace quenlix
