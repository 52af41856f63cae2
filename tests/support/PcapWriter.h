#pragma once
// Builds libpcap and pcapng traces byte by byte, in either byte order: libpcap with
// micro- or nanosecond time stamps; pcapng sections with interface descriptions
// (time-stamp resolution and offset, FCS length), enhanced, simple and obsolete
// packet blocks, and blocks the reader passes over.

#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "TraceImage.h"

namespace quenlix::testing {

enum class PcapBlock { Enhanced, Simple, Obsolete };

struct PcapPacket {
    std::vector<uint8_t> Bytes;
    // libpcap: micro- or nanoseconds since 1970; pcapng: units of the interface's resolution.
    uint64_t Stamp = 0;
    int64_t OriginalLength = -1;  // -1: stored whole
    uint32_t Interface = 0;       // pcapng: index in the section
    PcapBlock Block = PcapBlock::Enhanced;
    std::optional<uint32_t> Flags;  // pcapng: the packet's flags option
};

struct PcapOptions {
    bool BigEndian = false;
    bool Nanoseconds = false;
    uint32_t LinkType = 1;  // with the FCS bits in its top half, when wanted
    uint32_t SnapLength = 262144;
};

TraceImage BuildPcapTrace(const PcapOptions& options, const std::vector<PcapPacket>& packets);

// Writes a libpcap file packet by packet, for traces too large to build in memory.
class PcapFileWriter {
public:
    PcapFileWriter(const std::string& path, const PcapOptions& options);
    void AddPacket(const PcapPacket& packet);
    // Flushes and closes the file; throws std::runtime_error when it could not be written.
    void Finish();

private:
    std::ofstream file_;
    std::string path_;
    PcapOptions options_;
};

struct PcapNgInterface {
    uint16_t LinkType = 1;
    uint32_t SnapLength = 0;
    std::optional<uint8_t> TimeResolution;  // the option's byte; absent: microseconds
    std::optional<int64_t> TimeOffset;      // seconds
    std::optional<uint8_t> FcsBits;
};

struct PcapNgSection {
    bool BigEndian = false;
    std::vector<PcapNgInterface> Interfaces = {PcapNgInterface{}};
    std::vector<PcapPacket> Packets;
    // A name-resolution block after the interfaces and a statistics block at the end,
    // and a comment option on the section header.
    bool OtherBlocks = false;
};

// Where every block of a pcapng trace lies; FrameOffsets of the image are those of its packet blocks.
struct PcapNgBlock {
    std::size_t Begin = 0;
    std::size_t End = 0;
    bool Packet = false;
};

struct PcapNgTrace {
    TraceImage Image;
    std::vector<PcapNgBlock> Blocks;
};

PcapNgTrace BuildPcapNgTrace(const std::vector<PcapNgSection>& sections);

}  // namespace quenlix::testing
