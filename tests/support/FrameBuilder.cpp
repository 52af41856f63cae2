#include "FrameBuilder.h"

#include <algorithm>

namespace quenlix::testing {

void PutWord(Bytes& b, std::size_t at, uint16_t value)
{
    b[at] = static_cast<uint8_t>(value >> 8);
    b[at + 1] = static_cast<uint8_t>(value);
}

void PutLong(Bytes& b, std::size_t at, uint32_t value)
{
    PutWord(b, at, static_cast<uint16_t>(value >> 16));
    PutWord(b, at + 2, static_cast<uint16_t>(value));
}

void AppendWord(Bytes& b, uint16_t value)
{
    b.push_back(static_cast<uint8_t>(value >> 8));
    b.push_back(static_cast<uint8_t>(value));
}

void AppendLong(Bytes& b, uint32_t value)
{
    AppendWord(b, static_cast<uint16_t>(value >> 16));
    AppendWord(b, static_cast<uint16_t>(value));
}

Bytes Concat(const Bytes& a, const Bytes& b)
{
    Bytes out = a;
    out.insert(out.end(), b.begin(), b.end());
    return out;
}

uint16_t InternetChecksum(const uint8_t* data, std::size_t length, uint32_t initial)
{
    uint64_t sum = initial;
    for (std::size_t i = 0; i < length; i += 2) {
        const uint8_t lo = i + 1 < length ? data[i + 1] : 0;
        sum += static_cast<uint32_t>(data[i] << 8 | lo);
    }
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint16_t>(~sum & 0xFFFF);
}

namespace {

Bytes MacHeader(const Mac& dst, const Mac& src)
{
    Bytes b(dst.begin(), dst.end());
    b.insert(b.end(), src.begin(), src.end());
    return b;
}

// The pseudo-header's sum: the two addresses (4 or 16 bytes each), the
// protocol and the upper-layer length, for IPv4 and IPv6 alike.
template <std::size_t N>
uint32_t PseudoHeaderSum(const std::array<uint8_t, N>& src, const std::array<uint8_t, N>& dst, uint8_t protocol,
                         std::size_t length)
{
    uint32_t sum = 0;
    for (std::size_t i = 0; i < N; i += 2) {
        sum += static_cast<uint32_t>(src[i] << 8 | src[i + 1]);
        sum += static_cast<uint32_t>(dst[i] << 8 | dst[i + 1]);
    }
    sum += protocol;
    sum += static_cast<uint32_t>(length >> 16) + static_cast<uint32_t>(length & 0xFFFF);
    return sum;
}

void AppendName(Bytes& b, const std::string& name)
{
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t dot = name.find('.', start);
        if (dot == std::string::npos) dot = name.size();
        b.push_back(static_cast<uint8_t>(dot - start));
        b.insert(b.end(), name.begin() + static_cast<long>(start), name.begin() + static_cast<long>(dot));
        start = dot + 1;
    }
    b.push_back(0);
}

Bytes NetBiosName16(const std::string& name)
{
    Bytes b(16, ' ');
    std::copy_n(name.begin(), std::min<std::size_t>(name.size(), 15), b.begin());
    b[15] = 0x00;
    return b;
}

}  // namespace

Bytes EthernetII(const Mac& dst, const Mac& src, uint16_t type, const Bytes& payload)
{
    Bytes b = MacHeader(dst, src);
    AppendWord(b, type);
    return Concat(b, payload);
}

Bytes Llc8023(const Mac& dst, const Mac& src, uint8_t dsap, uint8_t ssap, uint8_t control, const Bytes& payload)
{
    Bytes b = MacHeader(dst, src);
    AppendWord(b, static_cast<uint16_t>(payload.size() + 3));
    b.push_back(dsap);
    b.push_back(ssap);
    b.push_back(control);
    return Concat(b, payload);
}

Bytes Snap8023(const Mac& dst, const Mac& src, uint16_t type, const Bytes& payload)
{
    Bytes b = MacHeader(dst, src);
    AppendWord(b, static_cast<uint16_t>(payload.size() + 8));
    b.insert(b.end(), {0xAA, 0xAA, 0x03, 0x00, 0x00, 0x00});
    AppendWord(b, type);
    return Concat(b, payload);
}

