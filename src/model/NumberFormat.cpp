#include "model/NumberFormat.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <limits>
#include <system_error>
#include <vector>

#include "model/ReadOnlyFile.h"

namespace quenlix {

namespace {

// Inserts "," between groups of three digits of a run of decimal digits.
std::string GroupThousands(const std::string& digits)
{
    std::string grouped;
    grouped.reserve(digits.size() + digits.size() / 3);
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i != 0 && (digits.size() - i) % 3 == 0) grouped += ',';
        grouped += digits[i];
    }
    return grouped;
}

bool AllZeroDigits(const std::string& text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c == '0' || c == '.'; });
}

}  // namespace

std::string FormatCountInteger(int64_t value)
{
    // The magnitude as unsigned, so that the most negative value has one too.
    const uint64_t magnitude =
        value < 0 ? uint64_t{0} - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    const std::string grouped = GroupThousands(std::to_string(magnitude));
    return value < 0 ? "-" + grouped : grouped;
}

std::string FormatCount(double value)
{
    return FormatFixed(value, 0);
}

std::string FormatFixed(double value, int decimals)
{
    decimals = std::clamp(decimals, 0, 9);
    if (!std::isfinite(value)) value = 0;
    if (decimals == 0) value = std::nearbyint(value);

    // printf rounds the exact binary value; a whole number needs no rounding here.
    const int size = std::snprintf(nullptr, 0, "%.*f", decimals, std::fabs(value));
    std::vector<char> buffer(static_cast<size_t>(size) + 1);
    std::snprintf(buffer.data(), buffer.size(), "%.*f", decimals, std::fabs(value));
    const std::string plain(buffer.data());

    const size_t point = plain.find('.');
    const std::string whole = plain.substr(0, point);
    const std::string fraction = point == std::string::npos ? "" : plain.substr(point);
    const std::string text = GroupThousands(whole) + fraction;
    const bool negative = std::signbit(value) && !AllZeroDigits(plain);
    return negative ? "-" + text : text;
}

std::string FormatMilliseconds(double value)
{
    return FormatFixed(value, 2);
}

double RoundToDecimals(double value, int decimals)
{
    if (!std::isfinite(value)) return 0;
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.*f", std::clamp(decimals, 0, 9), value);
    return std::strtod(buffer, nullptr);
}

double RoundToSignificant3(double value)
{
    if (!std::isfinite(value) || value == 0) return 0;
    // Decimal scientific notation with three digits does the rounding on the
    // exact binary value, free of the errors of scaling by powers of ten.
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.2e", value);
    return std::strtod(buffer, nullptr);
}

std::string FormatPercent(double percent)
{
    return FormatFixed(RoundToSignificant3(percent), 2) + "%";
}

std::string PercentOf(double part, double whole)
{
    if (!(whole > 0)) return "0.00%";
    return FormatPercent(part / whole * 100.0);
}

double PercentOfFigure(double part, double whole)
{
    if (!(whole > 0)) return 0;
    return RoundToDecimals(RoundToSignificant3(part / whole * 100.0), 2);
}

std::string FormatDuration(int64_t seconds)
{
    if (seconds < 0) seconds = 0;
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%02lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds % 3600 / 60), static_cast<long long>(seconds % 60));
    return buffer;
}

std::string FormatDateTime(int year, int month, int day, int hour, int minute, int second)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%02d/%02d/%04d %02d:%02d:%02d", day, month, year, hour, minute,
                  second);
    return buffer;
}

namespace {

// The file's last-write time in local time; false when the file cannot be read.
bool FileLocalTime(const std::string& fileName, std::tm& local)
{
    if (fileName.empty()) return false;
    // Only a file that opens counts, as a read of it would; opened safely, as
    // the path may name a pipe by now.
    const ReadOnlyFile probe = OpenRegularFileForReading(fileName);
    if (probe.File == nullptr) return false;
    std::fclose(probe.File);

    std::error_code error;
    const auto written = std::filesystem::last_write_time(fileName, error);
    if (error) return false;
    const auto systemTime = std::chrono::file_clock::to_sys(written);
    const std::time_t seconds = std::chrono::system_clock::to_time_t(
        std::chrono::time_point_cast<std::chrono::system_clock::duration>(systemTime));
    const std::tm* converted = std::localtime(&seconds);
    if (converted == nullptr) return false;
    local = *converted;
    return true;
}

}  // namespace

std::string FileDateText(const std::string& fileName)
{
    std::tm local{};
    if (!FileLocalTime(fileName, local)) return {};
    return FormatDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                          local.tm_sec);
}

std::string FileDateISO8601(const std::string& fileName)
{
    std::tm local{};
    if (!FileLocalTime(fileName, local)) return {};
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return buffer;
}

}  // namespace quenlix
