// Reader of DataGLANce traces: a 512-byte header with the capture start, then frames
// in 128-byte records. Each record carries 88 frame bytes; a longer frame goes on in
// further records of 88 bytes each. A record of zeros holds no frame: zeros up to the
// end of the file are padding, while records after them mean frames were zeroed out.

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "import/RecordWalker.h"
#include "import/TraceImport.h"
#include "import/TraceReader.h"
#include "import/UnixCaptureStart.h"

namespace quenlix {

namespace {

inline constexpr const char* kWrappedText = "Wrapped format not supported.";

constexpr std::size_t kHeaderBytes = 512;
constexpr std::size_t kWrappedOffset = 131;
constexpr uint8_t kWrappedBit = 0x01;
constexpr std::size_t kStartOffset = 144;
// The header's start counts seconds from 1970 shifted by seven hours.
constexpr int64_t kStartBias = 25200;

constexpr std::size_t kRecordBytes = 128;
constexpr std::size_t kDataOffset = 40;
constexpr std::size_t kDataBytes = 88;

constexpr uint8_t kTimerCountBit = 0x20;  // record byte 0
constexpr uint8_t kBadFcsBit = 0x02;      // record byte 1
constexpr uint8_t kAlignErrorBit = 0x04;
// Ethernet times above this are interval-timer counts, smaller ones 32 ms steps.
constexpr double kLargestStepCount = 2700000.0;
constexpr double kStepMicroseconds = 32000.0;

bool AllZeros(const uint8_t* bytes, std::size_t count)
{
    return std::all_of(bytes, bytes + count, [](uint8_t byte) { return byte == 0; });
}

class DataGLANceReader : public TraceReader {
public:
    void Read(ReadContext& ctx) override;
    // Finer than a microsecond: PC timer counts of 0.838 us.
    uint8_t TimeStampDigits() const override { return 9; }
    // The stored bytes run to the end of the frame, its FCS included.
    bool EthernetBytesHoldFCS() const override { return true; }
    // The length as counted is taken as it stands on either medium and counts the FCS.
    bool TokenRingSizeCountsFCS() const override { return true; }

private:
    // One frame with its continuation records; false when the read ends with it.
    [[nodiscard]] bool ReadFrame(ReadContext& ctx, RecordWalker& walker);
    // Reads the continuation records of a frame; how many of its bytes are held, or
    // nothing when the file ends inside them.
    [[nodiscard]] std::optional<std::size_t> ReadContinuations(ReadContext& ctx, RecordWalker& walker,
                                                             std::size_t storedLength);
    void SetFrameFields(AnalysisState& state, const std::array<uint8_t, kRecordBytes>& record) const;
    // After a record of zeros at offset: ends the read as damaged when anything but zeros follows.
    static void CheckAfterZeroRecord(ReadContext& ctx, int64_t offset);

