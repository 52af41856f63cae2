#include "NetMonWriter.h"

namespace quenlix::testing {

namespace {

constexpr std::size_t kHeaderBytes = 128;

void WriteHeader(ByteSink& out, const NetMonOptions& options)
{
    out.Text("RTSS");
    out.U8(1);  // minor and major version
    out.U8(1);
    out.Le16(options.NetworkType);
    for (uint16_t field : {options.Year, options.Month, uint16_t{2}, options.Day, options.Hour, options.Minute,
                           options.Second, options.Milliseconds})
        out.Le16(field);
    out.Zeros(kHeaderBytes - out.Size());
}

}  // namespace

TraceImage BuildNetMonTrace(const NetMonOptions& options, const std::vector<NetMonFrame>& frames)
{
    ByteSink out;
    WriteHeader(out, options);
    TraceImage image;
    for (const NetMonFrame& frame : frames) {
        image.FrameOffsets.push_back(out.Size());
        const auto stored = static_cast<uint16_t>(frame.Bytes.size());
        out.Le32(static_cast<uint32_t>(frame.TimeMs));
        out.Le16(frame.WireLength < 0 ? stored : static_cast<uint16_t>(frame.WireLength));
        out.Le16(stored);
        out.Append(frame.Bytes);
    }
    image.FramesEnd = out.Size();
    const std::size_t tableOffset = out.Size();
    out.PatchLe32(kNetMonFrameTableField, static_cast<uint32_t>(tableOffset));
    out.PatchLe32(kNetMonFrameTableField + 4, static_cast<uint32_t>(4 * frames.size()));
    if (options.WriteFrameTable)
        for (std::size_t offset : image.FrameOffsets) out.Le32(static_cast<uint32_t>(offset));
    image.Bytes = std::move(out.Data());
    return image;
}

}  // namespace quenlix::testing
