#pragma once
// Builds EtherPeek traces (versions 6 and 7) byte by byte: the 50-byte header with
// the packet count, then each packet's big-endian header and its stored bytes,
// padded to an even count.

#include <cstdint>
#include <optional>
#include <vector>

#include "TraceImage.h"

namespace quenlix::testing {

struct EtherPeekOptions {
    uint8_t Version = 7;
    std::optional<uint32_t> PacketCount;  // default: the packets written
};

struct EtherPeekPacket {
    uint64_t TimeStamp = 0;  // from 1904: milliseconds (version 6) or microseconds (version 7)
    std::vector<uint8_t> Bytes;     // the stored slice
    int32_t WireLength = -1;        // -1: the byte count
    bool SliceFieldZero = false;    // write 0 (whole frame) in the slice field
    uint8_t Flags = 0;              // 0x02 bad FCS
};

TraceImage BuildEtherPeekTrace(const EtherPeekOptions& options, const std::vector<EtherPeekPacket>& packets);

// Seconds from 1 January 1904 to 1 January 1970.
constexpr uint64_t kSeconds1904To1970 = 2082844800;

}  // namespace quenlix::testing
