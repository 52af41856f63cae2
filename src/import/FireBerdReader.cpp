// Reader of FireBerd 500 and NetLens traces. Both are a header that holds the number
// of frames (76 bytes for FireBerd 500, 26 for NetLens), then frame records: a
// 10-byte header (stored length, status, millisecond time) and the stored bytes.
// A file that ends before the header's count of frames is a cut file.

#include <array>
#include <memory>
#include <vector>

#include "import/RecordWalker.h"
#include "import/TraceImport.h"
#include "import/TraceReader.h"

namespace quenlix {

namespace {

struct FileLayout {
    std::size_t HeaderBytes;
    std::size_t FrameCountOffset;
};

constexpr FileLayout kFireBerdLayout{76, 72};
constexpr FileLayout kNetLensLayout{26, 22};

constexpr std::size_t kRecordHeaderBytes = 10;
constexpr uint16_t kMaxStoredBytes = 18000;
// Frames longer than a full Ethernet frame without FCS are kept as their first 1514 bytes.
constexpr uint16_t kSliceBytes = 1514;
constexpr uint16_t kBadFcsBit = 0x0800;
constexpr uint16_t kAlignErrorBit = 0x0400;

class FireBerdReader : public TraceReader {
public:
    explicit FireBerdReader(FileLayout layout) : layout_(layout) {}
    void Read(ReadContext& ctx) override;

private:
    // One record; false when the read ends with it.
    [[nodiscard]] bool ReadRecord(ReadContext& ctx, RecordWalker& walker);
    static void SetLengths(AnalysisState& state, uint16_t stored);

    FileLayout layout_;
    std::vector<uint8_t> frame_ = std::vector<uint8_t>(kMaxStoredBytes);
};

void FireBerdReader::Read(ReadContext& ctx)
{
    RecordWalker walker(ctx);
    std::vector<uint8_t> header(layout_.HeaderBytes);
    if (walker.Rest(header.data(), header.size())) {
        // An unsigned count: past 2^31 frames it still promises every record up to it.
        const uint32_t frameCount = LittleU32(&header[layout_.FrameCountOffset]);
        while (ctx.FrameNo < frameCount && ReadRecord(ctx, walker)) {
        }
    }
    ctx.Finish();
}

bool FireBerdReader::ReadRecord(ReadContext& ctx, RecordWalker& walker)
{
    std::array<uint8_t, kRecordHeaderBytes> header{};
    // The header's frame count promises this record: the end of the file here is a cut.
    if (!walker.Rest(header.data(), header.size())) return false;
    const uint16_t stored = LittleU16(&header[0]);
    // A frame longer than the frame buffer is taken clipped: its length leads to the next record.
    std::size_t held = 0;
    bool clipped = false;
    if (!ctx.ReadFrameBytes(frame_.data(), frame_.size(), stored, held, clipped)) return false;

    AnalysisState& state = ctx.State;
    const bool ethernet = state.Topology == kTopologyEthernet;
    const uint16_t status = LittleU16(&header[2]);
    state.Frame.FrameBadFCS = ethernet && (status & kBadFcsBit) != 0 ? 1 : 0;
    state.Frame.FrameAlignError = ethernet && (status & kAlignErrorBit) != 0 ? 1 : 0;
    // Milliseconds as a 32-bit count stored high half first.
    const uint32_t milliseconds = static_cast<uint32_t>(LittleU16(&header[6])) << 16 | LittleU16(&header[8]);
    state.Frame.FrameTime = milliseconds * 1000.0;
    SetLengths(state, stored);
    if (ctx.DeliverFrame(frame_.data(), held, clipped)) return false;
    return !ctx.EndOfRecord();
}

void FireBerdReader::SetLengths(AnalysisState& state, uint16_t stored)
{
    if (stored > kSliceBytes) {
        state.Frame.StoredLength = ClippedFrameLength(state, kSliceBytes);
        SetFrameSize(state, stored);
        return;
    }
    // The trace leaves the Ethernet FCS out.
    const int counted = state.Topology == kTopologyEthernet ? stored + kEthernetFcsBytes : stored;
    SetFrameSize(state, counted);
    state.Frame.StoredLength = state.Frame.FrameSize;
}

}  // namespace

std::unique_ptr<TraceReader> MakeFireBerdReader() { return std::make_unique<FireBerdReader>(kFireBerdLayout); }
std::unique_ptr<TraceReader> MakeNetLensReader() { return std::make_unique<FireBerdReader>(kNetLensLayout); }

}  // namespace quenlix
