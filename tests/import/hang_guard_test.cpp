// Every reader makes progress on every record: a length of zero, a record shorter
// than its own header, a link to itself or back to an earlier record, counts far
// beyond the records there are, and offsets past the file all end the read, with
// the frames read so far kept. Crafted traces of every format.
//
// A missing guard must fail these tests, not hang them: the host answers Stop once
// the reader has closed more records than the file could hold if each one moved on
// by at least a byte (so a read that needed the Stop request to end fails), and it
// watches the read position published at the end of every record.

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "AdvisorWriter.h"
#include "DA30Writer.h"
#include "DataGLANceWriter.h"
#include "EtherPeekWriter.h"
#include "FireBerdWriter.h"
#include "FrameCapture.h"
#include "LAN900Writer.h"
#include "LANWatchWriter.h"
#include "LANalyzerWriter.h"
#include "LANdecoderWriter.h"
#include "NetMonWriter.h"
#include "NetSightWriter.h"
#include "ObserverWriter.h"
#include "SnifferWriter.h"
#include "TestFiles.h"
#include "TraceImage.h"
#include "import/TraceImport.h"

namespace quenlix::testing {
namespace {

using Bytes = std::vector<uint8_t>;

// Answers Stop after `limit` polls and records every backward step of the read position.
class ProgressHost : public ReadHost {
public:
    explicit ProgressHost(int64_t limit) : limit_(limit) {}

    void ReadStarted(const AnalysisState& state) override { state_ = &state; }
    void ShowMessage(MessageIcon, const std::string&, const std::string& text) override { Messages.push_back(text); }
    bool StopRequested() override
    {
        const int64_t position = state_ != nullptr ? state_->Read.TraceFilePos : 0;
        if (Polls > 0 && position <= last_) ++StepsBack;
        last_ = position;
        return ++Polls > limit_;
    }

    int64_t Polls = 0;
    int StepsBack = 0;  // records that ended at or before the end of the one before
    std::vector<std::string> Messages;

private:
    const AnalysisState* state_ = nullptr;
    int64_t limit_;
    int64_t last_ = 0;
};

struct Outcome {
    int64_t Frames = 0;
    int32_t ReadResult = 0;
    bool NeededStop = false;
    int StepsBack = 0;
    std::vector<std::string> Messages;
};

class HangGuard : public ::testing::Test {
protected:
    // Reads bytes with the reader of format through the driver.
    Outcome Read(const Bytes& bytes, TraceFormatCode format, TopologyCode topology = kTopologyEthernet, bool compressed = false)
    {
        WriteBytes(path, bytes);
        // Each record moves the read on by a byte at least (a compressed Sniffer
        // record by a byte of its block's output): more polls than that mean the read went round.
        const int64_t limit = static_cast<int64_t>(bytes.size()) * (compressed ? 32768 : 2) + 16;
        ProgressHost host(limit);
        AnalysisState state;
        state.Read.TraceFileName = path;
        state.Read.TraceFormat = format;
        state.Topology = topology;
        state.Read.SnifferCompressed = compressed ? 1 : 0;
        ReadTraceFile(state, false, host);
        return {state.TotalFrames, state.Read.ReadResult, state.Read.ReadCancelled != 0, host.StepsBack, host.Messages};
    }

