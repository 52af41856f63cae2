// Capture Start and Capture End of the File Summary: every reader that stores a
// start date places its first and last frames in time on its own clock, formats
// without a date show nothing, odd times are shown as read, and local times can
// be read as UTC.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "AdvisorWriter.h"
#include "DA30Writer.h"
#include "DataGLANceWriter.h"
#include "EtherPeekWriter.h"
#include "LANalyzerWriter.h"
#include "LANdecoderWriter.h"
#include "NetMonWriter.h"
#include "NetSightWriter.h"
#include "PcapWriter.h"
#include "SnifferWriter.h"
#include "format_support.h"
#include "ui/main/FileSummaryContent.h"

namespace quenlix::testing {
namespace {

namespace fs = std::filesystem;

// 1 January 2025, 12:00:00, in seconds since 1970.
constexpr int32_t kNoon2025 = 1'735'732'800;

std::vector<uint8_t> Bytes(uint32_t seed) { return UnicastBytes(60, seed); }

struct CaptureCase {
    const char* Name;
    TraceFormatCode Format;
    std::function<void(const std::string& path)> Write;
    const char* Start;  // "" when the format stores no start date
    const char* End;
};

void Save(const TraceImage& image, const std::string& path) { image.Save(path); }

const std::vector<CaptureCase>& Cases()
{
    static const std::vector<CaptureCase> cases = {
        {"Sniffer: microsecond counts from the version record's 12:00:00", kFormatSniffer,
         [](const std::string& path) {
             SnifferWriter writer(path, SnifferFileOptions{});
             writer.AddFrame({1'234'567, Bytes(1)});
             writer.AddFrame({61'000'000, Bytes(2)});
         },
         "01/01/2025 12:00:01.234", "01/01/2025 12:01:01.000"},
        {"Network Monitor: milliseconds from a start with its own milliseconds", kFormatNetworkMonitor,
         [](const std::string& path) { Save(BuildNetMonTrace({}, {{0, Bytes(1), -1}, {2500, Bytes(2), -1}}), path); },
         "30/06/2025 23:59:58.500", "01/07/2025 00:00:01.000"},
        {"LANalyzer: half microseconds from the start record", kFormatLANalyzer,
         [](const std::string& path) { Save(BuildLANalyzerTrace({}, {{0, Bytes(1)}, {3'000'000, Bytes(2)}}), path); },
         "29/02/2024 13:45:30.000", "29/02/2024 13:45:31.500"},
        {"LANdecoder: PC timer ticks from the capture header's start", kFormatLANdecoder,
         [](const std::string& path) {
             LANdecoderFrame first{0, 0, 0xFFFF, Bytes(1)};
             LANdecoderFrame later{0, 20, 0xFFFF, Bytes(2)};  // 20 ticks: 1.098 s
             Save(BuildLANdecoderTrace({}, {first, later}), path);
         },
         "14/03/2025 15:09:26.000", "14/03/2025 15:09:27.098"},
        {"EtherPeek: microseconds since 1904", kFormatEtherPeek,
         [](const std::string& path) {
             const uint64_t start = (kNoon2025 + kSeconds1904To1970) * 1'000'000ull + 250'000;
             Save(BuildEtherPeekTrace({}, {{start, Bytes(1)}, {start + 2'500'000, Bytes(2)}}), path);
         },
         "01/01/2025 12:00:00.250", "01/01/2025 12:00:02.750"},
        {"DataGLANce: 32 ms steps from the header's start", kFormatDataGLANce,
         [](const std::string& path) {
             DataGLANceFrame first{Bytes(1)};
             DataGLANceFrame later{Bytes(2)};
             later.T8 = 50;  // 50 steps: 1.6 s
             Save(BuildDataGLANceTrace({3, false, kNoon2025 + 25200}, {first, later}), path);
         },
         "01/01/2025 12:00:00.000", "01/01/2025 12:00:01.600"},
        {"NetSight: BIOS ticks from the header's start", kFormatNetSight,
         [](const std::string& path) {
             NetSightOptions options;
             options.StartField = kNoon2025 + 14400;
             Save(BuildNetSightTrace(options, {{Bytes(1), 0}, {Bytes(2), 20u << 11}}), path);
         },
         "01/01/2025 12:00:00.000", "01/01/2025 12:00:01.098"},
        {"Internetwork Advisor: each frame's own seconds and nanoseconds", kFormatInternetworkAdvisor,
         [](const std::string& path) {
             AdvisorFrame first{Bytes(1)};
             first.Seconds = kNoon2025 + 1;
             first.Nanoseconds = 250'000'000;
             AdvisorFrame later{Bytes(2)};
             later.Seconds = kNoon2025 + 3600;
             Save(BuildAdvisorTrace({kNoon2025, 1}, {first, later}), path);
         },
         "01/01/2025 12:00:01.250", "01/01/2025 13:00:00.000"},
        {"libpcap: microseconds since 1970 on UTC", kFormatPcap,
         [](const std::string& path) {
             const uint64_t start = kNoon2025 * 1'000'000ull + 123'456;
             Save(BuildPcapTrace({}, {{Bytes(1), start}, {Bytes(2), start + 2'500'000}}), path);
         },
         "01/01/2025 12:00:00.123 UTC", "01/01/2025 12:00:02.623 UTC"},
        {"DA-30: a time of day without a date", kFormatDA30,
         [](const std::string& path) { Save(BuildDA30Trace({}, {{0, 0, Bytes(1)}, {1000, 0, Bytes(2)}}), path); }, "", ""},
    };
    return cases;
}

class CaptureTimes : public FormatReading {
protected:
    FileAttributesContent Attributes(const CaptureCase& c, bool localAsUtc = false)
    {
        c.Write(path);
        CaptureOptions options;
        options.Format = c.Format;
        const CapturedRead read = CaptureFrames(path, options, host);
        read.State->Options.LocalCaptureTimesAsUtc = localAsUtc ? 1 : 0;
        EXPECT_EQ(read.State->TotalFrames, 2) << c.Name;
        return BuildFileAttributes(*read.State);
    }

