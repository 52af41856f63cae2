#pragma once
// The numbers of the pcapng format that both its reader and its writer use:
// block types, option codes, link types and the link-layer error bits of a
// packet's flags.

#include <cstdint>

namespace quenlix {

namespace pcapng {
constexpr uint32_t kSectionHeaderBlock = 0x0A0D0D0A;  // reads the same in both byte orders
constexpr uint32_t kInterfaceBlock = 1;
constexpr uint32_t kObsoletePacketBlock = 2;
constexpr uint32_t kSimplePacketBlock = 3;
constexpr uint32_t kEnhancedPacketBlock = 6;
constexpr uint32_t kByteOrderMagic = 0x1A2B3C4D;

constexpr uint16_t kOptionEnd = 0;
constexpr uint16_t kOptionComment = 1;
constexpr uint16_t kOptionInterfaceName = 2;         // of interface description blocks
constexpr uint16_t kOptionInterfaceDescription = 3;  // of interface description blocks
constexpr uint16_t kOptionPacketFlags = 2;           // of enhanced and obsolete packet blocks
constexpr uint16_t kOptionTimeResolution = 9;        // of interface description blocks
constexpr uint16_t kOptionFcsLength = 13;
constexpr uint16_t kOptionTimeOffset = 14;
}  // namespace pcapng

// The link types of the media the analysis reads.
enum class PcapngLink : uint16_t { Ethernet = 1, TokenRing = 6 };

// The link-layer error bits of a packet's flags (bits 24 to 31).
namespace pcapng_errors {
constexpr uint32_t kCrc = 1u << 24;
constexpr uint32_t kTooLong = 1u << 25;
constexpr uint32_t kTooShort = 1u << 26;
constexpr uint32_t kInterFrameGap = 1u << 27;
constexpr uint32_t kUnalignedFrame = 1u << 28;
constexpr uint32_t kStartFrameDelimiter = 1u << 29;
constexpr uint32_t kPreamble = 1u << 30;
constexpr uint32_t kSymbol = 1u << 31;
constexpr uint32_t kAll = 0xFF000000u;
}  // namespace pcapng_errors

}  // namespace quenlix
