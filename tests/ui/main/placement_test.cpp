// Window placements: the 17-byte record and fitting a window onto the screen.

#include <gtest/gtest.h>

#include "model/SettingsStore.h"
#include "ui/main/PlacementContent.h"

namespace quenlix {
namespace {

TEST(Placement, RecordIsLittleEndianInItsFieldOrder)
{
    const FormPlacement placement{572, -3, 0x01020304, 731, WindowState::Maximised};
    const std::vector<uint8_t> record = EncodePlacement(placement);
    const std::vector<uint8_t> expected{0x3C, 0x02, 0, 0, 0xFD, 0xFF, 0xFF, 0xFF, 0x04, 0x03, 0x02, 0x01,
                                        0xDB, 0x02, 0, 0, 2};
    EXPECT_EQ(record, expected);
    EXPECT_EQ(DecodePlacement(record), placement);
}

TEST(Placement, ShortRecordIsNoPlacementAndOddStateReadsNormal)
{
    std::vector<uint8_t> record = EncodePlacement({100, 10, 10, 100, WindowState::Minimised});
    record.pop_back();
    EXPECT_EQ(DecodePlacement(record), std::nullopt);
    EXPECT_EQ(DecodePlacement({}), std::nullopt);
    record.push_back(9);
    EXPECT_EQ(DecodePlacement(record)->State, WindowState::Normal);
}

TEST(Placement, LargerThanTheScreenIsShrunkToIt)
{
    const FormPlacement fitted = ClampToScreen({2000, 50, 40, 3000, WindowState::Normal}, 1024, 768);
    EXPECT_EQ(fitted, (FormPlacement{768, 0, 0, 1024, WindowState::Normal}));
}

TEST(Placement, NegativeEdgesMoveToTheScreenEdge)
{
    const FormPlacement fitted = ClampToScreen({300, -40, -10, 400, WindowState::Normal}, 1024, 768);
    EXPECT_EQ(fitted, (FormPlacement{300, 0, 0, 400, WindowState::Normal}));
}

TEST(Placement, PastTheRightOrBottomIsPulledBack)
{
    const FormPlacement fitted = ClampToScreen({300, 900, 700, 400, WindowState::Normal}, 1024, 768);
    EXPECT_EQ(fitted, (FormPlacement{300, 624, 468, 400, WindowState::Normal}));
}

TEST(Placement, MaximisedIsKeptWithItsStoredSize)
{
    const FormPlacement maximised{5000, -100, -100, 5000, WindowState::Maximised};
    EXPECT_EQ(ClampToScreen(maximised, 1024, 768), maximised);
}

TEST(Placement, HostileValuesStayOnTheScreen)
{
    const FormPlacement fitted = ClampToScreen({-50, INT32_MAX, INT32_MAX, INT32_MIN, WindowState::Normal}, 800, 600);
    EXPECT_EQ(fitted.Width, 0);
    EXPECT_EQ(fitted.Height, 0);
    EXPECT_EQ(fitted.Left, 800);
    EXPECT_EQ(fitted.Top, 600);
}

TEST(Placement, StoreRoundTripUnderTheDisplayKey)
{
    MemorySettingsStore store;
    EXPECT_EQ(LoadFormPlacement(store, "MainForm", 1024, 768), std::nullopt);
    SaveFormPlacement(store, "MainForm", {500, 20, 30, 600, WindowState::Normal});
    EXPECT_EQ(store.ReadBinary("3.01b/Display", "MainForm")->size(), kPlacementRecordBytes);
    EXPECT_EQ(LoadFormPlacement(store, "MainForm", 1024, 768), (FormPlacement{500, 20, 30, 600, WindowState::Normal}));
    EXPECT_EQ(LoadFormPlacement(store, "MainForm", 500, 400), (FormPlacement{400, 0, 0, 500, WindowState::Normal}));
}

TEST(Placement, TextInThePlacementSlotIsIgnored)
{
    MemorySettingsStore store;
    store.WriteString("3.01b/Display", "MainForm", "garbage");
    EXPECT_EQ(LoadFormPlacement(store, "MainForm", 1024, 768), std::nullopt);
}

}  // namespace
}  // namespace quenlix
