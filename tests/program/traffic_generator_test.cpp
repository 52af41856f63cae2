// The benchmark's traffic generator with its IPv6 profile: the IP conversations
// travel over IPv6 between the hosts' IPv6 addresses, with right checksums, AAAA
// answers and segments that fit an Ethernet frame. (The IPv4 profile is held to
// the bundled sample byte for byte by the report tests.)

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>

#include "TrafficGenerator.h"

namespace quenlix::testing {
namespace {

using traffic::GeneratedFrame;
using traffic::Host;

constexpr size_t kIpv6Header = 14 + 40;  // where the upper layer starts in an untagged frame

uint16_t Word(const Bytes& frame, size_t at) { return static_cast<uint16_t>(frame[at] << 8 | frame[at + 1]); }
uint16_t EtherType(const Bytes& frame) { return Word(frame, 12); }
uint8_t NextHeader(const Bytes& frame) { return frame[20]; }
Ip6 Ip6At(const Bytes& frame, size_t at)
{
    Ip6 address{};
    std::copy_n(frame.begin() + static_cast<long>(at), 16, address.begin());
    return address;
}

// The upper layer's checksum over IPv6's pseudo-header: zero when it is right.
uint16_t PseudoHeaderChecksum(const Bytes& frame)
{
    const uint16_t length = Word(frame, 18);
    uint32_t sum = NextHeader(frame) + length;
    for (size_t at = 22; at < kIpv6Header; at += 2) sum += Word(frame, at);
    return InternetChecksum(frame.data() + kIpv6Header, length, sum);
}

class Ipv6Traffic : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        traffic::TrafficProfile profile;
        profile.Seed = 7;
        profile.IpServers = 2;
        profile.IpClients = 5;
        profile.IpxClients = 2;
        profile.LlcOnlyStations = 1;
        profile.ConversationsPerSecond = 4.0;
        profile.DurationMicros = 90'000'000;
        profile.MaxResponseBytes = 6'000;
        profile.Ipv6 = true;
        traffic::TrafficGenerator generator(profile);
        for (GeneratedFrame frame; generator.Next(frame);) frames_.push_back(frame);
        hosts_ = generator.Hosts();
    }

    // The good IPv6 frames, counted by upper-layer protocol.
    static std::map<uint8_t, int> Ipv6Protocols()
    {
        std::map<uint8_t, int> counts;
        for (const GeneratedFrame& f : frames_)
            if (EtherType(f.Bytes) == 0x86DD) ++counts[NextHeader(f.Bytes)];
        return counts;
    }
    static const Host* HostWithIp6(const Ip6& address)
    {
        const auto at = std::find_if(hosts_.begin(), hosts_.end(),
                                     [&](const Host& h) { return h.HasIp && h.Ip6 == address; });
        return at == hosts_.end() ? nullptr : &*at;
    }

    static inline std::vector<GeneratedFrame> frames_;
    static inline std::vector<Host> hosts_;
};

TEST_F(Ipv6Traffic, CarriesTcpUdpAndIcmpv6)
{
    const std::map<uint8_t, int> protocols = Ipv6Protocols();
    EXPECT_EQ(protocols.size(), 3u);
    EXPECT_GT(protocols.count(6), 0u);
    EXPECT_GT(protocols.count(17), 0u);
    EXPECT_GT(protocols.count(58), 0u);
}

// What stays on IPv4: NetBIOS name registrations and the damaged frames.
TEST_F(Ipv6Traffic, LeavesOnIpv4OnlyNetBiosRegistrationsAndDamagedFrames)
{
    for (const GeneratedFrame& f : frames_) {
        if (EtherType(f.Bytes) != 0x0800 || f.BadFcs || f.Bytes.size() < 60) continue;
        EXPECT_EQ(f.Bytes[23], 17) << "IPv4 protocol at " << f.TimeMicros;
        EXPECT_EQ(Word(f.Bytes, 36), 137) << "UDP port at " << f.TimeMicros;
    }
}

TEST_F(Ipv6Traffic, RunsBetweenTheHostsIpv6AddressesAndStations)
{
    for (const GeneratedFrame& f : frames_) {
        if (EtherType(f.Bytes) != 0x86DD) continue;
        const Host* source = HostWithIp6(Ip6At(f.Bytes, 22));
        const Host* destination = HostWithIp6(Ip6At(f.Bytes, 38));
        ASSERT_NE(source, nullptr) << "at " << f.TimeMicros;
        ASSERT_NE(destination, nullptr) << "at " << f.TimeMicros;
        EXPECT_TRUE(std::equal(source->Mac.begin(), source->Mac.end(), f.Bytes.begin() + 6));
        EXPECT_TRUE(std::equal(destination->Mac.begin(), destination->Mac.end(), f.Bytes.begin()));
    }
}

TEST_F(Ipv6Traffic, EveryPayloadLengthAndChecksumIsRight)
{
    for (const GeneratedFrame& f : frames_) {
        if (EtherType(f.Bytes) != 0x86DD) continue;
        EXPECT_EQ(Word(f.Bytes, 18), f.Bytes.size() - kIpv6Header) << "at " << f.TimeMicros;
        EXPECT_EQ(PseudoHeaderChecksum(f.Bytes), 0) << "at " << f.TimeMicros;
    }
}

TEST_F(Ipv6Traffic, FramesFitAnEthernetFrame)
{
    for (const GeneratedFrame& f : frames_) EXPECT_LE(f.Bytes.size(), 1514u) << "at " << f.TimeMicros;
}

// A query asks for an AAAA record; its answer ends in the IPv6 address of the host it names.
TEST_F(Ipv6Traffic, DnsAnswersGiveTheTargetsIpv6Address)
{
    int answers = 0;
    for (const GeneratedFrame& f : frames_) {
        if (EtherType(f.Bytes) != 0x86DD || NextHeader(f.Bytes) != 17) continue;
        const Bytes& b = f.Bytes;
        if (Word(b, kIpv6Header + 2) == 53) {
            EXPECT_EQ(Word(b, b.size() - 4), 28) << "query type at " << f.TimeMicros;
        }
        if (Word(b, kIpv6Header) != 53) continue;
        ++answers;
        const Host* target = HostWithIp6(Ip6At(b, b.size() - 16));
        ASSERT_NE(target, nullptr) << "at " << f.TimeMicros;
        const std::string text(b.begin(), b.end());
        EXPECT_NE(text.find(target->DnsName.substr(0, target->DnsName.find('.'))), std::string::npos);
    }
    EXPECT_GT(answers, 0);
}

TEST_F(Ipv6Traffic, PingsAreIcmpv6EchoRequestsEachAnswered)
{
    int requests = 0, replies = 0;
    for (const GeneratedFrame& f : frames_) {
        if (EtherType(f.Bytes) != 0x86DD || NextHeader(f.Bytes) != 58) continue;
        const uint8_t type = f.Bytes[kIpv6Header];
        EXPECT_TRUE(type == 128 || type == 129) << "ICMPv6 type " << int(type);
        ++(type == 128 ? requests : replies);
    }
    EXPECT_GT(requests, 0);
    EXPECT_EQ(requests, replies);
}

}  // namespace
}  // namespace quenlix::testing