Bytes NovellRaw(const Mac& dst, const Mac& src, const Bytes& ipxPacket)
{
    Bytes b = MacHeader(dst, src);
    AppendWord(b, static_cast<uint16_t>(ipxPacket.size()));
    return Concat(b, ipxPacket);
}

Bytes Padded(Bytes frame, std::size_t minimum)
{
    if (frame.size() < minimum) frame.resize(minimum, 0);
    return frame;
}

Bytes TokenRing(uint8_t fc, const Mac& dst, const Mac& src, const Bytes& routing, const Bytes& payload)
{
    Bytes b{0x10, fc};
    b.insert(b.end(), dst.begin(), dst.end());
    b.insert(b.end(), src.begin(), src.end());
    if (!routing.empty()) b[8] |= 0x80;
    b.insert(b.end(), routing.begin(), routing.end());
    return Concat(b, payload);
}

Bytes TokenRingLlc(const Mac& dst, const Mac& src, const Bytes& routing, uint8_t dsap, const Bytes& payload)
{
    Bytes llc{dsap, dsap, 0x03};
    return TokenRing(0x40, dst, src, routing, Concat(llc, payload));
}

Bytes Tagged(const Bytes& frame, const std::vector<VlanTag>& tags)
{
    Bytes out(frame.begin(), frame.begin() + 12);
    for (const VlanTag& tag : tags) {
        AppendWord(out, tag.Type);
        AppendWord(out, tag.Control);
    }
    out.insert(out.end(), frame.begin() + 12, frame.end());
    return out;
}

Bytes Ipv4(const Ip& src, const Ip& dst, uint8_t protocol, const Bytes& payload, const IpOptions& options)
{
    Bytes h(20, 0);
    h[0] = 0x45;
    PutWord(h, 2, static_cast<uint16_t>(20 + payload.size()));
    PutWord(h, 4, options.Ident);
    PutWord(h, 6, static_cast<uint16_t>((options.MoreFragments ? 0x2000 : 0) | (options.FragmentOffset & 0x1FFF)));
    h[8] = options.Ttl;
    h[9] = protocol;
    std::copy(src.begin(), src.end(), h.begin() + 12);
    std::copy(dst.begin(), dst.end(), h.begin() + 16);
    uint16_t sum = InternetChecksum(h.data(), h.size());
    if (options.BadChecksum) sum ^= 0x5A5A;
    PutWord(h, 10, sum);
    return Concat(h, payload);
}

namespace {

template <std::size_t N>
Bytes TcpOver(const std::array<uint8_t, N>& src, const std::array<uint8_t, N>& dst, const TcpSegment& s,
              const TcpOptionFields& more = {})
{
    Bytes options;
    if (s.Mss) {
        options.insert(options.end(), {2, 4});
        AppendWord(options, s.Mss);
    }
    if (more.WindowShift >= 0) options.insert(options.end(), {1, 3, 3, static_cast<uint8_t>(more.WindowShift)});
    if (!more.Sack.empty()) {
        options.insert(options.end(), {1, 1, 5, static_cast<uint8_t>(2 + 8 * more.Sack.size())});
        for (const auto& block : more.Sack) {
            AppendLong(options, block[0]);
            AppendLong(options, block[1]);
        }
    }
    options.resize((options.size() + 3) / 4 * 4, 0);
    const std::size_t headerLength = 20 + options.size();
    Bytes t(20, 0);
    PutWord(t, 0, s.SrcPort);
    PutWord(t, 2, s.DstPort);
    PutLong(t, 4, s.Seq);
    PutLong(t, 8, s.Ack);
    t[12] = static_cast<uint8_t>((headerLength / 4) << 4);
    t[13] = s.Flags;
    PutWord(t, 14, s.Window);
    t.insert(t.end(), options.begin(), options.end());
    t.insert(t.end(), s.Payload.begin(), s.Payload.end());
    uint16_t sum = InternetChecksum(t.data(), t.size(), PseudoHeaderSum(src, dst, 6, t.size()));
    if (s.BadChecksum) sum ^= 0x1111;
    PutWord(t, 16, sum);
    return t;
}

template <std::size_t N>
Bytes UdpOver(const std::array<uint8_t, N>& src, const std::array<uint8_t, N>& dst, uint16_t srcPort, uint16_t dstPort,
              const Bytes& payload, bool zeroChecksum, bool badChecksum)
{
    Bytes u(8, 0);
    PutWord(u, 0, srcPort);
    PutWord(u, 2, dstPort);
    PutWord(u, 4, static_cast<uint16_t>(8 + payload.size()));
    u.insert(u.end(), payload.begin(), payload.end());
    if (!zeroChecksum) {
        uint16_t sum = InternetChecksum(u.data(), u.size(), PseudoHeaderSum(src, dst, 17, u.size()));
        if (sum == 0) sum = 0xFFFF;
        if (badChecksum) sum ^= 0x2222;
        PutWord(u, 6, sum);
    }
    return u;
}

}  // namespace