    TempDir dir;
    std::string path = dir.Path("crafted.trace");
};

Bytes Unicast(std::size_t size, uint32_t seed)
{
    Bytes bytes = SampleBytes(size, seed);
    if (!bytes.empty()) bytes[0] = 0x02;
    return bytes;
}

uint32_t LittleOf(const Bytes& bytes, std::size_t at)
{
    return static_cast<uint32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16) | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

void PatchLe32(Bytes& bytes, std::size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
}

// ---- counted formats: counts far beyond the records, records of no bytes ----------------

TEST_F(HangGuard, FrameCountsBeyondTheRecordsEndAtTheFileEnd)
{
    const int32_t huge = std::numeric_limits<int32_t>::max();
    for (bool netLens : {false, true}) {
        FireBerdOptions options;
        options.NetLens = netLens;
        options.FrameCount = huge;
        std::vector<FireBerdFrame> frames(40);  // no stored bytes: each record is its 10-byte header
        frames[3].Bytes = Unicast(64, 3);
        const Outcome read = Read(BuildFireBerdTrace(options, frames).Bytes, netLens ? kFormatNetLens : kFormatFireBerd500);
        EXPECT_FALSE(read.NeededStop);
        EXPECT_EQ(read.Frames, 40);
        EXPECT_EQ(read.StepsBack, 0);
    }
    NetSightOptions netsight;
    netsight.FrameCount = huge;
    const Outcome sight = Read(BuildNetSightTrace(netsight, std::vector<NetSightFrame>(40)).Bytes, kFormatNetSight);
    EXPECT_FALSE(sight.NeededStop);
    EXPECT_EQ(sight.Frames, 40);

    EtherPeekOptions peek;
    peek.PacketCount = 0;  // no count: the file's end ends the packets
    for (uint8_t version : {6, 7}) {
        peek.Version = version;
        const Outcome read = Read(BuildEtherPeekTrace(peek, std::vector<EtherPeekPacket>(40)).Bytes, kFormatEtherPeek);
        EXPECT_FALSE(read.NeededStop) << "version " << int{version};
        EXPECT_EQ(read.Frames, 40);
        EXPECT_EQ(read.StepsBack, 0);
    }
}

TEST_F(HangGuard, RecordsWithoutFramesStillMoveOn)
{
    // LANWatch events without data, DataGLANce frames of no bytes, Network Monitor
    // filler up to a frame table that lies far beyond the file's end.
    std::vector<LANWatchRecord> events(60);
    for (LANWatchRecord& event : events) event.Flags = kLANWatchNoData;
    const Outcome watch = Read(BuildLANWatchTrace({}, events).Bytes, kFormatLANWatch);
    EXPECT_FALSE(watch.NeededStop);
    EXPECT_EQ(watch.Frames, 0);
    EXPECT_EQ(watch.StepsBack, 0);

    DataGLANceFrame empty;  // no bytes, but a time stamp: a record of zeros would be padding
    empty.T8 = 1;
    const Outcome glance =
        Read(BuildDataGLANceTrace({}, std::vector<DataGLANceFrame>(30, empty)).Bytes, kFormatDataGLANce);
    EXPECT_FALSE(glance.NeededStop);
    EXPECT_EQ(glance.Frames, 30);

    TraceImage netmon = BuildNetMonTrace({}, std::vector<NetMonFrame>(30));
    PatchLe32(netmon.Bytes, kNetMonFrameTableField, 0x7FFFFFFF);
    const Outcome monitor = Read(netmon.Bytes, kFormatNetworkMonitor);
    EXPECT_FALSE(monitor.NeededStop);
    EXPECT_EQ(monitor.Frames, 0);  // all filler
    EXPECT_EQ(monitor.StepsBack, 0);
}

// ---- lengths that would stand still ---------------------------------------------------

TEST_F(HangGuard, RecordsShorterThanTheirHeaderEndTheRead)
{
    // Internetwork Advisor: a record of 2 words is its header alone and moves on; one
    // of 0 or 1 words would lead back onto itself and ends the read.
    for (uint16_t words : {0, 1}) {
        AdvisorTraceBuilder builder({});
        AdvisorFrame frame;
        frame.Bytes = Unicast(80, 1);
        builder.AddFrame(frame);
        for (int i = 0; i < 10; ++i) builder.AddRecord("NOTE", 2, {});
        builder.AddRecord("NOTE", words, {});
        builder.AddFrame(frame);
        const Outcome read = Read(builder.Image().Bytes, kFormatInternetworkAdvisor);
        EXPECT_FALSE(read.NeededStop) << words << " words";
        EXPECT_EQ(read.Frames, 1) << words << " words";
        EXPECT_NE(read.ReadResult, 0) << words << " words";
    }

    // DA-30: a record of 1 word (a body of -4 bytes) or 2 words (no room for its fields).
    for (uint8_t words : {1, 2}) {
        DA30Options options;
        options.WriteEndRecord = false;
        DA30Frame frame;
        frame.Bytes = Unicast(70, 2);
        Bytes bytes = BuildDA30Trace(options, {frame}).Bytes;
        const Bytes bad = {0, 0, 0, 0, words, 0, 0, 0};
        bytes.insert(bytes.end(), bad.begin(), bad.end());
        const Bytes more = DA30Record(frame);
        bytes.insert(bytes.end(), more.begin(), more.end());
        const Outcome read = Read(bytes, kFormatDA30);
        EXPECT_FALSE(read.NeededStop) << int{words} << " words";
        EXPECT_EQ(read.Frames, 1) << int{words} << " words";
        EXPECT_NE(read.ReadResult, 0) << int{words} << " words";
    }

    // LANdecoder: a frame record whose body cannot hold its own header.
    for (bool ring : {false, true}) {
        LANdecoderOptions options;
        options.TokenRing = ring;
        options.WriteEndRecord = false;
        LANdecoderFrame frame;
        frame.Bytes = Unicast(64, 3);
        const TraceImage image = BuildLANdecoderTrace(options, {frame});
        Bytes bytes = image.Bytes;
        const Bytes shortRecord = {1, 0, 4, 0, 0, 0, 0x11, 0x22, 0x33, 0x44};  // a body of 4 bytes
        bytes.insert(bytes.end(), shortRecord.begin(), shortRecord.end());
        bytes.insert(bytes.end(), image.Bytes.begin() + static_cast<std::ptrdiff_t>(image.FrameOffsets[0]),
                     image.Bytes.begin() + static_cast<std::ptrdiff_t>(image.FramesEnd));
        const Outcome read = Read(bytes, kFormatLANdecoder, ring ? kTopologyTokenRing : kTopologyEthernet);
        EXPECT_FALSE(read.NeededStop);
        EXPECT_EQ(read.Frames, 1);
        EXPECT_NE(read.ReadResult, 0);
    }
}

TEST_F(HangGuard, EmptySnifferRecordsMoveOnOrEndTheRead)
{
    // Records of no body before the frames, between them, and a frame record too
    // short for its frame header (damage: a message, the frames before it kept).
    const std::string plain = dir.Path("plain.enc");
    {
        SnifferFileOptions options;
        options.WriteEndRecord = false;
        SnifferWriter writer(plain, options);
        for (int i = 0; i < 5; ++i) writer.AddRecord(6, {});
        SnifferFrame frame;
        frame.Bytes = Unicast(60, 4);
        writer.AddFrame(frame);
        for (int i = 0; i < 5; ++i) writer.AddRecord(7, {});
        writer.AddFrame(frame);
        writer.AddRecord(4, {});
        writer.AddFrame(frame);
    }
    const Outcome read = Read(ReadBytes(plain), kFormatSniffer);
    EXPECT_FALSE(read.NeededStop);
    EXPECT_EQ(read.Frames, 2);
    // The damage, and the records of no frame between the frames passed over.
    EXPECT_EQ(read.Messages.size(), 2u);
    EXPECT_EQ(read.Messages.back(),
              "5 records that hold no frames were found among the frames and passed over.");
    EXPECT_EQ(read.StepsBack, 0);

    // A compressed trace that goes on in stored blocks of no bytes up to the file's end.
    const std::string compressed = dir.Path("packed.enc");
    {
        SnifferFileOptions options;
        options.Compressed = true;
        options.WriteEndRecord = false;
        SnifferFrame frame;
        frame.Bytes = Unicast(200, 5);
        WriteSnifferFile(compressed, options, {frame, frame});
    }
    Bytes packed = ReadBytes(compressed);
    for (int i = 0; i < 300; ++i) packed.insert(packed.end(), {0x00, 0x80});
    const Outcome unpacked = Read(packed, kFormatSniffer, kTopologyEthernet, true);
    EXPECT_FALSE(unpacked.NeededStop);
    EXPECT_EQ(unpacked.Frames, 2);
    EXPECT_LE(unpacked.Messages.size(), 1u);
}

// ---- links that stand still or lead back ----------------------------------------------

TEST_F(HangGuard, ObserverLinksBackEndTheRead)
{
    ObserverPacket packet;
    packet.Bytes = Unicast(80, 6);
    const TraceImage image = BuildObserverTrace({}, {packet, packet, packet});
    ASSERT_EQ(image.FrameOffsets.size(), 3u);

    // The second packet names itself as the next one, then the first.
    for (std::size_t target : {image.FrameOffsets[1], image.FrameOffsets[0]}) {
        Bytes bytes = image.Bytes;
        PatchLe32(bytes, image.FrameOffsets[1] + kObserverNextOffsetField, static_cast<uint32_t>(target));
        const Outcome read = Read(bytes, kFormatObserver);
        EXPECT_FALSE(read.NeededStop) << "link to " << target;
        EXPECT_EQ(read.Frames, 2) << "link to " << target;
        EXPECT_NE(read.ReadResult, 0) << "link to " << target;
        EXPECT_EQ(read.StepsBack, 0);
    }
}

TEST_F(HangGuard, WrappedLANalyzerReturnsToTheBufferStartOnce)
{
    std::vector<LANalyzerFrame> frames(6);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        frames[i].Bytes = Unicast(64 + i, static_cast<uint32_t>(i));
        frames[i].TimeHalfMicroseconds = i * 1000;
    }
    LANalyzerOptions options;
    options.WrapAt = 4;
    const TraceImage image = BuildLANalyzerTrace(options, frames);
    const Outcome whole = Read(image.Bytes, kFormatLANalyzer);
    EXPECT_FALSE(whole.NeededStop);
    EXPECT_EQ(whole.Frames, 6);  // every frame once
    EXPECT_EQ(whole.StepsBack, 1);

