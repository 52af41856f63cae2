#include "FireBerdWriter.h"

#include <algorithm>

namespace quenlix::testing {

TraceImage BuildFireBerdTrace(const FireBerdOptions& options, const std::vector<FireBerdFrame>& frames)
{
    const auto count = static_cast<uint32_t>(options.FrameCount.value_or(static_cast<int32_t>(frames.size())));
    ByteSink out;
    if (options.NetLens) {
        out.Zeros(kNetLensHeaderBytes);
        std::copy_n("DNL", 3, out.Data().begin());
        out.PatchLe32(22, count);
    } else {
        out.Zeros(kFireBerdHeaderBytes);
        std::copy_n("FB500 ProbeApps", 15, out.Data().begin());
        out.PatchLe32(72, count);
    }

    TraceImage image;
    for (const FireBerdFrame& frame : frames) {
        image.FrameOffsets.push_back(out.Size());
        out.Le16(static_cast<uint16_t>(frame.Bytes.size()));
        out.Le16(frame.Status);
        out.Le16(0);
        out.Le16(static_cast<uint16_t>(frame.Milliseconds >> 16));  // high half first
        out.Le16(static_cast<uint16_t>(frame.Milliseconds));
        out.Append(frame.Bytes);
    }
    image.Bytes = std::move(out.Data());
    return image;
}

}  // namespace quenlix::testing