Bytes Tcp(const Ip& src, const Ip& dst, const TcpSegment& segment, const TcpOptionFields& options)
{
    return TcpOver(src, dst, segment, options);
}
Bytes Tcp(const Ip6& src, const Ip6& dst, const TcpSegment& segment) { return TcpOver(src, dst, segment); }

Bytes Udp(const Ip& src, const Ip& dst, uint16_t srcPort, uint16_t dstPort, const Bytes& payload, bool zeroChecksum,
          bool badChecksum)
{
    return UdpOver(src, dst, srcPort, dstPort, payload, zeroChecksum, badChecksum);
}

Bytes Udp(const Ip6& src, const Ip6& dst, uint16_t srcPort, uint16_t dstPort, const Bytes& payload, bool badChecksum)
{
    return UdpOver(src, dst, srcPort, dstPort, payload, false, badChecksum);
}

Ipv6Extension Ipv6Fragment(uint16_t offset, bool more, uint32_t ident)
{
    Bytes data;
    AppendWord(data, static_cast<uint16_t>(offset << 3 | (more ? 1 : 0)));
    AppendLong(data, ident);
    return {44, data};
}

Bytes Ipv6(const Ip6& src, const Ip6& dst, uint8_t nextHeader, const Bytes& payload, const Ipv6Options& options)
{
    Bytes chain;
    for (std::size_t i = 0; i < options.Extensions.size(); ++i) {
        const Ipv6Extension& e = options.Extensions[i];
        const uint8_t next = i + 1 < options.Extensions.size() ? options.Extensions[i + 1].Type : nextHeader;
        Bytes header{next, 0};
        header.insert(header.end(), e.Data.begin(), e.Data.end());
        if (e.Type != 44) {
            header.resize((header.size() + 7) / 8 * 8, 0);
            header[1] = static_cast<uint8_t>(header.size() / 8 - 1);
        }
        chain.insert(chain.end(), header.begin(), header.end());
    }
    const uint8_t first = options.Extensions.empty() ? nextHeader : options.Extensions.front().Type;
    Bytes h(40, 0);
    h[0] = 0x60;
    PutWord(h, 4, options.PayloadLength.value_or(static_cast<uint16_t>(chain.size() + payload.size())));
    h[6] = first;
    h[7] = options.HopLimit;
    std::copy(src.begin(), src.end(), h.begin() + 8);
    std::copy(dst.begin(), dst.end(), h.begin() + 24);
    return Concat(Concat(h, chain), payload);
}

Bytes Icmpv6(const Ip6& src, const Ip6& dst, uint8_t type, uint8_t code, const Bytes& body, bool badChecksum)
{
    Bytes b{type, code, 0, 0};
    b.insert(b.end(), body.begin(), body.end());
    uint16_t sum = InternetChecksum(b.data(), b.size(), PseudoHeaderSum(src, dst, 58, b.size()));
    if (badChecksum) sum ^= 0x3333;
    PutWord(b, 2, sum);
    return b;
}

Bytes Icmpv6Echo(const Ip6& src, const Ip6& dst, uint8_t type, uint16_t id, uint16_t sequence, const Bytes& payload)
{
    Bytes body;
    AppendWord(body, id);
    AppendWord(body, sequence);
    body.insert(body.end(), payload.begin(), payload.end());
    return Icmpv6(src, dst, type, 0, body);
}

Bytes Tcp6Frame(const Mac& dstMac, const Mac& srcMac, const Ip6& src, const Ip6& dst, const TcpSegment& segment,
                const Ipv6Options& ip)
{
    return Padded(EthernetII(dstMac, srcMac, 0x86DD, Ipv6(src, dst, 6, Tcp(src, dst, segment), ip)));
}

