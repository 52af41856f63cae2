#pragma once
// Builds Internetwork Advisor traces byte by byte: the 128-byte "HPDATA0" header
// with the capture start and the medium, then tagged records: frame records ("FR30",
// "FR50") with their 24-byte frame header, group records ("GRP0") and records of any
// other tag.

#include <cstdint>
#include <string>
#include <vector>

#include "TraceImage.h"

namespace quenlix::testing {

struct AdvisorOptions {
    int32_t StartSeconds = 0;  // seconds since 1970
    int32_t Network = 1;       // 1, 2, 5 Ethernet; 3, 4 Token Ring
};

struct AdvisorFrame {
    std::vector<uint8_t> Bytes;
    uint16_t CountedLength = 0;  // 0: the number of bytes stored
    uint8_t Status = 0;          // bits 3..7: bad FCS
    int32_t Seconds = 0;
    int32_t Nanoseconds = 0;
    std::string Tag = "FR30";
};

constexpr std::size_t kAdvisorHeaderBytes = 128;
constexpr std::size_t kAdvisorRecordHeaderBytes = 8;
constexpr std::size_t kAdvisorFrameHeaderBytes = 24;
constexpr uint8_t kAdvisorFrameRoomMark = 0xFC;  // written after the stored bytes

class AdvisorTraceBuilder {
public:
    explicit AdvisorTraceBuilder(const AdvisorOptions& options);

    void AddFrame(const AdvisorFrame& frame);
    void AddGroup();
    // A record of any tag; words is the length field (header included, in 4-byte words).
    void AddRecord(const std::string& tag, uint16_t words, const std::vector<uint8_t>& body);
    TraceImage Image();

private:
    void AddRecordHeader(const std::string& tag, uint16_t words);

    ByteSink out_;
    std::vector<std::size_t> frameOffsets_;
};

TraceImage BuildAdvisorTrace(const AdvisorOptions& options, const std::vector<AdvisorFrame>& frames);

}  // namespace quenlix::testing
