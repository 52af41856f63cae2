// The TCP sequence tracking as one capture point sees a connection: losses
// before the capture point, duplicate ACKs and fast retransmissions, reordering,
// windows, keep-alives and resets; and the connections that must not flood the
// ladder with false events (no SYN, sequence wrap, a reused port pair).

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EngineFeeder.h"
#include "model/TcpAnalysis.h"

using namespace quenlix;
using namespace quenlix::testing;

namespace {

const Mac kClientMac = MacOf(1);
const Mac kServerMac = MacOf(2);
const Ip kClient = IpOf(10, 0, 0, 1);
const Ip kServer = IpOf(10, 0, 0, 2);

// One segment of the script: who sends it, when, and its header.
struct Step {
    bool FromClient;
    double TimeMs;
    uint32_t Seq, Ack;
    uint8_t Flags;
    int Payload = 0;
    uint16_t Window = 8192;
    int WindowShift = -1;
};

constexpr uint8_t kSyn = 0x02, kAck = 0x10, kFin = 0x01, kRst = 0x04, kPsh = 0x08;

// Feeds the steps and returns each segment's events as text, in trace order.
std::vector<std::string> Events(const std::vector<Step>& steps)
{
    AnalysisState state;
    EngineFeeder feed(state);
    std::vector<bool> fromClient;
    for (const Step& s : steps) {
        TcpSegment segment{s.FromClient ? uint16_t{40000} : uint16_t{80}, s.FromClient ? uint16_t{80} : uint16_t{40000},
                           s.Seq, s.Ack, s.Flags, s.Window, 0, Bytes(static_cast<size_t>(s.Payload), 7)};
        const TcpOptionFields options{s.WindowShift, {}};
        feed.Feed(s.FromClient ? TcpFrame(kServerMac, kClientMac, kClient, kServer, segment, {}, options)
                               : TcpFrame(kClientMac, kServerMac, kServer, kClient, segment, {}, options),
                  s.TimeMs * 1000);
        fromClient.push_back(s.FromClient);
    }
    // The packets of both directions in trace order: the list holds them in frame order.
    TcpTracker tracker;
    std::vector<std::string> out;
    const std::pair<TcpEvent, const char*> names[] = {
        {kTcpFastRetransmission, "fast "}, {kTcpRetransmission, "retransmission "}, {kTcpPreviousNotCaptured, "lost "},
        {kTcpDuplicateAck, "dup "},        {kTcpOutOfOrder, "ooo "},                {kTcpWindowFull, "full "},
        {kTcpWindowUpdate, "update "},     {kTcpKeepAlive, "keepalive "},          {kTcpReset, "rst "}};
    for (size_t i = 0; i < state.PacketList.size(); ++i) {
        const TcpVerdict v = tracker.Next(state, static_cast<int32_t>(i), fromClient[i]);
        std::string text;
        for (const auto& [event, name] : names)
            if (v.Events.Has(event)) text += name;
        if (v.DuplicateAckNumber) text += std::to_string(v.DuplicateAckNumber);
        out.push_back(text);
    }
    return out;
}

// A handshake: client ISN 1000, server ISN 5000.
std::vector<Step> Handshake(int clientShift = -1, int serverShift = -1)
{
    return {{true, 0, 1000, 0, kSyn, 0, 8192, clientShift},
            {false, 1, 5000, 1001, kSyn | kAck, 0, 8192, serverShift},
            {true, 2, 1001, 5001, kAck}};
}

std::vector<Step> With(std::vector<Step> steps, const std::vector<Step>& more)
{
    steps.insert(steps.end(), more.begin(), more.end());
    return steps;
}

TEST(TcpTracking, LossBeforeTheCapturePointThenFastRetransmission)
{
    // The server's segment 5001..6000 is lost before the capture point.
    const auto steps = With(Handshake(), {
                                             {false, 10, 6001, 1001, kAck, 1000},
                                             {true, 11, 1001, 5001, kAck},
                                             {false, 12, 7001, 1001, kAck, 1000},
                                             {true, 13, 1001, 5001, kAck},
                                             {true, 14, 1001, 5001, kAck},
                                             {false, 20, 5001, 1001, kAck, 1000},
                                             {true, 21, 1001, 8001, kAck},
                                         });
    // The client's first ACK of 5001 after the handshake's is already a duplicate.
    EXPECT_EQ(Events(steps), (std::vector<std::string>{"", "", "", "lost ", "dup 1", "", "dup 2", "dup 3",
                                                       "fast retransmission ", ""}));
}

TEST(TcpTracking, RetransmissionReorderingKeepAliveAndReset)
{
    const auto steps = With(Handshake(), {
                                             {true, 10, 1001, 5001, kAck | kPsh, 100},
                                             {true, 400, 1001, 5001, kAck | kPsh, 100},   // sent again after a timeout
                                             {true, 401, 1201, 5001, kAck, 100},          // 1101..1200 not yet seen
                                             {true, 401.5, 1101, 5001, kAck, 100},        // arrives just after: reordered
                                             {true, 9000, 1300, 5001, kAck, 1},           // keep-alive
                                             {false, 9001, 5001, 1301, kAck | kRst, 0},
                                         });
    EXPECT_EQ(Events(steps),
              (std::vector<std::string>{"", "", "", "", "retransmission ", "lost ", "ooo ", "keepalive ", "rst "}));
}

TEST(TcpTracking, WindowsScaledAsTheSynsAgree)
{
    // The server offers 2,048 bytes (8 << 8) once both SYNs carried a scale; the
    // client's second 1,024 bytes fill it. A window change without new data is an update.
    const auto steps = With(Handshake(2, 8), {
                                                 {false, 3, 5001, 1001, kAck, 0, 8},
                                                 {true, 10, 1001, 5001, kAck, 1024, 100},
                                                 {true, 11, 2025, 5001, kAck, 1024, 100},
                                                 {false, 12, 5001, 3049, kAck, 0, 16},
                                             });
    EXPECT_EQ(Events(steps), (std::vector<std::string>{"", "", "", "update ", "", "full ", ""}));
}

// Connections that must give no events at all.
TEST(TcpTracking, NoFalseEvents)
{
    struct Case {
        const char* Name;
        std::vector<Step> Steps;
    };
    std::vector<Step> wrap;
    for (int i = 0; i < 8; ++i)
        wrap.push_back({true, 10.0 + i, 0xFFFFF000u + static_cast<uint32_t>(i) * 1000, 5001, kAck, 1000});
    const Case cases[] = {
        {"seen without its SYN", {{true, 0, 777777, 5001, kAck, 500}, {false, 1, 5001, 778277, kAck}, {true, 2, 778277, 5001, kAck, 500}}},
        {"sequence numbers wrapping past 2^32", wrap},
        {"a zero-length FIN on each side", With(Handshake(), {{true, 5, 1001, 5001, kAck | kFin}, {false, 6, 5001, 1002, kAck | kFin}, {true, 7, 1002, 5002, kAck}})},
        {"a port pair used again with a new SYN", With(With(Handshake(), {{true, 5, 1001, 5001, kAck | kFin}, {false, 6, 5001, 1002, kAck | kFin}}),
                                                        {{true, 5000, 90000, 0, kSyn}, {false, 5001, 70000, 90001, kSyn | kAck}, {true, 5002, 90001, 70001, kAck}})},
        {"window scale out of range", With(Handshake(40, 40), {{true, 10, 1001, 5001, kAck, 1000}})},
    };
    for (const Case& c : cases) {
        for (const std::string& e : Events(c.Steps)) EXPECT_EQ(e, "") << c.Name;
    }
}

TEST(TcpTracking, RetransmittedSynAndResetStorm)
{
    std::vector<Step> steps = {{true, 0, 1000, 0, kSyn}, {true, 1000, 1000, 0, kSyn}};
    for (int i = 0; i < 5; ++i) steps.push_back({false, 1001.0 + i, 0, 1001, kAck | kRst});
    EXPECT_EQ(Events(steps), (std::vector<std::string>{"", "retransmission ", "rst ", "rst ", "rst ", "rst ", "rst "}));
}

}  // namespace
