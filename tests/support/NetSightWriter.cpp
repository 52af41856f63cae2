#include "NetSightWriter.h"

#include <algorithm>

namespace quenlix::testing {

TraceImage BuildNetSightTrace(const NetSightOptions& options, const std::vector<NetSightFrame>& frames)
{
    ByteSink out;
    out.Zeros(kNetSightHeaderBytes);
    out.Data()[0] = 0x1A;  // the mark that detection looks for, with the ".CAP" name
    std::copy_n("NetSight", 8, out.Data().begin() + 2);
    out.PatchLe16(40, options.Network);
    out.PatchLe32(42, static_cast<uint32_t>(options.FrameCount.value_or(static_cast<int32_t>(frames.size()))));
    out.PatchLe32(46, static_cast<uint32_t>(options.StartField));
    out.PatchLe16(50, options.SliceSetting);

    TraceImage image;
    for (const NetSightFrame& frame : frames) {
        image.FrameOffsets.push_back(out.Size());
        out.Le16(static_cast<uint16_t>(frame.Bytes.size()));
        out.Append(frame.Bytes);
        out.Le32(frame.Stamp);
        out.Le16(frame.Status);
    }
    image.Bytes = std::move(out.Data());
    return image;
}

}  // namespace quenlix::testing
