// Counters past 32 bits: a byte total past 2^32 and frame counts past 2^31 show
// their true figures in the protocol table, the network and station tables and
// their utilisation.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "EngineFeeder.h"
#include "LongFlow.h"
#include "ui/main/MainWindowContent.h"
#include "ui/main/ProtocolTableContent.h"
#include "ui/peermaps/NetworkStatisticsContent.h"
#include "ui/peermaps/StationStatsContent.h"

namespace quenlix {
namespace {

using namespace quenlix::testing;
using Cells = std::vector<std::string>;

// The figures a window shows for the flow's sender: the protocol table's IP row,
// or the sender's row of the station or network table.
struct SenderFigures {
    Cells Protocol;  // frames, % of frames, average size
    Cells Station;   // frames, bytes, utilisation, average sent size
    Cells Network;   // frames, bytes, utilisation, average sent size
};

Cells Pick(const Cells& row, std::initializer_list<size_t> columns)
{
    Cells picked;
    for (size_t c : columns) picked.push_back(c < row.size() ? row[c] : "(no column " + std::to_string(c) + ")");
    return picked;
}

SenderFigures FiguresOf(AnalysisState& state)
{
    SenderFigures figures;
    for (const ProtocolTableRow& row : BuildProtocolTable(state).Rows)
        if (row.Family == kFamilyIP) figures.Protocol = Pick({row.Cells.begin(), row.Cells.end()}, {1, 2, 3});
    StationStatsContent stations(state);
    stations.Rebuild();
    NetworkStatisticsContent network(state);
    network.Rebuild();
    // Row 0 holds the headers; the sender is the one sending row.
    EXPECT_EQ(stations.ViewableRowCount(), 1);
    EXPECT_EQ(network.ViewableRowCount(), 1);
    figures.Station = Pick(GridRowTexts(stations.Grid(), 1), {4, 5, 6, 7});
    figures.Network = Pick(GridRowTexts(network.Grid(), 1), {3, 4, 5, 6});
    return figures;
}

// 240,000 frames of 18,000 bytes, 100 a second over 2,400 intervals on 10 Mbit/s:
// (240,000 x 20 + 4,320,000,000) x 100 / 1,250,000 / 2,400 = 144.16 %.
TEST(WideCounters, ByteTotalsPast4GiBShowTheirFigures)
{
    auto state = std::make_unique<AnalysisState>();
    FeedLongFlow(*state);
    ASSERT_EQ(state->IntervalCount, LongFlow::kIntervals);
    const SenderFigures figures = FiguresOf(*state);
    struct Case {
        const char* Window;
        Cells Shown;
        Cells Expected;
    };
    for (const Case& c : std::vector<Case>{
             {"protocol table", figures.Protocol, {"240,000", "100.00%", "18,000"}},
             {"station table", figures.Station, {"240,000", "4,320,000,000", "144.16%", "18,000"}},
             {"network table", figures.Network, {"240,000", "4,320,000,000", "144.16%", "18,000"}},
         }) {
        SCOPED_TRACE(c.Window);
        EXPECT_EQ(c.Shown, c.Expected);
    }
}

// One 64-byte frame, then every counter the tables read set as 3,000,000,000 such
// frames leave them: past 2^31 frames and 2^37 bytes.
TEST(WideCounters, FrameCountsPast2To31ShowTheirFigures)
{
    constexpr uint32_t kFrames = 3'000'000'000U;
    constexpr int64_t kBytes = int64_t{kFrames} * 64;
    auto state = std::make_unique<AnalysisState>();
    EngineFeeder feed(*state);
    feed.Feed(TcpFrame(LongFlow::kReceiverMac, LongFlow::kSenderMac, LongFlow::kSender, LongFlow::kReceiver, {}), 0);
    feed.Finish();
    ASSERT_EQ(state->ProtocolStats[kFamilyIP].Bytes, 64);
    state->TotalFrames = state->FrameStats[kStatFrames] = state->ProtocolStats[kFamilyIP].Frames = kFrames;
    state->ProtocolStats[kFamilyIP].Bytes = kBytes;
    state->TotalBytes = static_cast<double>(kBytes);
    state->IntervalCount = 3'000'000;  // 1,000 frames a second
    const auto scale = [&](auto& node) {
        if (node.FramesSent != 0) {
            node.FramesSent = kFrames;
            node.BytesSent = kBytes;
        }
        if (node.FramesReceived != 0) {
            node.FramesReceived = kFrames;
            node.BytesReceived = kBytes;
        }
    };
    for (auto& entry : state->Stations) scale(entry.second);
    for (auto& entry : state->NetworkNodes) scale(entry.second);

    // (1,000 x 20 + 64,000) x 100 / 1,250,000 = 6.72 %.
    const SenderFigures figures = FiguresOf(*state);
    EXPECT_EQ(figures.Protocol, (Cells{"3,000,000,000", "100.00%", "64"}));
    EXPECT_EQ(figures.Station, (Cells{"3,000,000,000", "192,000,000,000", "6.72%", "64"}));
    EXPECT_EQ(figures.Network, (Cells{"3,000,000,000", "192,000,000,000", "6.72%", "64"}));
    EXPECT_EQ(StatusPanels(*state, true)[1], "3,000,000,000 Frames");
}

}  // namespace
}  // namespace quenlix
