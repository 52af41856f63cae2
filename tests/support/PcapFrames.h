#pragma once
// Reads the frames of a classic pcap file (microsecond or nanosecond time stamps,
// either byte order), so that tests can write the frames of a real capture into the
// trace formats that no independent tool writes.

#include <cstdint>
#include <string>
#include <vector>

namespace quenlix::testing {

struct PcapFrame {
    double Microseconds = 0;  // since 1970
    uint32_t WireLength = 0;
    std::vector<uint8_t> Bytes;
};

// The frames of the file; throws std::runtime_error when it is not a readable pcap file.
std::vector<PcapFrame> ReadPcapFrames(const std::string& path);

}  // namespace quenlix::testing
