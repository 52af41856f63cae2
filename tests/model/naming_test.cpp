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
    EXPECT_EQ(FamilyName(Raw<ProtocolFamily>(17)), "Other");
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

}  // namespace
}  // namespace quenlix
