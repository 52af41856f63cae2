#pragma once
// Builds network nodes, conversation records and packet chains straight into an
// analysis state, with exact times, lengths and flags, for the tests of the
// transaction analysis and the client/server expert.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "model/AnalysisState.h"
#include "model/TransactionAnalysis.h"

namespace quenlix::testing {

inline NetString IpKey(uint8_t a, uint8_t b, uint8_t c, uint8_t d)
{
    const uint8_t bytes[4] = {a, b, c, d};
    return NetString(bytes, 4);
}

inline NetString IpxKey(uint32_t network, const uint8_t (&node)[6])
{
    uint8_t bytes[10] = {static_cast<uint8_t>(network >> 24), static_cast<uint8_t>(network >> 16),
                         static_cast<uint8_t>(network >> 8), static_cast<uint8_t>(network)};
    std::memcpy(bytes + 4, node, 6);
    return NetString(bytes, 10);
}

// ---- packets ----

// A data segment's flags: push and acknowledgement.
constexpr uint16_t kTcpPushAck = kTcpPush | kTcpAck;

// A TCP segment in an Ethernet frame with the FCS: 14 + 20 + 20 + payload + 4 bytes.
inline TPacket TcpPacket(double time, int payload, uint32_t seq, uint32_t ack, uint16_t tcpFlags = kTcpPushAck,
                         PacketFlagSet packetFlags = {})
{
    TPacket p;
    p.Time = time;
    p.Length = static_cast<uint16_t>(58 + payload);
    p.SetIPHeaderLen(20);
    p.SetTransportHeaderLen(20);
    p.NetLength = static_cast<uint16_t>(40 + payload);
    p.Seq = seq;
    p.Ack = ack;
    p.ControlByte = static_cast<uint8_t>(tcpFlags);
    p.TypeWord = 8192;
    p.PacketFlags = packetFlags;
    return p;
}

// A UDP datagram in an Ethernet frame: 14 + 20 + 8 + payload + 4 bytes.
inline TPacket UdpPacket(double time, int payload, uint16_t ident, PacketFlagSet packetFlags)
{
    TPacket p;
    p.Time = time;
    p.Length = static_cast<uint16_t>(46 + payload);
    p.SetIPHeaderLen(20);
    p.SetTransportHeaderLen(8);
    p.NetLength = static_cast<uint16_t>(28 + payload);
    p.IPIdent = ident;
    p.PacketFlags = packetFlags;
    return p;
}

// An ICMP echo request (type 8) or reply (type 0) of 98 bytes.
inline TPacket EchoPacket(double time, uint8_t type, uint32_t sequence)
{
    TPacket p;
    p.Time = time;
    p.Length = 98;
    p.SetIPHeaderLen(20);
    p.NetLength = 84;
    p.TypeWord = type;
    p.Seq = sequence;
    p.PacketFlags = type == 8 ? kPktRequest : kPktReply;
    return p;
}

// An IPX packet (NCP, SPX, NetBIOS, packet burst) of the given length.
inline TPacket IpxPacket(double time, uint16_t length, uint32_t seq, uint32_t ack, PacketFlagSet packetFlags)
{
    TPacket p;
    p.Time = time;
    p.Length = length;
    p.SetIPHeaderLen(30);
    p.NetLength = static_cast<uint16_t>(length - 18);
    p.Seq = seq;
    p.Ack = ack;
    p.PacketFlags = packetFlags;
    return p;
}

// ---- records ----

class Chains {
public:
    Chains() : state_(std::make_unique<AnalysisState>())
    {
        // Object 0 is a station's DLC record in every state the engine builds.
        state_->ObjectList.Add(TDLCPeer{});
    }

    AnalysisState& State() { return *state_; }
    const AnalysisState& State() const { return *state_; }

    NetNode& Node(const NetString& address)
    {
        NetNode& node = state_->NetworkNodes[address];
        node.Address = address;
        return node;
    }

    // The conversation record from one address to another; the sender becomes a sender.
    int Peer(const NetString& from, const NetString& to)
    {
        NetNode& node = Node(from);
        Node(to);
        TNetPeer peer;
        peer.PeerNode = state_->NetworkNodes.NumberOf(to);
        const int index = state_->ObjectList.Add(peer);
        if (!(node.NetFlags.Has(kFlagSender))) {
            node.NetFlags = {kFlagSender, kFlagViewable};
            node.FirstPeer = index;
        } else {
            int last = node.FirstPeer;
            while (state_->ObjectList.NetPeer(last).Next != 0) last = state_->ObjectList.NetPeer(last).Next;
            state_->ObjectList.ChangeNetPeer(last, [&](auto& record) { record.Next = index; });
        }
        return index;
    }

    int Head(int peer, ApplicationCode app, uint16_t srcPort = 0, uint16_t dstPort = 0)
    {
        TTransHead head;
        head.App = app;
        head.SrcPort = srcPort;
        head.DstPort = dstPort;
        const int index = state_->ObjectList.Add(head);
        const int first = state_->ObjectList.NetPeer(peer).FirstTrans;
        if (first == -1) {
            state_->ObjectList.ChangeNetPeer(peer, [index](TNetPeer& record) { record.FirstTrans = index; });
        } else {
            int last = first;
            while (state_->ObjectList.TransHead(last).NextTrans != -1) last = state_->ObjectList.TransHead(last).NextTrans;
            state_->ObjectList.ChangeTransHead(last, [index](TTransHead& record) { record.NextTrans = index; });
        }
        return index;
    }

    // Appends a packet to a chain as the next frame of the trace.
    int Send(int head, TPacket packet)
    {
        packet.FrameNo = static_cast<uint32_t>(++frames_);
        return Append(head, packet);
    }

    // Appends a packet with the frame number it carries.
    int Append(int head, TPacket packet)
    {
        const int index = static_cast<int>(state_->PacketList.size());
        state_->ObjectList.ChangeTransHead(head, [&](TTransHead& record) {
            packet.PrevPacket = record.LastPacket;
            packet.NextPacket = -1;
            state_->PacketList.push_back(packet);
            if (record.FirstPacket == -1)
                record.FirstPacket = index;
            else
                state_->PacketList[static_cast<size_t>(record.LastPacket)].NextPacket = index;
            record.LastPacket = index;
        });
        state_->TotalFrames = std::max<int64_t>(state_->TotalFrames, packet.FrameNo);
        frames_ = std::max<int64_t>(frames_, packet.FrameNo);
        return index;
    }

    int64_t Frames() const { return frames_; }

private:
    std::unique_ptr<AnalysisState> state_;
    int64_t frames_ = 0;
};

}  // namespace quenlix::testing
