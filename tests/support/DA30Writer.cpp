#include "DA30Writer.h"

#include <algorithm>

namespace quenlix::testing {

namespace {

constexpr std::size_t kHeaderBytes = 78;
constexpr std::size_t kDescriptorBytes = 16;
constexpr std::size_t kEthernetBlockBytes = 152;
constexpr std::size_t kTokenRingBlockBytes = 112;

void WritePreamble(ByteSink& out, const DA30Options& options)
{
    out.Zeros(kHeaderBytes);
    std::vector<uint8_t>& bytes = out.Data();
    std::copy_n("EXRS", 4, bytes.begin());
    bytes[18] = options.Hour;
    bytes[19] = options.Minute;
    bytes[20] = options.Second;
    const std::size_t descriptor = kHeaderBytes + options.DescriptorGap;
    const std::size_t block = options.TokenRing ? kTokenRingBlockBytes : kEthernetBlockBytes;
    out.PatchLe32(22, static_cast<uint32_t>(descriptor));
    out.PatchLe32(30, static_cast<uint32_t>(descriptor + kDescriptorBytes + block + options.FirstRecordGap));

    out.Zeros(options.DescriptorGap);
    out.Le32(0);
    out.Le32(options.TokenRing ? 30 : 40);  // the medium, as topology detection reads it
    out.Zeros(8);
    out.Zeros(block + options.FirstRecordGap);
}

}  // namespace

std::vector<uint8_t> DA30Record(const DA30Frame& frame)
{
    ByteSink body;
    body.Zeros(8);
    body.Le32(frame.Status);
    body.Zeros(4);
    body.Le32(frame.Time);
    body.Zeros(4);
    body.Le32(static_cast<uint32_t>(frame.LengthField < 0 ? frame.Bytes.size() : frame.LengthField));
    body.Append(frame.Bytes);
    body.Zeros((4 - body.Size() % 4) % 4);

    ByteSink record;
    record.Le32(0);
    record.Le32(static_cast<uint32_t>((kDA30RecordHeaderBytes + body.Size()) / 4));
    record.Append(body.Data());
    return std::move(record.Data());
}

TraceImage BuildDA30Trace(const DA30Options& options, const std::vector<DA30Frame>& frames)
{
    ByteSink out;
    WritePreamble(out, options);
    TraceImage image;
    for (const DA30Frame& frame : frames) {
        image.FrameOffsets.push_back(out.Size());
        out.Append(DA30Record(frame));
    }
    if (options.WriteEndRecord) out.Zeros(kDA30RecordHeaderBytes);
    image.Bytes = std::move(out.Data());
    return image;
}

}  // namespace quenlix::testing
