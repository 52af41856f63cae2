// Reader of LAN900 traces. The file is cut into 65536-byte blocks: block 0 holds the
// header with the numbers of the first and last blocks and a table of frame counts,
// one per block; the frames follow from block 1 on, each block's records one after
// another from the block's start. A record is a 12-byte header (kind, network,
// length, status, BIOS tick count and interval-timer count) and its bytes, which
// begin with the frame's length as counted.

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include "import/RecordWalker.h"
#include "import/TraceImport.h"
#include "import/TraceReader.h"

namespace quenlix {

namespace {

constexpr int64_t kBlockBytes = 65536;
constexpr std::size_t kBlockNumbersBytes = 46;
constexpr std::size_t kFirstBlockOffset = 42;
constexpr std::size_t kLastBlockOffset = 44;
constexpr int64_t kCountTableOffset = 0x202E;
constexpr int kMaxBlocks = 4096;

constexpr std::size_t kRecordHeaderBytes = 12;
constexpr uint8_t kFrameKind = 0x82;
constexpr uint8_t kNetworkMask = 0x1F;
constexpr uint8_t kBadFcsBit = 0x01;
constexpr uint8_t kAlignErrorBit = 0x02;
constexpr std::size_t kCountedLengthBytes = 2;  // the record's bytes begin with the counted length
constexpr std::size_t kFcsBytes = 4;

TopologyCode TopologyOfNetwork(uint8_t network)
{
    switch (network & kNetworkMask) {
    case 5:
    case 7: return kTopologyEthernet;
    case 6: return kTopologyTokenRing;
    default: return kTopologyOther;
    }
}

class LAN900Reader : public TraceReader {
public:
    void Read(ReadContext& ctx) override;
    // Finer than a microsecond: PC timer counts of 0.838 us.
    uint8_t TimeStampDigits() const override { return 9; }
    // The length as counted (W) is taken as it stands on either medium and counts the
    // FCS, which the stored bytes leave out.
    bool TokenRingSizeCountsFCS() const override { return true; }

private:
    [[nodiscard]] bool ReadBlockTable(RecordWalker& walker);
    // The records of one block; false when the read ends in it.
    [[nodiscard]] bool ReadBlock(ReadContext& ctx, RecordWalker& walker, std::size_t block);
    // One record; false when the read ends with it.
    [[nodiscard]] bool ReadRecord(ReadContext& ctx, RecordWalker& walker, int& framesLeftInBlock);
    [[nodiscard]] bool DeliverRecord(ReadContext& ctx, const std::array<uint8_t, kRecordHeaderBytes>& header,
                                     std::size_t length, std::size_t held, bool clipped);