    // The oldest frame moved to the buffer's start: after the one return there the
    // read ends at once instead of going round again.
    const LANalyzerBufferFields fields = LANalyzerBufferFieldOffsets();
    Bytes bytes = image.Bytes;
    const uint32_t begin = LittleOf(bytes, fields.Begin);
    PatchLe32(bytes, fields.Oldest, begin);
    const Outcome round = Read(bytes, kFormatLANalyzer);
    EXPECT_FALSE(round.NeededStop);
    EXPECT_LE(round.Frames, 6);
    EXPECT_LE(round.StepsBack, 1);
}

// ---- blocks ---------------------------------------------------------------------------

TEST_F(HangGuard, LAN900BlocksEndWithTheFile)
{
    // Every block of the table counted full while the file holds one block of
    // records without bytes: the read walks that block to its end and stops at the
    // next block, which lies past the file's end.
    LAN900Block block;
    block.Records.resize(40);
    for (LAN900Record& record : block.Records) record.Kind = 0x10;
    block.Records[7].Kind = 0x82;
    block.Records[7].Bytes = Unicast(60, 7);
    block.FrameCount = 0xFFFF;
    LAN900Options options;
    options.LastBlock = 4095 + options.FirstBlock;
    Bytes bytes = BuildLAN900Trace(options, {block}).Bytes;
    for (std::size_t b = 1; b < 4096; ++b) bytes[kLAN900CountTable + 2 * b] = bytes[kLAN900CountTable + 2 * b + 1] = 0xFF;
    const Outcome read = Read(bytes, kFormatLAN900);
    EXPECT_FALSE(read.NeededStop);
    EXPECT_EQ(read.Frames, 1);
}

}  // namespace
}  // namespace quenlix::testing