Bytes Udp6Frame(const Mac& dstMac, const Mac& srcMac, const Ip6& src, const Ip6& dst, uint16_t srcPort,
                uint16_t dstPort, const Bytes& payload, const Ipv6Options& ip)
{
    return Padded(EthernetII(dstMac, srcMac, 0x86DD, Ipv6(src, dst, 17, Udp(src, dst, srcPort, dstPort, payload), ip)));
}

Bytes Icmpv6EchoFrame(const Mac& dstMac, const Mac& srcMac, const Ip6& src, const Ip6& dst, uint8_t type,
                      uint16_t sequence, const Ipv6Options& ip)
{
    return Padded(
        EthernetII(dstMac, srcMac, 0x86DD, Ipv6(src, dst, 58, Icmpv6Echo(src, dst, type, 0x1234, sequence, Bytes(32, 0x61)), ip)));
}

Bytes IcmpEcho(uint8_t type, uint16_t id, uint16_t sequence, const Bytes& payload)
{
    Bytes b{type, 0, 0, 0};
    AppendWord(b, id);
    AppendWord(b, sequence);
    b.insert(b.end(), payload.begin(), payload.end());
    PutWord(b, 2, InternetChecksum(b.data(), b.size()));
    return b;
}

Bytes TcpFrame(const Mac& dstMac, const Mac& srcMac, const Ip& src, const Ip& dst, const TcpSegment& segment,
               const IpOptions& ip, const TcpOptionFields& options)
{
    return Padded(EthernetII(dstMac, srcMac, 0x0800, Ipv4(src, dst, 6, Tcp(src, dst, segment, options), ip)));
}

Bytes UdpFrame(const Mac& dstMac, const Mac& srcMac, const Ip& src, const Ip& dst, uint16_t srcPort,
               uint16_t dstPort, const Bytes& payload, const IpOptions& ip)
{
    return Padded(EthernetII(dstMac, srcMac, 0x0800, Ipv4(src, dst, 17, Udp(src, dst, srcPort, dstPort, payload), ip)));
}

Bytes IcmpFrame(const Mac& dstMac, const Mac& srcMac, const Ip& src, const Ip& dst, uint8_t type, uint16_t sequence,
                const IpOptions& ip)
{
    return Padded(EthernetII(dstMac, srcMac, 0x0800, Ipv4(src, dst, 1, IcmpEcho(type, 0x1234, sequence, Bytes(32, 0x61)), ip)));
}

Bytes DnsQuery(uint16_t id, const std::string& name, uint16_t type)
{
    Bytes b;
    AppendWord(b, id);
    AppendWord(b, 0x0100);
    AppendWord(b, 1);
    AppendWord(b, 0);
    AppendWord(b, 0);
    AppendWord(b, 0);
    AppendName(b, name);
    AppendWord(b, type);
    AppendWord(b, 1);
    return b;
}

namespace {

// A DNS answer of one address record of the given type (1: A, 28: AAAA).
template <std::size_t N>
Bytes DnsAddressAnswer(uint16_t id, const std::string& name, uint16_t type, const std::array<uint8_t, N>& address)
{
    Bytes b;
    AppendWord(b, id);
    AppendWord(b, 0x8180);
    AppendWord(b, 1);
    AppendWord(b, 1);
    AppendWord(b, 0);
    AppendWord(b, 0);
    AppendName(b, name);
    AppendWord(b, type);
    AppendWord(b, 1);
    AppendWord(b, 0xC00C);  // the owner name points at the question
    AppendWord(b, type);
    AppendWord(b, 1);
    AppendLong(b, 300);
    AppendWord(b, static_cast<uint16_t>(N));
    b.insert(b.end(), address.begin(), address.end());
    return b;
}

}  // namespace

Bytes DnsAnswer(uint16_t id, const std::string& name, const Ip& address) { return DnsAddressAnswer(id, name, 1, address); }

Bytes DnsAnswer(uint16_t id, const std::string& name, const Ip6& address)
{
    return DnsAddressAnswer(id, name, 28, address);
}

