#include "ProblemConversation.h"

#include "FrameBuilder.h"

namespace quenlix::testing {

std::vector<SnifferFrame> ProblemConversationFrames()
{
    const Mac clientMac = MacOf(1), serverMac = MacOf(2), routerMac = MacOf(3);
    const Ip client{10, 5, 0, 1}, server{10, 5, 0, 2};
    std::vector<SnifferFrame> frames;
    uint64_t time = 1000000;
    const auto add = [&](Bytes bytes, uint64_t after, uint8_t status = 0) {
        time += after;
        frames.push_back({time, std::move(bytes), 0, status, 4});
    };
    const auto fromClient = [&](uint32_t seq, size_t payload, uint8_t flags, bool badTcp, IpOptions ip = {}) {
        TcpSegment s{1025, 80, seq, 5000, flags, 8192, 0, Bytes(payload, 0x41), badTcp};
        return Padded(TcpFrame(serverMac, clientMac, client, server, s, ip));
    };
    const auto fromServer = [&](uint32_t ack, uint16_t window, bool pad = true) {
        TcpSegment s{80, 1025, 5000, ack, 0x10, window, 0, {}, false};
        const Bytes frame = EthernetII(clientMac, serverMac, 0x0800, Ipv4(server, client, 6, Tcp(server, client, s)));
        return pad ? Padded(frame) : frame;
    };
    add(fromClient(1000, 100, 0x18, true), 0);          // TCP checksum error
    add(fromServer(1000, 8192), 2000);
    add(fromClient(1000, 100, 0x18, false), 150000);    // its retransmission, 150 ms later
    add(fromServer(1100, 8192), 2000);
    IpOptions badIp;
    badIp.BadChecksum = true;
    add(fromClient(1100, 100, 0x18, false, badIp), 10000);  // IP checksum error
    add(fromClient(1200, 100, 0x18, false), 10000, 0x80);   // bad FCS
    add(fromServer(1300, 0), 2000);                          // zero window
    IpOptions routed;
    routed.Ttl = 63;
    TcpSegment copy{1025, 80, 1200, 5000, 0x18, 8192, 0, Bytes(100, 0x41), false};
    add(Padded(TcpFrame(serverMac, routerMac, client, server, copy, routed)), 500);  // the router's copy
    add(fromServer(1300, 8192, false), 2000);                // short: 54 bytes without padding
    add(fromClient(1300, 1470, 0x18, false), 10000);         // long: 1528 bytes with the FCS
    add(fromServer(2770, 8192), 2000);
    return frames;
}

}  // namespace quenlix::testing
