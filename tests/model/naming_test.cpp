// Code names, port names and address texts.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "model/Naming.h"

namespace quenlix {
namespace {

// Numbers that no decoder gives (past the tables, with the high bit set) still
// name something: the tables are indexed by what the state holds.
template <class Code>
constexpr Code Raw(int number)
{
    return static_cast<Code>(number);
}

TEST(NamingCodes, FamilyNamesAndColours)
{
    EXPECT_EQ(FamilyName(kFamilyAppletalk), "Appletalk");
    EXPECT_EQ(FamilyName(kFamilyNetBIOSIP), "NetBIOS-IP");
    EXPECT_EQ(FamilyName(kFamilyOther), "Other");
    EXPECT_EQ(FamilyName(kFamilyIPv6), "IPv6");
    EXPECT_EQ(FamilyName(Raw<ProtocolFamily>(18)), "Other");
    EXPECT_EQ(FamilyName(Raw<ProtocolFamily>(255)), "Other");
    EXPECT_EQ(FamilyColour(kFamilyIP), 0xFF0000u);
    EXPECT_EQ(FamilyColour(kFamilyARP), 0xC0DCC0u);
    EXPECT_EQ(FamilyColour(Raw<ProtocolFamily>(128 + 5)), FamilyColour(kFamilyIPX));  // only the low seven bits count
    EXPECT_EQ(FamilyColour(Raw<ProtocolFamily>(40)), FamilyColour(kFamilyOther));      // past the table: Other's
}

TEST(NamingCodes, EncapsulationNamesAndSets)
{
    EXPECT_EQ(EncapsulationName(kEncapsNovellRaw), "NovRaw");
    EXPECT_EQ(EncapsulationName(Raw<Encapsulation>(5)), "");
    EXPECT_EQ(EncapsulationSetText({}), "");
    EXPECT_EQ(EncapsulationSetText({kEncapsLLC, kEncapsSNAP}), "LLC, SNAP");
    EXPECT_EQ(EncapsulationSetText(EncapsulationSet::FromBits(0x1F)), "Etype, LLC, NovRaw, SNAP, MAC");
    EXPECT_EQ(EncapsulationSetText(EncapsulationSet::FromBits(0xE0)), "");  // bits beyond MAC name nothing
}

TEST(NamingCodes, AppNameUsesTheLowSevenBits)
{
    EXPECT_EQ(AppName(kAppUnknownIPX), "Unknown");
    EXPECT_EQ(AppName(kAppUnknownIP), "Unknown");
    EXPECT_EQ(AppName(kAppOther), "Other");
    EXPECT_EQ(AppName(Raw<ApplicationCode>(128 + 3)), "TCP");
    EXPECT_EQ(AppName(kAppWANBroadcast), "WAN Bdcast");
    EXPECT_EQ(AppName(Raw<ApplicationCode>(255)), "Other");
}

TEST(NamingCodes, PortNames)
{
    EXPECT_EQ(PortName(8080), "Port 8080");
    EXPECT_EQ(PortName(127), "Sun RPC");
    EXPECT_EQ(PortName(111), "Sun RPC");
    EXPECT_EQ(PortName(67), "Bootp");
    EXPECT_EQ(PortName(68), "Bootp");
    EXPECT_EQ(PortName(1525), "Oracle");
    EXPECT_EQ(PortName(0), "Port 0");
    EXPECT_EQ(PortName(65535), "Port 65535");
}

TEST(NamingAddresses, HexAndDottedTexts)
{
    const std::array<uint8_t, 6> mac{0x00, 0xAA, 0x0F, 0xF0, 0x12, 0xFF};
    EXPECT_EQ(MACToHex(mac.data()), "00AA0FF012FF");
    EXPECT_EQ(NetToHex(mac.data()), "00AA0FF0");
    const std::array<uint8_t, 4> ip{10, 0, 7, 255};
    EXPECT_EQ(IPToText(ip.data()), "10.0.7.255");
    EXPECT_EQ(IPToText(ip.data(), true), " 10.  0.  7.255");
}

class IPXText : public ::testing::Test {
protected:
    void AddVendor(std::array<uint8_t, 3> prefix, const std::string& name)
    {
        VendorEntry& entry = state.VendorTable[++state.VendorCount];
        entry.Prefix = prefix;
        entry.VendorName = name;
    }
    AnalysisState state;
    const std::array<uint8_t, 10> address{0, 0, 0, 1, 0x00, 0x00, 0x1B, 0x12, 0x34, 0x56};
};

TEST_F(IPXText, WithoutFlagsDropsTheNetworksLeadingZeros)
{
    EXPECT_EQ(IPXToText(state, address.data(), false, false), "1.00001B123456");
    EXPECT_EQ(IPXToText(state, address.data(), true, false), "00000001.00001B123456");
    const std::array<uint8_t, 10> zeroNetwork{0, 0, 0, 0, 0x02, 0, 0, 0, 0, 1};
    EXPECT_EQ(IPXToText(state, zeroNetwork.data(), false, false), "0.020000000001");
}

TEST_F(IPXText, VendorNameReplacesAKnownPrefix)
{
    AddVendor({0x00, 0x00, 0x0C}, "Cisco");
    AddVendor({0x00, 0x00, 0x1B}, "XYZ");
    AddVendor({0x08, 0x00, 0x20}, "Sun");
    EXPECT_EQ(IPXToText(state, address.data(), false, true), "1.XYZ123456");
    EXPECT_EQ(IPXToText(state, address.data(), true, true), "00000001.XYZ123456");

    const std::array<uint8_t, 10> unknownVendor{0, 0, 0, 2, 0x00, 0x00, 0x1C, 0x12, 0x34, 0x56};
    EXPECT_EQ(IPXToText(state, unknownVendor.data(), false, true), "2.00001C123456");
}

TEST(NamingAddresses, HexToBytes)
{
    EXPECT_EQ(HexToBytes("00AA0F"), (std::vector<uint8_t>{0x00, 0xAA, 0x0F}));
    EXPECT_EQ(HexToBytes("ABC"), (std::vector<uint8_t>{0xAB}));  // odd last digit ignored
    EXPECT_EQ(HexToBytes(""), std::vector<uint8_t>{});
    EXPECT_EQ(HexToBytes("ff"), (std::vector<uint8_t>{0xFF}));
    EXPECT_EQ(HexToBytes("G1"), (std::vector<uint8_t>{0x01}));  // not a digit: 0
}

TEST(NamingRatio, RatioText)
{
    EXPECT_EQ(RatioText(10, 4), "2.5:1");
    EXPECT_EQ(RatioText(4, 8), "1:2");
    EXPECT_EQ(RatioText(0, 7), "0:7");
    EXPECT_EQ(RatioText(0, 0), "0:0");
    EXPECT_EQ(RatioText(10, 0), "10:0");
    EXPECT_EQ(RatioText(5, 5), "1:1");
    EXPECT_EQ(RatioText(7, 3), "2.3:1");
    EXPECT_EQ(RatioText(1, 100), "1:100");
    EXPECT_EQ(RatioText(201, 2), "100.5:1");
}

TEST(NamingAddresses, IPv6TextIsTheCompressedLowerCaseForm)
{
    const std::pair<std::array<uint16_t, 8>, const char*> cases[] = {
        {{0xfd00, 0x99, 1, 0, 0, 0, 0, 0x10}, "fd00:99:1::10"},
        {{0, 0, 0, 0, 0, 0, 0, 1}, "::1"},
        {{0, 0, 0, 0, 0, 0, 0, 0}, "::"},
        {{0xfe80, 0, 0, 0, 0x0cfa, 0x28ff, 0xfe6a, 0x0420}, "fe80::cfa:28ff:fe6a:420"},
        {{0x2001, 0xdb8, 0, 1, 1, 1, 1, 1}, "2001:db8:0:1:1:1:1:1"},        // one zero group stays
        {{0x2001, 0, 0, 1, 0, 0, 0, 1}, "2001:0:0:1::1"},                  // the longer run
        {{0x2001, 0xdb8, 0, 0, 1, 0, 0, 1}, "2001:db8::1:0:0:1"},          // the first of equal runs
        {{0xff02, 0, 0, 0, 0, 0, 0, 0}, "ff02::"},
        {{0, 0, 0, 0, 0, 0xffff, 0xc000, 0x0201}, "::ffff:192.0.2.1"},    // IPv4-mapped
    };
    for (const auto& [groups, text] : cases) {
        std::array<uint8_t, 16> bytes{};
        for (size_t i = 0; i < 8; ++i) {
            bytes[2 * i] = static_cast<uint8_t>(groups[i] >> 8);
            bytes[2 * i + 1] = static_cast<uint8_t>(groups[i]);
        }
        EXPECT_EQ(IPv6ToText(bytes.data()), text);
        if (std::string_view(text).find('.') == std::string_view::npos) {
            EXPECT_EQ(IPv6FromText(text), bytes) << text;
        }
    }
    EXPECT_EQ(IPv6FromText("FD00:0099:0001:0000:0000:0000:0000:0010"), IPv6FromText("fd00:99:1::10"));
    for (const char* bad : {"", ":", ":::", "1::2::3", "1:2:3:4:5:6:7", "1:2:3:4:5:6:7:8:9", "12345::", "fd00:99:1::1x", "1:"})
        EXPECT_FALSE(IPv6FromText(bad).has_value()) << bad;
}

}  // namespace
}  // namespace quenlix
