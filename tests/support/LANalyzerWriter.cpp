#include "LANalyzerWriter.h"

#include <algorithm>

namespace quenlix::testing {

namespace {

constexpr uint16_t kPlainCapture = 0x1001;
constexpr uint16_t kWrappedCapture = 0x1007;
constexpr uint16_t kFrameRecord = 0x1005;
constexpr std::size_t kFrameHeaderBytes = 32;

// The header-area records in file order: type and body length.
struct HeaderRecord {
    uint16_t Type;
    uint16_t Length;
};
constexpr HeaderRecord kHeaderArea[] = {
    {kPlainCapture, 76}, {0x1006, 128}, {0x100B, 54}, {0x1035, 144}, {0x1036, 54},
    {0x100A, 266},       {0x1002, 210}, {0x1003, 6},  {0x1009, 26},  {0x1004, 40},
};
constexpr std::size_t kStartRecord = 6;
constexpr std::size_t kBufferRecord = 8;
constexpr std::size_t kTopologyField = 188;

std::size_t BodyOffsetOf(std::size_t record)
{
    std::size_t offset = 0;
    for (std::size_t i = 0; i < record; ++i) offset += 4 + kHeaderArea[i].Length;
    return offset + 4;
}

void WriteHeaderArea(ByteSink& out, const LANalyzerOptions& options)
{
    for (std::size_t i = 0; i < std::size(kHeaderArea); ++i) {
        out.Le16(i == 0 && options.WrapAt != 0 ? kWrappedCapture : kHeaderArea[i].Type);
        out.Le16(kHeaderArea[i].Length);
        const std::size_t body = out.Size();
        out.Zeros(kHeaderArea[i].Length);
        if (i != kStartRecord) continue;
        std::vector<uint8_t>& bytes = out.Data();
        bytes[body] = options.Day;
        bytes[body + 1] = options.Month;
        out.PatchLe16(body + 2, options.Year);
        bytes[body + 8] = options.Second;
        bytes[body + 9] = options.Minute;
        bytes[body + 10] = options.Hour;
        out.PatchLe16(body + kTopologyField, options.TokenRing ? 227 : 226);
    }
}

void WriteFrame(ByteSink& out, const LANalyzerFrame& frame)
{
    const auto stored = static_cast<uint16_t>(frame.Bytes.size());
    out.Le16(kFrameRecord);
    out.Le16(static_cast<uint16_t>(kFrameHeaderBytes + frame.Bytes.size()));
    out.Le16(1);  // channel
    out.Le16(frame.ReceiveErrors);
    out.Le16(frame.WireLength < 0 ? static_cast<uint16_t>(stored + 4) : static_cast<uint16_t>(frame.WireLength));
    out.Le16(stored);
    out.Le16(static_cast<uint16_t>(frame.TimeHalfMicroseconds));
    out.Le16(static_cast<uint16_t>(frame.TimeHalfMicroseconds >> 16));
    out.Le16(static_cast<uint16_t>(frame.TimeHalfMicroseconds >> 32));
    out.Zeros(kFrameHeaderBytes - 14);
    out.Append(frame.Bytes);
}

}  // namespace

LANalyzerBufferFields LANalyzerBufferFieldOffsets()
{
    const std::size_t body = BodyOffsetOf(kBufferRecord);
    return {body + 4, body + 12, body + 16};
}

TraceImage BuildLANalyzerTrace(const LANalyzerOptions& options, const std::vector<LANalyzerFrame>& frames)
{
    ByteSink out;
    WriteHeaderArea(out, options);
    TraceImage image;
    image.FrameOffsets.resize(frames.size());
    const std::size_t begin = out.Size();
    const std::size_t split = std::min(options.WrapAt, frames.size());
    // The newer frames first (a wrapped buffer), then the older ones up to the buffer's end.
    for (std::size_t i = split; i < frames.size(); ++i) {
        image.FrameOffsets[i] = out.Size();
        WriteFrame(out, frames[i]);
    }
    const std::size_t oldest = out.Size();
    for (std::size_t i = 0; i < split; ++i) {
        image.FrameOffsets[i] = out.Size();
        WriteFrame(out, frames[i]);
    }
    image.FramesEnd = out.Size();
    const LANalyzerBufferFields fields = LANalyzerBufferFieldOffsets();
    if (options.WrapAt != 0) {
        out.PatchLe32(fields.Oldest, static_cast<uint32_t>(oldest));
        out.PatchLe32(fields.Begin, static_cast<uint32_t>(begin));
        out.PatchLe32(fields.End, static_cast<uint32_t>(out.Size()));
    }
    out.Append(options.Trailer);
    image.Bytes = std::move(out.Data());
    return image;
}

}  // namespace quenlix::testing
