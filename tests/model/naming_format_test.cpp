// Count, percentage, duration and date texts.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <limits>

#include "model/NumberFormat.h"

namespace quenlix {
namespace {

TEST(FormatCountText, ThousandsSeparators)
{
    EXPECT_EQ(FormatCount(0), "0");
    EXPECT_EQ(FormatCount(999), "999");
    EXPECT_EQ(FormatCount(1000), "1,000");
    EXPECT_EQ(FormatCount(1234567), "1,234,567");
    EXPECT_EQ(FormatCount(std::numeric_limits<int32_t>::max()), "2,147,483,647");
    EXPECT_EQ(FormatCount(uint16_t{65535}), "65,535");
}

TEST(FormatCountText, NegativeAndExtremeValues)
{
    EXPECT_EQ(FormatCount(-999), "-999");
    EXPECT_EQ(FormatCount(-1234), "-1,234");
    EXPECT_EQ(FormatCount(-100000), "-100,000");
    EXPECT_EQ(FormatCount(std::numeric_limits<int64_t>::min()), "-9,223,372,036,854,775,808");
}

TEST(FormatCountText, RealsRoundToNearestEven)
{
    EXPECT_EQ(FormatCount(2.5), "2");
    EXPECT_EQ(FormatCount(3.5), "4");
    EXPECT_EQ(FormatCount(-0.4), "0");
    EXPECT_EQ(FormatCount(5.0e9), "5,000,000,000");  // byte totals pass 32 bits
    EXPECT_EQ(FormatCount(std::nan("")), "0");
    EXPECT_EQ(FormatCount(std::numeric_limits<double>::infinity()), "0");
}

TEST(FormatFixedText, TwoDecimals)
{
    EXPECT_EQ(FormatMilliseconds(1234.567), "1,234.57");
    EXPECT_EQ(FormatMilliseconds(0), "0.00");
    EXPECT_EQ(FormatMilliseconds(-0.001), "0.00");
    EXPECT_EQ(FormatMilliseconds(-1234.5), "-1,234.50");
    EXPECT_EQ(FormatMilliseconds(999999.999), "1,000,000.00");
}

TEST(FormatPercentText, RoundsToThreeSignificantDigitsFirst)
{
    EXPECT_EQ(FormatPercent(45.678), "45.70%");
    EXPECT_EQ(FormatPercent(100), "100.00%");
    EXPECT_EQ(FormatPercent(0.04321), "0.04%");
    EXPECT_EQ(FormatPercent(100.0 / 3), "33.30%");
    EXPECT_EQ(FormatPercent(0), "0.00%");
    EXPECT_EQ(FormatPercent(1234.5), "1,230.00%");
}

TEST(FormatPercentText, RoundingBoundaries)
{
    EXPECT_EQ(FormatPercent(99.95), "100.00%");
    EXPECT_EQ(FormatPercent(99.94), "99.90%");
    EXPECT_EQ(FormatPercent(12.25), "12.20%");  // an exact tie goes to the even digit
    EXPECT_EQ(FormatPercent(12.75), "12.80%");
    EXPECT_EQ(FormatPercent(9.996), "10.00%");
    EXPECT_EQ(PercentOf(1, 10000), "0.01%");
    EXPECT_EQ(PercentOf(5, 0), "0.00%");
    EXPECT_EQ(PercentOf(5, -1), "0.00%");
    EXPECT_EQ(FormatPercent(std::nan("")), "0.00%");
}

TEST(FormatDurationText, HoursMinutesSeconds)
{
    EXPECT_EQ(FormatDuration(3725), "01:02:05");
    EXPECT_EQ(FormatDuration(0), "00:00:00");
    EXPECT_EQ(FormatDuration(59), "00:00:59");
    EXPECT_EQ(FormatDuration(2 * 86400), "48:00:00");  // hours do not wrap at a day
    EXPECT_EQ(FormatDuration(360000), "100:00:00");
    EXPECT_EQ(FormatDuration(-5), "00:00:00");
}

// Sets a file's modification time to a local date and time.
void SetLocalModificationTime(const std::filesystem::path& path, int year, int month, int day, int hour, int minute,
                              int second)
{
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    const auto when = std::chrono::system_clock::from_time_t(std::mktime(&local));
    std::filesystem::last_write_time(path, std::chrono::file_clock::from_sys(when));
}

TEST(FileDate, LastModifiedLocalTime)
{
    const std::filesystem::path path = std::filesystem::path(::testing::TempDir()) / "naming_file_date.bin";
    std::ofstream(path) << "x";
    SetLocalModificationTime(path, 2024, 3, 5, 7, 8, 9);
    EXPECT_EQ(FileDateText(path.string()), "05/03/2024 07:08:09");
    EXPECT_EQ(FileDateISO8601(path.string()), "2024-03-05T07:08:09");
    SetLocalModificationTime(path, 1999, 12, 31, 0, 0, 0);
    EXPECT_EQ(FileDateText(path.string()), "31/12/1999 00:00:00");
    EXPECT_EQ(FileDateISO8601(path.string()), "1999-12-31T00:00:00");
    std::filesystem::remove(path);
    EXPECT_EQ(FileDateText(path.string()), "");
    EXPECT_EQ(FileDateISO8601(path.string()), "");
    EXPECT_EQ(FileDateText(""), "");
}

}  // namespace
}  // namespace quenlix
