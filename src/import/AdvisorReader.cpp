// Reader of Internetwork Advisor traces: a 128-byte header with the capture start,
// then tagged records. An 8-byte record header gives the record's length in 4-byte
// words and a four-character tag; "FR30" and "FR50" records hold a frame, "GRP0"
// records a group, and records with any other tag are passed over.

#include <array>
#include <memory>
#include <string_view>
#include <vector>

#include "import/RecordWalker.h"
#include "import/TraceImport.h"
#include "import/TraceReader.h"
#include "import/UnixCaptureStart.h"

namespace quenlix {

namespace {

constexpr std::size_t kHeaderBytes = 128;
constexpr std::size_t kStartOffset = 12;
constexpr std::size_t kRecordHeaderBytes = 8;
constexpr std::size_t kGroupBodyBytes = 16 + 4;
constexpr std::size_t kFrameHeaderBytes = 24;
constexpr std::size_t kMaxFrameAreaBytes = 18000;
constexpr uint8_t kBadFcsBits = 0xF8;  // any of status bits 3..7

enum class RecordKind { Frame, Group, Other };

RecordKind KindOf(const uint8_t* tag)
{
    const std::string_view text(reinterpret_cast<const char*>(tag), 4);
    if (text == "FR30" || text == "FR50") return RecordKind::Frame;
    if (text == "GRP0") return RecordKind::Group;
    return RecordKind::Other;
}

class AdvisorReader : public TraceReader {
public:
    void Read(ReadContext& ctx) override;
    // The stored bytes run to the end of the frame, its FCS included.
    bool EthernetBytesHoldFCS() const override { return true; }
    // The length as counted is taken as it stands on either medium and counts the FCS.
    bool TokenRingSizeCountsFCS() const override { return true; }

private:
    // One tagged record; false when the read ends with it.
    [[nodiscard]] bool ReadRecord(ReadContext& ctx, RecordWalker& walker);
    [[nodiscard]] bool SkipRecord(ReadContext& ctx, RecordWalker& walker, uint16_t words);
    // The frame header and bytes of a frame record; false when the read ends with it.
    [[nodiscard]] bool ReadFrame(ReadContext& ctx, RecordWalker& walker);

    std::vector<uint8_t> frame_ = std::vector<uint8_t>(kMaxFrameAreaBytes);
};

void AdvisorReader::Read(ReadContext& ctx)
{
    RecordWalker walker(ctx);
    std::array<uint8_t, kHeaderBytes> header{};
    if (walker.Rest(header.data(), header.size())) {
        const int32_t start = LittleI32(&header[kStartOffset]);
        SetTraceStartFromUnixSeconds(ctx.State, start);
        // Frame times are times of day on the analyser's local clock.
        SetFrameTimeOriginAtMidnight(ctx.State, start, CaptureClock::LocalTime);
        while (ReadRecord(ctx, walker)) {
        }
    }
    ctx.Finish();
}

bool AdvisorReader::ReadRecord(ReadContext& ctx, RecordWalker& walker)
{
    std::array<uint8_t, kRecordHeaderBytes> header{};
    if (!walker.Begin(header.data(), header.size())) return false;
    bool goOn = true;
    switch (KindOf(&header[4])) {
    case RecordKind::Frame: goOn = ReadFrame(ctx, walker); break;
    case RecordKind::Group: goOn = walker.SkipRest(kGroupBodyBytes); break;
    case RecordKind::Other: goOn = SkipRecord(ctx, walker, LittleU16(&header[2])); break;
    }
    return goOn && !ctx.EndOfRecord();
}

bool AdvisorReader::SkipRecord(ReadContext& ctx, RecordWalker& walker, uint16_t words)
{
    // A record shorter than its own header would send the read back onto itself.
    if (words * 4 < static_cast<int>(kRecordHeaderBytes)) {
        ctx.NoteReadError();
        return false;
    }
    return walker.SkipRest(words * 4 - kRecordHeaderBytes);
}

bool AdvisorReader::ReadFrame(ReadContext& ctx, RecordWalker& walker)
{
    std::array<uint8_t, kFrameHeaderBytes> header{};
    if (!walker.Rest(header.data(), header.size())) return false;
    const uint16_t stored = LittleU16(&header[12]);
    // The frame bytes are followed by room for the FCS, rounded up to whole words.
    const std::size_t areaBytes = (static_cast<std::size_t>(stored) + 7) / 4 * 4;
    // A frame longer than the frame buffer is taken clipped: the area's size leads to the next record.
    std::size_t held = 0;
    bool clipped = false;
    if (!ctx.ReadFrameBytes(frame_.data(), frame_.size(), areaBytes, held, clipped)) return false;

    AnalysisState& state = ctx.State;
    const bool ethernet = state.Topology == kTopologyEthernet;
    state.Frame.FrameBadFCS = ethernet && (header[11] & kBadFcsBits) != 0 ? 1 : 0;
    state.Frame.FrameAlignError = 0;
    const int32_t seconds = LittleI32(&header[16]);
    const int32_t nanoseconds = LittleI32(&header[20]);
    state.Frame.FrameTime = (seconds % 86400) * 1e6 + nanoseconds / 1000;
    state.Frame.StoredLength = ClippedFrameLength(state, stored);
    SetFrameSize(state, LittleU16(&header[8]));
    // Up to FrameSize bytes come from the frame area; a sliced frame reads as zeros past it.
    return !ctx.DeliverFrame(frame_.data(), held, clipped && held < stored);
}

}  // namespace

std::unique_ptr<TraceReader> MakeAdvisorReader() { return std::make_unique<AdvisorReader>(); }

}  // namespace quenlix
