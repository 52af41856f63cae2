// The pcap and pcapng reader: both byte orders and time resolutions, the block
// kinds, several sections, the length rules (FCS, sliced and clipped frames),
// interfaces of another medium, damaged and hostile blocks, cut and overwritten
// files. The real capture office-a is compared in captures_formats_test.cpp.

#include <functional>

#include "PcapWriter.h"
#include "ReaderSweeps.h"
#include "format_support.h"
#include "import/TraceReader.h"
#include "model/NumberFormat.h"

namespace quenlix::testing {
namespace {

// Three packets 1.5 ms and 2 s apart (microseconds since 1970 in libpcap files).
constexpr uint64_t kStart = 1700000000ull * 1000000 + 250;
const std::vector<double> kTimes = {0, 1500, 2001500};

std::vector<PcapPacket> Packets(uint64_t unitsPerMicrosecond = 1)
{
    std::vector<PcapPacket> packets;
    for (std::size_t i = 0; i < kTimes.size(); ++i) {
        PcapPacket packet;
        packet.Bytes = UnicastBytes(60 + 400 * i, static_cast<uint32_t>(i));
        packet.Stamp = (kStart + static_cast<uint64_t>(kTimes[i])) * unitsPerMicrosecond;
        packets.push_back(packet);
    }
    return packets;
}

PcapNgSection Section(bool big, std::optional<uint8_t> resolution = {}, uint64_t unitsPerMicrosecond = 1)
{
    PcapNgSection section;
    section.BigEndian = big;
    section.Interfaces[0].TimeResolution = resolution;
    section.Packets = Packets(unitsPerMicrosecond);
    return section;
}

TraceImage Pcap(bool big, bool nano, const std::vector<PcapPacket>& packets)
{
    PcapOptions options;
    options.BigEndian = big;
    options.Nanoseconds = nano;
    return BuildPcapTrace(options, packets);
}

TraceImage Ng(std::vector<PcapNgSection> sections) { return BuildPcapNgTrace(sections).Image; }

struct Variant {
    const char* Name;
    TraceFormatCode Format;
    std::function<TraceImage()> Build;
};

const std::vector<Variant> kVariants = {
    {"pcap, little-endian, microseconds", kFormatPcap, [] { return Pcap(false, false, Packets()); }},
    {"pcap, big-endian, microseconds", kFormatPcap, [] { return Pcap(true, false, Packets()); }},
    {"pcap, little-endian, nanoseconds", kFormatPcap, [] { return Pcap(false, true, Packets(1000)); }},
    {"pcap, big-endian, nanoseconds", kFormatPcap, [] { return Pcap(true, true, Packets(1000)); }},
    {"pcapng, little-endian", kFormatPcapNG, [] { return Ng({Section(false)}); }},
    {"pcapng, big-endian, nanoseconds", kFormatPcapNG, [] { return Ng({Section(true, 9, 1000)}); }},
    {"pcapng, units of 2^-20 s", kFormatPcapNG,
     [] {
         PcapNgSection section = Section(false, 0x80 | 20);
         for (PcapPacket& p : section.Packets) p.Stamp = p.Stamp / 1000000 * 1048576 + p.Stamp % 1000000 * 1048576 / 1000000;
         return Ng({section});
     }},
    {"pcapng, obsolete packet blocks and other blocks", kFormatPcapNG,
     [] {
         PcapNgSection section = Section(true);
         section.OtherBlocks = true;
         for (PcapPacket& p : section.Packets) p.Block = PcapBlock::Obsolete;
         return Ng({section});
     }},
    {"pcapng, three sections of both byte orders", kFormatPcapNG,
     [] {
         std::vector<PcapNgSection> sections;
         const std::vector<PcapPacket> packets = Packets();
         for (std::size_t i = 0; i < packets.size(); ++i) {
             // Each section has its own interfaces: the packet's is the second of its section.
             PcapNgSection section;
             section.BigEndian = i == 1;
             section.Interfaces = {{9}, {1}};
             section.Packets = {packets[i]};
             section.Packets[0].Interface = 1;
             sections.push_back(section);
         }
         return Ng(sections);
     }},
};

class PcapReading : public FormatReading {
protected:
    CapturedRead Read(const TraceImage& image, TopologyCode topology = kTopologyEthernet)
    {
        return Capture(image, kFormatPcap, topology);
    }
    // Detection, topology and the driver, as the program opens a file.
    std::unique_ptr<AnalysisState> Open(const TraceImage& image, TraceFormatCode expectedFormat = kFormatPcapNG)
    {
        image.Save(path);
        auto state = std::make_unique<AnalysisState>();
        EXPECT_EQ(DetectAndRead(*state, path, host), expectedFormat);
        return state;
    }
};

TEST_F(PcapReading, EveryVariantIsDetectedAndReadAlike)
{
    for (const Variant& variant : kVariants) {
        SCOPED_TRACE(variant.Name);
        const TraceImage image = variant.Build();
        image.Save(path);
        AnalysisState state;
        EXPECT_EQ(DetectTraceFormat(state, path, host).Code, variant.Format);
        EXPECT_EQ(DetectTopology(state, variant.Format, path, host).Code, kTopologyEthernet);

        const CapturedRead read = Read(image);
        ASSERT_EQ(read.Frames.size(), 3u);
        EXPECT_EQ(read.State->Read.ReadResult, 0);
        EXPECT_EQ(read.State->Read.SlicedFrames, 0);
        for (std::size_t i = 0; i < 3; ++i) {
            const std::vector<uint8_t> stored = UnicastBytes(60 + 400 * i, static_cast<uint32_t>(i));
            EXPECT_NEAR(read.Frames[i].Time - read.Frames[0].Time, kTimes[i], 1.0);
            EXPECT_EQ(read.Frames[i].FrameSize, stored.size() + 4);  // the FCS the capture left out
            EXPECT_EQ(read.Frames[i].StoredLength, stored.size() + 4);
            EXPECT_TRUE(std::equal(stored.begin(), stored.end(), read.Frames[i].Bytes.begin()));
        }
        // The capture start is the first frame's second: 14 November 2023, 22:13:20.
        EXPECT_EQ(static_cast<uint32_t>(read.State->Read.TraceStartDate) >> 16, (2023u - 1980u) << 9 | 11u << 5 | 14u);
        EXPECT_TRUE(host.Messages.empty());
    }
}

// pcap files are recognised after the fourteen analyser formats: a pcap file whose
// first bytes also pass an analyser's test is that analyser's.
// Observer is known by its name anywhere in the first bytes; a pcap file that holds
// the name (an export of an Observer trace names it) is still a pcap file.
TEST_F(PcapReading, AnAnalyserNameInsideAPcapFileLeavesItPcap)
{
    std::vector<PcapPacket> packets = Packets();
    const std::string text = "Observer";
    std::copy(text.begin(), text.end(), packets[0].Bytes.begin() + 20);
    Pcap(false, false, packets).Save(path);
    AnalysisState state;
    EXPECT_EQ(DetectTraceFormat(state, path, host).Code, kFormatPcap);
}

TEST_F(PcapReading, LengthRules)
{
    struct Case {
        const char* Name;
        std::function<TraceImage(std::vector<PcapPacket>)> Build;
        TopologyCode Topology;
        int Fcs;  // added to the lengths
    };
    const std::vector<Case> cases = {
        {"pcap Ethernet with its FCS stored",
         [](auto p) {
             PcapOptions options;
             options.LinkType = 1 | 0x04000000 | 2u << 28;  // FCS of two 16-bit words
             return BuildPcapTrace(options, p);
         },
         kTopologyEthernet, 0},
        {"pcapng Ethernet with its FCS stored",
         [](auto p) {
             PcapNgSection section;
             section.Interfaces[0].FcsBits = 32;
             section.Packets = p;
             return Ng({section});
         },
         kTopologyEthernet, 0},
        {"pcap Token Ring",
         [](auto p) {
             PcapOptions options;
             options.LinkType = 6;
             return BuildPcapTrace(options, p);
         },
         kTopologyTokenRing, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        std::vector<PcapPacket> packets = Packets();
        packets[1].OriginalLength = 1514;  // stored sliced to 460 bytes
        const CapturedRead read = Read(c.Build(packets), c.Topology);
        ASSERT_EQ(read.Frames.size(), 3u);
        EXPECT_EQ(read.Frames[0].FrameSize, 60 + c.Fcs);
        EXPECT_EQ(read.Frames[0].StoredLength, 60 + c.Fcs);
        EXPECT_EQ(read.Frames[1].FrameSize, 1514 + c.Fcs);
        EXPECT_EQ(read.Frames[1].StoredLength, 460);
        EXPECT_EQ(read.State->Read.SlicedFrames, 1);
    }
}

TEST_F(PcapReading, SimplePacketsFlagsAndEachInterfacesClock)
{
    PcapNgSection section = Section(false);
    section.Interfaces = {{}, {}};
    section.Interfaces[0].SnapLength = 100;
    section.Interfaces[1].TimeResolution = 3;  // milliseconds, 60 s behind
    section.Interfaces[1].TimeOffset = 60;
    section.Packets[0].Flags = 1u << 24;  // CRC error
    section.Packets[1].Flags = 1u << 28;  // unaligned frame, but simple packets have no flags
    section.Packets[1].Block = PcapBlock::Simple;
    section.Packets[1].Bytes.resize(100);  // cut to the snapshot length
    section.Packets[1].OriginalLength = 460;
    section.Packets[2].Interface = 1;
    section.Packets[2].Stamp = (kStart + 2001500) / 1000 - 60000;
    const CapturedRead read = Read(Ng({section}));
    ASSERT_EQ(read.Frames.size(), 3u);
    EXPECT_EQ(read.Frames[0].BadFCS, 1);
    EXPECT_EQ(read.Frames[0].AlignError, 0);
    // A simple packet has no time stamp: it keeps the time before it.
    EXPECT_DOUBLE_EQ(read.Frames[1].Time, read.Frames[0].Time);
    EXPECT_EQ(read.Frames[1].AlignError, 0);
    EXPECT_EQ(read.Frames[1].FrameSize, 464);
    EXPECT_EQ(read.Frames[1].StoredLength, 100);
    EXPECT_NEAR(read.Frames[2].Time - read.Frames[0].Time, kTimes[2], 1000.0);
    EXPECT_EQ(read.Frames[2].BadFCS, 0);
}

TEST_F(PcapReading, InterfacesOfAnotherMediumArePassedOverAndToldOnce)
{
    PcapNgSection section = Section(false);
    section.Interfaces = {{9}, {1}, {6}};  // PPP first: the medium is the first Ethernet or Token Ring one
    section.Packets[0].Interface = 0;
    section.Packets[1].Interface = 1;
    section.Packets[2].Interface = 2;
    std::vector<PcapPacket> more = Packets();
    for (PcapPacket& p : more) p.Interface = 1;
    section.Packets.insert(section.Packets.end(), more.begin(), more.end());
    const auto state = Open(Ng({section}));
    EXPECT_EQ(state->Topology, kTopologyEthernet);
    EXPECT_EQ(state->TotalFrames, 4);
    EXPECT_EQ(state->Read.SkippedFrames, 2);
    EXPECT_EQ(state->Read.ReadResult, 0);
    EXPECT_EQ(host.Texts(), std::vector<std::string>{
                                "2 frames were captured on interfaces other than Ethernet: they were not analysed."});
    state->Read.SkippedFrames = 1;
    state->Topology = kTopologyTokenRing;
    EXPECT_EQ(SkippedFramesText(*state),
              "1 frame was captured on an interface other than Token Ring: it was not analysed.");

    // Without an Ethernet or Token Ring interface the trace is not analysed at all.
    section.Interfaces = {{9}, {10}};
    Ng({section}).Save(path);
    AnalysisState probe;
    EXPECT_EQ(DetectTopology(probe, kFormatPcapNG, path, host).Code, kTopologyWAN);
    PcapOptions fddi;
    fddi.LinkType = 10;
    fddi.BigEndian = true;
    BuildPcapTrace(fddi, Packets()).Save(path);
    EXPECT_EQ(DetectTopology(probe, kFormatPcap, path, host).Code, kTopologyFDDI);
}

// Byte offsets in a pcapng trace of one section, one interface and three enhanced
// packet blocks, whose second packet block is damaged in each case.
constexpr std::size_t kLengthField = 4;
constexpr std::size_t kPacketFields = 8;  // interface, time, stored and original length follow

void PutLe32(TraceImage& image, std::size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i) image.Bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

TEST_F(PcapReading, DamagedAndHostileBlocksEndTheReadWithTheFramesSoFar)
{
    struct Case {
        const char* Name;
        std::function<void(PcapNgTrace&)> Damage;
        std::size_t Kept;
    };
    auto second = [](PcapNgTrace& t) { return t.Image.FrameOffsets[1]; };
    const std::vector<Case> cases = {
        {"lengths that disagree", [&](PcapNgTrace& t) { PutLe32(t.Image, t.Blocks[3].End - 4, 0x40); }, 1},
        {"zero block length", [&](PcapNgTrace& t) { PutLe32(t.Image, second(t) + kLengthField, 0); }, 1},
        {"length not a multiple of four", [&](PcapNgTrace& t) { PutLe32(t.Image, second(t) + kLengthField, 497); }, 1},
        {"huge block length", [&](PcapNgTrace& t) { PutLe32(t.Image, second(t) + kLengthField, 0xFFFFFFF0u); }, 1},
        {"stored length past the block",
         [&](PcapNgTrace& t) { PutLe32(t.Image, second(t) + kPacketFields + 12, 0x7FFFFFFF); }, 1},
        {"unknown interface", [&](PcapNgTrace& t) { PutLe32(t.Image, second(t) + kPacketFields, 5); }, 1},
        {"option past the block end",
         [&](PcapNgTrace& t) {
             // The flags option of the third packet claims 0x100 bytes.
             const std::size_t option = t.Blocks[4].End - 4 - 4 - 8;
             t.Image.Bytes[option + 2] = 0x00;
             t.Image.Bytes[option + 3] = 0x01;
         },
         2},
        {"interface option past the block end", [](PcapNgTrace& t) { t.Image.Bytes[t.Blocks[1].Begin + 16 + 3] = 0x7F; }, 0},
        {"more interfaces than any capture has",
         [](PcapNgTrace& t) {
             PcapNgSection crowded;
             crowded.Interfaces.resize(65537);
             t = BuildPcapNgTrace({crowded, Section(false)});
         },
         0},
        {"time resolution beyond 64 bits", [](PcapNgTrace& t) { t.Image.Bytes[t.Blocks[1].Begin + 16 + 4] = 25; }, 0},
        {"truncated last block", [](PcapNgTrace& t) { t.Image.Bytes.resize(t.Image.Bytes.size() - 6); }, 2},
        {"libpcap: huge stored length",
         [](PcapNgTrace& t) {
             t.Image = Pcap(false, false, Packets());
             PutLe32(t.Image, t.Image.FrameOffsets[1] + 8, 0xFFFFFF00u);
         },
         1},
        {"libpcap: truncated last record",
         [](PcapNgTrace& t) {
             t.Image = Pcap(true, true, Packets(1000));
             t.Image.Bytes.resize(t.Image.Bytes.size() - 1);
         },
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        PcapNgSection section = Section(false, 6);
        section.Packets[2].Flags = 0;
        PcapNgTrace trace = BuildPcapNgTrace({section});
        c.Damage(trace);
        host = RecordingHost{};
        const auto state = Open(trace.Image, trace.Image.Bytes[0] == 0x0A ? kFormatPcapNG : kFormatPcap);
        EXPECT_EQ(state->TotalFrames, static_cast<int>(c.Kept));
        EXPECT_NE(state->Read.ReadResult, 0);
        EXPECT_EQ(host.Texts(), std::vector<std::string>{kDamagedRecordText});
    }
}

// Records whose fields no capture writes end the read as damaged, with the frames
// before them kept and a message that names the record's place and what is wrong.
TEST_F(PcapReading, ImpossibleRecordsEndTheReadAndSayWhere)
{
    struct Case {
        const char* Name;
        std::function<TraceImage()> Build;
        std::size_t Kept;
        std::function<std::string(const TraceImage&)> Text;
    };
    const auto lengthText = [](std::size_t at, const char* original, const char* captured) {
        return "Packet record at offset " + FormatCount(at) + " (after frame 1) gives an original length of " +
               original + " bytes for " + captured + " bytes captured.  Data may be unreliable.";
    };
    const std::vector<Case> cases = {
        {"libpcap followed by zeros",
         [] {
             TraceImage image = Pcap(false, false, Packets());
             image.Bytes.resize(image.Bytes.size() + 65536, 0);
             return image;
         },
         3,
         [](const TraceImage& image) {
             return "Packet record at offset " + FormatCount(image.Bytes.size() - 65536) +
                    " (after frame 3) is empty: no length and no time stamp.  Data may be unreliable.";
         }},
        {"libpcap original length 0xFFFFFFFF",
         [] {
             TraceImage image = Pcap(false, false, Packets());
             PutLe32(image, image.FrameOffsets[1] + 12, 0xFFFFFFFFu);
             return image;
         },
         1, [&](const TraceImage& image) { return lengthText(image.FrameOffsets[1], "4,294,967,295", "460"); }},
        {"libpcap original length below the captured one",
         [] {
             TraceImage image = Pcap(false, false, Packets());
             PutLe32(image, image.FrameOffsets[1] + 12, 100);
             return image;
         },
         1, [&](const TraceImage& image) { return lengthText(image.FrameOffsets[1], "100", "460"); }},
        {"pcapng original length past any frame",
         [] {
             TraceImage image = Ng({Section(false)});
             PutLe32(image, image.FrameOffsets[1] + kPacketFields + 16, 262145);
             return image;
         },
         1, [&](const TraceImage& image) { return lengthText(image.FrameOffsets[1], "262,145", "460"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const TraceImage image = c.Build();
        host = RecordingHost{};
        const auto state = Open(image, image.Bytes[0] == 0x0A ? kFormatPcapNG : kFormatPcap);
        EXPECT_EQ(state->TotalFrames, static_cast<int>(c.Kept));
        EXPECT_EQ(state->Read.ReadResult, kReadResultBadData);
        EXPECT_EQ(host.Texts(), std::vector<std::string>{c.Text(image)});
    }
}

TEST_F(PcapReading, LongFramesAreClippedAndTheReadGoesOn)
{
    std::vector<PcapPacket> packets = Packets();
    packets[1].Bytes = SampleBytes(70000, 9);  // longer than a held block too
    for (const TraceImage& image : {Pcap(false, false, packets), BuildPcapNgTrace({{false, {{}}, packets}}).Image}) {
        host = RecordingHost{};
        const CapturedRead read = Read(image);
        ExpectClippedAndReadOn(read, host, &packets[1].Bytes);
    }
}

// Short packets, so that a cut after every byte stays quick.
std::vector<PcapPacket> ShortPackets(uint64_t unitsPerMicrosecond = 1)
{
    std::vector<PcapPacket> packets = Packets(unitsPerMicrosecond);
    for (std::size_t i = 0; i < packets.size(); ++i) packets[i].Bytes.resize(14 + 3 * i);
    return packets;
}

TEST_F(PcapReading, CutAnywhereOrOverwritten)
{
    CaptureOptions options;
    options.Format = kFormatPcap;
    const TraceImage pcap = Pcap(true, false, ShortPackets());
    ExpectCleanCuts(pcap, 24, ContiguousFrames(pcap, pcap.Bytes.size()), options, dir);
    ExpectSurvivesDamage(pcap, 0, options, dir, 150, 21);

    PcapNgSection first = Section(false, 9, 1000);
    first.Packets = ShortPackets(1000);
    first.OtherBlocks = true;
    first.Packets[1].Block = PcapBlock::Simple;
    first.Packets[2].Flags = 1u << 24;
    PcapNgSection second = Section(true);
    second.Packets = ShortPackets();
    second.Packets[0].Block = PcapBlock::Obsolete;
    const PcapNgTrace ng = BuildPcapNgTrace({first, second});
    std::vector<RecordSpan> blocks;
    for (const PcapNgBlock& block : ng.Blocks) blocks.push_back({block.Begin, block.End, block.Packet});
    ExpectCleanCuts(ng.Image, ng.Blocks.front().End, blocks, options, dir);
    ExpectSurvivesDamage(ng.Image, 0, options, dir, 200, 22);
}

// Stop is polled once after every record: each packet, and each block of pcapng.
TEST_F(PcapReading, StopEndsTheReadAfterTheRecord)
{
    for (const auto& [image, polls] : {std::pair{Pcap(false, false, Packets()), 1}, {Ng({Section(true)}), 3}}) {
        host = RecordingHost{};
        host.StopAfterPolls = polls;
        const CapturedRead read = Read(image);
        EXPECT_EQ(read.Frames.size(), 2u);
        EXPECT_EQ(read.State->Read.ReadCancelled, 1);
    }
}

}  // namespace
}  // namespace quenlix::testing
