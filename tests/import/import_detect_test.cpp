// Format and topology detection: the fourteen formats, the order that settles
// overlapping signatures, and the refusal of files that cannot be traces.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

#include "TestFiles.h"
#include "import/TraceImport.h"

namespace quenlix::testing {
namespace {

std::vector<uint8_t> Header(std::string_view start, std::size_t size = 200)
{
    std::vector<uint8_t> bytes(size, 0x20);
    std::memcpy(bytes.data(), start.data(), std::min(start.size(), size));
    return bytes;
}

void Put(std::vector<uint8_t>& bytes, std::size_t offset, std::string_view text)
{
    if (bytes.size() < offset + text.size()) bytes.resize(offset + text.size());
    std::memcpy(bytes.data() + offset, text.data(), text.size());
}

void PutU16(std::vector<uint8_t>& bytes, std::size_t offset, uint16_t value)
{
    Put(bytes, offset, std::string_view("\0\0", 2));
    bytes[offset] = static_cast<uint8_t>(value);
    bytes[offset + 1] = static_cast<uint8_t>(value >> 8);
}

void PutI32(std::vector<uint8_t>& bytes, std::size_t offset, int32_t value)
{
    PutU16(bytes, offset, static_cast<uint16_t>(value));
    PutU16(bytes, offset + 2, static_cast<uint16_t>(static_cast<uint32_t>(value) >> 16));
}

class Detection : public ::testing::Test {
protected:
    FormatDetection Format(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        WriteBytes(dir.Path(name), bytes);
        return DetectTraceFormat(*state, dir.Path(name), host);
    }
    TopologyDetection Topology(TraceFormatCode format, const std::string& name, const std::vector<uint8_t>& bytes)
    {
        WriteBytes(dir.Path(name), bytes);
        return DetectTopology(*state, format, dir.Path(name), host);
    }