    double dayStart_ = 0;  // the capture start's time of day, microseconds
    std::vector<uint8_t> frame_ = std::vector<uint8_t>(kMaxFrameBytes + kDataBytes);
};

void DataGLANceReader::Read(ReadContext& ctx)
{
    RecordWalker walker(ctx);
    std::array<uint8_t, kHeaderBytes> header{};
    if (!walker.Rest(header.data(), header.size())) {
        ctx.Finish();
        return;
    }
    // The records of a wrapped capture buffer are not in capture order, and nothing says where it begins.
    if ((header[kWrappedOffset] & kWrappedBit) != 0) {
        ctx.State.Read.ReadResult = kReadResultBadData;
        ctx.ShowReadError(kWrappedText);
        ctx.Finish();
        return;
    }
    const int64_t start = static_cast<int64_t>(LittleI32(&header[kStartOffset])) - kStartBias;
    SetTraceStartFromUnixSeconds(ctx.State, start);
    // Frame times are times of day on the analyser's local clock.
    SetFrameTimeOriginAtMidnight(ctx.State, start, CaptureClock::LocalTime);
    dayStart_ = static_cast<double>(SecondOfDay(start)) * 1e6;

    while (ReadFrame(ctx, walker)) {
    }
    ctx.Finish();
}

bool DataGLANceReader::ReadFrame(ReadContext& ctx, RecordWalker& walker)
{
    std::array<uint8_t, kRecordBytes> record{};
    const int64_t offset = ctx.Input.Position();
    if (!walker.Begin(record.data(), record.size())) return false;
    if (AllZeros(record.data(), record.size())) {
        CheckAfterZeroRecord(ctx, offset);
        return false;
    }
    const uint16_t storedLength = LittleU16(&record[2]);
    // A frame longer than the frame buffer is taken clipped: its continuation records
    // are counted by its length, so the next frame is found after them.
    const bool clipped = storedLength > std::min<int>(ctx.State.Read.MaxFrameBytes, kMaxFrameBytes);
    std::memcpy(frame_.data(), &record[kDataOffset], kDataBytes);
    const std::optional<std::size_t> held = ReadContinuations(ctx, walker, storedLength);
    if (!held) return false;

    SetFrameFields(ctx.State, record);
    if (ctx.DeliverFrame(frame_.data(), *held, clipped)) return false;
    return !ctx.EndOfRecord();
}

// A frame of L bytes has L div 88 continuation records. Their bytes are kept while
// the position of their first byte, k x 88 + 1, stays below MaxFrameBytes - 89.
std::optional<std::size_t> DataGLANceReader::ReadContinuations(ReadContext& ctx, RecordWalker& walker,
                                                               std::size_t storedLength)
{
    const std::size_t keepLimit =
        static_cast<std::size_t>(std::max(std::min<int>(ctx.State.Read.MaxFrameBytes, kMaxFrameBytes) - 89, 0));
    const std::size_t continuations = storedLength / kDataBytes;
    std::size_t held = std::min(storedLength, kDataBytes);
    std::array<uint8_t, kRecordBytes> record{};
    for (std::size_t k = 1; k <= continuations; ++k) {
        if (!walker.Rest(record.data(), record.size())) return std::nullopt;
        const std::size_t at = k * kDataBytes;
        if (at + 1 >= keepLimit) continue;
        std::memcpy(frame_.data() + at, &record[kDataOffset], kDataBytes);
        held = std::min(storedLength, at + kDataBytes);
    }
    return held;
}

void DataGLANceReader::CheckAfterZeroRecord(ReadContext& ctx, int64_t offset)
{
    std::array<uint8_t, 4096> piece{};
    std::size_t got = 0;
    while ((got = ctx.Input.Read(piece.data(), piece.size())) > 0) {
        if (AllZeros(piece.data(), got)) continue;
        const int64_t rest = ctx.Input.Size() - offset - static_cast<int64_t>(kRecordBytes);
        ctx.ShowReadError(FollowedByRecordsText("Empty record", offset, ctx.FrameNo, rest));
        return;
    }
}

void DataGLANceReader::SetFrameFields(AnalysisState& state, const std::array<uint8_t, kRecordBytes>& record) const
{
    const bool ethernet = state.Topology == kTopologyEthernet;
    const uint8_t status = record[1];
    state.Frame.FrameBadFCS = ethernet && (status & kBadFcsBit) != 0 ? 1 : 0;
    state.Frame.FrameAlignError = ethernet && (status & kAlignErrorBit) != 0 ? 1 : 0;

    const uint16_t t6 = LittleU16(&record[6]);
    const uint16_t t8 = LittleU16(&record[8]);
    const uint16_t t10 = LittleU16(&record[10]);
    const double count = (t6 * 65536.0 + t10) * 65536.0 + t8;
    if ((record[0] & kTimerCountBit) != 0) {
        state.Frame.FrameTime = dayStart_ + count * kTimerCountMicroseconds;
    } else if (ethernet) {
        state.Frame.FrameTime =
            dayStart_ + (count > kLargestStepCount ? count * kTimerCountMicroseconds : count * kStepMicroseconds);
    } else {
        // Token Ring records carry the analyser clock's seconds (T10:T8) and hundredths of a second (T6).
        const uint32_t seconds = static_cast<uint32_t>(t10) << 16 | t8;
        state.Frame.FrameTime = (seconds % 86400) * 1e6 + t6 * 10000.0;
    }

    state.Frame.StoredLength = ClippedFrameLength(state, LittleU16(&record[2]));
    SetFrameSize(state, LittleU16(&record[4]));
}

}  // namespace

std::unique_ptr<TraceReader> MakeDataGLANceReader() { return std::make_unique<DataGLANceReader>(); }

}  // namespace quenlix
