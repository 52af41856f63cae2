#pragma once
// Builds frames byte by byte for tests, the benchmark and the bundled sample:
// Ethernet (II, 802.2 LLC, SNAP, Novell raw) and Token Ring headers, IPv4 with
// TCP, UDP and ICMP (with correct checksums), IPv6 with extension headers, TCP,
// UDP and ICMPv6, DNS, NetBIOS, IPX with NCP and SAP.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quenlix::testing {

using Bytes = std::vector<uint8_t>;
using Mac = std::array<uint8_t, 6>;
using Ip = std::array<uint8_t, 4>;
using Ip6 = std::array<uint8_t, 16>;

struct IpxAddress {
    std::array<uint8_t, 4> Network{};
    Mac Node{};
    uint16_t Socket = 0;
};

void PutWord(Bytes& b, std::size_t at, uint16_t value);  // most significant byte first
void PutLong(Bytes& b, std::size_t at, uint32_t value);
void AppendWord(Bytes& b, uint16_t value);
void AppendLong(Bytes& b, uint32_t value);
Bytes Concat(const Bytes& a, const Bytes& b);
uint16_t InternetChecksum(const uint8_t* data, std::size_t length, uint32_t initial = 0);

// ---- data link ----
Bytes EthernetII(const Mac& dst, const Mac& src, uint16_t type, const Bytes& payload);
Bytes Llc8023(const Mac& dst, const Mac& src, uint8_t dsap, uint8_t ssap, uint8_t control, const Bytes& payload);
Bytes Snap8023(const Mac& dst, const Mac& src, uint16_t type, const Bytes& payload);
Bytes NovellRaw(const Mac& dst, const Mac& src, const Bytes& ipxPacket);
// Pads an Ethernet frame (without FCS) to the 60-byte minimum.
Bytes Padded(Bytes frame, std::size_t minimum = 60);
// Token Ring: AC, FC, destination, source (routing bit set when a routing field is given), routing, then payload.
Bytes TokenRing(uint8_t fc, const Mac& dst, const Mac& src, const Bytes& routing, const Bytes& payload);
Bytes TokenRingLlc(const Mac& dst, const Mac& src, const Bytes& routing, uint8_t dsap, const Bytes& payload);
// A VLAN tag: its tag protocol identifier (0x8100, 0x88A8, ...) and the priority,
// drop eligibility and VLAN ID word.
struct VlanTag {
    uint16_t Type = 0x8100;
    uint16_t Control = 0;
};
// The Ethernet frame with the tags inserted after its source address, outermost first.
Bytes Tagged(const Bytes& frame, const std::vector<VlanTag>& tags);

// ---- IP ----
struct IpOptions {
    uint8_t Ttl = 64;
    uint16_t Ident = 0;
    uint16_t FragmentOffset = 0;  // in 8-byte units
    bool MoreFragments = false;
    bool BadChecksum = false;
};
Bytes Ipv4(const Ip& src, const Ip& dst, uint8_t protocol, const Bytes& payload, const IpOptions& options = {});

struct TcpSegment {
    uint16_t SrcPort = 0, DstPort = 0;
    uint32_t Seq = 0, Ack = 0;
    uint8_t Flags = 0x10;  // ACK
    uint16_t Window = 8192;
    uint16_t Mss = 0;  // nonzero: an MSS option is written
    Bytes Payload;
    bool BadChecksum = false;
};
// TCP options beyond the MSS, written after it.
struct TcpOptionFields {
    int WindowShift = -1;                       // 0..255: a window scale option is written
    std::vector<std::array<uint32_t, 2>> Sack;  // SACK blocks (left, right edge)
};
Bytes Tcp(const Ip& src, const Ip& dst, const TcpSegment& segment, const TcpOptionFields& options = {});
Bytes Udp(const Ip& src, const Ip& dst, uint16_t srcPort, uint16_t dstPort, const Bytes& payload,
          bool zeroChecksum = false, bool badChecksum = false);
Bytes IcmpEcho(uint8_t type, uint16_t id, uint16_t sequence, const Bytes& payload);

// Whole Ethernet II frames.
Bytes TcpFrame(const Mac& dstMac, const Mac& srcMac, const Ip& src, const Ip& dst, const TcpSegment& segment,
               const IpOptions& ip = {}, const TcpOptionFields& options = {});
