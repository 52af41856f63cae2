// The Observer reader: the version in the header text, the length rules before
// and after version 4 with the 64-byte minimum, the error flags, the chain of
// next-packet offsets and damaged files.

#include "ObserverWriter.h"
#include "ReaderSweeps.h"
#include "format_support.h"
#include "import/TraceReader.h"
#include "model/NumberFormat.h"

namespace quenlix::testing {
namespace {

ObserverPacket Packet(std::size_t size, uint32_t seed, int64_t wire = -1, uint32_t flags = 0)
{
    ObserverPacket packet;
    packet.Bytes = UnicastBytes(size, seed);
    packet.WireLength = wire;
    packet.ErrorFlags = flags;
    return packet;
}

ObserverOptions Version(const std::string& text, int32_t network = 0)
{
    ObserverOptions options;
    options.HeaderText = text;
    options.NetworkType = network;
    return options;
}

class ObserverReading : public FormatReading {
protected:
    ObserverReading() : FormatReading(kFormatObserver) {}
    using FormatReading::Read;
    CapturedRead Read(const std::vector<ObserverPacket>& packets, const ObserverOptions& options)
    {
        return Read(BuildObserverTrace(options, packets),
                    options.NetworkType == 1 ? kTopologyTokenRing : kTopologyEthernet);
    }
    // (FrameSize, StoredLength) of each packet read.
    std::vector<std::pair<int, int>> Lengths(const std::vector<ObserverPacket>& packets, const ObserverOptions& options)
    {
        std::vector<std::pair<int, int>> lengths;
        for (const CapturedFrame& frame : Read(packets, options).Frames) lengths.emplace_back(frame.FrameSize, frame.StoredLength);
        return lengths;
    }
};

using Sizes = std::vector<std::pair<int, int>>;

TEST_F(ObserverReading, LengthsBeforeVersion4CountTheStoredBytes)
{
    const ObserverOptions v3 = Version("Observer Version=3.10");
    EXPECT_EQ(Lengths({Packet(60, 1), Packet(100, 2, 1514), Packet(40, 3, -1, 0x02)}, v3),
              (Sizes{{64, 64}, {104, 104}, {44, 44}}));
    const ObserverOptions ring = Version("Observer Version=3.10", 1);
    EXPECT_EQ(Lengths({Packet(60, 1), Packet(100, 2, 1514)}, ring), (Sizes{{64, 64}, {100, 100}}));
}

TEST_F(ObserverReading, LengthsFromVersion4OnUseTheWireLength)
{
    const ObserverOptions v5 = Version("ObserverPktBufferVersion=5.00");
    // Whole frames, a sliced one (its payload is not analysed), a short one with a bad FCS.
    EXPECT_EQ(Lengths({Packet(60, 1), Packet(100, 2, 1514), Packet(40, 3, -1, 0x02), Packet(20, 4, 30)}, v5),
              (Sizes{{64, 64}, {1518, 100}, {44, 44}, {64, 64}}));

    const ObserverOptions ring = Version("ObserverPktBufferVersion=4.00", 1);
    EXPECT_EQ(Lengths({Packet(100, 1), Packet(100, 2, 4000), Packet(50, 3, -1, 0x02), Packet(50, 4)}, ring),
              (Sizes{{100, 100}, {100, 100}, {50, 50}, {64, 64}}));
}

TEST_F(ObserverReading, AHeaderWithoutVersionDigitReadsAsACurrentVersion)
{
    for (const std::string text : {"Observer capture", "Observer Version=x", "Observer Version = 3"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(Lengths({Packet(100, 2, 1514)}, Version(text)), (Sizes{{1518, 100}}));
    }
    // Only the first 32 bytes are searched for the "=".
    const std::string late = "Observer" + std::string(30, ' ') + "=3";
    EXPECT_EQ(Lengths({Packet(100, 2, 1514)}, Version(late)), (Sizes{{1518, 100}}));
}

TEST_F(ObserverReading, FlagsAndTime)
{
    ObserverPacket first = Packet(60, 1, -1, 0x01);
    first.TimeMs = 1234;
    ObserverPacket second = Packet(60, 2, -1, 0x02);
    second.TimeMs = 4000000000u;
    const CapturedRead read = Read({first, second}, Version("Observer=9"));
    ASSERT_EQ(read.Frames.size(), 2u);
    EXPECT_EQ(FlagsOf(read), (FrameFlags{{0, 1}, {1, 0}}));
    EXPECT_DOUBLE_EQ(read.Frames[0].Time, 1234000.0);
    EXPECT_DOUBLE_EQ(read.Frames[1].Time, 4e12);
}

TEST_F(ObserverReading, FollowsTheNextPacketOffsets)
{
    std::vector<ObserverPacket> packets = {Packet(60, 1), Packet(70, 2), Packet(80, 3)};
    packets[0].GapAfter = 37;  // filler the chain steps over
    packets[1].GapAfter = 100;
    const CapturedRead read = Read(packets, Version("Observer=9"));
    ASSERT_EQ(read.Frames.size(), 3u);
    for (std::size_t k = 0; k < 3; ++k) {
        std::vector<uint8_t> expected = packets[k].Bytes;
        expected.resize(read.Frames[k].Bytes.size(), 0);
        EXPECT_EQ(read.Frames[k].Bytes, expected);
    }
    EXPECT_EQ(read.State->Read.ReadResult, 0);
}

TEST_F(ObserverReading, OffsetsThatLeadBackOrNowhereEndTheRead)
{
    const TraceImage image = BuildObserverTrace(Version("Observer=9"), {Packet(60, 1), Packet(60, 2), Packet(60, 3)});
    auto withNext = [&image](std::size_t packet, uint32_t next) {
        TraceImage damaged = image;
        PatchLe32(damaged, image.FrameOffsets[packet] + kObserverNextOffsetField, next);
        return damaged;
    };
    struct Case {
        const char* What;
        std::size_t Packet;
        uint32_t Next;
        std::size_t Frames;
    };
    const Case cases[] = {
        {"back to the first packet", 1, static_cast<uint32_t>(image.FrameOffsets[0]), 2},
        {"to itself", 1, static_cast<uint32_t>(image.FrameOffsets[1]), 2},
        {"into the header", 0, 5, 1},
        {"past the end of the file", 0, 0xFFFFFF00u, 1},
        {"inside the last packet's bytes", 1, static_cast<uint32_t>(image.Bytes.size() - 10), 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        const CapturedRead read = Read(withNext(c.Packet, c.Next));
        EXPECT_EQ(read.Frames.size(), c.Frames);
        EXPECT_NE(read.State->Read.ReadResult, 0);
    }
    EXPECT_TRUE(host.Messages.empty());
}

// A next-packet offset of 0 ends the chain. When more packets follow in the file, the
// chain was damaged (a zeroed header, a zeroed offset): the read ends as damaged and
// says where the chain ended. Padding and bytes that hold no packet leave it complete.
TEST_F(ObserverReading, PacketsAfterTheEndOfTheChainAreDamage)
{
    const TraceImage image =
        BuildObserverTrace(Version("Observer=9"), {Packet(60, 1), Packet(600, 2), Packet(80, 3), Packet(90, 4)});
    const auto changed = [&image](std::size_t at, const std::vector<uint8_t>& bytes) {
        TraceImage copy = image;
        copy.Bytes.resize(std::max(copy.Bytes.size(), at + bytes.size()));
        std::copy(bytes.begin(), bytes.end(), copy.Bytes.begin() + static_cast<std::ptrdiff_t>(at));
        return copy;
    };
    const std::size_t second = image.FrameOffsets[1];
    TraceImage noLengthNoNext = changed(second + kObserverNextOffsetField, {0, 0, 0, 0});
    std::fill_n(noLengthNoNext.Bytes.begin() + static_cast<std::ptrdiff_t>(second + kObserverStoredLengthField), 4, 0);
    struct Case {
        const char* What;
        TraceImage Image;
        int Frames;
        std::size_t ChainEnd;  // where the damaged chain ends; 0: a complete read
    };
    const Case cases[] = {
        {"zeros after the last packet", changed(image.Bytes.size(), std::vector<uint8_t>(4096, 0)), 4, 0},
        {"no packet after the last", changed(image.Bytes.size(), std::vector<uint8_t>(300, 0xFF)), 4, 0},
        {"a zeroed next-packet offset", changed(second + kObserverNextOffsetField, {0, 0, 0, 0}), 2, second + 44 + 600},
        {"a zeroed offset and length", noLengthNoNext, 2, second + 44},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        const CapturedRead read = Read(c.Image);
        EXPECT_EQ(read.State->TotalFrames, c.Frames);
        if (c.ChainEnd == 0) {
            EXPECT_EQ(read.State->Read.ReadResult, 0);
            continue;
        }
        EXPECT_EQ(read.State->Read.ReadResult, kReadResultBadData);
        EXPECT_EQ(read.State->Read.ReadEndText,
                  "End of the packet chain at offset " + FormatCount(c.ChainEnd) + " (after frame " +
                      FormatCount(c.Frames) + ") is followed by " + FormatCount(c.Image.Bytes.size() - c.ChainEnd) +
                      " more bytes that read as packets.  Data may be unreliable.");
    }
}

// A packet header of zeros is no packet, wherever the chain leads to it: the read ends
// as damaged, also when zeros run on to the end of the file.
TEST_F(ObserverReading, AHeaderOfZerosIsDamage)
{
    const TraceImage image =
        BuildObserverTrace(Version("Observer=9"), {Packet(60, 1), Packet(600, 2), Packet(80, 3), Packet(90, 4)});
    for (const std::size_t packet : {0u, 1u, 3u}) {
        for (const bool toTheEnd : {false, true}) {
            SCOPED_TRACE(::testing::Message() << "packet " << packet << (toTheEnd ? ", zeros to the end" : ""));
            TraceImage damaged = image;
            const auto from = damaged.Bytes.begin() + static_cast<std::ptrdiff_t>(image.FrameOffsets[packet]);
            std::fill(from, toTheEnd ? damaged.Bytes.end() : from + 44, uint8_t{0});
            const CapturedRead read = Read(damaged);
            EXPECT_EQ(read.State->TotalFrames, static_cast<int>(packet));
            EXPECT_EQ(read.State->Read.ReadResult, kReadResultBadData);
        }
    }
}

TEST_F(ObserverReading, StoredLengthBeyondTheFrameBound)
{
    const CapturedRead largest = Read({Packet(18000, 1, 18000)}, Version("Observer=9"));
    ASSERT_EQ(largest.Frames.size(), 1u);
    EXPECT_EQ(largest.Frames[0].FrameSize, 18000);

    TraceImage image = BuildObserverTrace(Version("Observer=9"), {Packet(60, 1), Packet(60, 2)});
    image.Bytes[image.FrameOffsets[1] + kObserverStoredLengthField + 3] = 0x80;  // some 2 GB stored
    const CapturedRead read = Read(image);
    EXPECT_EQ(read.Frames.size(), 1u);
    EXPECT_NE(read.State->Read.ReadResult, 0);  // the stored bytes run past the end of the file
    EXPECT_TRUE(host.Messages.empty());

    ExpectClippedAndReadOn(Read({Packet(60, 1), Packet(18001, 2, 18001), Packet(60, 3)}, Version("Observer=9")), host);
}

TEST_F(ObserverReading, TruncatedAnywhere)
{
    const TraceImage image =
        BuildObserverTrace(Version("Observer=9"), {Packet(60, 1), Packet(61, 2), Packet(1514, 3)});
    const std::size_t count = image.FrameOffsets.size();
    // Once a packet names the next one, the file must hold it.
    ExpectEveryCutEndsCleanly(image, Options(), [count](std::size_t read) { return read > 0 && read < count; });
}

TEST_F(ObserverReading, DetectedAndReadWithTheFileDate)
{
    const TraceImage image =
        BuildObserverTrace(Version("ObserverPktBufferVersion=5.00", 1), {Packet(60, 1), Packet(60, 2)});
    const auto state = DetectedAndRead(image, kTopologyTokenRing, 2);
    EXPECT_GE(static_cast<uint32_t>(state->Read.TraceStartDate) >> 25, 2024u - 1980u);  // the file was written just now
    EXPECT_TRUE(host.Messages.empty());
}

TEST_F(ObserverReading, SurvivesRandomDamage)
{
    std::vector<ObserverPacket> packets = {Packet(60, 1), Packet(301, 2, 1514), Packet(40, 3, -1, 0x02)};
    packets[0].GapAfter = 20;
    for (const char* version : {"Observer=3", "Observer=9"}) {
        ExpectSurvivesDamage(BuildObserverTrace(Version(version), packets), 0, Options(), dir, 200, 13);
    }
}

}  // namespace
}  // namespace quenlix::testing
