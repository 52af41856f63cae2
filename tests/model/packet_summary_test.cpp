// The packed fields of a packet summary: each holds its whole range, and
// setting one leaves the others as they were.

#include <gtest/gtest.h>

#include "model/AnalysisState.h"

using namespace quenlix;

namespace {

struct Lengths {
    uint8_t IpHeader;
    uint8_t TransportHeader;
    uint8_t Depth;
};

class PackedLengths : public ::testing::TestWithParam<Lengths> {};

TEST_P(PackedLengths, ReadBackAsSet)
{
    const Lengths l = GetParam();
    TPacket p;
    p.SetIPHeaderLen(l.IpHeader);
    p.SetTransportHeaderLen(l.TransportHeader);
    p.SetRetransDepth(l.Depth);
    EXPECT_EQ(p.IPHeaderLen(), l.IpHeader);
    EXPECT_EQ(p.TransportHeaderLen(), l.TransportHeader);
    EXPECT_EQ(p.RetransDepth(), l.Depth);
}

// The limits: no header; IPv4's 20 and 60 with TCP's 20 and 60; IPX's 30 with
// SPX's 12; IPv6's 40 and the longest readable chain (252) with UDP's 8; the
// retransmission search's 10 and the field's 15; 254, the largest even byte.
INSTANTIATE_TEST_SUITE_P(Limits, PackedLengths,
                         ::testing::Values(Lengths{0, 0, 0}, Lengths{20, 20, 1}, Lengths{60, 60, 10},
                                           Lengths{30, 12, 0}, Lengths{40, 8, 15}, Lengths{252, 60, 15},
                                           Lengths{254, 0, 0}, Lengths{0, 60, 0}, Lengths{0, 0, 15}));

TEST(PackedLengths, SettingOneLeavesTheOthers)
{
    TPacket p;
    p.SetIPHeaderLen(254);
    p.SetTransportHeaderLen(60);
    p.SetRetransDepth(15);
    p.SetTransportHeaderLen(0);
    EXPECT_EQ(p.IPHeaderLen(), 254);
    EXPECT_EQ(p.RetransDepth(), 15);
    p.SetIPHeaderLen(0);
    p.SetRetransDepth(0);
    p.SetTransportHeaderLen(60);
    EXPECT_EQ(p.IPHeaderLen(), 0);
    EXPECT_EQ(p.RetransDepth(), 0);
    EXPECT_EQ(p.TransportHeaderLen(), 60);
}

}  // namespace
