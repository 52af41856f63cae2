#include "ui/misc/SystemInfoContent.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace quenlix {

namespace {

constexpr double kKilobyte = 1024.0;
constexpr double kMegabyte = 1048576.0;
constexpr double kGigabyte = 1073741824.0;

std::string ReadWholeFile(const char* path)
{
    std::ifstream in(path);
    if (!in) return {};
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string FirstLine(const std::string& text)
{
    return text.substr(0, text.find('\n'));
}

// The value in kB of one "Name:   123 kB" line of a meminfo text; -1 when absent.
double MeminfoKilobytes(const std::string& meminfo, const std::string& name)
{
    std::istringstream lines(meminfo);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind(name + ":", 0) != 0) continue;
        std::istringstream fields(line.substr(name.size() + 1));
        double kilobytes = -1;
        fields >> kilobytes;
        return fields ? kilobytes : -1;
    }
    return -1;
}

double RoundToSignificant(double value, int digits)
{
    if (value == 0 || !std::isfinite(value)) return value;
    const double magnitude = std::floor(std::log10(std::fabs(value)));
    const double scale = std::pow(10.0, digits - 1 - magnitude);
    return std::nearbyint(value * scale) / scale;
}

std::string FixedText(double value, int decimals)
{
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    return error == std::errc() ? std::string(buffer, end) : "0";
}

// The architecture and type codes of the processor this program was built for.
void ProcessorOfBuild(int& architecture, int& type)
{
#if defined(__i386__) || defined(__x86_64__)
    architecture = kArchIntel;
    type = 586;  // every processor of this family since the Pentium reports the Pentium's code
#elif defined(__mips__)
    architecture = kArchMIPS;
    type = 4000;
#elif defined(__alpha__)
    architecture = kArchAlpha;
    type = 21064;
#elif defined(__powerpc__) || defined(__powerpc64__)
    architecture = kArchPowerPC;
    type = 0;
#else
    architecture = -1;
    type = 0;
#endif
}

// One os-release value: a double-quoted value keeps what its backslashes
// escape, a single-quoted one is taken as it stands.
std::string UnquotedOsReleaseValue(const std::string& value)
{
    const bool quoted = value.size() >= 2 && value.front() == value.back() && (value.front() == '"' || value.front() == '\'');
    if (!quoted) return value;
    const std::string inner = value.substr(1, value.size() - 2);
    if (value.front() == '\'') return inner;
    std::string text;
    for (size_t i = 0; i < inner.size(); ++i) {
        if (inner[i] == '\\' && i + 1 < inner.size()) ++i;
        text += inner[i];
    }
    return text;
}

// The value of one "KEY=value" line of an os-release text; empty when absent.
std::string OsReleaseValue(const std::string& osRelease, const std::string& key)
{
    std::istringstream lines(osRelease);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind(key + "=", 0) == 0) return UnquotedOsReleaseValue(line.substr(key.size() + 1));
    }
    return {};
}

}  // namespace

std::string ProcessorArchitectureText(int architecture)
{
    switch (architecture) {
    case kArchIntel: return "Intel";
    case kArchMIPS: return "MIPS";
    case kArchAlpha: return "Alpha";
    case kArchPowerPC: return "PowerPC";
    default: return "Unknown Architecture";
    }
}

std::string ProcessorTypeText(int type)
{
    switch (type) {
    case 386: return "80386";
    case 486: return "80486";
    case 586: return "Pentium";
    case 4000: return "R4000";
    case 21064: return "21064";
    default: return "Unknown Type";
    }
}

std::string PlatformText(int platform)
{
    switch (platform) {
    case kPlatformWin32s: return "Win32s on Windows 3.x";
    case kPlatformWindows95: return "Windows 95";
    case kPlatformWindowsNT: return "Windows NT";
    default: return "Unknown Platform";
    }
}

std::string OSVersionText(const std::string& platformIdentifier, int major, int minor)
{
    return platformIdentifier + "." + std::to_string(major) + "." + std::to_string(minor);
}