    TempDir dir;
    RecordingHost host;
    std::unique_ptr<AnalysisState> state = std::make_unique<AnalysisState>();
};

struct FormatCase {
    const char* Label;
    const char* Name;
    std::vector<uint8_t> Bytes;
    TraceFormatCode Expected;
};

std::vector<FormatCase> FormatCases()
{
    auto with = [](std::vector<uint8_t> bytes, auto edit) { edit(bytes); return bytes; };
    const auto cap = [](std::vector<uint8_t>& b) { Put(b, 60, std::string_view("\x1a\x00", 2)); b[40] = 1; };
    return {
        {"Sniffer magic", "a.enc", Header("TRSNIFF data    \x1a"), kFormatSniffer},
        {"QLX magic", "a.trc", Header("QLX"), kFormatSniffer},
        {"LANalyzer plain", "a.tr1", Header("\x01\x10"), kFormatLANalyzer},
        {"LANalyzer wrapped", "a.tr1", Header("\x07\x10"), kFormatLANalyzer},
        {"NetSight", "a.cap", with(Header("xx"), cap), kFormatNetSight},
        {"NetSight needs B40 1 or 3", "a.cap", with(Header("xx"), [&](auto& b) { cap(b); b[40] = 2; }), kFormatUnknown},
        {"NetSight needs .CAP", "a.bin", with(Header("xx"), cap), kFormatUnknown},
        {"DA-30", "a.an1", Header("EXRS"), kFormatDA30},
        {"LANdecoder", "a.enf", Header("LAN"), kFormatLANdecoder},
        {"LANWatch", "a.ftp", Header("PKTDMP"), kFormatLANWatch},
        {"Internetwork Advisor", "a.eth", with(Header("xx"), [](auto& b) { Put(b, 90, "HPDATA0"); }), kFormatInternetworkAdvisor},
        {"DataGLANce", "a.dgc", with(Header("xx"), [](auto& b) { b[130] = 2; b[131] = 0xFC; }), kFormatDataGLANce},
        {"DataGLANce bad B131", "a.dgc", with(Header("xx"), [](auto& b) { b[130] = 2; b[131] = 2; }), kFormatUnknown},
        {"NetLens", "a.s04", with(Header("D"), [](auto& b) { PutI32(b, 22, 99999); }), kFormatNetLens},
        {"NetLens needs D22 below 100000", "a.t04", with(Header("D"), [](auto& b) { PutI32(b, 22, 100000); }), kFormatUnknown},
        {"FireBerd 500", "a.pkt", with(Header("xx"), [](auto& b) { Put(b, 150, "ProbeApps"); }), kFormatFireBerd500},
        {"Network Monitor", "a.cap", Header("RTSS"), kFormatNetworkMonitor},
        {"LAN900", "a.dat", with(Header("\x03\x94"), [](auto& b) { b.resize(0x20000, 0); }), kFormatLAN900},
        {"Observer", "a.bfr", with(Header("xx"), [](auto& b) { Put(b, 10, "Observer"); }), kFormatObserver},
        {"EtherPeek 6", "a.pkt", Header("\x06"), kFormatEtherPeek},
        {"EtherPeek 7", "a.PKT", Header("\x07"), kFormatEtherPeek},
        {"EtherPeek needs .PKT", "a.bin", Header("\x07"), kFormatUnknown},
        {"nothing", "a.bin", Header("hello"), kFormatUnknown},
        // Overlapping signatures: the earlier test wins.
        {"X.CAP starting TRS is Sniffer", "X.CAP", with(Header("TRS"), cap), kFormatSniffer},
        {"Observer and RTSS is Network Monitor", "a.cap", with(Header("RTSS"), [](auto& b) { Put(b, 20, "Observer"); }), kFormatNetworkMonitor},
        {"EXRS with HPDATA0 is DA-30", "a.eth", with(Header("EXRS"), [](auto& b) { Put(b, 90, "HPDATA0"); }), kFormatDA30},
        {".DAT under 131072 is never LAN900", "a.dat", with(Header("\x03\x94"), [](auto& b) { b.resize(0x1FFFF, 0); }), kFormatUnknown},
        {"40-byte file is tested", "a.enc", Header("TRS", 40), kFormatSniffer},
        // The byte after the last one of a 42-byte file reads as zero, completing the pair 1A 00.
        {"Header past a short file reads as zeros", "a.cap", with(Header("xx", 42), [](auto& b) { b[40] = 1; b[41] = 0x1A; }), kFormatNetSight},
    };
}

TEST_F(Detection, EveryFormatInItsOrder)
{
    for (const FormatCase& c : FormatCases()) {
        SCOPED_TRACE(c.Label);
        const FormatDetection result = Format(c.Name, c.Bytes);
        EXPECT_EQ(result.Code, c.Expected);
        EXPECT_FALSE(result.Failed);
    }
    EXPECT_TRUE(host.Messages.empty());
}

TEST_F(Detection, SettingsForEveryFile)
{
    std::vector<uint8_t> compressed = Header("TRSNIFF data    \x1a");
    compressed[35] = 1;
    state->Read.AddressTableName = "Other.adr";
    EXPECT_EQ(Format("a.enc", compressed).Code, kFormatSniffer);
    EXPECT_EQ(state->Read.SnifferCompressed, 1);
    EXPECT_EQ(state->Read.AddressTableName, "LocalAddressTable.adr");

    compressed[35] = 2;  // only bit 0 means compressed
    EXPECT_EQ(Format("a.enc", compressed).Code, kFormatSniffer);
    EXPECT_EQ(state->Read.SnifferCompressed, 0);

    state->Read.SnifferCompressed = 1;
    EXPECT_EQ(Format("a.enf", Header("LAN")).Code, kFormatLANdecoder);
    EXPECT_EQ(state->Read.SnifferCompressed, 0);
}

TEST_F(Detection, RefusesShortAndMissingFiles)
{
    FormatDetection result = Format("a.enc", Header("TRS", 39));
    EXPECT_EQ(result.Code, kFormatUnknown);
    EXPECT_TRUE(result.Failed);

    result = DetectTraceFormat(*state, dir.Path("missing.enc"), host);
    EXPECT_EQ(result.Code, kFormatUnknown);
    EXPECT_TRUE(result.Failed);

    ASSERT_EQ(host.Messages.size(), 2u);
    EXPECT_EQ(host.Messages[0].Text, "File too short.");
    EXPECT_EQ(host.Messages[1].Text, "Unable to open file.  Check the path and file Name.\n" + dir.Path("missing.enc") +
                                         ": No such file or directory");
    for (const RecordedMessage& m : host.Messages) {
        EXPECT_EQ(m.Title, "Quenlix");
        EXPECT_EQ(m.Icon, MessageIcon::Error);
    }
}

// ---- topology -------------------------------------------------------------------

struct TopologyCase {
    TraceFormatCode Format;
    std::size_t Offset;
    int Value;
    TopologyCode Expected;
};

TEST_F(Detection, TopologyFromHeaderFields)
{
    const std::vector<TopologyCase> cases = {
        {kFormatSniffer, 32, 0, kTopologyTokenRing},     {kFormatSniffer, 32, 1, kTopologyEthernet},
        {kFormatSniffer, 32, 3, kTopologyEthernet},      {kFormatSniffer, 32, 2, kTopologyARCnet},
        {kFormatSniffer, 32, 7, kTopologyWAN},           {kFormatSniffer, 32, 9, kTopologyFDDI},
        {kFormatSniffer, 32, 4, kTopologyOther},         {kFormatDataGLANce, 130, 1, kTopologyFDDI},
        {kFormatDataGLANce, 130, 2, kTopologyTokenRing}, {kFormatDataGLANce, 130, 3, kTopologyEthernet},
        {kFormatDataGLANce, 130, 0, kTopologyOther},     {kFormatLANdecoder, 90, 1, kTopologyEthernet},
        {kFormatLANdecoder, 90, 2, kTopologyTokenRing},  {kFormatLANdecoder, 90, 3, kTopologyOther},
        {kFormatLANWatch, 13, 1, kTopologyEthernet},     {kFormatLANWatch, 13, 3, kTopologyTokenRing},
        {kFormatLANWatch, 13, 2, kTopologyOther},        {kFormatNetworkMonitor, 6, 1, kTopologyEthernet},
        {kFormatNetworkMonitor, 6, 2, kTopologyTokenRing}, {kFormatNetworkMonitor, 6, 0, kTopologyOther},
    };
    for (const TopologyCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "format " << int(c.Format) << " value " << c.Value);
        std::vector<uint8_t> bytes(140, 0);
        bytes[c.Offset] = static_cast<uint8_t>(c.Value);
        const TopologyDetection result = Topology(c.Format, "a.bin", bytes);
        EXPECT_EQ(result.Code, c.Expected);
        EXPECT_FALSE(result.Failed);
    }
}

TEST_F(Detection, TopologyFromWideFields)
{
    auto i32At = [this](TraceFormatCode format, std::size_t offset, int32_t value) {
        std::vector<uint8_t> bytes(140, 0);
        PutI32(bytes, offset, value);
        return Topology(format, "a.bin", bytes).Code;
    };
    for (int32_t v : {1, 2, 5}) EXPECT_EQ(i32At(kFormatInternetworkAdvisor, 24, v), kTopologyEthernet);
    for (int32_t v : {3, 4}) EXPECT_EQ(i32At(kFormatInternetworkAdvisor, 24, v), kTopologyTokenRing);
    EXPECT_EQ(i32At(kFormatInternetworkAdvisor, 24, 0x10001), kTopologyOther);
    EXPECT_EQ(i32At(kFormatObserver, 133, 0), kTopologyEthernet);
    EXPECT_EQ(i32At(kFormatObserver, 133, 1), kTopologyTokenRing);
    EXPECT_EQ(i32At(kFormatObserver, 133, 2), kTopologyFDDI);
    EXPECT_EQ(i32At(kFormatObserver, 133, 256), kTopologyOther);
    EXPECT_EQ(i32At(kFormatNetSight, 40, 1), kTopologyEthernet);
    EXPECT_EQ(i32At(kFormatNetSight, 40, 3), kTopologyTokenRing);
    EXPECT_EQ(i32At(kFormatNetSight, 40, 0x0101), kTopologyOther);
    EXPECT_EQ(i32At(kFormatEtherPeek, 0, 99), kTopologyEthernet);
    EXPECT_EQ(i32At(kFormatNone, 0, 0), kTopologyOther);
}

TEST_F(Detection, NetLensTopologyFromThePath)
{
    const std::vector<uint8_t> bytes(60, 0);
    EXPECT_EQ(Topology(kFormatNetLens, "a.t04", bytes).Code, kTopologyTokenRing);
    EXPECT_EQ(Topology(kFormatNetLens, "a.S04", bytes).Code, kTopologyEthernet);
    EXPECT_EQ(Topology(kFormatNetLens, "a.s04.t04", bytes).Code, kTopologyTokenRing);
    EXPECT_EQ(Topology(kFormatNetLens, "a.bin", bytes).Code, kTopologyOther);
}

TEST_F(Detection, Da30TopologyFromItsDescriptor)
{
    auto da30 = [this](int32_t descriptorOffset, int32_t medium) {
        std::vector<uint8_t> bytes(200, 0);
        PutI32(bytes, 22, descriptorOffset);
        if (descriptorOffset >= 0 && descriptorOffset + 8 <= 200) PutI32(bytes, static_cast<std::size_t>(descriptorOffset) + 4, medium);
        return Topology(kFormatDA30, "a.an1", bytes).Code;
    };
    EXPECT_EQ(da30(100, 30), kTopologyTokenRing);
    EXPECT_EQ(da30(100, 40), kTopologyEthernet);
    EXPECT_EQ(da30(100, 10), kTopologyOther);
    EXPECT_EQ(da30(5000, 40), kTopologyOther);  // descriptor past the end of the file
    EXPECT_EQ(da30(-7, 40), kTopologyOther);
}

TEST_F(Detection, FireBerdTopologyFromTheFirstFrame)
{
    auto fireBerd = [this](uint16_t length, uint8_t f0, uint8_t f1, uint8_t f2) {
        std::vector<uint8_t> bytes(76 + 10 + 3, 0);
        PutU16(bytes, 76, length);
        bytes[86] = f0, bytes[87] = f1, bytes[88] = f2;
        return Topology(kFormatFireBerd500, "a.pkt", bytes).Code;
    };
    EXPECT_EQ(fireBerd(3, 0x00, 0, 0), kTopologyEthernet);
    EXPECT_EQ(fireBerd(3, 0xFF, 0, 0), kTopologyEthernet);
    EXPECT_EQ(fireBerd(3, 0x30, 0, 0), kTopologyTokenRing);
    EXPECT_EQ(fireBerd(3, 0x10, 1, 0), kTopologyTokenRing);
    EXPECT_EQ(fireBerd(3, 0x10, 0, 0x5A), kTopologyEthernet);
    EXPECT_EQ(fireBerd(3, 0x10, 0, 0xE0), kTopologyEthernet);
    EXPECT_EQ(fireBerd(3, 0x10, 0, 0x11), kTopologyTokenRing);
    EXPECT_EQ(fireBerd(1, 0x10, 0, 0x5A), kTopologyTokenRing);  // F2 lies outside a 1-byte frame
}

TEST_F(Detection, LanalyzerTopologyFromTheSeventhRecord)
{
    auto lanalyzer = [this](uint16_t medium) {
        std::vector<uint8_t> bytes;
        for (uint16_t length : {20, 0, 7, 30, 2, 11}) {
            const std::size_t at = bytes.size();
            bytes.resize(at + 4 + length, 0);
            PutU16(bytes, at, 0x1001);
            PutU16(bytes, at + 2, length);
        }
        const std::size_t at = bytes.size();
        bytes.resize(at + 4 + 210, 0);
        PutU16(bytes, at + 2, 210);
        PutU16(bytes, at + 4 + 188, medium);
        return Topology(kFormatLANalyzer, "a.tr1", bytes).Code;
    };
    EXPECT_EQ(lanalyzer(226), kTopologyEthernet);
    EXPECT_EQ(lanalyzer(227), kTopologyTokenRing);
    EXPECT_EQ(lanalyzer(228), kTopologyTokenRing);
    EXPECT_EQ(lanalyzer(225), kTopologyOther);
}

TEST_F(Detection, Lan900TopologyFromTheFirstFrameRecord)
{
    auto lan900 = [this](uint16_t lastBlock, uint8_t network) {
        std::vector<uint8_t> bytes(0x20000, 0);
        Put(bytes, 0, "\x03\x94");
        PutU16(bytes, 42, 1);
        PutU16(bytes, 44, lastBlock);
        PutU16(bytes, 0x202E, 2);
        // A record of another kind comes first and is passed over.
        bytes[65536] = 0x81, bytes[65537] = 6;
        PutU16(bytes, 65538, 4);
        bytes[65552] = 0x82, bytes[65553] = network;
        PutU16(bytes, 65554, 64);
        return Topology(kFormatLAN900, "a.dat", bytes).Code;
    };
    EXPECT_EQ(lan900(1, 0x25), kTopologyEthernet);
    EXPECT_EQ(lan900(1, 7), kTopologyEthernet);
    EXPECT_EQ(lan900(1, 0xE6), kTopologyTokenRing);
    EXPECT_EQ(lan900(1, 3), kTopologyOther);
    EXPECT_EQ(lan900(0, 5), kTopologyOther);  // no frames in the file
}

TEST_F(Detection, TopologyOfUnreadableFiles)
{
    // Too short for a frame: said as detection says it of a shorter file, not as a topology.
    TopologyDetection result = Topology(kFormatSniffer, "small.enc", std::vector<uint8_t>(49, 1));
    EXPECT_EQ(result.Code, kTopologyOther);
    EXPECT_TRUE(result.Failed);
    EXPECT_EQ(host.Texts(), std::vector<std::string>{"File too short."});

    host.Messages.clear();
    result = DetectTopology(*state, kFormatSniffer, dir.Path("missing.enc"), host);
    EXPECT_EQ(result.Code, kTopologyOther);
    EXPECT_TRUE(result.Failed);
    EXPECT_EQ(host.Texts(), std::vector<std::string>{"Unable to open file.  Check the path and file Name.\n" +
                                                     dir.Path("missing.enc") + ": No such file or directory"});
}

TEST_F(Detection, AccessDeniedIsNotAFailure)
{
    const std::string path = dir.Path("locked.enc");
    WriteBytes(path, std::vector<uint8_t>(100, 0));
    std::filesystem::permissions(path, std::filesystem::perms::none);
    if (std::ifstream(path).good()) GTEST_SKIP() << "this user may read any file, so access cannot be denied";
    const TopologyDetection result = DetectTopology(*state, kFormatSniffer, path, host);
    EXPECT_EQ(result.Code, kTopologyOther);
    EXPECT_FALSE(result.Failed);
}

}  // namespace
}  // namespace quenlix::testing
