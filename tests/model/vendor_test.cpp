// The manufacturer file: loading, its line rules and limits, and the bundled OUI.TXT.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <sstream>

#include "model/Naming.h"
#include "model/VendorFile.h"

namespace quenlix {
namespace {

struct Message {
    MessageIcon Icon;
    std::string Title;
    std::string Text;
};

class RecordingHost : public ReadHost {
public:
    void ShowMessage(MessageIcon icon, const std::string& title, const std::string& text) override
    {
        Messages.push_back({icon, title, text});
    }
    std::vector<Message> Messages;
};

int16_t Lookup(const AnalysisState& state, std::array<uint8_t, 3> prefix)
{
    return FindVendor(state, prefix.data());
}

std::string NameOf(const AnalysisState& state, std::array<uint8_t, 3> prefix)
{
    const int16_t index = Lookup(state, prefix);
    return index > 0 ? state.VendorTable[static_cast<size_t>(index)].VendorName : "(none)";
}

void ReadText(AnalysisState& state, const std::string& text)
{
    std::istringstream lines(text);
    ReadVendorLines(state, lines);
}

std::filesystem::path FreshFolder(const std::string& name)
{
    const std::filesystem::path folder = std::filesystem::path(::testing::TempDir()) / name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

TEST(VendorFile, MissingFileIsReportedAndTheTableStaysEmpty)
{
    AnalysisState state;
    state.VendorCount = 3;
    RecordingHost host;
    EXPECT_FALSE(LoadVendorTable(state, FreshFolder("vendor_missing").string(), host));
    EXPECT_EQ(state.VendorCount, 0);
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].Icon, MessageIcon::Warning);
    EXPECT_EQ(host.Messages[0].Title, "Quenlix");
    EXPECT_EQ(host.Messages[0].Text,
              "Unable to open the OUI File (OUI.TXT) in the Quenlix Program Directory.  Without this file, "
              "vendors/organizations will not be associated with station addresses.");
}

TEST(VendorFile, LoadsFromTheFolderAndStartsAfreshEachTime)
{
    const auto folder = FreshFolder("vendor_load");
    std::ofstream(folder / "OUI.TXT") << "/* test table\n00000C Cisco\n00AA00 Intel\n";
    AnalysisState state;
    RecordingHost host;
    ASSERT_TRUE(LoadVendorTable(state, folder.string(), host));
    ASSERT_TRUE(LoadVendorTable(state, folder.string(), host));
    EXPECT_TRUE(host.Messages.empty());
    EXPECT_EQ(state.VendorCount, 2);
    EXPECT_EQ(NameOf(state, {0x00, 0xAA, 0x00}), "Intel");
}

TEST(VendorFile, LineRules)
{
    AnalysisState state;
    ReadText(state,
             "/* comment\r\n"
             "  /* indented comment\n"
             "\n"
             "\r\n"
             "00000C Cisco\r\n"
             "00001B Novell Inc. and more\n"  // name cut to six characters
             "00AA00\n"                       // no name
             "0800 2B DEC\n"                  // a blank inside the prefix
             "XYZ123 Bad\n"
             "ABC\n"
             "08002b dec\n");                 // lower-case digits read as well
    EXPECT_EQ(state.VendorCount, 4);
    EXPECT_EQ(NameOf(state, {0x00, 0x00, 0x0C}), "Cisco");
    EXPECT_EQ(NameOf(state, {0x00, 0x00, 0x1B}), "Novell");
    EXPECT_EQ(NameOf(state, {0x00, 0xAA, 0x00}), "");
    EXPECT_EQ(NameOf(state, {0x08, 0x00, 0x2B}), "dec");
    EXPECT_EQ(Lookup(state, {0x00, 0x00, 0x0D}), 0);
}

TEST(VendorFile, StopsAtTheTableCapacity)
{
    std::string text;
    for (int i = 0; i < 2000; ++i) {
        char line[32];
        std::snprintf(line, sizeof line, "%06X V%d\n", i, i);
        text += line;
    }
    AnalysisState state;
    ReadText(state, text);
    ASSERT_EQ(state.VendorCount, kVendorCapacity);
    EXPECT_EQ(NameOf(state, {0x00, 0x07, 0x6B}), "V1899");  // the 1900th entry
    EXPECT_EQ(Lookup(state, {0x00, 0x07, 0x6C}), 0);       // the 1901st is ignored
}

TEST(VendorFile, OutOfOrderFileIsStillSearchable)
{
    AnalysisState state;
    ReadText(state, "080020 Sun\n00000C Cisco\n525400 QEMU\n00AA00 Intel\n");
    EXPECT_EQ(NameOf(state, {0x08, 0x00, 0x20}), "Sun");
    EXPECT_EQ(NameOf(state, {0x00, 0x00, 0x0C}), "Cisco");
    EXPECT_EQ(NameOf(state, {0x52, 0x54, 0x00}), "QEMU");
    EXPECT_EQ(NameOf(state, {0x00, 0xAA, 0x00}), "Intel");
}

TEST(VendorFile, SurvivesArbitraryBytes)
{
    std::mt19937 random(7);
    std::string text;
    for (int i = 0; i < 20000; ++i) text += static_cast<char>(random() % 4 == 0 ? '\n' : random() % 256);
    text += std::string(100000, 'A') + "\n";  // one very long line
    AnalysisState state;
    ReadText(state, text);
    EXPECT_LE(state.VendorCount, kVendorCapacity);
    for (int i = 1; i <= state.VendorCount; ++i) EXPECT_LE(state.VendorTable[static_cast<size_t>(i)].VendorName.size(), 6u);
}

std::filesystem::path BundledTable()
{
    return std::filesystem::path(QUENLIX_SOURCE_DIR) / "data" / "OUI.TXT";
}

TEST(BundledVendorFile, IsWellFormedAndAscending)
{
    std::ifstream file(BundledTable());
    ASSERT_TRUE(file.is_open()) << BundledTable();
    const std::regex entry("[0-9A-F]{6} [!-~]{1,6}");
    std::string line;
    std::string previous;
    int entries = 0;
    while (std::getline(file, line)) {
        if (line.rfind("/*", 0) == 0) continue;
        ASSERT_TRUE(std::regex_match(line, entry)) << "line: " << line;
        const std::string prefix = line.substr(0, 6);
        EXPECT_LT(previous, prefix) << "not ascending at " << line;
        previous = prefix;
        ++entries;
    }
    EXPECT_GT(entries, 1000);
    EXPECT_LE(entries, kVendorCapacity);
}

TEST(BundledVendorFile, LoadsBesideTheProgramAndKnowsTheLanMakers)
{
    // The build copies OUI.TXT beside every executable, this test program included.
    EXPECT_TRUE(std::filesystem::equivalent(ProgramFolder(nullptr), QUENLIX_BIN_DIR));
    AnalysisState state;
    RecordingHost host;
    ASSERT_TRUE(LoadVendorTable(state, ProgramFolder(nullptr), host));
    EXPECT_TRUE(host.Messages.empty());
    EXPECT_GT(state.VendorCount, 1000);
    EXPECT_EQ(NameOf(state, {0x00, 0x00, 0x0C}), "Cisco");
    EXPECT_EQ(NameOf(state, {0x00, 0xAA, 0x00}), "Intel");
    EXPECT_EQ(NameOf(state, {0x02, 0x60, 0x8C}), "3Com");
    EXPECT_EQ(NameOf(state, {0x52, 0x54, 0x00}), "QEMU");

    const std::array<uint8_t, 10> ipx{0, 0, 0, 0x10, 0x00, 0x00, 0x0C, 0x01, 0x02, 0x03};
    EXPECT_EQ(IPXToText(state, ipx.data(), false, true), "10.Cisco010203");
}

}  // namespace
}  // namespace quenlix