std::string ByteQuantityText(double bytes, int decimals)
{
    if (!std::isfinite(bytes)) bytes = 0;
    double value = bytes;
    std::string unit = " B";
    if (bytes > kGigabyte) {
        value = bytes / kGigabyte;
        unit = " GB";
    } else if (bytes > kMegabyte) {
        value = bytes / kMegabyte;
        unit = " MB";
    } else if (bytes > kKilobyte) {
        value = bytes / kKilobyte;
        unit = " KB";
    }
    return FixedText(RoundToSignificant(value, 4), decimals) + unit;
}

std::string MemoryLoadText(int percent)
{
    return std::to_string(percent) + "%";
}

bool ParseRelease(const std::string& release, int& major, int& minor)
{
    const char* first = release.data();
    const char* last = first + release.size();
    const auto majorEnd = std::from_chars(first, last, major);
    if (majorEnd.ec != std::errc() || majorEnd.ptr == last || *majorEnd.ptr != '.') return false;
    const auto minorEnd = std::from_chars(majorEnd.ptr + 1, last, minor);
    return minorEnd.ec == std::errc();
}

int MemoryLoadFromMeminfo(const std::string& meminfo)
{
    const double total = MeminfoKilobytes(meminfo, "MemTotal");
    const double available = MeminfoKilobytes(meminfo, "MemAvailable");
    if (!(total > 0) || available < 0) return -1;
    const double used = std::clamp(total - available, 0.0, total);
    return static_cast<int>(std::nearbyint(used / total * 100.0));
}

double PhysicalMemoryFromMeminfo(const std::string& meminfo)
{
    const double total = MeminfoKilobytes(meminfo, "MemTotal");
    return total > 0 ? total * kKilobyte : 0;
}

std::string PlatformNameFromOsRelease(const std::string& osRelease)
{
    std::string name = OsReleaseValue(osRelease, "PRETTY_NAME");
    return name.empty() ? OsReleaseValue(osRelease, "NAME") : name;
}

HostFacts ReadHostFacts()
{
    HostFacts facts;
    ProcessorOfBuild(facts.Architecture, facts.ProcessorType);
    facts.PlatformIdentifier = FirstLine(ReadWholeFile("/proc/sys/kernel/ostype"));
    const std::string release = FirstLine(ReadWholeFile("/proc/sys/kernel/osrelease"));
    if (facts.PlatformIdentifier.empty() || !ParseRelease(release, facts.MajorVersion, facts.MinorVersion))
        throw std::runtime_error("TOSInfo.Create: Call to GetVersionEx failed.");
    facts.PhysicalMemoryBytes = PhysicalMemoryFromMeminfo(ReadWholeFile("/proc/meminfo"));
    // /etc/os-release, else the copy the system ships in /usr/lib, else the kernel's name.
    facts.PlatformName = PlatformNameFromOsRelease(ReadWholeFile("/etc/os-release"));
    if (facts.PlatformName.empty()) facts.PlatformName = PlatformNameFromOsRelease(ReadWholeFile("/usr/lib/os-release"));
    if (facts.PlatformName.empty()) facts.PlatformName = facts.PlatformIdentifier;
    return facts;
}

int ReadMemoryLoad()
{
    return MemoryLoadFromMeminfo(ReadWholeFile("/proc/meminfo"));
}

SystemInfoTexts BuildSystemInfo(const HostFacts& facts)
{
    SystemInfoTexts texts;
    texts.ProcessorArchitecture = ProcessorArchitectureText(facts.Architecture);
    texts.ProcessorType = ProcessorTypeText(facts.ProcessorType);
    texts.OSPlatform = facts.PlatformName.empty() ? PlatformText(facts.Platform) : facts.PlatformName;
    texts.OSVersion = OSVersionText(facts.PlatformIdentifier, facts.MajorVersion, facts.MinorVersion);
    texts.PhysicalMemory = ByteQuantityText(facts.PhysicalMemoryBytes, 2);
    return texts;
}

}  // namespace quenlix
