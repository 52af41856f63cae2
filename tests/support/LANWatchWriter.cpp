#include "LANWatchWriter.h"

#include <algorithm>

namespace quenlix::testing {

TraceImage BuildLANWatchTrace(const LANWatchOptions& options, const std::vector<LANWatchRecord>& records)
{
    ByteSink out;
    out.Zeros(options.Version >= 4 ? 20 : 16);
    std::copy_n("PKTDMP", 6, out.Data().begin());
    out.PatchLe16(6, options.Version);
    out.Data()[13] = options.Network;

    TraceImage image;
    for (const LANWatchRecord& record : records) {
        const bool noData = (record.Flags & kLANWatchNoData) != 0;
        if (!noData) image.FrameOffsets.push_back(out.Size());
        const auto stored = static_cast<uint16_t>(record.Bytes.size());
        out.Le16(record.CountedLength == 0 ? stored : record.CountedLength);
        out.Le16(stored);
        out.Le16(static_cast<uint16_t>(record.Ticks));
        out.Le16(static_cast<uint16_t>(record.Ticks >> 16));
        out.Le16(record.TimerCount);
        out.Le16(record.Flags);
        if (!noData) out.Append(record.Bytes);
    }
    image.Bytes = std::move(out.Data());
    return image;
}

}  // namespace quenlix::testing
