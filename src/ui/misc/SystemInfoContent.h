#pragma once
// The "System Information" window's texts: processor, operating system, screen
// and memory, from the facts the host gives. Reading the host lives here too, so
// that the window only displays.

#include <cstdint>
#include <string>

namespace quenlix {

// The processor and operating-system codes the window names.
enum ProcessorArchitectureCode : int { kArchIntel = 0, kArchMIPS = 1, kArchAlpha = 2, kArchPowerPC = 3 };
enum PlatformCode : int { kPlatformWin32s = 0, kPlatformWindows95 = 1, kPlatformWindowsNT = 2 };

std::string ProcessorArchitectureText(int architecture);  // "Intel" ... "Unknown Architecture"
std::string ProcessorTypeText(int type);                  // 386 -> "80386" ... "Unknown Type"
std::string PlatformText(int platform);                   // "Windows 95" ... "Unknown Platform"

// The version text: the platform identifier, ".", then "major.minor".
std::string OSVersionText(const std::string& platformIdentifier, int major, int minor);

// A byte quantity: above 1 GiB in " GB", above 1 MiB in " MB", above 1 KiB in
// " KB", else in " B"; the value is rounded to four significant digits and shown
// with the given number of decimals.
std::string ByteQuantityText(double bytes, int decimals);

// A memory load percentage: "37%".
std::string MemoryLoadText(int percent);

// What the host says about itself.
struct HostFacts {
    int Architecture = -1;
    int ProcessorType = 0;
    int Platform = -1;
    // The name the system gives itself ("Debian GNU/Linux 12 (bookworm)"); when
    // present, the window shows it instead of the platform code's name.
    std::string PlatformName;
    std::string PlatformIdentifier;
    int MajorVersion = 0;
    int MinorVersion = 0;
    double PhysicalMemoryBytes = 0;
};

// The processor part: architecture and type of the running program's processor.
// The operating-system part: the system's name, the kernel's name and release. Throws
// std::runtime_error with the window's failure texts when the host cannot say.
HostFacts ReadHostFacts();

// The share of physical memory in use, 0..100; -1 when the host cannot say.
int ReadMemoryLoad();

// Parses the kernel's "major.minor..." release text; false when it has no such start.
bool ParseRelease(const std::string& release, int& major, int& minor);

// The memory load from the text of a meminfo file (MemTotal and MemAvailable, in kB).
int MemoryLoadFromMeminfo(const std::string& meminfo);
// MemTotal in bytes from the same text; 0 when absent.
double PhysicalMemoryFromMeminfo(const std::string& meminfo);

// The system's name from the text of an os-release file: PRETTY_NAME, else NAME,
// with the shell quoting of the value undone; empty when neither is there.
std::string PlatformNameFromOsRelease(const std::string& osRelease);

struct SystemInfoTexts {
    std::string ProcessorArchitecture;
    std::string ProcessorType;
    std::string OSPlatform;
    std::string OSVersion;
    std::string PhysicalMemory;
};
SystemInfoTexts BuildSystemInfo(const HostFacts& facts);

}  // namespace quenlix
