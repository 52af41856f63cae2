// Reader of DA-30 traces: a 78-byte header with the capture's start time of day and
// the offsets of a descriptor and of the first frame record; after the descriptor a
// topology block; then frame records sized in 4-byte words, up to a record of 0 words.
// A record of 0 words with more records after it is a damaged record, not the end.

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include "import/RecordWalker.h"
#include "import/TraceImport.h"
#include "import/TraceReader.h"

namespace quenlix {

namespace {

constexpr std::size_t kHeaderBytes = 78;
constexpr std::size_t kDescriptorBytes = 16;
constexpr std::size_t kEthernetBlockBytes = 152;
constexpr std::size_t kTokenRingBlockBytes = 112;
constexpr std::size_t kRecordHeaderBytes = 8;
constexpr int64_t kMaxBodyBytes = 18028;
// How far past a record of 0 words the reader looks for records it would cut off:
// past a zeroed stretch and the frame it spoilt.
constexpr std::size_t kLookAheadBytes = 65536;

// Fields of a record body (the bytes after the 8-byte record header).
constexpr std::size_t kStatusOffset = 8;
constexpr std::size_t kTimeOffset = 16;
constexpr std::size_t kLengthOffset = 24;
constexpr std::size_t kFrameOffset = 28;
constexpr int32_t kFewestWords = (kRecordHeaderBytes + kFrameOffset) / 4;
constexpr int32_t kMostWords = (kRecordHeaderBytes + kMaxBodyBytes) / 4;

// Whether rest holds from `at` on a chain of frame records of possible sizes that ends
// at a record of 0 words, at the end of the file or past the bytes looked at.
bool StartsRecordChain(const std::vector<uint8_t>& rest, std::size_t at, bool restReachesFileEnd)
{
    bool any = false;
    while (at + kRecordHeaderBytes <= rest.size()) {
        const int32_t words = LittleI32(&rest[at + 4]);
        if (words == 0) return any;
        if (words < kFewestWords || words > kMostWords) return false;
        any = true;
        at += static_cast<std::size_t>(words) * 4;
    }
    return any && (at == rest.size() || !restReachesFileEnd);
}

// Whether rest, reaching the end of the file, is data up to a record of 0 words at
// whole words from its start: the remains of the last frame record, whose header was
// zeroed, before the trace's own end record. Padding is zeros throughout.
bool EndsWithAnEndRecordAfterData(const std::vector<uint8_t>& rest, bool restReachesFileEnd)
{
    if (!restReachesFileEnd || rest.size() < kRecordHeaderBytes || rest.size() % 4 != 0) return false;
    const std::size_t last = rest.size() - kRecordHeaderBytes;
    const auto dataEnd = rest.begin() + static_cast<std::ptrdiff_t>(last);
    return LittleI32(&rest[last + 4]) == 0 && std::any_of(rest.begin(), dataEnd, [](uint8_t b) { return b != 0; });
}

// Whether the bytes after a record of 0 words hold more records, at whole words from it.
bool RecordsFollow(TraceInput& input, int64_t restStart)
{
    const std::vector<uint8_t> rest = BytesFrom(input, restStart, kLookAheadBytes);
    const bool reachesFileEnd = restStart + static_cast<int64_t>(rest.size()) >= input.Size();
    if (EndsWithAnEndRecordAfterData(rest, reachesFileEnd)) return true;
    for (std::size_t at = 0; at + kRecordHeaderBytes <= rest.size(); at += 4)
        if (StartsRecordChain(rest, at, reachesFileEnd)) return true;
    return false;
}

constexpr double kTimeUnitMicroseconds = 32.0;
constexpr uint32_t kBadFcsBit = 0x08;
constexpr uint32_t kBadFcsMask = 0x18;  // bit 3 set with bit 4 clear

class DA30Reader : public TraceReader {
public:
    void Read(ReadContext& ctx) override;
    // The stored bytes run to the end of the frame, its FCS included.
    bool EthernetBytesHoldFCS() const override { return true; }
    // The frame length field serves both lengths on either medium and counts the FCS.
    bool TokenRingSizeCountsFCS() const override { return true; }

private:
    [[nodiscard]] bool ReadPreamble(ReadContext& ctx, RecordWalker& walker);
    // One record; false when the read ends with it.
    [[nodiscard]] bool ReadRecord(ReadContext& ctx, RecordWalker& walker);
    [[nodiscard]] bool DeliverBody(ReadContext& ctx, std::size_t bodyBytes, bool clipped);