Bytes UdpFrame(const Mac& dstMac, const Mac& srcMac, const Ip& src, const Ip& dst, uint16_t srcPort,
               uint16_t dstPort, const Bytes& payload, const IpOptions& ip = {});
Bytes IcmpFrame(const Mac& dstMac, const Mac& srcMac, const Ip& src, const Ip& dst, uint8_t type,
                uint16_t sequence, const IpOptions& ip = {});

// ---- IPv6 ----
// An extension header: Type is its protocol number (0 hop-by-hop, 43 routing,
// 44 fragment, 60 destination options). For a fragment header Data is the
// 6 bytes after its next-header and reserved bytes; for the others the bytes
// after the next-header and length bytes, padded with zeros to a multiple of 8.
struct Ipv6Extension {
    uint8_t Type = 60;
    Bytes Data;
};
Ipv6Extension Ipv6Fragment(uint16_t offset, bool more, uint32_t ident);  // offset in 8-byte units
struct Ipv6Options {
    uint8_t HopLimit = 64;
    std::vector<Ipv6Extension> Extensions;  // in order, before the upper-layer header
    std::optional<uint16_t> PayloadLength;  // stored instead of the true length
};
Bytes Ipv6(const Ip6& src, const Ip6& dst, uint8_t nextHeader, const Bytes& payload, const Ipv6Options& options = {});
Bytes Tcp(const Ip6& src, const Ip6& dst, const TcpSegment& segment);
Bytes Udp(const Ip6& src, const Ip6& dst, uint16_t srcPort, uint16_t dstPort, const Bytes& payload,
          bool badChecksum = false);
// An ICMPv6 message (type, code, body after the checksum) with its checksum.
Bytes Icmpv6(const Ip6& src, const Ip6& dst, uint8_t type, uint8_t code, const Bytes& body, bool badChecksum = false);
Bytes Icmpv6Echo(const Ip6& src, const Ip6& dst, uint8_t type, uint16_t id, uint16_t sequence, const Bytes& payload);

// Whole Ethernet II frames of type 0x86DD.
Bytes Tcp6Frame(const Mac& dstMac, const Mac& srcMac, const Ip6& src, const Ip6& dst, const TcpSegment& segment,
                const Ipv6Options& ip = {});
Bytes Udp6Frame(const Mac& dstMac, const Mac& srcMac, const Ip6& src, const Ip6& dst, uint16_t srcPort,
                uint16_t dstPort, const Bytes& payload, const Ipv6Options& ip = {});
Bytes Icmpv6EchoFrame(const Mac& dstMac, const Mac& srcMac, const Ip6& src, const Ip6& dst, uint8_t type,
                      uint16_t sequence, const Ipv6Options& ip = {});

// ---- DNS and NetBIOS ----
Bytes DnsQuery(uint16_t id, const std::string& name, uint16_t type = 1);  // type 1: A, 28: AAAA
Bytes DnsAnswer(uint16_t id, const std::string& name, const Ip& address);
Bytes DnsAnswer(uint16_t id, const std::string& name, const Ip6& address);  // an AAAA record
Bytes NetBiosNameRegistration(const std::string& name, const Ip& address);  // UDP 137 payload
// A NetBIOS frame over 802.2 (SAP F0): command byte and the 16-byte source name.
Bytes NetBiosLlcPayload(uint8_t command, const std::string& sourceName);

// ---- IPX ----
Bytes Ipx(const IpxAddress& dst, const IpxAddress& src, uint8_t packetType, const Bytes& data, uint8_t hops = 0);
Bytes NcpRequest(uint8_t sequence, uint8_t connection, uint8_t function, const Bytes& rest = {});
Bytes NcpReply(uint8_t sequence, uint8_t connection, const Bytes& rest = {});
struct SapService {
    uint16_t Type = 4;
    std::string Name;
    IpxAddress Address;
    uint16_t Hops = 1;
};
Bytes SapResponse(const std::vector<SapService>& services);

Mac MacOf(uint32_t station, uint8_t first = 0x00);
Ip IpOf(uint8_t a, uint8_t b, uint8_t c, uint8_t d);
// An IPv6 address from its eight 16-bit groups.
Ip6 Ip6Of(const std::array<uint16_t, 8>& groups);

}  // namespace quenlix::testing
