#include "model/VendorFile.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "model/Naming.h"
#include "model/ProgramTexts.h"

namespace quenlix {

namespace {

constexpr size_t kPrefixDigits = 6;
constexpr size_t kNameColumn = 7;  // 0-based: column 8
constexpr size_t kNameLength = 6;

bool IsPrefixText(const std::string& text)
{
    return text.size() == kPrefixDigits &&
           std::all_of(text.begin(), text.end(), [](char c) { return HexDigitValue(c) >= 0; });
}

// Reads one line into the table; false when the line holds no entry.
bool AddVendorLine(AnalysisState& state, std::string line)
{
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) return false;
    const std::string prefixText = line.substr(0, kPrefixDigits);
    if (prefixText.find("/*") != std::string::npos) return false;
    if (!IsPrefixText(prefixText)) return false;

    const std::vector<uint8_t> prefix = HexToBytes(prefixText);
    VendorEntry& entry = state.VendorTable[static_cast<size_t>(state.VendorCount) + 1];
    std::copy(prefix.begin(), prefix.end(), entry.Prefix.begin());
    entry.VendorName = line.size() > kNameColumn ? line.substr(kNameColumn, kNameLength) : std::string();
    ++state.VendorCount;
    return true;
}

// The search bisects the table, so a file listed out of order is put in order
// rather than leaving some of its prefixes unfindable.
void SortVendorTable(AnalysisState& state)
{
    const auto first = state.VendorTable.begin() + 1;
    const auto last = first + state.VendorCount;
    const auto byPrefix = [](const VendorEntry& a, const VendorEntry& b) { return a.Prefix < b.Prefix; };
    if (!std::is_sorted(first, last, byPrefix)) std::stable_sort(first, last, byPrefix);
}

}  // namespace

void ReadVendorLines(AnalysisState& state, std::istream& lines)
{
    std::string line;
    while (state.VendorCount < kVendorCapacity && std::getline(lines, line)) AddVendorLine(state, line);
    SortVendorTable(state);
}

bool LoadVendorTable(AnalysisState& state, const std::string& programFolder, ReadHost& host)
{
    state.VendorCount = 0;
    const std::filesystem::path path = std::filesystem::path(programFolder) / kVendorFileName;
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open()) {
        host.ShowMessage(MessageIcon::Warning, kProgramTitle, kVendorFileMissingMessage);
        return false;
    }
    ReadVendorLines(state, file);
    return true;
}

std::string ProgramFolder(const char* argv0)
{
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error && program.has_parent_path()) return program.parent_path().string();
    if (argv0 == nullptr || *argv0 == '\0') return ".";
    const std::filesystem::path parent = std::filesystem::path(argv0).parent_path();
    return parent.empty() ? "." : parent.string();
}

std::string ProgramDataFolder(const std::string& programFolder)
{
    namespace fs = std::filesystem;
    std::error_code error;
    if (fs::is_regular_file(fs::path(programFolder) / kVendorFileName, error)) return programFolder;
    const fs::path installed = fs::path(programFolder) / ".." / "share" / "quenlix";
    if (fs::is_regular_file(installed / kVendorFileName, error)) return installed.lexically_normal().string();
    return programFolder;
}

}  // namespace quenlix
