// Reader of LANDesk/NetSight traces: a 52-byte header with the number of frames, the
// capture start and the slice setting, then frame records: the stored length, the
// stored bytes, a 32-bit time stamp and a status word.

#include <array>
#include <memory>
#include <vector>

#include "import/RecordWalker.h"
#include "import/TraceImport.h"
#include "import/TraceReader.h"
#include "import/UnixCaptureStart.h"

namespace quenlix {

namespace {

constexpr std::size_t kHeaderBytes = 52;
constexpr std::size_t kFrameCountOffset = 42;
constexpr std::size_t kStartOffset = 46;
constexpr std::size_t kSliceOffset = 50;
// The header's start counts seconds from 1970 shifted by four hours.
constexpr int64_t kStartBias = 14400;
constexpr uint16_t kSliceBits = 0x0E;
constexpr int kSliceUnitBytes = 32;
constexpr int kWholeFrameSlice = 1514;

constexpr std::size_t kLengthBytes = 2;
constexpr std::size_t kTrailerBytes = 6;  // time stamp and status word
constexpr uint16_t kMaxStoredBytes = 18000;
constexpr uint8_t kBadFcsBit = 0x04;      // in the status word's high byte
constexpr uint8_t kAlignErrorBit = 0x08;

class NetSightReader : public TraceReader {
public:
    void Read(ReadContext& ctx) override;
    // Finer than a microsecond: PC timer counts of 0.838 us.
    uint8_t TimeStampDigits() const override { return 9; }

private:
    // One record; false when the read ends with it.
    [[nodiscard]] bool ReadRecord(ReadContext& ctx, RecordWalker& walker);
    void SetFrameFields(AnalysisState& state, uint16_t stored, const std::array<uint8_t, kTrailerBytes>& trailer) const;

    int sliceLimit_ = kWholeFrameSlice;
    double dayStart_ = 0;  // the capture start's time of day, microseconds
    std::vector<uint8_t> frame_ = std::vector<uint8_t>(kMaxStoredBytes);
};

void NetSightReader::Read(ReadContext& ctx)
{
    RecordWalker walker(ctx);
    std::array<uint8_t, kHeaderBytes> header{};
    if (walker.Rest(header.data(), header.size())) {
        const int64_t start = static_cast<int64_t>(LittleI32(&header[kStartOffset])) - kStartBias;
        SetTraceStartFromUnixSeconds(ctx.State, start);
        // Frame times are times of day on the analyser's local clock.
        SetFrameTimeOriginAtMidnight(ctx.State, start, CaptureClock::LocalTime);
        dayStart_ = static_cast<double>(SecondOfDay(start)) * 1e6;
        sliceLimit_ = (LittleU16(&header[kSliceOffset]) & kSliceBits) * kSliceUnitBytes;
        if (sliceLimit_ == 0) sliceLimit_ = kWholeFrameSlice;

        // An unsigned count: past 2^31 frames it still promises every record up to it.
        const uint32_t frameCount = LittleU32(&header[kFrameCountOffset]);
        while (ctx.FrameNo < frameCount && ReadRecord(ctx, walker)) {
        }
    }
    ctx.Finish();
}

bool NetSightReader::ReadRecord(ReadContext& ctx, RecordWalker& walker)
{
    std::array<uint8_t, kLengthBytes> length{};
    if (!walker.Begin(length.data(), length.size())) return false;
    const uint16_t stored = LittleU16(length.data());
    // A frame longer than the frame buffer is taken clipped: its length leads to the next record.
    std::size_t held = 0;
    bool clipped = false;
    std::array<uint8_t, kTrailerBytes> trailer{};
    if (!ctx.ReadFrameBytes(frame_.data(), frame_.size(), stored, held, clipped) ||
        !walker.Rest(trailer.data(), trailer.size()))
        return false;
    SetFrameFields(ctx.State, stored, trailer);
    if (ctx.DeliverFrame(frame_.data(), held, clipped)) return false;
    return !ctx.EndOfRecord();
}

void NetSightReader::SetFrameFields(AnalysisState& state, uint16_t stored,
                                    const std::array<uint8_t, kTrailerBytes>& trailer) const
{
    const bool ethernet = state.Topology == kTopologyEthernet;
    const uint8_t statusHigh = trailer[5];
    state.Frame.FrameBadFCS = ethernet && (statusHigh & kBadFcsBit) != 0 ? 1 : 0;
    state.Frame.FrameAlignError = ethernet && (statusHigh & kAlignErrorBit) != 0 ? 1 : 0;

    // The time stamp holds BIOS ticks above bit 11 and 32-count steps of the interval timer below.
    const uint32_t stamp = LittleU32(trailer.data());
    const auto ticks = static_cast<uint16_t>((stamp >> 11) & 0xFFFF);
    const auto timerCounts = static_cast<uint16_t>((stamp & 0x7FF) * 32);
    state.Frame.FrameTime = dayStart_ + TicksToMicroseconds(0, ticks, timerCounts);

    if (stored > sliceLimit_) {
        state.Frame.StoredLength = ClippedFrameLength(state, sliceLimit_);
        SetFrameSize(state, stored);
        return;
    }
    // The trace leaves the Ethernet FCS out.
    const int counted = ethernet ? stored + kEthernetFcsBytes : stored;
    SetFrameSize(state, counted);
    state.Frame.StoredLength = state.Frame.FrameSize;
}

}  // namespace

std::unique_ptr<TraceReader> MakeNetSightReader() { return std::make_unique<NetSightReader>(); }

}  // namespace quenlix
