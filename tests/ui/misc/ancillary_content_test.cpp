// The texts of the ancillary windows and the spin edit's rules.

#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>

#include "ui/controls/SpinEditContent.h"
#include "ui/misc/ErrorReportContent.h"
#include "ui/misc/SystemInfoContent.h"

namespace quenlix {
namespace {

TEST(ErrorReport, LinesNameTheFailureAndEndTheMessageWithAStop)
{
    const ErrorReportTexts texts =
        BuildErrorReport("std::runtime_error", "/opt/quenlix/bin/quenlix", 0x4A3F10, true, "Division by zero");
    EXPECT_EQ(texts.ErrorInfo1, "Exception std::runtime_error in Module quenlix at 004A3F10.");
    EXPECT_EQ(texts.ErrorInfo2, "Division by zero.");
    EXPECT_EQ(BuildErrorReport("E", "p", 0, true, "Ends here.").ErrorInfo2, "Ends here.");
    EXPECT_EQ(BuildErrorReport("E", "p", 0, true, "").ErrorInfo2, "");
    EXPECT_EQ(BuildErrorReport("int", "p", 0, false, "ignored").ErrorInfo2, "");
}

TEST(ErrorReport, ModuleNameIsCutTo63Characters)
{
    const std::string longName(80, 'q');
    const ErrorReportTexts texts = BuildErrorReport("E", "C:\\bin\\" + longName, 1, true, "m");
    EXPECT_EQ(texts.ErrorInfo1, "Exception E in Module " + std::string(63, 'q') + " at 00000001.");
}

TEST(SystemInfo, ByteQuantitiesUseTheLargestUnitBelowTheValue)
{
    EXPECT_EQ(ByteQuantityText(512, 0), "512 B");
    EXPECT_EQ(ByteQuantityText(1024, 0), "1024 B");
    EXPECT_EQ(ByteQuantityText(1025, 2), "1.00 KB");
    EXPECT_EQ(ByteQuantityText(1048576, 2), "1024.00 KB");
    EXPECT_EQ(ByteQuantityText(1572864, 2), "1.50 MB");
    EXPECT_EQ(ByteQuantityText(25769803776.0, 2), "24.00 GB");
    // Four significant digits, then the caller's decimals.
    EXPECT_EQ(ByteQuantityText(16.0 * 1073741824 + 123456789, 2), "16.11 GB");
    EXPECT_EQ(ByteQuantityText(123.456 * 1048576, 2), "123.50 MB");
}

TEST(SystemInfo, NamesOfTheHostCodes)
{
    EXPECT_EQ(ProcessorArchitectureText(kArchIntel), "Intel");
    EXPECT_EQ(ProcessorArchitectureText(9), "Unknown Architecture");
    EXPECT_EQ(ProcessorTypeText(586), "Pentium");
    EXPECT_EQ(ProcessorTypeText(21064), "21064");
    EXPECT_EQ(ProcessorTypeText(8664), "Unknown Type");
    EXPECT_EQ(PlatformText(kPlatformWindowsNT), "Windows NT");
    EXPECT_EQ(PlatformText(-1), "Unknown Platform");
    EXPECT_EQ(OSVersionText("Linux", 6, 1), "Linux.6.1");
}

TEST(SystemInfo, KernelReleaseAndMemoryTexts)
{
    int major = 0;
    int minor = 0;
    EXPECT_TRUE(ParseRelease("6.1.0-18-amd64", major, minor));
    EXPECT_EQ(major, 6);
    EXPECT_EQ(minor, 1);
    EXPECT_FALSE(ParseRelease("", major, minor));
    EXPECT_FALSE(ParseRelease("six", major, minor));
    EXPECT_FALSE(ParseRelease("6", major, minor));

    const std::string meminfo = "MemTotal:       16000000 kB\nMemFree:  100 kB\nMemAvailable:    4000000 kB\n";
    EXPECT_EQ(MemoryLoadFromMeminfo(meminfo), 75);
    EXPECT_DOUBLE_EQ(PhysicalMemoryFromMeminfo(meminfo), 16000000.0 * 1024);
    EXPECT_EQ(MemoryLoadFromMeminfo("MemTotal: 0 kB\nMemAvailable: 0 kB\n"), -1);
    EXPECT_EQ(MemoryLoadFromMeminfo("garbage"), -1);
    EXPECT_EQ(MemoryLoadText(37), "37%");
}

TEST(SystemInfo, PlatformNameComesFromTheOsReleaseText)
{
    const struct {
        const char* OsRelease;
        const char* Name;
    } cases[] = {
        {"NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n", "Debian GNU/Linux 12 (bookworm)"},
        {"ID=arch\nNAME=Arch\n", "Arch"},
        {"PRETTY_NAME='Single $quoted'\n", "Single $quoted"},
        {"PRETTY_NAME=\"A \\\"quoted\\\" name\"\n", "A \"quoted\" name"},
        {"PRETTY_NAME=\"\"\nNAME=Fallback\n", "Fallback"},
        {"MY_PRETTY_NAME=x\nID=none\n", ""},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(PlatformNameFromOsRelease(c.OsRelease), c.Name) << c.OsRelease;
}

TEST(SystemInfo, PlatformShowsTheSystemsNameWhenKnown)
{
    HostFacts facts;
    EXPECT_EQ(BuildSystemInfo(facts).OSPlatform, "Unknown Platform");
    facts.PlatformName = "Debian GNU/Linux 12 (bookworm)";
    EXPECT_EQ(BuildSystemInfo(facts).OSPlatform, "Debian GNU/Linux 12 (bookworm)");
}

TEST(SystemInfo, ThisHostGivesItsFacts)
{
    const HostFacts facts = ReadHostFacts();
    EXPECT_FALSE(facts.PlatformIdentifier.empty());
    EXPECT_FALSE(facts.PlatformName.empty());
    EXPECT_GT(facts.PhysicalMemoryBytes, 0);
    const int load = ReadMemoryLoad();
    EXPECT_GE(load, 0);
    EXPECT_LE(load, 100);
}

TEST(SpinEdit, ParsingDropsLaterMinusSignsAndReadsNonNumbersAsZero)
{
    SpinEditValue edit;
    EXPECT_EQ(edit.Parse("12-3"), 123);
    EXPECT_EQ(edit.Parse("-5"), -5);
    EXPECT_EQ(edit.Parse("-5-"), -5);
    EXPECT_EQ(edit.Parse("abc"), 0);
    EXPECT_EQ(edit.Parse("99999999999999999999999"), 0);
    edit.SetValue(42);
    EXPECT_EQ(edit.Parse(""), 42);
}

TEST(SpinEdit, EqualBoundsAcceptAnyValueOtherwiseClamped)
{
    SpinEditValue edit;
    EXPECT_TRUE(edit.SetValue(-70000));
    EXPECT_EQ(edit.Value(), -70000);
    EXPECT_TRUE(edit.SetValue(int64_t{1} << 40));
    EXPECT_EQ(edit.Value(), std::numeric_limits<int32_t>::max());
    edit.MinValue = 1;
    edit.MaxValue = 100;
    edit.SetValue(500);
    EXPECT_EQ(edit.Value(), 100);
    EXPECT_FALSE(edit.StepUp());
    EXPECT_TRUE(edit.FastDown());
    EXPECT_EQ(edit.Value(), 90);
    edit.SetValue(-3);
    EXPECT_EQ(edit.Value(), 1);
    // Bounds given the wrong way round still bound the value.
    edit.MinValue = 50;
    edit.MaxValue = 10;
    edit.SetValue(0);
    EXPECT_EQ(edit.Value(), 10);
}

TEST(SpinEdit, TypedCharacters)
{
    EXPECT_TRUE(SpinEditAcceptsCharacter('7', true));
    EXPECT_TRUE(SpinEditAcceptsCharacter('-', true));
    EXPECT_TRUE(SpinEditAcceptsCharacter(8, true));
    EXPECT_FALSE(SpinEditAcceptsCharacter('a', true));
    EXPECT_FALSE(SpinEditAcceptsCharacter('.', true));
    EXPECT_FALSE(SpinEditAcceptsCharacter('7', false));
    EXPECT_FALSE(SpinEditAcceptsCharacter(8, false));
    EXPECT_TRUE(SpinEditAcceptsCharacter(13, false));
}

}  // namespace
}  // namespace quenlix
