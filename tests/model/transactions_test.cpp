// The transaction analysis of one conversation: result codes, alignment and
// response matching per application, the transmission-time correction, the
// response-size filters, the throughput window, flag counts and damaged chains.

#include <gtest/gtest.h>

#include "EngineFeeder.h"
#include "FrameBuilder.h"
#include "model/TransactionAnalysis.h"
#include "transaction_chains.h"

namespace quenlix {
namespace {

using namespace quenlix::testing;

class Transactions : public ::testing::Test {
protected:
    void TwoWay()
    {
        forward = c.Peer(client, server);
        reverse = c.Peer(server, client);
    }

    TransactionAnalysis Query(int head) const
    {
        TransactionAnalysis q;
        q.SelectedNetNode = &c.State().NetworkNodes.at(client);
        q.SelectedPeer = forward;
        q.SelectedApp = head;
        q.IncludeTransmissionTime = true;
        q.FirstFrameNo = 1;
        q.LastFrameNo = c.Frames();
        return q;
    }

    TransactionAnalysis Latency(int head) const
    {
        TransactionAnalysis q = Query(head);
        q.MeasureLatency = true;
        return Run(q);
    }

    TransactionAnalysis Run(TransactionAnalysis q) const
    {
        AnalyzeTransactions(c.State(), q);
        return q;
    }

    // A UDP exchange: the request and, delay microseconds later, its answer.
    void UdpExchange(int request, int answer, double time, double delay, uint16_t ident, int answerPayload = 20)
    {
        c.Send(request, UdpPacket(time, 20, ident, kPktRequest));
        c.Send(answer, UdpPacket(time + delay, answerPayload, static_cast<uint16_t>(ident + 1000), kPktReply));
    }

