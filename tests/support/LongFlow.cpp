#include "LongFlow.h"

#include "EngineFeeder.h"

namespace quenlix::testing {

void FeedLongFlow(AnalysisState& state)
{
    EngineFeeder feed(state);
    TcpSegment segment;
    segment.SrcPort = 1024;
    segment.DstPort = 80;
    // The headers' length, from a segment long enough not to be padded; the
    // feeder counts the 4-byte FCS on top of the stored bytes.
    segment.Payload.resize(100);
    Bytes frame = TcpFrame(LongFlow::kReceiverMac, LongFlow::kSenderMac, LongFlow::kSender, LongFlow::kReceiver, segment);
    const std::size_t headers = frame.size() - segment.Payload.size();
    segment.Payload.resize(static_cast<std::size_t>(LongFlow::kFrameBytes) - 4 - headers);
    frame = TcpFrame(LongFlow::kReceiverMac, LongFlow::kSenderMac, LongFlow::kSender, LongFlow::kReceiver, segment);
    for (int64_t i = 0; i < LongFlow::kFrames; ++i)
        feed.Feed(frame, static_cast<double>(i) * LongFlow::kSpacingMicroseconds);
    feed.Finish();
    state.TotalFrames = feed.FrameNo();
}

}  // namespace quenlix::testing
