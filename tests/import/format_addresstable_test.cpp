// The Observer analyser's local address table: how its name is found (machine
// settings, the trace header, the default), how its records become names, and
// that only Observer traces use it, through the driver and the report.

#include "ObserverWriter.h"
#include "NetMonWriter.h"
#include "format_support.h"
#include "import/LocalAddressTable.h"
#include "model/SettingsStore.h"
#include "report_support.h"

namespace quenlix::testing {
namespace {

using Mac6 = std::array<uint8_t, 6>;
using Ip4 = std::array<uint8_t, 4>;

constexpr Mac6 kServerMac = {0x00, 0x10, 0x20, 0x30, 0x40, 0x50};
constexpr Mac6 kPrinterMac = {0x00, 0x10, 0x20, 0x30, 0x40, 0x60};
constexpr Ip4 kServerIp = {10, 1, 2, 3};

NetString Key(const Mac6& mac) { return NetString(mac.data(), mac.size()); }
NetString Key(const Ip4& ip) { return NetString(ip.data(), ip.size()); }

// The 200-byte header text detection hands over.
std::string HeaderText(const std::string& start)
{
    std::string text = start;
    text.resize(200, '\0');
    return text;
}

class AddressTable : public ::testing::Test {
protected:
    void SetUp() override
    {
        state = std::make_unique<AnalysisState>();
        state->Options.AddressTableFolder = dir.Path("tables") + "/";
        std::filesystem::create_directories(dir.Path("tables"));
    }
    void WriteTable(const std::string& name, const std::vector<uint8_t>& bytes) { WriteBytes(dir.Path("tables/" + name), bytes); }
    void SetCurrentTable(const std::string& name)
    {
        machine.WriteString(kObserverSettingsKey, kCurrentAddressTableValue, name);
        state->Platform.MachineSettings = &machine;
    }

