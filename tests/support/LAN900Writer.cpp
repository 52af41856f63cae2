#include "LAN900Writer.h"

#include <stdexcept>

namespace quenlix::testing {

namespace {

constexpr uint8_t kFrameKind = 0x82;

int32_t FramesOf(const LAN900Block& block)
{
    if (block.FrameCount >= 0) return block.FrameCount;
    int32_t frames = 0;
    for (const LAN900Record& record : block.Records) frames += record.Kind == kFrameKind ? 1 : 0;
    return frames;
}

}  // namespace

std::vector<uint8_t> LAN900RecordBytes(const LAN900Record& record)
{
    const auto stored = static_cast<uint16_t>(record.Bytes.size());
    ByteSink out;
    out.U8(record.Kind);
    out.U8(record.Network);
    out.Le16(static_cast<uint16_t>(2 + stored));
    out.U8(record.Status);
    out.Le16(static_cast<uint16_t>(record.Ticks));
    out.Le16(static_cast<uint16_t>(record.Ticks >> 16));
    out.Le16(record.TimerCount);
    out.U8(0);
    out.Le16(record.CountedLength == 0 ? static_cast<uint16_t>(stored + 4) : record.CountedLength);
    out.Append(record.Bytes);
    return std::move(out.Data());
}

TraceImage BuildLAN900Trace(const LAN900Options& options, const std::vector<LAN900Block>& blocks)
{
    ByteSink out;
    out.U8(0x03);
    out.U8(0x94);
    out.Zeros(kLAN900BlockBytes - out.Size());
    const auto last =
        options.LastBlock >= 0 ? options.LastBlock : options.FirstBlock + static_cast<int32_t>(blocks.size()) - 1;
    out.PatchLe16(42, options.FirstBlock);
    out.PatchLe16(44, static_cast<uint16_t>(last));
    for (std::size_t b = 0; b < blocks.size(); ++b)
        out.PatchLe16(kLAN900CountTable + 2 * b, static_cast<uint16_t>(FramesOf(blocks[b])));

    TraceImage image;
    for (const LAN900Block& block : blocks) {
        const std::size_t start = out.Size();
        for (const LAN900Record& record : block.Records) {
            if (record.Kind == kFrameKind) image.FrameOffsets.push_back(out.Size());
            out.Append(LAN900RecordBytes(record));
        }
        if (out.Size() - start > kLAN900BlockBytes) throw std::length_error("LAN900 block overflows");
        out.Zeros(start + kLAN900BlockBytes - out.Size());
    }
    image.Bytes = std::move(out.Data());
    return image;
}

}  // namespace quenlix::testing
