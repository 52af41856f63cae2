#pragma once
// Synthetic office-LAN traffic (frames built with the test frame builder) for the benchmark and the bundled sample trace:
// Ethernet frames of TCP sessions with server think time, DNS look-ups, pings,
// NTP, NetBIOS name registrations (UDP 137 and NetBIOS over LLC), ARP, IPX with
// NCP requests and replies, SAP broadcasts and a few damaged frames. Every IP,
// ICMP, TCP and UDP checksum is right. The output depends only on the profile
// and its seed, so the same profile always gives the same bytes. An IPv6 profile
// carries the TCP sessions, DNS look-ups, pings and NTP over IPv6 instead.

#include <cstdint>
#include <queue>
#include <string>
#include <vector>

#include "FrameBuilder.h"

namespace quenlix::traffic {

using MacAddress = quenlix::testing::Mac;
using IpAddress = quenlix::testing::Ip;
using Ip6Address = quenlix::testing::Ip6;

// One frame as an Ethernet card stores it: from the destination address, without FCS.
struct GeneratedFrame {
    uint64_t TimeMicros = 0;
    std::vector<uint8_t> Bytes;
    bool BadFcs = false;
};

struct TrafficProfile {
    uint32_t Seed = 1;
    int IpServers = 2;          // web servers; the first also answers DNS and NTP
    int IpClients = 8;
    int NetWareServers = 1;
    int IpxClients = 3;         // taken from the IP clients first (dual-stack), then added
    int LlcOnlyStations = 0;    // stations that only speak NetBIOS over LLC and ARP
    double ConversationsPerSecond = 1.0;
    uint64_t DurationMicros = 240'000'000;  // no conversation starts after this
    uint64_t FrameLimit = 0;                // 0: no limit
    int MaxResponseBytes = 24'000;          // largest HTTP response
    double SapIntervalSeconds = 60.0;
    bool DamagedFrames = true;  // a few bad-FCS frames, a runt and a collision fragment
    double RetransmitChance = 0.01;  // chance that a TCP data segment is sent twice
    // The same traffic over IPv6: TCP sessions, DNS look-ups (AAAA answers), pings
    // (ICMPv6 echo) and NTP between the hosts' IPv6 addresses. NetBIOS name
    // registrations, ARP, IPX, LLC and the damaged frames stay as they are.
    bool Ipv6 = false;
};

struct Host {
    MacAddress Mac{};
    bool HasIp = false;
    IpAddress Ip{};
    Ip6Address Ip6{};              // fd00:99:1:: and the IPv4 address's last two bytes
    bool HasIpx = false;
    uint32_t IpxNetwork = 0;
    uint8_t IpxEncapsulation = 0;  // 0 Ethernet II, 1 802.2 LLC, 2 Novell raw
    std::string Name;              // NetBIOS and DNS host name
    std::string DnsName;           // empty when DNS does not know the host
};

class TrafficGenerator {
public:
    explicit TrafficGenerator(const TrafficProfile& profile);

    // The next frame in time order; false once the traffic has ended.
    bool Next(GeneratedFrame& frame);

    const std::vector<Host>& Hosts() const { return hosts_; }
    uint64_t FramesEmitted() const { return emitted_; }

private:
    struct Pending {
        uint64_t Time;
        uint64_t Order;  // keeps frames of equal time in the order they were made
        GeneratedFrame Frame;
    };
    struct Later {
        bool operator()(const Pending& a, const Pending& b) const
        {
            return a.Time != b.Time ? a.Time > b.Time : a.Order > b.Order;
        }
    };

    // Random numbers from a fixed generator, mapped without library distributions
    // (whose results differ between standard libraries).
    uint32_t Random();
    uint32_t RandomBelow(uint32_t bound);
    uint32_t RandomBetween(uint32_t low, uint32_t high);
    bool Chance(double probability);
    // Bytes that do not compress: the contents of files being transferred.
    std::vector<uint8_t> RandomBytes(size_t length);

    void BuildHosts();
    void Emit(uint64_t time, std::vector<uint8_t> bytes, bool badFcs = false);
    // Frames between two IP hosts over IPv4 or, in an IPv6 profile, IPv6; hops is
    // the TTL or hop limit the sender starts with.
    std::vector<uint8_t> TcpFrameBetween(const Host& from, const Host& to, const quenlix::testing::TcpSegment& segment,
                                         uint8_t hops);
    std::vector<uint8_t> UdpFrameBetween(const Host& from, const Host& to, uint16_t srcPort, uint16_t dstPort,
                                         const std::vector<uint8_t>& payload, uint8_t hops);
    // An echo request (or, when reply, its reply) of ICMP or ICMPv6.
    std::vector<uint8_t> EchoFrameBetween(const Host& from, const Host& to, bool reply, uint16_t identifier,
                                          uint16_t sequence, const std::vector<uint8_t>& data, uint8_t hops);
    void StartConversation(uint64_t time);

    // Conversations; each schedules all of its frames from the given start time.
    void TcpSession(uint64_t time, const Host& client, const Host& server, uint16_t serverPort);
    void DnsLookup(uint64_t time, const Host& client, const Host& target);
    void Ping(uint64_t time, const Host& client, const Host& target);
    void NtpQuery(uint64_t time, const Host& client, const Host& server);
    void ArpExchange(uint64_t time, const Host& asker, const Host& target);
    void NetBiosRegistration(uint64_t time, const Host& host);
    void NetBiosLlcNameClaim(uint64_t time, const Host& host);
    void NetBiosLlcDatagram(uint64_t time, const Host& host);
    void NcpSession(uint64_t time, const Host& client, const Host& server);
    void SapBroadcast(uint64_t time, const Host& server);
    void DamagedFrames(uint64_t time);

    const Host& PickIpClient();
    const Host& PickIpServer();
    const Host& PickIpxClient();
    const Host& PickNetWareServer();

    TrafficProfile profile_;
    uint64_t randomState_;
    std::vector<Host> hosts_;
    std::vector<size_t> ipServers_, ipClients_, netWareServers_, ipxClients_, llcStations_;
    std::priority_queue<Pending, std::vector<Pending>, Later> pending_;
    uint64_t order_ = 0;
    uint64_t nextConversation_ = 0;
    uint64_t nextSap_ = 0;
    bool damagedDone_ = false;
    uint64_t emitted_ = 0;
    uint16_t nextIpIdent_ = 1;
    uint16_t nextEphemeralPort_ = 1025;
    uint16_t nextNcpConnection_ = 1;
};

}  // namespace quenlix::traffic
