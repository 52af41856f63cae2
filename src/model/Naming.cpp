#include "model/Naming.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <utility>

namespace quenlix {

namespace {

struct FamilyEntry {
    const char* Name;
    uint32_t Colour;
};

constexpr std::array<FamilyEntry, kFamilyCount> kFamilies{{
    {"Appletalk", 0x0000FF},
    {"ARP/RARP", 0xC0DCC0},
    {"BPDU", 0x00FFFF},
    {"DECnet", 0x00FF00},
    {"IP", 0xFF0000},
    {"IPX", 0x800080},
    {"ISO", 0x000000},
    {"LAT", 0x000080},
    {"LAVC", 0x008000},
    {"NetBIOS-LLC", 0x008080},
    {"NetBIOS-IP", 0x800000},
    {"NetBIOS-IPX", 0x808000},
    {"SNA", 0x808080},
    {"XNS", 0xC0C0C0},
    {"VINES", 0xFF00FF},
    {"MAC", 0xFFFF00},
    {"Other", 0xFFFFFF},
    {"IPv6", 0x0080FF},
}};

constexpr std::array<const char*, kEncapsulationCount> kEncapsulations{"Etype", "LLC", "NovRaw", "SNAP", "MAC"};

// Application codes 0..23; every other code is "Other".
constexpr std::array<const char*, kAppCount> kApps{
    "ICMP", "IGMP", "GGP", "TCP", "EGP", "UDP", "IGRP", "Unknown", "NCP", "SPX", "SPXII", "NetBIOS",
    "SMB", "RIP", "PBurst", "Echo", "Error", "WAN Bdcast", "SAP", "NetWare Lite", "LIP Echo", "Unknown", "Other", "ICMPv6",
};

struct PortEntry {
    uint16_t Port;
    const char* Name;
};

constexpr std::array<PortEntry, 30> kPorts{{
    {20, "FTP Data"},
    {21, "FTP Control"},
    {23, "Telnet"},
    {25, "SMTP"},
    {53, "DNS"},
    {67, "Bootp"},
    {68, "Bootp"},
    {79, "Finger"},
    {80, "HTTP"},
    {107, "Remote Telnet"},
    {109, "POP2"},
    {110, "POP3"},
    {111, "Sun RPC"},
    {115, "Simple File Transfer"},
    {119, "NNTP"},
    {123, "Network Time Protocol"},
    {127, "Sun RPC"},
    {137, "NetBIOS Name"},
    {138, "NetBIOS Datagram"},
    {139, "NetBIOS Session"},
    {161, "SNMP"},
    {162, "SNMP Trap"},
    {194, "Internet Relay Chat"},
    {213, "IPS"},
    {396, "NetWare"},
    {515, "Print"},
    {532, "Readnews"},
    {666, "Doom"},
    {1525, "Oracle"},
    {0, nullptr},
}};

constexpr char kHexDigits[] = "0123456789ABCDEF";

std::string BytesToHex(const uint8_t* bytes, int count)
{
    std::string text;
    text.reserve(static_cast<size_t>(count) * 2);
    for (int i = 0; i < count; ++i) {
        text += kHexDigits[bytes[i] >> 4];
        text += kHexDigits[bytes[i] & 0x0F];
    }
    return text;
}

// "%2.1f" of a quotient.
std::string OneDecimal(double value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%2.1f", value);
    return buffer;
}

}  // namespace

std::string FamilyName(ProtocolFamily family)
{
    if (CodeIndex(family) >= kFamilies.size()) return kFamilies[CodeIndex(kFamilyOther)].Name;
    return kFamilies[CodeIndex(family)].Name;
}

uint32_t FamilyColour(ProtocolFamily family)
{
    const std::size_t index = CodeIndex(family) & 0x7F;
    if (index >= kFamilies.size()) return kFamilies[CodeIndex(kFamilyOther)].Colour;
    return kFamilies[index].Colour;
}

std::string EncapsulationName(Encapsulation encapsulation)
{
    if (CodeIndex(encapsulation) >= kEncapsulations.size()) return {};
    return kEncapsulations[CodeIndex(encapsulation)];
}

std::string EncapsulationSetText(EncapsulationSet encapsulations)
{
    std::string text;
    for (int bit = 0; bit < kEncapsulationCount; ++bit) {
        if (!encapsulations.Has(static_cast<Encapsulation>(bit))) continue;
        if (!text.empty()) text += ", ";
        text += kEncapsulations[static_cast<size_t>(bit)];
    }
    return text;
}

std::string AppName(ApplicationCode app)
{
    const std::size_t code = CodeIndex(app) & 0x7F;
    if (code >= kApps.size()) return "Other";
    return kApps[code];
}

std::string PortName(uint16_t port)
{
    for (const PortEntry& entry : kPorts) {
        if (entry.Name != nullptr && entry.Port == port) return entry.Name;
    }
    return "Port " + std::to_string(port);
}

std::string MACToHex(const uint8_t* address)
{
    return BytesToHex(address, 6);
}

std::string NetToHex(const uint8_t* network)
{
    return BytesToHex(network, 4);
}

std::string IPToText(const uint8_t* address, bool padded)
{
    std::string text;
    char part[8];
    for (int i = 0; i < 4; ++i) {
        std::snprintf(part, sizeof part, padded ? "%3u" : "%u", static_cast<unsigned>(address[i]));
        if (i > 0) text += '.';
        text += part;
    }
    return text;
}

namespace {

// The longest run of two or more zero groups (the first of equal runs), which
// the text writes as "::"; {8, 0} when there is none.
std::pair<int, int> LongestZeroRun(const std::array<uint16_t, 8>& groups)
{
    std::pair<int, int> best{8, 0};
    for (int i = 0; i < 8;) {
        int j = i;
        while (j < 8 && groups[static_cast<size_t>(j)] == 0) ++j;
        if (j - i > best.second && j - i >= 2) best = {i, j - i};
        i = j > i ? j : i + 1;
    }
    return best;
}

}  // namespace

std::string IPv6ToText(const uint8_t* address)
{
    std::array<uint16_t, 8> groups{};
    for (size_t i = 0; i < 8; ++i) groups[i] = static_cast<uint16_t>(address[2 * i] << 8 | address[2 * i + 1]);
    // An IPv4-mapped address ends in the IPv4 address's dotted text.
    const bool mapped = std::all_of(groups.begin(), groups.begin() + 5, [](uint16_t g) { return g == 0; }) && groups[5] == 0xFFFF;
    const int groupCount = mapped ? 6 : 8;
    std::array<uint16_t, 8> head{};
    std::copy(groups.begin(), groups.begin() + groupCount, head.begin());
    auto [runStart, runLength] = LongestZeroRun(head);
    if (runStart + runLength > groupCount) runLength = groupCount - runStart;
    std::string text;
    char part[8];
    for (int i = 0; i < groupCount; ++i) {
        if (i == runStart) {
            text += "::";
            i += runLength - 1;
            continue;
        }
        if (!text.empty() && text.back() != ':') text += ':';
        std::snprintf(part, sizeof part, "%x", static_cast<unsigned>(groups[static_cast<size_t>(i)]));
        text += part;
    }
    if (mapped) text += ":" + IPToText(address + 12);
    return text;
}

std::optional<std::array<uint8_t, 16>> IPv6FromText(std::string_view text)
{
    std::vector<uint16_t> before, after;
    bool compressed = false;
    std::size_t pos = 0;
    if (text.starts_with("::")) {
        compressed = true;
        pos = 2;
    }
    while (pos < text.size()) {
        std::size_t end = pos;
        uint32_t value = 0;
        while (end < text.size() && end - pos < 5 && HexDigitValue(text[end]) >= 0)
            value = value * 16 + static_cast<uint32_t>(HexDigitValue(text[end++]));
        if (end == pos || end - pos > 4) return std::nullopt;
        (compressed ? after : before).push_back(static_cast<uint16_t>(value));
        if (end == text.size()) break;
        if (text[end] != ':' || end + 1 == text.size()) return std::nullopt;
        pos = end + 1;
        if (text[pos] == ':') {
            if (compressed) return std::nullopt;
            compressed = true;
            ++pos;
        }
    }
    const std::size_t groups = before.size() + after.size();
    if (compressed ? groups > 7 : groups != 8) return std::nullopt;
    std::array<uint8_t, 16> address{};
    auto put = [&address](std::size_t index, uint16_t g) {
        address[2 * index] = static_cast<uint8_t>(g >> 8);
        address[2 * index + 1] = static_cast<uint8_t>(g);
    };
    for (std::size_t i = 0; i < before.size(); ++i) put(i, before[i]);
    for (std::size_t i = 0; i < after.size(); ++i) put(8 - after.size() + i, after[i]);
    return address;
}

std::string IPXToText(const AnalysisState& state, const uint8_t* address, bool keepZeros, bool withVendor)
{
    const uint8_t* node = address + 4;
    const std::string networkText = NetToHex(address);
    const std::string nodeText = MACToHex(node);

    std::string text = networkText + "." + nodeText;
    if (withVendor) {
        const int vendor = FindVendor(state, node);
        if (vendor > 0 && vendor <= state.VendorCount) {
            text = networkText + "." + state.VendorTable[static_cast<size_t>(vendor)].VendorName + nodeText.substr(6);
        }
    }
    if (!keepZeros) {
        // Network 00000001 shows as 1, and network 0 keeps its one 0.
        size_t drop = 0;
        while (drop + 1 < text.size() && text[drop] == '0' && text[drop + 1] != '.') ++drop;
        text.erase(0, drop);
    }
    return text;
}

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::vector<uint8_t> HexToBytes(std::string_view text)
{
    std::vector<uint8_t> bytes;
    bytes.reserve(text.size() / 2);
    for (size_t i = 0; i + 1 < text.size(); i += 2) {
        const int high = std::max(HexDigitValue(text[i]), 0);
        const int low = std::max(HexDigitValue(text[i + 1]), 0);
        bytes.push_back(static_cast<uint8_t>(high * 16 + low));
    }
    return bytes;
}

std::string RatioText(int64_t a, int64_t b)
{
    std::string text;
    if (b < a) {
        text = b != 0 ? OneDecimal(static_cast<double>(a) / b) + ":1" : std::to_string(a) + ":0.0";
    } else {
        text = a != 0 ? "1:" + OneDecimal(static_cast<double>(b) / a) : "0.0:" + std::to_string(b);
    }
    const size_t point = text.find(".0");
    if (point != std::string::npos) text.erase(point, 2);
    return text;
}

}  // namespace quenlix
