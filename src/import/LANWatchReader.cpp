// Reader of LANWatch traces: a 16-byte header (20 bytes from version 4 on), then
// frame records: a 12-byte header (counted and stored lengths, BIOS tick count,
// interval-timer count, flags) and the stored bytes.

#include <array>
#include <memory>
#include <vector>

#include "import/RecordWalker.h"
#include "import/TraceImport.h"
#include "import/TraceReader.h"

namespace quenlix {

namespace {

constexpr std::size_t kHeaderBytes = 16;
constexpr std::size_t kVersionOffset = 6;
constexpr uint16_t kLongHeaderVersion = 4;
constexpr std::size_t kLongHeaderExtraBytes = 4;

constexpr std::size_t kRecordHeaderBytes = 12;
constexpr uint16_t kMaxStoredBytes = 18000;
constexpr uint16_t kNoDataBit = 0x8000;
constexpr uint16_t kAlignErrorBit = 0x0080;
constexpr uint16_t kBadFcsBit = 0x0002;

class LANWatchReader : public TraceReader {
public:
    void Read(ReadContext& ctx) override;
    // Finer than a microsecond: PC timer counts of 0.838 us.
    uint8_t TimeStampDigits() const override { return 9; }

private:
    // One record; false when the read ends with it.
    [[nodiscard]] bool ReadRecord(ReadContext& ctx, RecordWalker& walker);
    static void SetFrameFields(AnalysisState& state, const std::array<uint8_t, kRecordHeaderBytes>& header);

    std::vector<uint8_t> frame_ = std::vector<uint8_t>(kMaxStoredBytes);
};

void LANWatchReader::Read(ReadContext& ctx)
{
    RecordWalker walker(ctx);
    std::array<uint8_t, kHeaderBytes> header{};
    if (walker.Rest(header.data(), header.size())) {
        const bool longHeader = LittleU16(&header[kVersionOffset]) >= kLongHeaderVersion;
        if (!longHeader || walker.SkipRest(kLongHeaderExtraBytes)) {
            while (ReadRecord(ctx, walker)) {
            }
        }
    }
    ctx.Finish();
}

bool LANWatchReader::ReadRecord(ReadContext& ctx, RecordWalker& walker)
{
    std::array<uint8_t, kRecordHeaderBytes> header{};
    if (!walker.Begin(header.data(), header.size())) return false;
    // A record without data marks an event of the analyser, not a frame.
    if ((LittleU16(&header[10]) & kNoDataBit) != 0) return !ctx.EndOfRecord();

    const uint16_t stored = LittleU16(&header[2]);
    // A frame longer than the frame buffer is taken clipped: its length leads to the next record.
    std::size_t held = 0;
    bool clipped = false;
    if (!ctx.ReadFrameBytes(frame_.data(), frame_.size(), stored, held, clipped)) return false;
    SetFrameFields(ctx.State, header);
    if (ctx.DeliverFrame(frame_.data(), held, clipped)) return false;
    return !ctx.EndOfRecord();
}

void LANWatchReader::SetFrameFields(AnalysisState& state, const std::array<uint8_t, kRecordHeaderBytes>& header)
{
    const bool ethernet = state.Topology == kTopologyEthernet;
    const uint16_t flags = LittleU16(&header[10]);
    state.Frame.FrameBadFCS = ethernet && (flags & kBadFcsBit) != 0 ? 1 : 0;
    state.Frame.FrameAlignError = ethernet && (flags & kAlignErrorBit) != 0 ? 1 : 0;
    state.Frame.FrameTime = TicksToMicroseconds(LittleU16(&header[6]), LittleU16(&header[4]), LittleU16(&header[8]));

    // The trace leaves the Ethernet FCS out; a sliced frame still counts it in its size.
    int counted = LittleU16(&header[0]);
    int stored = LittleU16(&header[2]);
    if (ethernet) {
        if (stored == counted) stored += kEthernetFcsBytes;
        counted += kEthernetFcsBytes;
    }
    state.Frame.StoredLength = ClippedFrameLength(state, stored);
    SetFrameSize(state, counted);
}

}  // namespace

std::unique_ptr<TraceReader> MakeLANWatchReader() { return std::make_unique<LANWatchReader>(); }

}  // namespace quenlix