    Chains c;
    const NetString client = IpKey(10, 0, 0, 1);
    const NetString server = IpKey(10, 0, 0, 2);
    int forward = -1;
    int reverse = -1;
};

void ExpectNoLatency(const TransactionAnalysis& q)
{
    EXPECT_EQ(q.LatencyCount, 0);
    EXPECT_EQ(q.LatencyMin, kLatencyStartMin);
    EXPECT_EQ(q.LatencyMax, 0);
    EXPECT_EQ(q.LatencySum, 0);
}

// ---- result codes -------------------------------------------------------------------

TEST_F(Transactions, ApplicationsThatCannotBeTimedStopBeforeAnyPacket)
{
    TwoWay();
    const int sap = c.Head(forward, kAppSAP);
    c.Send(sap, IpxPacket(0, 100, 0, 0, kPktRequest));
    c.Send(sap, IpxPacket(10, 100, 0, 0, kPktRequest));

    const TransactionAnalysis latency = Latency(sap);
    EXPECT_EQ(latency.AnalysisResult, kResultNotTimeable);
    EXPECT_EQ(latency.ForwardPackets, 0);

    TransactionAnalysis problem = Query(sap);
    problem.ProblemMode = true;
    EXPECT_EQ(Run(problem).AnalysisResult, kResultNotTimeable);

    // Throughput is measured for any application.
    TransactionAnalysis throughput = Query(sap);
    throughput.MeasureThroughput = true;
    throughput = Run(throughput);
    EXPECT_EQ(throughput.AnalysisResult, kResultAnalysed);
    EXPECT_EQ(throughput.ForwardPackets, 2);
}

TEST_F(Transactions, ServerThatNeverSentMakesTheConversationOneWay)
{
    forward = c.Peer(client, server);
    const int udp = c.Head(forward, kAppUDP, 40000, 7000);
    c.Send(udp, UdpPacket(0, 20, 1, kPktRequest));
    c.Send(udp, UdpPacket(1000, 30, 2, kPktRequest));

    const TransactionAnalysis q = Latency(udp);
    EXPECT_EQ(q.AnalysisResult, kResultOneWay);
    EXPECT_TRUE(q.NoReversePath);
    EXPECT_EQ(q.ForwardPackets, 1);
    EXPECT_EQ(q.ForwardBytes, 66);
    EXPECT_EQ(q.ReversePackets, 0);
    ExpectNoLatency(q);
}

TEST_F(Transactions, NoReversePathStaysSetOnceSet)
{
    TwoWay();
    const int udp = c.Head(forward, kAppUDP, 40000, 7000);
    const int back = c.Head(reverse, kAppUDP, 7000, 40000);
    UdpExchange(udp, back, 0, 500, 1);

    TransactionAnalysis q = Query(udp);
    q.MeasureLatency = true;
    q.NoReversePath = true;
    q = Run(q);
    EXPECT_EQ(q.AnalysisResult, kResultOneWay);
    EXPECT_TRUE(q.NoReversePath);
    // Cleared by the caller, the same conversation is analysed.
    q.NoReversePath = false;
    EXPECT_EQ(Run(q).AnalysisResult, kResultAnalysed);
}

TEST_F(Transactions, ServerThatSentOnlyElsewhereIsOneWay)
{
    forward = c.Peer(client, server);
    const int elsewhere = c.Peer(server, IpKey(10, 0, 0, 3));
    const int udp = c.Head(forward, kAppUDP, 40000, 7000);
    const int other = c.Head(elsewhere, kAppUDP, 7000, 40000);
    UdpExchange(udp, other, 0, 500, 1);

    const TransactionAnalysis q = Latency(udp);
    EXPECT_EQ(q.AnalysisResult, kResultOneWay);
    EXPECT_FALSE(q.NoReversePath);  // the server did send, just not to the client
    EXPECT_EQ(q.ForwardPackets, 1);
}

TEST_F(Transactions, ReverseChainIsFoundBySwappedPortsOrByApplication)
{
    TwoWay();
    // UDP: a head on the same ports in the same order is not the answer.
    const int udp = c.Head(forward, kAppUDP, 40000, 7000);
    const int sameOrder = c.Head(reverse, kAppUDP, 40000, 7000);
    UdpExchange(udp, sameOrder, 0, 500, 1);
    const TransactionAnalysis unmatched = Latency(udp);
    EXPECT_EQ(unmatched.AnalysisResult, kResultNoReverseApp);
    EXPECT_EQ(unmatched.ForwardPackets, 1);
    EXPECT_EQ(unmatched.ForwardBytes, 66);
    EXPECT_EQ(unmatched.ReversePackets, 0);

    const int second = c.Head(forward, kAppUDP, 40001, 7000);
    const int swapped = c.Head(reverse, kAppUDP, 7000, 40001);
    c.Send(second, UdpPacket(2000, 20, 7, kPktRequest));
    c.Send(swapped, UdpPacket(2300, 20, 8, kPktReply));
    const TransactionAnalysis matched = Latency(second);
    EXPECT_EQ(matched.AnalysisResult, kResultAnalysed);
    EXPECT_EQ(matched.LatencyCount, 1);
    EXPECT_EQ(matched.LatencySum, 300);
}

TEST_F(Transactions, NcpFindsTheReverseChainByApplicationAlone)
{
    TwoWay();
    const int ncp = c.Head(forward, kAppNCP, 0x4003, 0x0451);
    const int replies = c.Head(reverse, kAppNCP, 0x1234, 0x9999);  // ports play no part
    c.Send(ncp, IpxPacket(0, 100, 1, 0, kPktRequest));
    c.Send(replies, IpxPacket(700, 100, 1, 0, kPktReply));
    const TransactionAnalysis q = Latency(ncp);
    EXPECT_EQ(q.AnalysisResult, kResultAnalysed);
    EXPECT_EQ(q.LatencyCount, 1);
    EXPECT_EQ(q.LatencySum, 700);
}

TEST_F(Transactions, EmptyOrMissingChainsGiveAResultCode)
{
    TwoWay();
    const int empty = c.Head(forward, kAppUDP, 40000, 7000);
    c.Head(reverse, kAppUDP, 7000, 40000);
    EXPECT_EQ(Latency(empty).AnalysisResult, kResultNoRequest);
    EXPECT_EQ(Latency(empty).ForwardPackets, 0);
    EXPECT_EQ(Latency(-1).AnalysisResult, kResultNoRequest);
    EXPECT_EQ(Latency(forward).AnalysisResult, kResultNoRequest);  // not an application record
    EXPECT_EQ(Latency(99999).AnalysisResult, kResultNoRequest);

    // A reverse application record without packets is no answering chain.
    c.Send(empty, UdpPacket(0, 20, 1, kPktRequest));
    EXPECT_EQ(Latency(empty).AnalysisResult, kResultNoReverseApp);
}

// ---- alignment per application --------------------------------------------------------

TEST_F(Transactions, IcmpAlignsOnTheFirstEchoRequest)
{
    TwoWay();
    const int ping = c.Head(forward, kAppICMP);
    const int pong = c.Head(reverse, kAppICMP);
    c.Send(pong, EchoPacket(0, 8, 1));      // the server pings first
    c.Send(ping, EchoPacket(100, 0, 1));    // and the client answers
    c.Send(ping, EchoPacket(1000, 8, 7));   // the client's own ping
    c.Send(pong, EchoPacket(1400, 0, 7));

    const TransactionAnalysis q = Latency(ping);
    EXPECT_EQ(q.AnalysisResult, kResultAnalysed);
    EXPECT_EQ(q.ForwardPackets, 2);
    EXPECT_EQ(q.LatencyCount, 1);
    EXPECT_EQ(q.LatencySum, 400);
    EXPECT_EQ(q.ReversePackets, 2);
}

TEST_F(Transactions, IcmpWithoutEchoRequestGivesCode4)
{
    TwoWay();
    const int ping = c.Head(forward, kAppICMP);
    const int pong = c.Head(reverse, kAppICMP);
    c.Send(pong, EchoPacket(0, 8, 1));
    c.Send(ping, EchoPacket(100, 0, 1));
    c.Send(pong, EchoPacket(200, 8, 2));
    c.Send(ping, EchoPacket(300, 0, 2));

    const TransactionAnalysis q = Latency(ping);
    EXPECT_EQ(q.AnalysisResult, kResultNoEchoRequest);
    EXPECT_EQ(q.ForwardPackets, 2);  // the packets walked so far stay counted
    EXPECT_EQ(q.ForwardBytes, 196);
    ExpectNoLatency(q);
}

TEST_F(Transactions, TcpChainOfBareAcknowledgementsGivesCode6)
{
    TwoWay();
    const int acks = c.Head(forward, kAppTCP, 40000, 80);
    const int data = c.Head(reverse, kAppTCP, 80, 40000);
    c.Send(data, TcpPacket(0, 1000, 5000, 100));
    c.Send(acks, TcpPacket(10, 0, 100, 6000, kTcpAck));
    c.Send(data, TcpPacket(20, 1000, 6000, 100));
    c.Send(acks, TcpPacket(30, 0, 100, 7000, kTcpAck));

    const TransactionAnalysis q = Latency(acks);
    EXPECT_EQ(q.AnalysisResult, kResultOnlyAcks);
    EXPECT_EQ(q.ForwardPackets, 2);
    ExpectNoLatency(q);
}

TEST_F(Transactions, TcpAlignsPastBareAcknowledgements)
{
    TwoWay();
    const int requests = c.Head(forward, kAppTCP, 40000, 80);
    const int answers = c.Head(reverse, kAppTCP, 80, 40000);
    c.Send(requests, TcpPacket(0, 0, 100, 0, kTcpAck));
    c.Send(requests, TcpPacket(1000, 50, 100, 0));
    c.Send(answers, TcpPacket(1600, 0, 0, 150, kTcpAck));

    const TransactionAnalysis q = Latency(requests);
    EXPECT_EQ(q.AnalysisResult, kResultAnalysed);
    EXPECT_EQ(q.ForwardPackets, 2);
    EXPECT_EQ(q.LatencyCount, 1);
    EXPECT_EQ(q.LatencySum, 600);
}

TEST_F(Transactions, TcpWhoseServerNeverAcknowledgesTheRequestGivesCode11)
{
    TwoWay();
    const int requests = c.Head(forward, kAppTCP, 40000, 80);
    const int answers = c.Head(reverse, kAppTCP, 80, 40000);
    c.Send(answers, TcpPacket(0, 0, 0, 50, kTcpAck));
    c.Send(requests, TcpPacket(100, 100, 1000, 0));
    c.Send(answers, TcpPacket(200, 0, 0, 1000, kTcpAck));  // acknowledges only up to the request
    c.Send(answers, TcpPacket(300, 0, 0, 900, kTcpAck));

    const TransactionAnalysis q = Latency(requests);
    EXPECT_EQ(q.AnalysisResult, kResultNoTcpAck);
    EXPECT_EQ(q.ForwardPackets, 1);
    EXPECT_EQ(q.ReversePackets, 3);
    ExpectNoLatency(q);
}

TEST_F(Transactions, UdpAlignsOnTheFirstRequestNotSentToAGroup)
{
    TwoWay();
    const int udp = c.Head(forward, kAppUDP, 40000, 7000);
    const int back = c.Head(reverse, kAppUDP, 7000, 40000);
    c.Send(udp, UdpPacket(0, 20, 1, kPktRequest | kPktGroup));
    c.Send(back, UdpPacket(100, 20, 2, kPktReply));
    c.Send(udp, UdpPacket(1000, 20, 3, kPktRequest));
    c.Send(back, UdpPacket(1250, 20, 4, kPktReply));

    const TransactionAnalysis q = Latency(udp);
    EXPECT_EQ(q.LatencyCount, 1);
    EXPECT_EQ(q.LatencySum, 250);
}

TEST_F(Transactions, UdpWithoutRequestIsAnalysedWithoutLatency)
{
    TwoWay();
    const int udp = c.Head(forward, kAppUDP, 40000, 7000);
    const int back = c.Head(reverse, kAppUDP, 7000, 40000);
    UdpExchange(udp, back, 0, 100, 1);
    c.State().PacketList[0].PacketFlags = kPktReply;

    const TransactionAnalysis q = Latency(udp);
    EXPECT_EQ(q.AnalysisResult, kResultAnalysed);  // no code for UDP
    ExpectNoLatency(q);
    EXPECT_EQ(q.ReversePackets, 1);
}

TEST_F(Transactions, CommandApplicationsWithoutRequestGiveCode7)
{
    TwoWay();
    const int ncp = c.Head(forward, kAppNCP);
    const int replies = c.Head(reverse, kAppNCP);
    c.Send(ncp, IpxPacket(0, 100, 1, 0, kPktReply));
    c.Send(ncp, IpxPacket(10, 100, 2, 0, kPktRequest | kPktGroup));
    c.Send(replies, IpxPacket(20, 100, 2, 0, kPktReply));

    const TransactionAnalysis q = Latency(ncp);
    EXPECT_EQ(q.AnalysisResult, kResultNoRequest);
    EXPECT_EQ(q.ForwardPackets, 2);
}

TEST_F(Transactions, ServerThatOnlySpokeBeforeTheRequestLeavesNothingToTime)
{
    TwoWay();
    const int udp = c.Head(forward, kAppUDP, 40000, 7000);
    const int back = c.Head(reverse, kAppUDP, 7000, 40000);
    c.Send(back, UdpPacket(0, 20, 1, kPktReply));
    c.Send(udp, UdpPacket(100, 20, 2, kPktRequest));

    const TransactionAnalysis q = Latency(udp);
    EXPECT_EQ(q.AnalysisResult, kResultAnalysed);
    ExpectNoLatency(q);
    EXPECT_EQ(q.ReversePackets, 1);
}

// ---- response matching ------------------------------------------------------------------

TEST_F(Transactions, IcmpNcpAndSmbAnswersCarryTheRequestIdentifier)
{
    for (ApplicationCode app : {kAppICMP, kAppNCP, kAppSMB}) {
        Chains fresh;
        c = std::move(fresh);
        TwoWay();
        const int requests = c.Head(forward, app);
        const int answers = c.Head(reverse, app);
        c.Send(requests, IpxPacket(0, 100, 4, 0, kPktRequest));
        c.Send(answers, IpxPacket(100, 100, 3, 0, kPktReply));  // answers an older request
        c.Send(answers, IpxPacket(350, 100, 4, 0, kPktReply));
        if (app == kAppICMP) c.State().PacketList[0].TypeWord = 8;

        const TransactionAnalysis q = Latency(requests);
        EXPECT_EQ(q.LatencyCount, 1) << int(app);
        EXPECT_EQ(q.LatencySum, 350) << int(app);
    }
}

TEST_F(Transactions, SpxNetBiosAndBurstAnswersAcknowledgeTheNextSequence)
{
    for (ApplicationCode app : {kAppSPX, kAppNetBIOS, kAppPBurst}) {
        Chains fresh;
        c = std::move(fresh);
        TwoWay();
        const int requests = c.Head(forward, app, 0x10, 0x20);
        const int answers = c.Head(reverse, app, 0x20, 0x10);
        c.Send(requests, IpxPacket(0, 100, 5, 0, kPktRequest));
        c.Send(answers, IpxPacket(100, 100, 0, 5, kPktReply));  // acknowledges the one before
        c.Send(answers, IpxPacket(400, 100, 0, 6.5, kPktReply));

        const TransactionAnalysis q = Latency(requests);
        EXPECT_EQ(q.LatencyCount, 1) << int(app);
        EXPECT_EQ(q.LatencySum, 400) << int(app);
    }
}

TEST_F(Transactions, UdpFragmentsOfOneDatagramAreTimedOnce)
{
    TwoWay();
    const int udp = c.Head(forward, kAppUDP, 40000, 7000);
    const int back = c.Head(reverse, kAppUDP, 7000, 40000);
    c.Send(udp, UdpPacket(0, 1472, 9, kPktRequest));
    c.Send(udp, UdpPacket(100, 500, 9, {}));  // second fragment: same identification
    c.Send(back, UdpPacket(1100, 20, 1, kPktReply));
    c.Send(udp, UdpPacket(2000, 20, 10, kPktRequest));
    c.Send(back, UdpPacket(2200, 20, 2, kPktReply));

    const TransactionAnalysis q = Latency(udp);
    EXPECT_EQ(q.ForwardPackets, 3);
    EXPECT_EQ(q.LatencyCount, 2);
    EXPECT_EQ(q.LatencySum, 1100 + 200);
}

TEST_F(Transactions, TcpAnswerIsTheFirstAcknowledgementOfTheWholeRequest)
{
    TwoWay();
    const int requests = c.Head(forward, kAppTCP, 40000, 80);
    const int answers = c.Head(reverse, kAppTCP, 80, 40000);
    c.Send(requests, TcpPacket(0, 100, 1000, 1));
    c.Send(answers, TcpPacket(300, 0, 1, 1050, kTcpAck));  // only half of it
    c.Send(answers, TcpPacket(800, 0, 1, 1100, kTcpAck));

    const TransactionAnalysis q = Latency(requests);
    EXPECT_EQ(q.LatencyCount, 1);
    EXPECT_EQ(q.LatencySum, 800);
}

TEST_F(Transactions, TcpAnswerToExactlyTheNextSegmentBelongsToIt)
{
    TwoWay();
    const int requests = c.Head(forward, kAppTCP, 40000, 80);
    const int answers = c.Head(reverse, kAppTCP, 80, 40000);
    c.Send(requests, TcpPacket(0, 100, 1000, 1));
    c.Send(requests, TcpPacket(200, 50, 1100, 1));
    c.Send(answers, TcpPacket(900, 0, 1, 1150, kTcpAck));

    const TransactionAnalysis q = Latency(requests);
    EXPECT_EQ(q.LatencyCount, 1);  // the first segment is skipped
    EXPECT_EQ(q.LatencySum, 700);
}

TEST_F(Transactions, TcpAnswerBeyondTheNextSegmentIsTimedFromIt)
{
    TwoWay();
    const int requests = c.Head(forward, kAppTCP, 40000, 80);
    const int answers = c.Head(reverse, kAppTCP, 80, 40000);
    c.Send(requests, TcpPacket(0, 100, 1000, 1));
    c.Send(requests, TcpPacket(200, 50, 1100, 1));
    c.Send(answers, TcpPacket(900, 0, 1, 1200, kTcpAck));

    const TransactionAnalysis q = Latency(requests);
    EXPECT_EQ(q.LatencyCount, 2);
    EXPECT_EQ(q.LatencyMin, 700);
    EXPECT_EQ(q.LatencyMax, 700);
}

TEST_F(Transactions, TcpSynIsTimedAndBareAcknowledgementsAreNot)
{
    TwoWay();
    const int requests = c.Head(forward, kAppTCP, 40000, 80);
    const int answers = c.Head(reverse, kAppTCP, 80, 40000);
    c.Send(requests, TcpPacket(0, 0, 1000, 0, kTcpSyn, kPktRequest));
    c.Send(answers, TcpPacket(150, 0, 5000, 1001, 0x12));
    c.Send(requests, TcpPacket(300, 0, 1001, 5001, kTcpAck));
    c.Send(answers, TcpPacket(5000, 0, 5001, 1001, kTcpAck));

    const TransactionAnalysis q = Latency(requests);
    EXPECT_EQ(q.LatencyCount, 1);
    EXPECT_EQ(q.LatencySum, 150);
    EXPECT_EQ(q.ForwardPackets, 2);
    EXPECT_EQ(q.ReversePackets, 2);
}

// A connection whose server acknowledges a 100-byte request at once and sends
// its answer, in two segments, 40 ms later; then the client's second request,
// sent in two segments, answered 30 ms after its second; then the close.
void ThinkingServer(Chains& c, int requests, int answers)
{
    c.Send(requests, TcpPacket(0, 0, 1000, 0, kTcpSyn, kPktRequest));
    c.Send(answers, TcpPacket(100, 0, 5000, 1001, 0x12));
    c.Send(requests, TcpPacket(200, 0, 1001, 5001, kTcpAck));
    c.Send(requests, TcpPacket(1000, 100, 1001, 5001));
    c.Send(answers, TcpPacket(1020, 0, 5001, 1101, kTcpAck));
    c.Send(answers, TcpPacket(41000, 1000, 5001, 1101));
    c.Send(answers, TcpPacket(41100, 500, 6001, 1101));
    c.Send(requests, TcpPacket(41200, 0, 1101, 6501, kTcpAck));
    c.Send(requests, TcpPacket(50000, 60, 1101, 6501));
    c.Send(requests, TcpPacket(50100, 40, 1161, 6501));
    c.Send(answers, TcpPacket(50120, 0, 6501, 1201, kTcpAck));
    c.Send(answers, TcpPacket(80100, 200, 6501, 1201));
    c.Send(requests, TcpPacket(80200, 0, 1201, 6701, 0x11));
    c.Send(answers, TcpPacket(80300, 0, 6701, 1202, 0x11));
}

TEST_F(Transactions, TcpResponseTimedToTheFirstDataOfTheAnswer)
{
    TwoWay();
    const int requests = c.Head(forward, kAppTCP, 40000, 80);
    const int answers = c.Head(reverse, kAppTCP, 80, 40000);
    ThinkingServer(c, requests, answers);

    // By default the acknowledgements answer: SYN 100, first request 20, second
    // request (its last segment) 20 and the FIN 100.
    const TransactionAnalysis acknowledged = Latency(requests);
    EXPECT_EQ(acknowledged.LatencyCount, 4);
    EXPECT_EQ(acknowledged.LatencyMin, 20);
    EXPECT_EQ(acknowledged.LatencyMax, 100);

    // Timed to the data: only the two requests, each from its last segment to the
    // answer's first data; set-up, close and bare acknowledgements are not timed.
    c.State().Options.TcpDataResponse = 1;
    const TransactionAnalysis data = Latency(requests);
    EXPECT_EQ(data.AnalysisResult, kResultAnalysed);
    EXPECT_EQ(data.LatencyCount, 2);
    EXPECT_EQ(data.LatencyMin, 30000);
    EXPECT_EQ(data.LatencyMax, 40000);
    EXPECT_EQ(data.ForwardPackets, acknowledged.ForwardPackets);
    EXPECT_EQ(data.ReversePackets, acknowledged.ReversePackets);
}

TEST_F(Transactions, TcpDataRequestsWithoutADataAnswerAreNotTimed)
{
    TwoWay();
    const int requests = c.Head(forward, kAppTCP, 40000, 80);
    const int answers = c.Head(reverse, kAppTCP, 80, 40000);
    c.State().Options.TcpDataResponse = 1;
    c.Send(requests, TcpPacket(0, 100, 1000, 1));
    c.Send(answers, TcpPacket(300, 0, 1, 1100, kTcpAck));
    c.Send(answers, TcpPacket(900, 50, 1, 1050));  // data that does not cover the request
    c.Send(requests, TcpPacket(1000, 0, 1100, 51, kTcpAck));
    ExpectNoLatency(Latency(requests));
}

// Sequence sums are taken whole, not modulo 2^32: a request that ends at the wrap
// wants an acknowledgement of 2^32, which no 32-bit acknowledgement reaches.
TEST_F(Transactions, TcpSequenceSumsDoNotWrap)
{
    struct Case {
        uint32_t RequestSeq;
        uint32_t AnswerAck;
        int Timed;
    };
    TwoWay();
    c.State().Options.TcpDataResponse = 1;
    uint16_t port = 40000;
    for (const Case k : {Case{1000, 1100, 1}, Case{0xFFFFFF9C, 0, 0}}) {
        ++port;  // a connection of its own
        const int requests = c.Head(forward, kAppTCP, port, 80);
        const int answers = c.Head(reverse, kAppTCP, 80, port);
        c.Send(requests, TcpPacket(0, 100, k.RequestSeq, 1));
        c.Send(answers, TcpPacket(300, 50, 1, k.AnswerAck));
        c.Send(requests, TcpPacket(1000, 0, k.AnswerAck, 51, kTcpAck));
        EXPECT_EQ(Latency(requests).LatencyCount, k.Timed) << k.RequestSeq;
    }
}

TEST_F(Transactions, GapMarkersNeverAnswerARequest)
{
    TwoWay();
    const int ncp = c.Head(forward, kAppNCP);
    const int replies = c.Head(reverse, kAppNCP);
    c.Send(ncp, IpxPacket(0, 100, 0, 0, kPktRequest));
    TPacket marker = IpxPacket(100, 512, 0, 0, kPktGapMarker);
    marker.NetLength = 0;
    c.Send(replies, marker);
    c.Send(replies, IpxPacket(600, 100, 0, 0, kPktReply));

    const TransactionAnalysis q = Latency(ncp);
    EXPECT_EQ(q.LatencyCount, 1);
    EXPECT_EQ(q.LatencySum, 600);
}

TEST_F(Transactions, DamagedRepeatedAndLastRequestsAreNotTimed)
{
    TwoWay();
    const int udp = c.Head(forward, kAppUDP, 40000, 7000);
    const int back = c.Head(reverse, kAppUDP, 7000, 40000);
    UdpExchange(udp, back, 0, 100, 1);
    c.State().PacketList[0].PacketFlags |= kPktBadUdpChecksum;
    UdpExchange(udp, back, 1000, 100, 2);
    c.State().PacketList[2].PacketFlags |= kPktRetransmission;
    UdpExchange(udp, back, 2000, 100, 3);
    UdpExchange(udp, back, 3000, 100, 4);
    c.Send(udp, UdpPacket(4000, 20, 5, kPktRequest));  // the last frame of the range

    const TransactionAnalysis q = Latency(udp);
    EXPECT_EQ(q.LatencyCount, 2);
    EXPECT_EQ(q.RetransmitCount, 1);
    EXPECT_EQ(q.ForwardPackets, 5);
    EXPECT_EQ(q.ReversePackets, 4);
}

// ---- transmission time and size filters ---------------------------------------------------

TEST_F(Transactions, ResponseAsFastAsItsOwnTransmissionTimeCounts)
{
    TwoWay();
    const int udp = c.Head(forward, kAppUDP, 40000, 7000);
    const int back = c.Head(reverse, kAppUDP, 7000, 40000);
    // A 100-byte answer takes 80 microseconds at 10 Mbit/s.
    UdpExchange(udp, back, 0, 80, 1, 54);
    UdpExchange(udp, back, 1000, 79, 2, 54);

    TransactionAnalysis q = Query(udp);
    q.MeasureLatency = true;
    q.IncludeTransmissionTime = false;
    q = Run(q);
    EXPECT_EQ(q.LatencyCount, 1);
    EXPECT_EQ(q.LatencySum, 0);
    EXPECT_EQ(q.LatencyMin, 0);

    q.IncludeTransmissionTime = true;
    q = Run(q);
    EXPECT_EQ(q.LatencyCount, 2);
    EXPECT_EQ(q.LatencySum, 159);
}

TEST_F(Transactions, TransmissionTimeFollowsTheMediumAndItsSpeed)
{
    AnalysisState& s = c.State();
    EXPECT_DOUBLE_EQ(TransmissionTime(s, 100, false), 80);
    EXPECT_DOUBLE_EQ(TransmissionTime(s, 100, true), 96);
    s.Options.EthernetSpeed = 100;
    EXPECT_DOUBLE_EQ(TransmissionTime(s, 100, false), 8);
    s.Topology = kTopologyTokenRing;
    s.Options.TokenRingSpeed = 4;
    EXPECT_DOUBLE_EQ(TransmissionTime(s, 100, true), 200);  // no frame allowance on Token Ring
    s.Options.TokenRingSpeed = 0;
    EXPECT_DOUBLE_EQ(TransmissionTime(s, 100, true), 0);
}

TEST_F(Transactions, SizeFiltersKeepSmallOrLargeResponses)
{
    TwoWay();
    const int udp = c.Head(forward, kAppUDP, 40000, 7000);
    const int back = c.Head(reverse, kAppUDP, 7000, 40000);
    // Answers of 100, 101, 999 and 1000 bytes.
    UdpExchange(udp, back, 0, 10, 1, 54);
    UdpExchange(udp, back, 1000, 20, 2, 55);
    UdpExchange(udp, back, 2000, 40, 3, 953);
    UdpExchange(udp, back, 3000, 80, 4, 954);

    TransactionAnalysis q = Query(udp);
    q.MeasureLatency = true;
    EXPECT_EQ(Run(q).LatencySum, 150);
    q.SmallResponsesOnly = true;
    EXPECT_EQ(Run(q).LatencySum, 10);
    q.SmallResponsesOnly = false;
    q.LargeResponsesOnly = true;
    EXPECT_EQ(Run(q).LatencySum, 80);
    q.SmallResponsesOnly = true;  // both set: small wins
    EXPECT_EQ(Run(q).LatencySum, 10);
}

// ---- throughput ------------------------------------------------------------------------

class Throughput : public Transactions {
protected:
    TransactionAnalysis Measure(int head, uint16_t window = 8) const
    {
        TransactionAnalysis q = Query(head);
        q.MeasureThroughput = true;
        q.WindowPackets = window;
        return Run(q);
    }
    int Stream(int packets, double step = 1000)
    {
        forward = c.Peer(server, client);
        const int head = c.Head(forward, kAppTCP, 80, 40000);
        for (int i = 0; i < packets; ++i) c.Send(head, TcpPacket(i * step, 942, static_cast<uint32_t>(1 + 942 * i), 1));
        return head;
    }
    TransactionAnalysis Query(int head) const
    {
        TransactionAnalysis q = Transactions::Query(head);
        q.SelectedNetNode = &c.State().NetworkNodes.at(server);
        return q;
    }
};

TEST_F(Throughput, FirstRateComesWithTheWindowsLastPacket)
{
    const int head = Stream(7);
    TransactionAnalysis q = Measure(head);
    EXPECT_EQ(q.ThroughputPackets, 7);
    EXPECT_EQ(q.ThroughputMax, 0);
    EXPECT_EQ(q.ThroughputMin, kLatencyStartMin);

    c.Send(head, TcpPacket(7000, 942, 1 + 942 * 7, 1));
    q = Measure(head);
    // Eight 1000-byte frames from the first's start to the eighth's: 7000 us plus
    // the first frame's 816 us on the wire (1020 bytes at 10 Mbit/s).
    const double rate = 8000 / (7816 * 0.000001);
    EXPECT_EQ(q.ThroughputPackets, 8);
    EXPECT_EQ(q.ThroughputBytes, 8000);
    EXPECT_EQ(q.SegmentBytes, 8 * 962);
    EXPECT_DOUBLE_EQ(q.ThroughputMax, rate);
    EXPECT_DOUBLE_EQ(q.ThroughputMin, rate);
    EXPECT_DOUBLE_EQ(q.ForwardElapsed, 816 + 7000);
    EXPECT_EQ(q.AnalysisResult, kResultAnalysed);
    EXPECT_EQ(q.ReversePackets, 0);
}

TEST_F(Throughput, WindowSlidesOverTheRing)
{
    forward = c.Peer(server, client);
    const int head = c.Head(forward, kAppTCP, 80, 40000);
    // Four frames 1000 us apart, then one 5000 us later.
    for (double t : {0.0, 1000.0, 2000.0, 3000.0, 8000.0}) c.Send(head, TcpPacket(t, 942, 1, 1));
    const TransactionAnalysis q = Measure(head, 4);
    const double first = 4000 / (3816 * 0.000001);
    const double second = 4000 / (7816 * 0.000001);
    EXPECT_DOUBLE_EQ(q.ThroughputMax, first);
    EXPECT_DOUBLE_EQ(q.ThroughputMin, second);
}

TEST_F(Throughput, OnlyPacketsInTheRangeAreSampled)
{
    const int head = Stream(10);
    TransactionAnalysis q = Query(head);
    q.MeasureThroughput = true;
    q.FirstFrameNo = 3;
    q.LastFrameNo = 6;
    q = Run(q);
    EXPECT_EQ(q.ForwardPackets, 4);
    EXPECT_EQ(q.ThroughputPackets, 4);
    EXPECT_DOUBLE_EQ(q.ForwardElapsed, 816 + 3000);
}

TEST_F(Throughput, TimesThatStepBackwardsAddTheLaterPacketsOwnTime)
{
    forward = c.Peer(server, client);
    const int head = c.Head(forward, kAppTCP, 80, 40000);
    c.Send(head, TcpPacket(1000000, 942, 1, 1));
    c.Send(head, TcpPacket(2000000, 942, 1, 1));
    c.Send(head, TcpPacket(500000, 942, 1, 1));
    c.Send(head, TcpPacket(600000, 942, 1, 1));
    const TransactionAnalysis q = Measure(head, 4);
    EXPECT_DOUBLE_EQ(q.ForwardElapsed, 816 + 1000000 + 500000 + 100000);
    // The window's time ran backwards: no rate is taken from it.
    EXPECT_EQ(q.ThroughputMax, 0);
}

TEST_F(Throughput, WindowOutsideItsBoundsIsHeldToThem)
{
    const int head = Stream(30);
    EXPECT_EQ(Measure(head, 0).ThroughputPackets, 30);
    EXPECT_GT(Measure(head, 0).ThroughputMax, 0);
    EXPECT_GT(Measure(head, 500).ThroughputMax, 0);
    EXPECT_DOUBLE_EQ(Measure(head, 500).ThroughputMax, Measure(head, 20).ThroughputMax);
}

TEST_F(Transactions, LatencyRunAddsBackwardTimesAsThePacketsOwnTime)
{
    TwoWay();
    const int udp = c.Head(forward, kAppUDP, 40000, 7000);
    const int back = c.Head(reverse, kAppUDP, 7000, 40000);
    UdpExchange(udp, back, 1000000, 100, 1);
    UdpExchange(udp, back, 2000000, 100, 2);
    UdpExchange(udp, back, 500000, 100, 3);

    const TransactionAnalysis q = Latency(udp);
    EXPECT_DOUBLE_EQ(q.ForwardElapsed, 1000000 + 500000);
    EXPECT_DOUBLE_EQ(q.LastForwardTime, 500000);
    EXPECT_EQ(q.LatencyCount, 3);
}

// A 60,000-byte offload segment is counted at the frame buffer's 18,000 bytes; its
// IP header still gives the whole datagram. The payload is taken from the counted
// bytes, so that it never exceeds the size.
TEST(ClippedFrames, PayloadComesFromTheCountedSize)
{
    AnalysisState state;
    EngineFeeder feed(state);
    const Ip server = IpOf(10, 0, 0, 1), client = IpOf(10, 0, 0, 2);
    const auto segment = [](uint32_t seq, std::size_t payload) {
        return TcpSegment{.SrcPort = 80, .DstPort = 40000, .Seq = seq, .Ack = 1, .Payload = Bytes(payload, 0x55)};
    };
    feed.Feed(TcpFrame(MacOf(2), MacOf(1), server, client, segment(1, 60000)), 0);
    feed.Feed(TcpFrame(MacOf(2), MacOf(1), server, client, segment(60001, 60000)), 100000);
    feed.Feed(TcpFrame(MacOf(2), MacOf(1), server, client, segment(120001, 1000)), 200000);
    feed.Finish();

    const NetNode* sender = FindNetNode(state, IpKey(10, 0, 0, 1));
    ASSERT_NE(sender, nullptr);
    TransactionAnalysis q;
    q.SelectedNetNode = sender;
    q.SelectedPeer = FindNetPeer(state, *sender, IpKey(10, 0, 0, 2));
    ASSERT_GE(q.SelectedPeer, 0);
    q.SelectedApp = FirstTransHead(state, q.SelectedPeer);
    q.MeasureThroughput = true;
    q.LastFrameNo = feed.FrameNo();
    AnalyzeTransactions(state, q);
    EXPECT_EQ(q.ThroughputBytes, 2 * kMaxFrameBytes + 1058);
    EXPECT_EQ(q.SegmentBytes, 2 * (kMaxFrameBytes - 14 - 20) + 1020);
    // The packet keeps the whole datagram for the sequence arithmetic.
    EXPECT_EQ(PacketPayload(state.PacketList[static_cast<size_t>(FirstPacketOf(state, q.SelectedApp))]), 60000);
}

// ---- ranges and counts ----------------------------------------------------------------------

TEST_F(Transactions, FirstPacketAfterTheRangeEndsTheRunUncounted)
{
    TwoWay();
    const int udp = c.Head(forward, kAppUDP, 40000, 7000);
    const int back = c.Head(reverse, kAppUDP, 7000, 40000);
    c.Send(back, UdpPacket(0, 20, 1, kPktReply));
    c.Send(back, UdpPacket(10, 20, 1, kPktReply));
    UdpExchange(udp, back, 100, 100, 2);
    UdpExchange(udp, back, 300, 100, 3);

    TransactionAnalysis q = Query(udp);
    q.MeasureLatency = true;
    q.LastFrameNo = 2;
    q = Run(q);
    EXPECT_EQ(q.AnalysisResult, kResultAnalysed);
    EXPECT_EQ(q.ForwardPackets, 0);
    EXPECT_EQ(q.ForwardBytes, 0);
    EXPECT_EQ(q.ReversePackets, 2);  // frames 1 and 2; frame 4, stepped to, lies beyond
    ExpectNoLatency(q);
}

TEST_F(Transactions, RangeStartSkipsEarlierForwardPackets)
{
    TwoWay();
    const int udp = c.Head(forward, kAppUDP, 40000, 7000);
    const int back = c.Head(reverse, kAppUDP, 7000, 40000);
    UdpExchange(udp, back, 0, 100, 1);
    UdpExchange(udp, back, 1000, 200, 2);
    UdpExchange(udp, back, 2000, 400, 3);

    TransactionAnalysis q = Query(udp);
    q.MeasureLatency = true;
    q.FirstFrameNo = 3;
    q = Run(q);
    EXPECT_EQ(q.ForwardPackets, 2);
    EXPECT_EQ(q.ReversePackets, 2);
    EXPECT_EQ(q.LatencyCount, 2);
    EXPECT_EQ(q.LatencySum, 600);

    // A range after the whole trace starts on the chain's last packet, which it
    // does not count.
    q.FirstFrameNo = 1000;
    q.LastFrameNo = 2000;
    q = Run(q);
    EXPECT_EQ(q.AnalysisResult, kResultAnalysed);
    EXPECT_EQ(q.ForwardPackets, 0);
    EXPECT_EQ(q.ForwardBytes, 0);
    EXPECT_EQ(q.ReversePackets, 0);
}

TEST_F(Transactions, ReverseCountStopsAtTheRangeEnd)
{
    TwoWay();
    const int udp = c.Head(forward, kAppUDP, 40000, 7000);
    const int back = c.Head(reverse, kAppUDP, 7000, 40000);
    UdpExchange(udp, back, 0, 100, 1);     // frames 1, 2
    UdpExchange(udp, back, 1000, 100, 2);  // frames 3, 4
    UdpExchange(udp, back, 2000, 100, 3);  // frames 5, 6

    TransactionAnalysis q = Query(udp);
    q.MeasureLatency = true;
    q.LastFrameNo = 2;
    q = Run(q);
    EXPECT_EQ(q.ForwardPackets, 1);
    EXPECT_EQ(q.ReversePackets, 1);  // frame 2; frame 4, stepped to, lies beyond the range
    EXPECT_EQ(q.ReverseBytes, 66);
    EXPECT_EQ(q.LatencyCount, 1);
}

// Six answered requests in frames 1 to 12: requests in the odd frames, their
// 40-byte answers in the even ones. Whatever the range, the totals of both
// directions are the packets of that direction inside it.
TEST_F(Transactions, TotalsCountOnlyThePacketsInsideTheRange)
{
    TwoWay();
    const int udp = c.Head(forward, kAppUDP, 40000, 7000);
    const int back = c.Head(reverse, kAppUDP, 7000, 40000);
    for (uint16_t i = 0; i < 6; ++i) UdpExchange(udp, back, 1000.0 * i, 100, i, 40);

    struct Range {
        int64_t First, Last;
    };
    for (const Range range : {Range{1, 12}, Range{3, 7}, Range{4, 9}, Range{2, 2}, Range{11, 12}, Range{12, 40}}) {
        int32_t requests = 0, answers = 0;
        for (int64_t frame = range.First; frame <= std::min<int64_t>(range.Last, 12); ++frame)
            (frame % 2 ? requests : answers) += 1;
        TransactionAnalysis q = Query(udp);
        q.MeasureLatency = true;
        q.FirstFrameNo = range.First;
        q.LastFrameNo = range.Last;
        q = Run(q);
        SCOPED_TRACE("frames " + std::to_string(range.First) + " to " + std::to_string(range.Last));
        EXPECT_EQ(q.ForwardPackets, requests);
        EXPECT_EQ(q.ForwardBytes, 66 * requests);
        EXPECT_EQ(q.ReversePackets, answers);
        EXPECT_EQ(q.ReverseBytes, 86 * answers);
    }
}

// Alignment steps past the bare acknowledgements to the first segment with data,
// here a retransmission beyond the range: its flag is not the range's.
TEST_F(Transactions, FlagsBeyondTheRangeAreNotCounted)
{
    TwoWay();
    const int tcp = c.Head(forward, kAppTCP, 40000, 80);
    const int back = c.Head(reverse, kAppTCP, 80, 40000);
    c.Send(tcp, TcpPacket(0, 0, 1, 1, kTcpAck));
    c.Send(back, TcpPacket(10, 0, 1, 1, kTcpAck));
    c.Send(tcp, TcpPacket(20, 100, 1, 1, kTcpPushAck, kPktRetransmission));
    c.Send(back, TcpPacket(30, 0, 1, 101, kTcpAck));

    TransactionAnalysis q = Query(tcp);
    q.MeasureLatency = true;
    q.LastFrameNo = 2;
    q = Run(q);
    EXPECT_EQ(q.ForwardPackets, 1);
    EXPECT_EQ(q.RetransmitCount, 0);
    q.LastFrameNo = 4;
    EXPECT_EQ(Run(q).RetransmitCount, 1);
}

TEST_F(Transactions, SingleAnsweredRequestCountsItsAnswer)
{
    TwoWay();
    const int dns = c.Head(forward, kAppUDP, 49310, 53);
    const int answer = c.Head(reverse, kAppUDP, 53, 49310);
    UdpExchange(dns, answer, 0, 700, 1, 40);

    const TransactionAnalysis q = Latency(dns);
    EXPECT_EQ(q.ForwardPackets, 1);
    EXPECT_EQ(q.ReversePackets, 1);
    EXPECT_EQ(q.ReverseBytes, 86);
    EXPECT_EQ(q.LatencyCount, 1);
    EXPECT_EQ(q.LatencySum, 700);
}

TEST_F(Transactions, FlagCountsSkipGapMarkers)
{
    TwoWay();
    const int ncp = c.Head(forward, kAppNCP);
    const int replies = c.Head(reverse, kAppNCP);
    c.Send(ncp, IpxPacket(0, 100, 1, 0, kPktRequest));
    c.Send(replies, IpxPacket(50, 100, 1, 0, kPktReply));
    c.Send(ncp, IpxPacket(100, 512, 0, 0, kPktGapMarker));
    c.Send(ncp, IpxPacket(100, 100, 3, 0, kPktRequest | kPktRetransmission));
    c.Send(ncp, IpxPacket(200, 100, 3, 0, kPktRequest | kPktPathDuplicate));
    c.Send(replies, IpxPacket(250, 100, 3, 0, kPktReply));

    const TransactionAnalysis q = Latency(ncp);
    EXPECT_EQ(q.RetransmitCount, 1);
    EXPECT_EQ(q.PathDuplicateCount, 1);
    EXPECT_EQ(q.ForwardPackets, 4);
    EXPECT_EQ(q.ForwardBytes, 812);
    EXPECT_EQ(q.LatencyCount, 1);  // repeated requests are not timed
}

TEST_F(Transactions, ResultsAreResetByEveryRunButForwardElapsedIsKept)
{
    TwoWay();
    const int udp = c.Head(forward, kAppUDP, 40000, 7000);
    const int back = c.Head(reverse, kAppUDP, 7000, 40000);
    UdpExchange(udp, back, 0, 100, 1);
    UdpExchange(udp, back, 1000, 100, 2);

    TransactionAnalysis q = Query(udp);
    q.MeasureLatency = true;
    q = Run(q);
    q = Run(q);
    EXPECT_EQ(q.LatencyCount, 2);
    EXPECT_EQ(q.ForwardPackets, 2);

    // A stale elapsed time survives a run that stops early.
    q.ForwardElapsed = 123;
    q.SelectedApp = c.Head(forward, kAppSAP);
    c.Send(q.SelectedApp, IpxPacket(0, 100, 0, 0, kPktRequest));
    q = Run(q);
    EXPECT_EQ(q.AnalysisResult, kResultNotTimeable);
    EXPECT_EQ(q.ForwardElapsed, 123);
    EXPECT_EQ(q.LatencyCount, 0);
}

// ---- damaged chains -----------------------------------------------------------------------

TEST_F(Transactions, DamagedLinksEndTheChainsWithoutLoopingOrLeavingTheLists)
{
    TwoWay();
    const int udp = c.Head(forward, kAppUDP, 40000, 7000);
    const int back = c.Head(reverse, kAppUDP, 7000, 40000);
    for (int i = 0; i < 4; ++i) UdpExchange(udp, back, i * 1000.0, 100, static_cast<uint16_t>(i + 1));
    AnalysisState& s = c.State();
    s.PacketList[4].NextPacket = 0;       // back to the chain's start
    s.PacketList[3].NextPacket = 3;       // to itself
    s.PacketList[6].NextPacket = 100000;  // past the list
    s.ObjectList.ChangeNetPeer(reverse, [&](auto& record) { record.FirstTrans = 55555; });

    const TransactionAnalysis broken = Latency(udp);
    EXPECT_EQ(broken.AnalysisResult, kResultNoReverseApp);
    s.ObjectList.ChangeNetPeer(reverse, [&](auto& record) { record.FirstTrans = back; });
    const TransactionAnalysis q = Latency(udp);
    EXPECT_EQ(q.AnalysisResult, kResultAnalysed);
    EXPECT_EQ(q.ForwardPackets, 3);  // frames 1, 3, 5: the link after 5 leads backwards
    EXPECT_EQ(q.ReversePackets, 2);  // frames 2, 4: the link after 4 leads to itself

    // A peer chain that loops back to its start ends there.
    s.ObjectList.ChangeNetPeer(reverse, [&](auto& record) { record.Next = forward; });
    EXPECT_EQ(FindNetPeer(s, s.NetworkNodes.at(server), IpKey(9, 9, 9, 9)), -1);
}

TEST_F(Transactions, ReverseNodeWithPeerAtObjectZeroIsFound)
{
    // Object 0 is a valid record: a node's first peer may be it when the node has sent.
    Chains bare;
    AnalysisState& s = bare.State();
    s.ObjectList.Clear(16);
    const int first = bare.Peer(server, client);
    ASSERT_EQ(first, 0);
    const int peer = bare.Peer(client, server);
    const int back = bare.Head(first, kAppUDP, 7000, 40000);
    const int udp = bare.Head(peer, kAppUDP, 40000, 7000);
    bare.Send(udp, UdpPacket(0, 20, 1, kPktRequest));
    bare.Send(back, UdpPacket(300, 20, 2, kPktReply));

    TransactionAnalysis q;
    q.SelectedNetNode = &s.NetworkNodes.at(client);
    q.SelectedPeer = peer;
    q.SelectedApp = udp;
    q.MeasureLatency = true;
    q.IncludeTransmissionTime = true;
    q.LastFrameNo = 2;
    AnalyzeTransactions(s, q);
    EXPECT_EQ(q.AnalysisResult, kResultAnalysed);
    EXPECT_EQ(q.LatencySum, 300);

    // The same index means nothing on a node that never sent.
    s.NetworkNodes.at(server).NetFlags = NodeFlagSet{};
    AnalyzeTransactions(s, q);
    EXPECT_EQ(q.AnalysisResult, kResultOneWay);
}

}  // namespace
}  // namespace quenlix

