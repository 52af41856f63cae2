#include "TrafficGenerator.h"

#include <algorithm>

#include "model/AnalysisState.h"

namespace quenlix::traffic {

namespace tb = quenlix::testing;

namespace {

constexpr uint16_t kTcpMss = 1460;
constexpr uint16_t kTcp6Mss = 1440;  // the 1500-byte Ethernet payload less IPv6's 40-byte header and TCP's 20
constexpr uint16_t kDnsTypeA = 1;
constexpr uint16_t kDnsTypeAaaa = 28;
constexpr uint64_t kMicrosPerSecond = 1'000'000;
constexpr uint16_t kNcpSocket = 0x0451;
constexpr uint16_t kSapSocket = 0x0452;
constexpr std::array<uint8_t, 4> kLanIpxNetwork = {0x00, 0x00, 0x00, 0x10};


const MacAddress kBroadcastMac = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
const MacAddress kNetBiosFunctionalMac = {0x03, 0x00, 0x00, 0x00, 0x00, 0x01};
const MacAddress kNetWareInternalNode = {0x00, 0x00, 0x00, 0x00, 0x00, 0x01};

// Manufacturer prefixes of the period's network cards, so that stations get vendors.
const std::array<std::array<uint8_t, 3>, 8> kVendorPrefixes = {{
    {0x00, 0x60, 0x97},  // 3Com
    {0x00, 0xA0, 0x24},  // 3Com
    {0x08, 0x00, 0x09},  // Hewlett-Packard
    {0x00, 0xAA, 0x00},  // Intel
    {0x00, 0x00, 0x1B},  // Novell
    {0x00, 0xC0, 0x4F},  // Dell
    {0x00, 0x80, 0x5F},  // Compaq
    {0x00, 0x00, 0xC0},  // Western Digital / SMC
}};

// Text used to fill payloads: readable in a hex dump, cheap to copy.
const std::string kFiller =
    "Quarterly figures attached. Please review the budget draft before Friday's meeting; "
    "the print queue on the second floor is out of toner again. Lorem ipsum dolor sit amet, "
    "consectetur adipiscing elit, sed do eiusmod tempor incididunt ut labore et dolore magna. ";

tb::Bytes Text(const std::string& text) { return tb::Bytes(text.begin(), text.end()); }

void Append(tb::Bytes& out, const tb::Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

// length bytes of filler text, starting at a position that varies with seed.
tb::Bytes Filler(size_t length, size_t seed)
{
    tb::Bytes out;
    out.reserve(length);
    size_t at = seed % kFiller.size();
    while (out.size() < length) {
        const size_t take = std::min(length - out.size(), kFiller.size() - at);
        out.insert(out.end(), kFiller.begin() + static_cast<long>(at), kFiller.begin() + static_cast<long>(at + take));
        at = 0;
    }
    return out;
}

std::array<uint8_t, 4> NetworkBytes(uint32_t network)
{
    return {static_cast<uint8_t>(network >> 24), static_cast<uint8_t>(network >> 16), static_cast<uint8_t>(network >> 8),
            static_cast<uint8_t>(network)};
}

tb::IpxAddress IpxAddressOf(uint32_t network, const MacAddress& node, uint16_t socket)
{
    return {NetworkBytes(network), node, socket};
}

// A NetBIOS name field: the name padded with blanks to 15 characters, then the suffix.
tb::Bytes NetBiosName(const std::string& name, uint8_t suffix)
{
    tb::Bytes field(16, ' ');
    std::copy_n(name.begin(), std::min<size_t>(name.size(), 15), field.begin());
    field[15] = suffix;
    return field;
}

std::string Lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string ThreeDigits(size_t n)
{
    std::string text = std::to_string(n);
    return std::string(text.size() < 3 ? 3 - text.size() : 0, '0') + text;
}

uint32_t NetworkNumber(const std::array<uint8_t, 4>& bytes)
{
    return static_cast<uint32_t>(bytes[0] << 24 | bytes[1] << 16 | bytes[2] << 8 | bytes[3]);
}

// A host's IPv6 address: the site's own prefix fd00:99:1::/64, ending in the last
// two bytes of the host's IPv4 address, so that both numberings tell hosts apart alike.
Ip6Address Ip6For(const IpAddress& ip)
{
    return tb::Ip6Of({0xFD00, 0x0099, 0x0001, 0, 0, 0, 0, static_cast<uint16_t>(ip[2] << 8 | ip[3])});
}

tb::Ipv6Options HopLimit(uint8_t hops)
{
    tb::Ipv6Options options;
    options.HopLimit = hops;
    return options;
}

}  // namespace

TrafficGenerator::TrafficGenerator(const TrafficProfile& profile)
    : profile_(profile), randomState_(0x9E3779B97F4A7C15ull ^ profile.Seed)
{
    BuildHosts();
    nextConversation_ = RandomBetween(10'000, 200'000);
    nextSap_ = RandomBetween(500'000, 3'000'000);
}

// ---- random numbers ---------------------------------------------------------------

uint32_t TrafficGenerator::Random()
{
    // splitmix64: small, fast and the same on every platform.
    uint64_t z = (randomState_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<uint32_t>((z ^ (z >> 31)) >> 32);
}

uint32_t TrafficGenerator::RandomBelow(uint32_t bound)
{
    return bound == 0 ? 0 : static_cast<uint32_t>((static_cast<uint64_t>(Random()) * bound) >> 32);
}

uint32_t TrafficGenerator::RandomBetween(uint32_t low, uint32_t high)
{
    return high <= low ? low : low + RandomBelow(high - low + 1);
}

bool TrafficGenerator::Chance(double probability)
{
    return Random() < static_cast<uint32_t>(probability * 4294967295.0);
}

std::vector<uint8_t> TrafficGenerator::RandomBytes(size_t length)
{
    std::vector<uint8_t> bytes(length);
    for (size_t i = 0; i < length; i += 4) {
        const uint32_t r = Random();
        for (size_t k = 0; k < 4 && i + k < length; ++k) bytes[i + k] = static_cast<uint8_t>(r >> (8 * k));
    }
    return bytes;
}

// ---- the network ------------------------------------------------------------------

void TrafficGenerator::BuildHosts()
{
    auto makeMac = [](size_t n) {
        const auto& prefix = kVendorPrefixes[(n * 7 + 3) % kVendorPrefixes.size()];
        const uint32_t serial = static_cast<uint32_t>(0x102030 + n * 0x0A1B);
        return MacAddress{prefix[0], prefix[1], prefix[2], static_cast<uint8_t>(serial >> 16),
                          static_cast<uint8_t>(serial >> 8), static_cast<uint8_t>(serial)};
    };
    auto addHost = [&](const std::string& name) {
        Host host;
        host.Mac = makeMac(hosts_.size());
        host.Name = name;
        hosts_.push_back(host);
        return hosts_.size() - 1;
    };

    for (int i = 0; i < profile_.IpServers; ++i) {
        const std::string name = i == 0 ? "SRV" : i == 1 ? "FILES" : "SRV" + ThreeDigits(static_cast<size_t>(i));
        const size_t h = addHost(name);
        hosts_[h].HasIp = true;
        hosts_[h].Ip = {10, 1, 0, static_cast<uint8_t>(10 + i % 240)};
        hosts_[h].Ip6 = Ip6For(hosts_[h].Ip);
        hosts_[h].DnsName = Lower(name) + ".office.lan";
        ipServers_.push_back(h);
    }
    for (int i = 0; i < profile_.IpClients; ++i) {
        const size_t h = addHost("PC" + ThreeDigits(static_cast<size_t>(i + 1)));
        hosts_[h].HasIp = true;
        hosts_[h].Ip = {10, 1, static_cast<uint8_t>(1 + i / 250), static_cast<uint8_t>(1 + i % 250)};
        hosts_[h].Ip6 = Ip6For(hosts_[h].Ip);
        hosts_[h].DnsName = Lower(hosts_[h].Name) + ".office.lan";
        ipClients_.push_back(h);
    }
    for (int i = 0; i < profile_.NetWareServers; ++i) {
        const size_t h = addHost("FS" + std::to_string(i + 1));
        hosts_[h].HasIpx = true;
        hosts_[h].IpxNetwork = 0x0BAD0001u + static_cast<uint32_t>(i);  // the server's internal network
        netWareServers_.push_back(h);
    }
    for (int i = 0; i < profile_.IpxClients; ++i) {
        const bool dualStack = i < static_cast<int>(ipClients_.size());
        const size_t h = dualStack ? ipClients_[static_cast<size_t>(i)] : addHost("NW" + ThreeDigits(static_cast<size_t>(i + 1)));
        hosts_[h].HasIpx = true;
        hosts_[h].IpxNetwork = NetworkNumber(kLanIpxNetwork);
        hosts_[h].IpxEncapsulation = static_cast<uint8_t>((i + 2) % 3);
        ipxClients_.push_back(h);
    }
    for (int i = 0; i < profile_.LlcOnlyStations; ++i)
        llcStations_.push_back(addHost("WS" + ThreeDigits(static_cast<size_t>(i + 1))));
}

const Host& TrafficGenerator::PickIpClient() { return hosts_[ipClients_[RandomBelow(static_cast<uint32_t>(ipClients_.size()))]]; }
const Host& TrafficGenerator::PickIpServer() { return hosts_[ipServers_[RandomBelow(static_cast<uint32_t>(ipServers_.size()))]]; }
const Host& TrafficGenerator::PickIpxClient() { return hosts_[ipxClients_[RandomBelow(static_cast<uint32_t>(ipxClients_.size()))]]; }
const Host& TrafficGenerator::PickNetWareServer()
{
    return hosts_[netWareServers_[RandomBelow(static_cast<uint32_t>(netWareServers_.size()))]];
}

// ---- scheduling -------------------------------------------------------------------

void TrafficGenerator::Emit(uint64_t time, std::vector<uint8_t> bytes, bool badFcs)
{
    pending_.push({time, order_++, GeneratedFrame{time, tb::Padded(std::move(bytes)), badFcs}});
}

std::vector<uint8_t> TrafficGenerator::TcpFrameBetween(const Host& from, const Host& to, const tb::TcpSegment& segment,
                                                       uint8_t hops)
{
    if (profile_.Ipv6) return tb::Tcp6Frame(to.Mac, from.Mac, from.Ip6, to.Ip6, segment, HopLimit(hops));
    return tb::TcpFrame(to.Mac, from.Mac, from.Ip, to.Ip, segment, {hops, nextIpIdent_++});
}

std::vector<uint8_t> TrafficGenerator::UdpFrameBetween(const Host& from, const Host& to, uint16_t srcPort, uint16_t dstPort,
                                                       const std::vector<uint8_t>& payload, uint8_t hops)
{
    if (profile_.Ipv6) return tb::Udp6Frame(to.Mac, from.Mac, from.Ip6, to.Ip6, srcPort, dstPort, payload, HopLimit(hops));
    return tb::UdpFrame(to.Mac, from.Mac, from.Ip, to.Ip, srcPort, dstPort, payload, {hops, nextIpIdent_++});
}

std::vector<uint8_t> TrafficGenerator::EchoFrameBetween(const Host& from, const Host& to, bool reply, uint16_t identifier,
                                                        uint16_t sequence, const std::vector<uint8_t>& data, uint8_t hops)
{
    if (profile_.Ipv6) {
        const tb::Bytes echo = tb::Icmpv6Echo(from.Ip6, to.Ip6, reply ? 129 : 128, identifier, sequence, data);
        return tb::EthernetII(to.Mac, from.Mac, 0x86DD, tb::Ipv6(from.Ip6, to.Ip6, 58, echo, HopLimit(hops)));
    }
    const tb::Bytes echo = tb::IcmpEcho(reply ? 0 : 8, identifier, sequence, data);
    return tb::EthernetII(to.Mac, from.Mac, 0x0800, tb::Ipv4(from.Ip, to.Ip, 1, echo, {hops, nextIpIdent_++}));
}

bool TrafficGenerator::Next(GeneratedFrame& frame)
{
    if (profile_.FrameLimit != 0 && emitted_ >= profile_.FrameLimit) return false;
    // Start whatever is due before the earliest frame already scheduled.
    for (;;) {
        const uint64_t earliest = pending_.empty() ? UINT64_MAX : pending_.top().Time;
        const bool conversationDue = nextConversation_ < profile_.DurationMicros && nextConversation_ <= earliest;
        const bool sapDue = nextSap_ < profile_.DurationMicros && nextSap_ <= earliest && !netWareServers_.empty();
        if (!conversationDue && !sapDue) break;
        if (sapDue && (!conversationDue || nextSap_ <= nextConversation_)) {
            for (size_t i = 0; i < netWareServers_.size(); ++i) SapBroadcast(nextSap_ + i * 150'000, hosts_[netWareServers_[i]]);
            nextSap_ += static_cast<uint64_t>(profile_.SapIntervalSeconds * kMicrosPerSecond);
        } else {
            StartConversation(nextConversation_);
            const auto mean = static_cast<uint32_t>(kMicrosPerSecond / profile_.ConversationsPerSecond);
            nextConversation_ += 1 + RandomBelow(2 * mean);
        }
    }
    if (pending_.empty()) return false;
    // The heap orders by Time and Order only, so taking the frame out before pop is safe.
    frame = std::move(const_cast<Pending&>(pending_.top()).Frame);
    pending_.pop();
    ++emitted_;
    return true;
}

void TrafficGenerator::StartConversation(uint64_t time)
{
    if (profile_.DamagedFrames && !damagedDone_ && time > profile_.DurationMicros / 3) {
        damagedDone_ = true;
        DamagedFrames(time);
    }
    const bool haveIp = !ipClients_.empty() && !ipServers_.empty();
    const bool haveIpx = !ipxClients_.empty() && !netWareServers_.empty();
    const uint32_t pick = RandomBelow(100);
    if (haveIp && pick < 28) {
        TcpSession(time, PickIpClient(), PickIpServer(), 80);
    } else if (haveIp && pick < 40) {
        const Host& client = PickIpClient();
        const Host& server = PickIpServer();
        DnsLookup(time, client, server);
        TcpSession(time + RandomBetween(4'000, 9'000), client, server, 80);
    } else if (haveIp && pick < 46) {
        TcpSession(time, PickIpClient(), PickIpServer(), 139);
    } else if (haveIp && pick < 50) {
        Ping(time, PickIpClient(), hosts_[ipServers_[0]]);
    } else if (haveIp && pick < 53) {
        NtpQuery(time, PickIpClient(), hosts_[ipServers_[0]]);
    } else if (haveIp && pick < 58) {
        const Host& asker = PickIpClient();
        ArpExchange(time, asker, RandomBelow(2) ? PickIpServer() : PickIpClient());
    } else if (haveIp && pick < 61) {
        NetBiosRegistration(time, PickIpClient());
    } else if (pick < 65) {
        NetBiosLlcNameClaim(time, hosts_[RandomBelow(static_cast<uint32_t>(hosts_.size()))]);
    } else if (pick < 69) {
        NetBiosLlcDatagram(time, hosts_[RandomBelow(static_cast<uint32_t>(hosts_.size()))]);
    } else if (haveIpx) {
        NcpSession(time, PickIpxClient(), PickNetWareServer());
    } else if (haveIp) {
        TcpSession(time, PickIpClient(), PickIpServer(), 80);
    } else if (!hosts_.empty()) {
        NetBiosLlcDatagram(time, hosts_[RandomBelow(static_cast<uint32_t>(hosts_.size()))]);
    }
}

// ---- conversations ----------------------------------------------------------------

void TrafficGenerator::TcpSession(uint64_t time, const Host& client, const Host& server, uint16_t serverPort)
{
    const uint16_t clientPort = nextEphemeralPort_;
    nextEphemeralPort_ = nextEphemeralPort_ >= 4999 ? 1025 : static_cast<uint16_t>(nextEphemeralPort_ + 1);
    uint32_t clientSeq = Random();
    uint32_t serverSeq = Random();
    const uint32_t halfRtt = RandomBetween(150, 800);
    const uint16_t maxSegment = profile_.Ipv6 ? kTcp6Mss : kTcpMss;

    auto send = [&](uint64_t at, bool fromClient, uint8_t flags, const tb::Bytes& payload, uint16_t mss = 0) {
        const Host& from = fromClient ? client : server;
        const Host& to = fromClient ? server : client;
        tb::TcpSegment segment;
        segment.SrcPort = fromClient ? clientPort : serverPort;
        segment.DstPort = fromClient ? serverPort : clientPort;
        segment.Seq = fromClient ? clientSeq : serverSeq;
        segment.Ack = (flags & kTcpAck) ? (fromClient ? serverSeq : clientSeq) : 0;
        segment.Flags = flags;
        segment.Window = 8760;
        segment.Mss = mss;
        segment.Payload = payload;
        tb::Bytes frame = TcpFrameBetween(from, to, segment, fromClient ? 128 : 64);
        // Now and then a data segment is sent again after a retransmission timeout.
        if (!payload.empty() && Chance(profile_.RetransmitChance)) Emit(at + RandomBetween(200'000, 600'000), frame);
        Emit(at, std::move(frame));
    };

    send(time, true, kTcpSyn, {}, maxSegment);
    ++clientSeq;
    time += halfRtt;
    send(time, false, kTcpSyn | kTcpAck, {}, maxSegment);
    ++serverSeq;
    time += halfRtt;
    send(time, true, kTcpAck, {});

    const uint32_t requests = RandomBetween(1, 4);
    for (uint32_t r = 0; r < requests; ++r) {
        time += r == 0 ? RandomBetween(300, 3'000) : RandomBetween(20'000, 400'000);
        const tb::Bytes request =
            serverPort == 80 ? Text("GET /docs/page" + std::to_string(RandomBelow(500)) + ".html HTTP/1.0\r\nHost: " +
                                    server.DnsName + "\r\nUser-Agent: Mozilla/4.0\r\nAccept: */*\r\n\r\n")
                             : RandomBytes(RandomBetween(80, 300));
        send(time, true, kTcpPush | kTcpAck, request);
        clientSeq += static_cast<uint32_t>(request.size());

        time += RandomBetween(5'000, 60'000);  // the server's think time
        const uint32_t length = RandomBetween(300, static_cast<uint32_t>(std::max(300, profile_.MaxResponseBytes)));
        tb::Bytes response;
        if (serverPort == 80)
            response = Text("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(length) + "\r\n\r\n");
        // Web pages are text; file-sharing sessions move file contents.
        Append(response, serverPort == 80 ? Filler(length, Random()) : RandomBytes(length));

        size_t sent = 0;
        int unacknowledged = 0;
        while (sent < response.size()) {
            const size_t size = std::min<size_t>(maxSegment, response.size() - sent);
            const bool last = sent + size == response.size();
            const tb::Bytes segment(response.begin() + static_cast<long>(sent), response.begin() + static_cast<long>(sent + size));
            send(time, false, static_cast<uint8_t>(kTcpAck | (last ? kTcpPush : 0)), segment);
            serverSeq += static_cast<uint32_t>(size);
            sent += size;
            time += 1'250;  // a full frame's time on a 10 Mbit/s medium
            // The client acknowledges every second segment and the last one.
            if (++unacknowledged == 2 || last) {
                send(time - 1'000 + halfRtt / 4, true, kTcpAck, {});
                unacknowledged = 0;
            }
        }
    }

    time += RandomBetween(1'000, 80'000);
    send(time, true, kTcpFin | kTcpAck, {});
    ++clientSeq;
    time += halfRtt;
    send(time, false, kTcpFin | kTcpAck, {});
    ++serverSeq;
    time += halfRtt;
    send(time, true, kTcpAck, {});
}

void TrafficGenerator::DnsLookup(uint64_t time, const Host& client, const Host& target)
{
    const Host& dnsServer = hosts_[ipServers_[0]];
    const auto id = static_cast<uint16_t>(Random());
    const auto port = static_cast<uint16_t>(RandomBetween(1025, 4999));
    // A host that speaks IPv6 asks for its target's IPv6 address.
    const tb::Bytes query = tb::DnsQuery(id, target.DnsName, profile_.Ipv6 ? kDnsTypeAaaa : kDnsTypeA);
    const tb::Bytes answer =
        profile_.Ipv6 ? tb::DnsAnswer(id, target.DnsName, target.Ip6) : tb::DnsAnswer(id, target.DnsName, target.Ip);
    Emit(time, UdpFrameBetween(client, dnsServer, port, 53, query, 128));
    Emit(time + RandomBetween(400, 3'000), UdpFrameBetween(dnsServer, client, 53, port, answer, 64));
}

void TrafficGenerator::Ping(uint64_t time, const Host& client, const Host& target)
{
    const tb::Bytes data(kFiller.begin(), kFiller.begin() + 32);
    const auto identifier = static_cast<uint16_t>(0x0200 + RandomBelow(16));
    for (uint16_t sequence = 1; sequence <= 4; ++sequence) {
        Emit(time, EchoFrameBetween(client, target, false, identifier, sequence, data, 128));
        Emit(time + RandomBetween(300, 900), EchoFrameBetween(target, client, true, identifier, sequence, data, 64));
        time += kMicrosPerSecond;
    }
}

void TrafficGenerator::NtpQuery(uint64_t time, const Host& client, const Host& server)
{
    tb::Bytes request(48, 0);
    request[0] = 0x1B;  // version 3, client mode
    tb::Bytes reply = request;
    reply[0] = 0x1C;  // server mode
    reply[1] = 2;     // stratum
    for (size_t i = 16; i < reply.size(); ++i) reply[i] = static_cast<uint8_t>(Random());
    Emit(time, UdpFrameBetween(client, server, 123, 123, request, 128));
    Emit(time + RandomBetween(300, 1'500), UdpFrameBetween(server, client, 123, 123, reply, 64));
}

void TrafficGenerator::ArpExchange(uint64_t time, const Host& asker, const Host& target)
{
    auto arp = [](uint16_t operation, const Host& sender, const MacAddress& targetMac, const IpAddress& targetIp) {
        tb::Bytes body;
        tb::AppendWord(body, 1);       // Ethernet
        tb::AppendWord(body, 0x0800);  // IP
        body.push_back(6);
        body.push_back(4);
        tb::AppendWord(body, operation);
        body.insert(body.end(), sender.Mac.begin(), sender.Mac.end());
        body.insert(body.end(), sender.Ip.begin(), sender.Ip.end());
        body.insert(body.end(), targetMac.begin(), targetMac.end());
        body.insert(body.end(), targetIp.begin(), targetIp.end());
        return body;
    };
    Emit(time, tb::EthernetII(kBroadcastMac, asker.Mac, 0x0806, arp(1, asker, MacAddress{}, target.Ip)));
    Emit(time + RandomBetween(100, 600), tb::EthernetII(asker.Mac, target.Mac, 0x0806, arp(2, target, asker.Mac, asker.Ip)));
}

void TrafficGenerator::NetBiosRegistration(uint64_t time, const Host& host)
{
    const IpAddress subnetBroadcast = {10, 1, 255, 255};
    const tb::Bytes message = tb::NetBiosNameRegistration(host.Name, host.Ip);
    // A registration is broadcast three times, 750 ms apart, unless somebody objects.
    for (uint64_t attempt = 0; attempt < 3; ++attempt)
        Emit(time + attempt * 750'000, tb::UdpFrame(kBroadcastMac, host.Mac, host.Ip, subnetBroadcast, 137, 137, message,
                                                    {128, nextIpIdent_++}));
}

void TrafficGenerator::NetBiosLlcNameClaim(uint64_t time, const Host& host)
{
    // ADD_NAME_QUERY, repeated while the station waits for objections.
    const tb::Bytes claim = tb::NetBiosLlcPayload(0x01, host.Name);
    for (uint64_t attempt = 0; attempt < 2; ++attempt)
        Emit(time + attempt * 500'000, tb::Llc8023(kNetBiosFunctionalMac, host.Mac, 0xF0, 0xF0, 0x03, claim));
}

void TrafficGenerator::NetBiosLlcDatagram(uint64_t time, const Host& host)
{
    // DATAGRAM to the workgroup name, carrying a browser host announcement.
    tb::Bytes frame = tb::NetBiosLlcPayload(0x08, host.Name);
    const tb::Bytes workgroup = NetBiosName("OFFICE", 0x1D);
    std::copy(workgroup.begin(), workgroup.end(), frame.begin() + 12);
    frame.push_back(0x01);
    frame.push_back(0x00);
    Append(frame, NetBiosName(host.Name, 0x00));
    Append(frame, Filler(RandomBetween(20, 120), Random()));
    Emit(time, tb::Llc8023(kNetBiosFunctionalMac, host.Mac, 0xF0, 0xF0, 0x03, frame));
}

void TrafficGenerator::NcpSession(uint64_t time, const Host& client, const Host& server)
{
    const auto connection = static_cast<uint8_t>(nextNcpConnection_);
    nextNcpConnection_ = static_cast<uint16_t>(nextNcpConnection_ % 250 + 1);
    const auto clientSocket = static_cast<uint16_t>(0x4003 + RandomBelow(8));
    const tb::IpxAddress clientAddress = IpxAddressOf(client.IpxNetwork, client.Mac, clientSocket);
    const tb::IpxAddress serverAddress = IpxAddressOf(server.IpxNetwork, kNetWareInternalNode, kNcpSocket);
    uint8_t sequence = 0;

    auto frameFor = [&](bool fromClient, const tb::Bytes& data) {
        const tb::Bytes ipx = fromClient ? tb::Ipx(serverAddress, clientAddress, 17, data)
                                         : tb::Ipx(clientAddress, serverAddress, 17, data);
        const MacAddress& dst = fromClient ? server.Mac : client.Mac;
        const MacAddress& src = fromClient ? client.Mac : server.Mac;
        switch (client.IpxEncapsulation) {
        case 0: return tb::EthernetII(dst, src, 0x8137, ipx);
        case 1: return tb::Llc8023(dst, src, 0xE0, 0xE0, 0x03, ipx);
        default: return tb::NovellRaw(dst, src, ipx);
        }
    };
    // One request and its reply; requestType 0x1111 creates and 0x5555 destroys the connection.
    auto exchange = [&](uint16_t requestType, uint8_t function, const tb::Bytes& requestBody, const tb::Bytes& replyBody) {
        tb::Bytes request = tb::NcpRequest(sequence, connection, function, requestBody);
        tb::PutWord(request, 0, requestType);
        Emit(time, frameFor(true, request));
        time += RandomBetween(400, 4'000);  // the server's turnaround
        Emit(time, frameFor(false, tb::NcpReply(sequence, connection, replyBody)));
        ++sequence;
        time += RandomBetween(300, 2'500);
    };

    exchange(0x1111, 0, {}, {});
    exchange(0x2222, 0x17, {0x00, 0x01, 0x11}, Filler(RandomBetween(20, 120), Random()));
    const tb::Bytes handle = {0x00, 0x00, 0x0C, 0x01, 0x00, 0x00};
    exchange(0x2222, 0x4C, Filler(30, Random()), handle);  // open the file
    const uint32_t reads = RandomBetween(3, 24);
    for (uint32_t i = 0; i < reads; ++i) {
        if (i > 0 && Chance(0.1)) time += RandomBetween(50'000, 900'000);  // the user pauses
        tb::Bytes read = tb::Concat({0x00}, handle);  // reserved byte, file handle
        tb::AppendLong(read, i * 1024);
        tb::AppendWord(read, 1024);
        tb::Bytes data;
        tb::AppendWord(data, 1024);
        Append(data, RandomBytes(1024));
        exchange(0x2222, 0x48, read, data);
    }
    exchange(0x2222, 0x42, tb::Concat({0x00}, handle), {});
    exchange(0x5555, 0, {}, {});
}

void TrafficGenerator::SapBroadcast(uint64_t time, const Host& server)
{
    // The file server and its print server, one hop away behind the internal router.
    const tb::Bytes data = tb::SapResponse({
        {0x0004, server.Name, IpxAddressOf(server.IpxNetwork, kNetWareInternalNode, kNcpSocket), 1},
        {0x0047, server.Name + "_PS", IpxAddressOf(server.IpxNetwork, kNetWareInternalNode, 0x8060), 1},
    });
    const tb::Bytes ipx = tb::Ipx(IpxAddressOf(NetworkNumber(kLanIpxNetwork), kBroadcastMac, kSapSocket),
                                  IpxAddressOf(NetworkNumber(kLanIpxNetwork), server.Mac, kSapSocket), 4, data);
    // Sent once for each frame type the server has bound.
    Emit(time, tb::NovellRaw(kBroadcastMac, server.Mac, ipx));
    Emit(time + 2'000, tb::EthernetII(kBroadcastMac, server.Mac, 0x8137, ipx));
    Emit(time + 4'000, tb::Llc8023(kBroadcastMac, server.Mac, 0xE0, 0xE0, 0x03, ipx));
}

void TrafficGenerator::DamagedFrames(uint64_t time)
{
    if (ipClients_.empty() || ipServers_.empty()) return;
    const Host& client = PickIpClient();
    const Host& server = PickIpServer();
    // Three frames that reached the analyser with a bad frame check sequence.
    for (uint64_t i = 0; i < 3; ++i) {
        tb::TcpSegment segment;
        segment.SrcPort = 80;
        segment.DstPort = static_cast<uint16_t>(RandomBetween(1025, 4999));
        segment.Seq = Random();
        segment.Ack = Random();
        segment.Payload = Filler(RandomBetween(200, 1400), Random());
        tb::Bytes frame = tb::TcpFrame(client.Mac, server.Mac, server.Ip, client.Ip, segment, {64, nextIpIdent_++});
        frame[frame.size() / 2] ^= 0x10;  // the damage the FCS caught
        Emit(time + i * 7'300'000, std::move(frame), true);
    }
    // A runt: a frame cut short by its sender, with a good FCS over what was sent.
    tb::Bytes runt = tb::EthernetII(server.Mac, client.Mac, 0x0800, Filler(26, Random()));
    runt.resize(40);
    pending_.push({time + 11'000'000, order_++, GeneratedFrame{time + 11'000'000, std::move(runt), false}});
    // A collision fragment: a short frame with a bad FCS.
    tb::Bytes fragment = tb::EthernetII(client.Mac, server.Mac, 0x0800, Filler(14, Random()));
    fragment.resize(28);
    pending_.push({time + 15'500'000, order_++, GeneratedFrame{time + 15'500'000, std::move(fragment), true}});
}

}  // namespace quenlix::traffic