    double dayStart_ = 0;  // the capture's start time of day, microseconds
    std::vector<uint8_t> body_ = std::vector<uint8_t>(kMaxBodyBytes);
};

void DA30Reader::Read(ReadContext& ctx)
{
    RecordWalker walker(ctx);
    if (ReadPreamble(ctx, walker)) {
        while (ReadRecord(ctx, walker)) {
        }
    }
    ctx.Finish();
}

// Reads the header, the descriptor and the topology block, and moves to the first frame record.
bool DA30Reader::ReadPreamble(ReadContext& ctx, RecordWalker& walker)
{
    std::array<uint8_t, kHeaderBytes> header{};
    if (!walker.Rest(header.data(), header.size())) return false;
    dayStart_ = (header[18] * 3600.0 + header[19] * 60.0 + header[20]) * 1e6;

    std::array<uint8_t, kDescriptorBytes> descriptor{};
    const std::size_t blockBytes =
        ctx.State.Topology == kTopologyTokenRing ? kTokenRingBlockBytes : kEthernetBlockBytes;
    return walker.SeekTo(LittleI32(&header[22])) && walker.Rest(descriptor.data(), descriptor.size()) &&
           walker.SkipRest(blockBytes) && walker.SeekTo(LittleI32(&header[30]));
}

bool DA30Reader::ReadRecord(ReadContext& ctx, RecordWalker& walker)
{
    std::array<uint8_t, kRecordHeaderBytes> header{};
    const int64_t start = ctx.Input.Position();
    if (!walker.Begin(header.data(), header.size())) return false;
    const int32_t words = LittleI32(&header[4]);
    if (words == 0) {  // the end record, unless records follow it
        const int64_t restStart = start + static_cast<int64_t>(kRecordHeaderBytes);
        if (RecordsFollow(ctx.Input, restStart))
            ctx.ShowReadError(FollowedByRecordsText("End record", start, ctx.FrameNo, ctx.Input.Size() - restStart));
        return false;
    }

    const int64_t bodyBytes = static_cast<int64_t>(words) * 4 - static_cast<int64_t>(kRecordHeaderBytes);
    // A record too short for its own fields (or of a negative size) is damage, not a frame.
    if (bodyBytes < static_cast<int64_t>(kFrameOffset)) {
        ctx.NoteReadError();
        return false;
    }
    // A frame longer than the frame buffer is taken clipped: the record length leads to the next record.
    std::size_t held = 0;
    bool clipped = false;
    if (!ctx.ReadFrameBytes(body_.data(), body_.size(), static_cast<uint64_t>(bodyBytes), held, clipped)) return false;
    if (DeliverBody(ctx, held, clipped)) return false;
    return !ctx.EndOfRecord();
}

// Fills the current frame from a record body; true when the engine asks to stop.
bool DA30Reader::DeliverBody(ReadContext& ctx, std::size_t bodyBytes, bool clipped)
{
    AnalysisState& state = ctx.State;
    const uint8_t* body = body_.data();
    const bool ethernet = state.Topology == kTopologyEthernet;
    state.Frame.FrameBadFCS = ethernet && (LittleU32(body + kStatusOffset) & kBadFcsMask) == kBadFcsBit ? 1 : 0;
    state.Frame.FrameAlignError = 0;
    state.Frame.FrameTime = LittleU32(body + kTimeOffset) * kTimeUnitMicroseconds + dayStart_;

    // The record holds what it holds: a length field beyond the record's bytes makes
    // the frame a sliced one rather than a promise of bytes that are not there.
    const std::size_t held = bodyBytes - kFrameOffset;
    const uint32_t length = LittleU32(body + kLengthOffset);
    SetFrameSize(state, length);
    state.Frame.StoredLength = ClippedFrameLength(state, std::min<int64_t>(length, static_cast<int64_t>(held)));
    return ctx.DeliverFrame(body + kFrameOffset, held, clipped);
}

}  // namespace

std::unique_ptr<TraceReader> MakeDA30Reader() { return std::make_unique<DA30Reader>(); }

}  // namespace quenlix
