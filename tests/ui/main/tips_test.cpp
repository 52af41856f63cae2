// The tip wizard's texts and sets.

#include <gtest/gtest.h>

#include <sstream>

#include "ui/main/TipContent.h"

namespace quenlix {
namespace {

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(Tips, FortyTwoTipsFilledAndTheRestEmpty)
{
    const auto& texts = TipTexts();
    for (int i = 0; i < kTipSlotCount; ++i) EXPECT_EQ(texts[static_cast<size_t>(i)].empty(), i >= kFilledTipCount) << i;
    EXPECT_EQ(texts[0], "Right click on the graphic to change its properties.");
    EXPECT_EQ(texts[13], "Never run with a protocol analyzer.");
    EXPECT_EQ(texts[29], "Click on the light bulb to the left to turn off this Tip Wizard.  Use the Help menu to turn "
                         "back on (or off.)");
    EXPECT_EQ(texts[41], "Click on the Source box and use the Up/Down arrow keys to scroll rapidly through the list.");
    EXPECT_EQ(texts[5], "View all conversations with a problem such as \"Slow Network or Server\" by performing a "
                        "descending sort on that column.");
}

TEST(Tips, MemoHasOneLinePerTipInAscendingOrder)
{
    const std::vector<std::string> lines = Lines(TipMemoText({34, 33}));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Tip: " + TipTexts()[33]);
    EXPECT_EQ(lines[1], "Tip: " + TipTexts()[34]);
}

TEST(Tips, EmptySlotsAndNumbersOutsideTheTableGiveNoLine)
{
    EXPECT_EQ(TipMemoText({45, 60, -1}), "");
    EXPECT_EQ(Lines(TipMemoText({0, 49})).size(), 1u);
}

TEST(Tips, SetsOfEachPageAndWindow)
{
    auto numbers = [](const TipSet& set) {
        std::vector<int> tips;
        for (int tip = 0; tip < kTipSlotCount; ++tip)
            if (set.Contains(tip)) tips.push_back(tip);
        return tips;
    };
    EXPECT_EQ(numbers(tips::StartUp()), (std::vector<int>{29, 30}));
    EXPECT_EQ(numbers(tips::OpenDialog()), (std::vector<int>{16, 17}));
    EXPECT_EQ(numbers(tips::FileSummary()), (std::vector<int>{33, 34}));
    EXPECT_EQ(numbers(tips::ClientServer()), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 28}));
    EXPECT_EQ(numbers(tips::DLCErrorEthernet()), (std::vector<int>{12, 31}));
    EXPECT_EQ(numbers(tips::DLCErrorTokenRing()), (std::vector<int>{31}));
    EXPECT_EQ(numbers(tips::Charts()), (std::vector<int>{0, 32}));
    EXPECT_EQ(numbers(tips::ProtocolTable()), (std::vector<int>{7, 8}));
    EXPECT_EQ(numbers(tips::PrintSelection()), (std::vector<int>{14, 15}));
    EXPECT_EQ(numbers(tips::NetworkMap()), (std::vector<int>{9, 10, 11, 13, 23}));
    EXPECT_EQ(numbers(tips::StationMap()), (std::vector<int>{9, 10, 11, 22}));
    EXPECT_EQ(numbers(tips::Toolbox()), (std::vector<int>{18, 19, 20, 21, 41}));
    EXPECT_EQ(numbers(tips::Latency()), (std::vector<int>{24, 39, 40}));
    EXPECT_EQ(numbers(tips::Throughput()), (std::vector<int>{25, 26, 27}));
    EXPECT_EQ(numbers(tips::WhatIf()), (std::vector<int>{35, 36, 37, 38}));
}

}  // namespace
}  // namespace quenlix
