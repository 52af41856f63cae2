#include "AdvisorWriter.h"

#include <algorithm>

namespace quenlix::testing {

AdvisorTraceBuilder::AdvisorTraceBuilder(const AdvisorOptions& options)
{
    out_.Zeros(kAdvisorHeaderBytes);
    std::copy_n("HPDATA0", 7, out_.Data().begin());
    out_.PatchLe32(12, static_cast<uint32_t>(options.StartSeconds));
    out_.PatchLe32(24, static_cast<uint32_t>(options.Network));
}

void AdvisorTraceBuilder::AddRecordHeader(const std::string& tag, uint16_t words)
{
    out_.Le16(0);
    out_.Le16(words);
    out_.Text(tag.substr(0, 4));
}

void AdvisorTraceBuilder::AddFrame(const AdvisorFrame& frame)
{
    const auto stored = static_cast<uint16_t>(frame.Bytes.size());
    // The frame bytes are followed by room for the FCS, rounded up to whole words.
    const std::size_t area = (static_cast<std::size_t>(stored) + 7) / 4 * 4;
    frameOffsets_.push_back(out_.Size());
    AddRecordHeader(frame.Tag,
                    static_cast<uint16_t>((kAdvisorRecordHeaderBytes + kAdvisorFrameHeaderBytes + area) / 4));
    out_.Zeros(8);
    out_.Le16(frame.CountedLength == 0 ? stored : frame.CountedLength);
    out_.U8(0);
    out_.U8(frame.Status);
    out_.Le16(stored);
    out_.Le16(0);
    out_.Le32(static_cast<uint32_t>(frame.Seconds));
    out_.Le32(static_cast<uint32_t>(frame.Nanoseconds));
    out_.Append(frame.Bytes);
    // The room after the frame is filled with a mark, so that tests can tell it from zeros.
    for (std::size_t i = stored; i < area; ++i) out_.U8(kAdvisorFrameRoomMark);
}

void AdvisorTraceBuilder::AddGroup()
{
    AddRecordHeader("GRP0", 7);
    out_.Zeros(20);
}

void AdvisorTraceBuilder::AddRecord(const std::string& tag, uint16_t words, const std::vector<uint8_t>& body)
{
    AddRecordHeader(tag, words);
    out_.Append(body);
}

TraceImage AdvisorTraceBuilder::Image()
{
    TraceImage image;
    image.Bytes = out_.Data();
    image.FrameOffsets = frameOffsets_;
    return image;
}

TraceImage BuildAdvisorTrace(const AdvisorOptions& options, const std::vector<AdvisorFrame>& frames)
{
    AdvisorTraceBuilder builder(options);
    for (const AdvisorFrame& frame : frames) builder.AddFrame(frame);
    return builder.Image();
}

}  // namespace quenlix::testing