Bytes NetBiosNameRegistration(const std::string& name, const Ip& address)
{
    Bytes b;
    AppendWord(b, 0x4242);
    AppendWord(b, 0x2910);  // registration request
    AppendWord(b, 1);
    AppendWord(b, 0);
    AppendWord(b, 0);
    AppendWord(b, 1);
    // First-level encoded name: each half-byte as a letter from 'A'.
    b.push_back(32);
    Bytes plain = NetBiosName16(name);
    for (uint8_t c : plain) {
        b.push_back(static_cast<uint8_t>('A' + (c >> 4)));
        b.push_back(static_cast<uint8_t>('A' + (c & 0x0F)));
    }
    b.push_back(0);
    AppendWord(b, 0x20);
    AppendWord(b, 1);
    AppendWord(b, 0xC00C);
    AppendWord(b, 0x20);
    AppendWord(b, 1);
    AppendLong(b, 300000);
    AppendWord(b, 6);
    AppendWord(b, 0);
    b.insert(b.end(), address.begin(), address.end());
    return b;
}

Bytes NetBiosLlcPayload(uint8_t command, const std::string& sourceName)
{
    Bytes b(44, 0);
    PutWord(b, 0, 44);
    b[2] = 0xEF;
    b[3] = 0xFF;
    b[4] = command;
    Bytes dest = NetBiosName16("*");
    Bytes source = NetBiosName16(sourceName);
    std::copy(dest.begin(), dest.end(), b.begin() + 12);
    std::copy(source.begin(), source.end(), b.begin() + 28);
    return b;
}

Bytes Ipx(const IpxAddress& dst, const IpxAddress& src, uint8_t packetType, const Bytes& data, uint8_t hops)
{
    Bytes b(30, 0);
    PutWord(b, 0, 0xFFFF);
    PutWord(b, 2, static_cast<uint16_t>(30 + data.size()));
    b[4] = hops;
    b[5] = packetType;
    std::copy(dst.Network.begin(), dst.Network.end(), b.begin() + 6);
    std::copy(dst.Node.begin(), dst.Node.end(), b.begin() + 10);
    PutWord(b, 16, dst.Socket);
    std::copy(src.Network.begin(), src.Network.end(), b.begin() + 18);
    std::copy(src.Node.begin(), src.Node.end(), b.begin() + 22);
    PutWord(b, 28, src.Socket);
    return Concat(b, data);
}

Bytes NcpRequest(uint8_t sequence, uint8_t connection, uint8_t function, const Bytes& rest)
{
    Bytes b{0x22, 0x22, sequence, connection, 1, 0, function};
    return Concat(b, rest);
}

Bytes NcpReply(uint8_t sequence, uint8_t connection, const Bytes& rest)
{
    Bytes b{0x33, 0x33, sequence, connection, 1, 0, 0, 0};
    return Concat(b, rest);
}

Bytes SapResponse(const std::vector<SapService>& services)
{
    Bytes b;
    AppendWord(b, 2);  // general service response
    for (const SapService& s : services) {
        Bytes entry(64, 0);
        PutWord(entry, 0, s.Type);
        std::copy_n(s.Name.begin(), std::min<std::size_t>(s.Name.size(), 47), entry.begin() + 2);
        std::copy(s.Address.Network.begin(), s.Address.Network.end(), entry.begin() + 50);
        std::copy(s.Address.Node.begin(), s.Address.Node.end(), entry.begin() + 54);
        PutWord(entry, 60, s.Address.Socket);
        PutWord(entry, 62, s.Hops);
        b.insert(b.end(), entry.begin(), entry.end());
    }
    return b;
}

Mac MacOf(uint32_t station, uint8_t first)
{
    return {first, 0x00, 0x1B, static_cast<uint8_t>(station >> 16), static_cast<uint8_t>(station >> 8),
            static_cast<uint8_t>(station)};
}

Ip IpOf(uint8_t a, uint8_t b, uint8_t c, uint8_t d) { return {a, b, c, d}; }

Ip6 Ip6Of(const std::array<uint16_t, 8>& groups)
{
    Ip6 address{};
    for (std::size_t i = 0; i < 8; ++i) {
        address[2 * i] = static_cast<uint8_t>(groups[i] >> 8);
        address[2 * i + 1] = static_cast<uint8_t>(groups[i]);
    }
    return address;
}

}  // namespace quenlix::testing