    std::vector<uint16_t> blockFrames_;
    int64_t totalFrames_ = 0;
    std::vector<uint8_t> record_ = std::vector<uint8_t>(kCountedLengthBytes + kMaxFrameBytes);
};

void LAN900Reader::Read(ReadContext& ctx)
{
    RecordWalker walker(ctx);
    if (ReadBlockTable(walker)) {
        for (std::size_t block = 0; block < blockFrames_.size(); ++block)
            if (!ReadBlock(ctx, walker, block)) break;
    }
    ctx.Finish();
}

bool LAN900Reader::ReadBlockTable(RecordWalker& walker)
{
    std::array<uint8_t, kBlockNumbersBytes> numbers{};
    if (!walker.Rest(numbers.data(), numbers.size())) return false;
    const int first = LittleU16(&numbers[kFirstBlockOffset]);
    const int last = LittleU16(&numbers[kLastBlockOffset]);
    // A last block of 0 marks a trace without frames.
    const int blocks = last == 0 ? 0 : std::clamp(last - first + 1, 0, kMaxBlocks);
    if (blocks == 0) return true;

    std::vector<uint8_t> table(2 * static_cast<std::size_t>(blocks));
    if (!walker.SeekTo(kCountTableOffset) || !walker.Rest(table.data(), table.size())) return false;
    blockFrames_.resize(static_cast<std::size_t>(blocks));
    for (std::size_t block = 0; block < blockFrames_.size(); ++block) {
        blockFrames_[block] = LittleU16(&table[2 * block]);
        totalFrames_ += blockFrames_[block];
    }
    return true;
}

bool LAN900Reader::ReadBlock(ReadContext& ctx, RecordWalker& walker, std::size_t block)
{
    int framesLeft = blockFrames_[block];
    if (framesLeft == 0) return true;
    const int64_t start = (static_cast<int64_t>(block) + 1) * kBlockBytes;
    if (!walker.SeekTo(start)) return false;
    // A count larger than the block's records must not run the read into the next
    // block, whose records would then be read twice.
    const int64_t end = start + kBlockBytes;
    while (framesLeft > 0 && ctx.Input.Position() < end)
        if (!ReadRecord(ctx, walker, framesLeft)) return false;
    return true;
}

bool LAN900Reader::ReadRecord(ReadContext& ctx, RecordWalker& walker, int& framesLeftInBlock)
{
    std::array<uint8_t, kRecordHeaderBytes> header{};
    if (!walker.Begin(header.data(), header.size())) return false;
    const std::size_t length = LittleU16(&header[2]);
    if (header[0] != kFrameKind) {
        if (!walker.SkipRest(length)) return false;
        return !ctx.EndOfRecord();
    }
    // A frame record too short for its counted length is damage, not a frame.
    if (length < kCountedLengthBytes) {
        ctx.NoteReadError();
        return false;
    }
    // A frame longer than the frame buffer is taken clipped: its length leads to the next record.
    std::size_t held = 0;
    bool clipped = false;
    if (!ctx.ReadFrameBytes(record_.data(), record_.size(), length, held, clipped)) return false;
    --framesLeftInBlock;

    const TopologyCode topology = TopologyOfNetwork(header[1]);
    ctx.State.Read.ProbedTopology = topology;
    // A frame of a medium the analysis does not know is passed over, except by the
    // count-only pass, which is there to find the medium out.
    const bool analysed = topology != kTopologyOther || ctx.State.Read.CountOnly != 0;
    if (analysed && DeliverRecord(ctx, header, length, held, clipped)) return false;
    if (ctx.FrameNo >= totalFrames_) return false;
    return !ctx.EndOfRecord();
}

// Fills the current frame from a frame record; true when the engine asks to stop.
bool LAN900Reader::DeliverRecord(ReadContext& ctx, const std::array<uint8_t, kRecordHeaderBytes>& header,
                                 std::size_t length, std::size_t held, bool clipped)
{
    AnalysisState& state = ctx.State;
    const uint8_t status = header[4];
    state.Frame.FrameBadFCS = (status & kBadFcsBit) != 0 ? 1 : 0;
    state.Frame.FrameAlignError = (status & kAlignErrorBit) != 0 ? 1 : 0;
    state.Frame.FrameTime = TicksToMicroseconds(LittleU16(&header[7]), LittleU16(&header[5]), LittleU16(&header[9]));

    // The record keeps the frame without its FCS: a frame kept whole counts the FCS in both lengths.
    const std::size_t counted = LittleU16(&record_[0]);
    const std::size_t kept = length - kCountedLengthBytes;
    const std::size_t storedWithFcs = kept + kFcsBytes;
    state.Frame.StoredLength = ClippedFrameLength(state, static_cast<int64_t>(storedWithFcs));
    SetFrameSize(state, static_cast<int64_t>(counted));
    return ctx.DeliverFrame(record_.data() + kCountedLengthBytes, held - kCountedLengthBytes, clipped);
}

}  // namespace

std::unique_ptr<TraceReader> MakeLAN900Reader() { return std::make_unique<LAN900Reader>(); }

}  // namespace quenlix