    const CaptureCase& Case(TraceFormatCode format)
    {
        for (const CaptureCase& c : Cases())
            if (c.Format == format) return c;
        throw std::logic_error("no case for the format");
    }
};

TEST_F(CaptureTimes, EachReaderPlacesItsFirstAndLastFrame)
{
    for (const CaptureCase& c : Cases()) {
        const FileAttributesContent box = Attributes(c);
        EXPECT_EQ(box.CaptureStart.Text, c.Start) << c.Name;
        EXPECT_EQ(box.CaptureEnd.Text, c.End) << c.Name;
        EXPECT_EQ(box.CaptureStartISO8601.empty(), std::string(c.Start).empty()) << c.Name;
    }
}

TEST_F(CaptureTimes, IsoFormEndsInZOnUtcOnly)
{
    const FileAttributesContent local = Attributes(Case(kFormatNetworkMonitor));
    EXPECT_EQ(local.CaptureStartISO8601, "2025-06-30T23:59:58.500");
    EXPECT_EQ(local.CaptureEndISO8601, "2025-07-01T00:00:01.000");
    const FileAttributesContent utc = Attributes(Case(kFormatPcap));
    EXPECT_EQ(utc.CaptureStartISO8601, "2025-01-01T12:00:00.123Z");
}

TEST_F(CaptureTimes, LocalTimesReadAsUtcKeepTheirDigits)
{
    const FileAttributesContent box = Attributes(Case(kFormatNetworkMonitor), true);
    EXPECT_EQ(box.CaptureStart.Text, "30/06/2025 23:59:58.500 UTC");
    EXPECT_EQ(box.CaptureEndISO8601, "2025-07-01T00:00:01.000Z");
    // A trace kept on UTC is the same either way.
    EXPECT_EQ(Attributes(Case(kFormatPcap), true).CaptureStart.Text, "01/01/2025 12:00:00.123 UTC");
}

TEST_F(CaptureTimes, TimesGoingBackOrJumpingYearsAreShownAsRead)
{
    const uint64_t start = kNoon2025 * 1'000'000ull;
    const uint64_t tenYears = 3652ull * 86400 * 1'000'000;  // two leap days in 2025..2034
    Save(BuildPcapTrace({}, {{Bytes(1), start}, {Bytes(2), start + tenYears}, {Bytes(3), start - 5'000'000}}), path);
    CaptureOptions options;
    options.Format = kFormatPcap;
    FileAttributesContent box = BuildFileAttributes(*CaptureFrames(path, options, host).State);
    EXPECT_EQ(box.CaptureStart.Text, "01/01/2025 12:00:00.000 UTC");
    EXPECT_EQ(box.CaptureEnd.Text, "01/01/2025 11:59:55.000 UTC");
    EXPECT_EQ(box.CaptureDuration.Text, "-00:00:05.000");
    EXPECT_EQ(box.CaptureDurationSeconds, -5.0);

    Save(BuildPcapTrace({}, {{Bytes(1), start}, {Bytes(2), start + tenYears}}), path);
    box = BuildFileAttributes(*CaptureFrames(path, options, host).State);
    EXPECT_EQ(box.CaptureEnd.Text, "01/01/2035 12:00:00.000 UTC");
    EXPECT_EQ(box.CaptureDuration.Text, "3,652 days 00:00:00.000");
}

TEST(CaptureDuration, SpansToTheMillisecond)
{
    const std::vector<std::pair<int64_t, std::string>> cases{
        {0, "00:00:00.000"},
        {2'500'999, "00:00:02.500"},
        {392'538'124, "00:06:32.538"},
        {86'400'000'000, "1 day 00:00:00.000"},
        {-1'000, "-00:00:00.001"},
        {INT64_MIN + 1, "-106,751,991 days 04:00:54.775"},
    };
    for (const auto& [microseconds, text] : cases) EXPECT_EQ(CaptureDurationText(microseconds), text) << microseconds;
}

TEST_F(CaptureTimes, MomentsBefore1970KeepTheirTimeOfDay)
{
    const CaptureMoment moment{-1'500, false};  // 1.5 ms before 1970
    EXPECT_EQ(CaptureMomentText(moment), "31/12/1969 23:59:59.998");
    EXPECT_EQ(CaptureMomentISO8601({-86'400'000'000LL * 365, true}), "1969-01-01T00:00:00.000Z");
}

FileAttributesContent RealCaptureAttributes(const std::string& name, TraceFormatCode format)
{
    const fs::path capture = fs::path(QUENLIX_SOURCE_DIR) / ".." / "shared" / "captures" / name;
    if (!fs::exists(capture)) return {};
    RecordingHost host;
    CaptureOptions options;
    options.Format = format;
    return BuildFileAttributes(*CaptureFrames(capture.string(), options, host).State);
}

TEST(CaptureTimesOfRealCaptures, PcapGivesItsFirstAndLastRecordTimes)
{
    const FileAttributesContent box = RealCaptureAttributes("office-a.pcap", kFormatPcap);
    if (box.CaptureStart.Text.empty()) GTEST_SKIP() << "the real captures (../shared/captures) are not here";
    // The first record stamps 1796692585 s 843431 us, the last 1796692592 s 381555 us.
    EXPECT_EQ(box.CaptureStart.Text, "08/12/2026 01:16:25.843 UTC");
    EXPECT_EQ(box.CaptureEnd.Text, "08/12/2026 01:16:32.381 UTC");
}

// The same frames converted by another tool keep the start at their format's resolution.
TEST(CaptureTimesOfRealCaptures, ConversionsStartWhenThePcapDoes)
{
    const FileAttributesContent netmon = RealCaptureAttributes("office-a.cap", kFormatNetworkMonitor);
    if (netmon.CaptureStart.Text.empty()) GTEST_SKIP() << "the real captures (../shared/captures) are not here";
    EXPECT_EQ(netmon.CaptureStart.Text, "08/12/2026 01:16:25.843");
    EXPECT_EQ(RealCaptureAttributes("office-a.tr1", kFormatLANalyzer).CaptureStart.Text, "08/12/2026 01:16:25.000");
}

}  // namespace
}  // namespace quenlix::testing