namespace quenlix::testing {
namespace {

// On a state the engine filled, the conversation lookup answers from the index:
// it must agree with a walk of every sender's chain, and find nothing else.
TEST(ConversationLookup, IndexAgreesWithTheChains)
{
    AnalysisState state;
    EngineFeeder feed(state);
    double t = 0;
    const Ip server = IpOf(10, 0, 0, 1);
    for (uint8_t host = 2; host < 40; ++host) {
        const Ip client = IpOf(10, 0, 0, host);
        feed.Feed(UdpFrame(MacOf(1), MacOf(host), client, server, 1024, 53, Bytes(20, 0)), t += 100);
        if (host % 3 != 0) feed.Feed(UdpFrame(MacOf(host), MacOf(1), server, client, 53, 1024, Bytes(20, 0)), t += 100);
    }
    feed.Finish();
    ASSERT_GT(state.Index.NetPeers.Size(), 0u);
    int found = 0;
    for (const auto& [address, node] : state.NetworkNodes) {
        for (const auto& [other, ignored] : state.NetworkNodes) {
            int32_t walked = -1;
            for (int32_t p = FirstNetPeer(state, node); p >= 0 && walked < 0; p = NextNetPeer(state, p))
                if (PeerAddressOf(state, state.ObjectList.NetPeer(p)) == other) walked = p;
            EXPECT_EQ(FindNetPeer(state, node, other), walked);
            found += walked >= 0;
        }
    }
    EXPECT_EQ(found, 38 + 25);  // every client to the server; the server back to those not a multiple of 3
}

}  // namespace
}  // namespace quenlix::testing
