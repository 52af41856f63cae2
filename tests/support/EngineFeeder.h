#pragma once
// Feeds hand-built frames straight to the frame engine, as a reader would.

#include <cstring>

#include "FrameBuilder.h"
#include "model/AnalysisState.h"
#include "model/FrameEngine.h"

namespace quenlix::testing {

class EngineFeeder {
public:
    explicit EngineFeeder(AnalysisState& state, TopologyCode topology = kTopologyEthernet) : state_(state)
    {
        state_.Topology = topology;
        ResetAnalysis(state_);
    }

    // Delivers a frame stored whole. On Ethernet the counted size includes the
    // 4-byte FCS that the stored bytes leave out.
    bool Feed(const Bytes& bytes, double timeMicroseconds, bool badFcs = false, bool alignError = false)
    {
        const std::size_t fcs = state_.Topology == kTopologyEthernet ? 4 : 0;
        return FeedSized(bytes, static_cast<uint16_t>(bytes.size() + fcs), static_cast<uint16_t>(bytes.size() + fcs),
                         timeMicroseconds, badFcs, alignError);
    }

    // Delivers a frame with explicit counted and stored sizes (sliced frames).
    bool FeedSized(const Bytes& bytes, uint16_t frameSize, uint16_t storedLength, double timeMicroseconds,
                   bool badFcs = false, bool alignError = false)
    {
        state_.Frame.FrameTime = timeMicroseconds;
        state_.Frame.FrameSize = frameSize;
        state_.Frame.StoredLength = storedLength;
        state_.Frame.FrameBadFCS = badFcs ? 1 : 0;
        state_.Frame.FrameAlignError = alignError ? 1 : 0;
        const std::size_t n = std::min<std::size_t>(bytes.size(), kMaxFrameBytes);
        std::memcpy(state_.Frame.FrameData.data(), bytes.data(), n);
        const std::size_t tail = std::min<std::size_t>(n + 4, kMaxFrameBytes);
        std::memset(state_.Frame.FrameData.data() + n, 0, tail - n);
        return AnalyzeFrame(state_, frameNo_);
    }

    // The driver's final interval close.
    void Finish() { CloseInterval(state_); }

    int64_t FrameNo() const { return frameNo_; }
    // Moves the reader's frame counter on, as past frames a test does not feed.
    void SkipFrames(int64_t count) { frameNo_ += count; }

private:
    AnalysisState& state_;
    int64_t frameNo_ = 0;
};

}  // namespace quenlix::testing
