#include "LANWatchWriter.h"

namespace quenlix::testing {

TraceImage BuildLANWatchTrace(const LANWatchOptions& options, const std::vector<LANWatchRecord>& records)
{
    ByteSink out;
    out.Text("PKTDMP");
    out.Le16(options.Version);
    out.Zeros(4);
    out.U8(0);
    out.U8(options.Network);
    out.Zeros(2);
    if (options.Version >= 4) out.Zeros(4);

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
