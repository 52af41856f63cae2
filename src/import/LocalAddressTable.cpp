#include "import/LocalAddressTable.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>

#include "model/SettingsStore.h"

namespace quenlix {

namespace {

constexpr const char* kHeaderMarker = "LocalAddressTable\\";
constexpr std::size_t kRecordBytes = 80;
constexpr std::size_t kMacOffset = 4;
constexpr std::size_t kMacBytes = 6;
constexpr std::size_t kNameOffset = 10;
constexpr std::size_t kNameBytes = 18;
constexpr std::size_t kIpOffset = 28;
constexpr std::size_t kIpBytes = 4;

std::string CurrentTableName(const AnalysisState& state)
{
    if (state.MachineSettings == nullptr) return {};
    return state.MachineSettings->ReadString(kObserverSettingsKey, kCurrentAddressTableValue).value_or("");
}

// Text up to its first zero byte.
std::string UpToZero(const std::string& text) { return text.substr(0, text.find('\0')); }

void AddRecordNames(AnalysisState& state, const std::array<uint8_t, kRecordBytes>& record)
{
    const auto* nameField = record.data() + kNameOffset;
    const std::string name(nameField, std::find(nameField, nameField + kNameBytes, uint8_t{0}));
    if (name.empty()) return;
    AddName(state, NetString(record.data() + kMacOffset, kMacBytes), name);
    const uint8_t* ip = record.data() + kIpOffset;
    if (ip[0] != 0 || ip[1] != 0 || ip[2] != 0 || ip[3] != 0) AddName(state, NetString(ip, kIpBytes), name);
}

}  // namespace

void FindAddressTable(AnalysisState& state, const std::string& headerText)
{
    state.AddressTableName = UpToZero(CurrentTableName(state));
    if (state.AddressTableName.empty()) state.AddressTableName = kDefaultAddressTableName;
    // A trace made with a table of its own names it in its header.
    const std::size_t marker = headerText.find(kHeaderMarker);
    if (marker != std::string::npos) state.AddressTableName = UpToZero(headerText.substr(marker + std::strlen(kHeaderMarker)));
}

std::string AddressTablePath(const AnalysisState& state)
{
    const std::string& folder = state.AddressTableFolder;
    const bool separated = folder.empty() || folder.back() == '\\' || folder.back() == '/';
    return separated ? folder + state.AddressTableName : folder + '/' + state.AddressTableName;
}

void LoadAddressTable(AnalysisState& state)
{
    std::ifstream table(AddressTablePath(state), std::ios::binary);
    if (!table) return;  // no table: the trace is read without names
    std::array<uint8_t, kRecordBytes> record{};
    while (table.read(reinterpret_cast<char*>(record.data()), kRecordBytes)) AddRecordNames(state, record);
}

}  // namespace quenlix