    TempDir dir;
    MemorySettingsStore machine;
    std::unique_ptr<AnalysisState> state;
    RecordingHost host;
};

TEST_F(AddressTable, NameFromTheMachineSettingsTheHeaderOrTheDefault)
{
    FindAddressTable(*state, HeaderText("Observer=9"));
    EXPECT_EQ(state->Read.AddressTableName, "Local Address Table.adr");  // no settings at all

    SetCurrentTable("");
    FindAddressTable(*state, HeaderText("Observer=9"));
    EXPECT_EQ(state->Read.AddressTableName, "Local Address Table.adr");

    SetCurrentTable("Floor 2.adr");
    FindAddressTable(*state, HeaderText("Observer=9"));
    EXPECT_EQ(state->Read.AddressTableName, "Floor 2.adr");

    // The header's own table wins; its name ends at the first zero byte.
    FindAddressTable(*state, HeaderText(std::string("Observer=9 C:\\Observer Files\\LocalAddressTable\\Lab.adr\0junk", 59)));
    EXPECT_EQ(state->Read.AddressTableName, "Lab.adr");
    EXPECT_EQ(AddressTablePath(*state), dir.Path("tables") + "/Lab.adr");
}

TEST_F(AddressTable, DefaultFolderAndFoldersWithoutSeparator)
{
    AnalysisState fresh;
    FindAddressTable(fresh, HeaderText("Observer=9"));
    EXPECT_EQ(AddressTablePath(fresh), "C:\\Observer Files\\LocalAddressTable\\Local Address Table.adr");
    fresh.Options.AddressTableFolder = "/var/tables";
    EXPECT_EQ(AddressTablePath(fresh), "/var/tables/Local Address Table.adr");
}

TEST_F(AddressTable, RecordsBecomeNames)
{
    WriteTable("Local Address Table.adr",
               BuildAddressTable({{kServerMac, "server-one", kServerIp},
                                  {kPrinterMac, "printer", {}},
                                  {{0x00, 0x10, 0x20, 0x30, 0x40, 0x70}, "", {10, 9, 9, 9}},
                                  {kServerMac, "second-name", {10, 1, 2, 4}},
                                  {{0x00, 0x10, 0x20, 0x30, 0x40, 0x80}, "a-name-of-20-chars!!", {}}}));
    FindAddressTable(*state, HeaderText("Observer=9"));
    LoadAddressTable(*state);

    EXPECT_EQ(LookupName(*state, Key(kServerMac)), "server-one");  // the first record for an address wins
    EXPECT_EQ(LookupName(*state, Key(kServerIp)), "server-one");
    EXPECT_EQ(LookupName(*state, Key(kPrinterMac)), "printer");
    EXPECT_EQ(LookupName(*state, Key(Ip4{10, 1, 2, 4})), "second-name");
    EXPECT_EQ(LookupName(*state, Key(Ip4{10, 9, 9, 9})), "");  // a record without name adds nothing
    EXPECT_EQ(LookupName(*state, Key(Mac6{0x00, 0x10, 0x20, 0x30, 0x40, 0x80})), "a-name-of-20-chars");  // 18 characters at most
    // printer has no IPv4 address, and the nameless record added none of its own.
    EXPECT_EQ(state->Names.size(), 5u);
}

TEST_F(AddressTable, APartialLastRecordKeepsTheWholeOnes)
{
    std::vector<uint8_t> table = BuildAddressTable({{kServerMac, "server-one", {}}, {kPrinterMac, "printer", {}}});
    table.resize(80 + 40);
    WriteTable("Local Address Table.adr", table);
    FindAddressTable(*state, HeaderText("Observer=9"));
    LoadAddressTable(*state);
    EXPECT_EQ(LookupName(*state, Key(kServerMac)), "server-one");
    EXPECT_EQ(LookupName(*state, Key(kPrinterMac)), "");
}

TEST_F(AddressTable, AMissingTableIsNoError)
{
    FindAddressTable(*state, HeaderText("Observer=9"));
    LoadAddressTable(*state);
    EXPECT_TRUE(state->Names.empty());
}

TEST_F(AddressTable, ObserverTracesLoadTheirTableBeforeTheFrames)
{
    WriteTable("Floor 2.adr", BuildAddressTable({{kServerMac, "server-one", kServerIp}}));
    SetCurrentTable("Floor 2.adr");
    const std::string trace = dir.Path("trace.bfr");
    ObserverPacket packet;
    packet.Bytes = UnicastBytes(60, 1);
    BuildObserverTrace({}, {packet}).Save(trace);

    ASSERT_EQ(DetectAndRead(*state, trace, host), kFormatObserver);
    EXPECT_EQ(state->TotalFrames, 1);
    EXPECT_EQ(LookupName(*state, Key(kServerMac)), "server-one");
    EXPECT_EQ(LookupName(*state, Key(kServerIp)), "server-one");
    EXPECT_TRUE(host.Messages.empty());
}

TEST_F(AddressTable, OtherTracesNeverUseATable)
{
    WriteTable("LocalAddressTable.adr", BuildAddressTable({{kServerMac, "server-one", kServerIp}}));
    WriteTable("Local Address Table.adr", BuildAddressTable({{kServerMac, "server-one", kServerIp}}));
    const std::string trace = dir.Path("trace.cap");
    BuildNetMonTrace({}, {NetMonFrame{0, UnicastBytes(60, 1), -1}}).Save(trace);
    ASSERT_EQ(DetectAndRead(*state, trace, host), kFormatNetworkMonitor);
    EXPECT_EQ(state->Read.AddressTableName, "LocalAddressTable.adr");
    EXPECT_EQ(LookupName(*state, Key(kServerMac)), "");
}

TEST_F(AddressTable, ReportDumpShowsTheNamesFromTheTableFolderGiven)
{
    WriteTable("Lab.adr", BuildAddressTable({{kServerMac, "server-one", kServerIp}}));
    ObserverOptions options;
    options.TableName = "Lab.adr";
    ObserverPacket packet;
    packet.Bytes = UnicastBytes(60, 1);
    const std::string trace = dir.Path("trace.bfr");
    BuildObserverTrace(options, {packet}).Save(trace);

    const reporttest::ReportRun run =
        reporttest::RunReportWith({"--dump-state", "--address-table-dir", dir.Path("tables"), trace});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_NE(run.Out.find("\"server-one\""), std::string::npos);
    EXPECT_NE(run.Out.find("001020304050"), std::string::npos);
    EXPECT_NE(run.Out.find("0A010203"), std::string::npos);

    // Without the option the analyser's own folder is used, where there is no table here.
    const reporttest::ReportRun plain = reporttest::RunReportWith({"--dump-state", trace});
    EXPECT_EQ(plain.Out.find("\"server-one\""), std::string::npos);
}

}  // namespace
}  // namespace quenlix::testing
