#include "ui/main/ProtocolTableContent.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "model/Naming.h"
#include "model/NumberFormat.h"

namespace quenlix {

namespace {

constexpr uint8_t kMacEncapsulationBit = 1u << 4;

// What one table row adds up: one family, or MAC and Other together.
struct FamilyTotals {
    int64_t Frames = 0;
    int64_t GroupFrames = 0;
    int64_t Bytes = 0;
    uint8_t Encapsulations = 0;
};

FamilyTotals TotalsOf(const ProtocolStat& stat)
{
    return {stat.Frames, stat.GroupFrames, stat.Bytes, stat.EncapsSet};
}

// MAC frames appear as an encapsulation of the joint row rather than as a row.
FamilyTotals JointOtherTotals(const AnalysisState& state)
{
    const ProtocolStat& mac = state.ProtocolStats[kFamilyMAC];
    const ProtocolStat& other = state.ProtocolStats[kFamilyOther];
    FamilyTotals totals;
    totals.Frames = int64_t{mac.Frames} + other.Frames;
    totals.GroupFrames = int64_t{mac.GroupFrames} + other.GroupFrames;
    totals.Bytes = int64_t{mac.Bytes} + other.Bytes;
    totals.Encapsulations = static_cast<uint8_t>(mac.EncapsSet | other.EncapsSet);
    if (mac.Frames > 0) totals.Encapsulations |= kMacEncapsulationBit;
    return totals;
}

ProtocolTableRow MakeRow(int family, const std::string& name, const FamilyTotals& totals, const AnalysisState& state)
{
    const int64_t groupFrames = int64_t{state.FrameStats[7]} + state.FrameStats[8];
    ProtocolTableRow row;
    row.Family = family;
    row.Cells[0] = name;
    row.Cells[1] = FormatCount(totals.Frames);
    row.Cells[2] = PercentOf(static_cast<double>(totals.Frames), state.TotalFrames);
    row.Cells[3] = FormatCount(totals.Frames > 0 ? totals.Bytes / totals.Frames : 0);
    row.Cells[4] = FormatCount(totals.GroupFrames);
    row.Cells[5] = PercentOf(static_cast<double>(totals.GroupFrames), static_cast<double>(groupFrames));
    row.Cells[6] = EncapsulationSetText(totals.Encapsulations);
    return row;
}

bool KeyLess(const ProtocolTableRow& a, const ProtocolTableRow& b, int column, bool asNumber)
{
    const auto& x = a.Cells[static_cast<size_t>(column)];
    const auto& y = b.Cells[static_cast<size_t>(column)];
    if (asNumber) return NumericSortKey(x) < NumericSortKey(y);
    return x < y;  // ordinal: std::string compares bytes as unsigned
}

}  // namespace

const std::array<ProtocolTableColumn, kProtocolTableColumns>& ProtocolTableColumns()
{
    static const std::array<ProtocolTableColumn, kProtocolTableColumns> columns{{
        {"Protocol", CellAlignment::Left, false},
        {"Packet Count", CellAlignment::Right, true},
        {"Packet Percent", CellAlignment::Right, true},
        {"Ave Pkt Size (Bytes)", CellAlignment::Right, true},
        {"Broadcast Count", CellAlignment::Right, true},
        {"Broadcast Percent", CellAlignment::Right, true},
        {"Encapsulation(s)", CellAlignment::Centre, false},
    }};
    return columns;
}

ProtocolTableContent BuildProtocolTable(const AnalysisState& state)
{
    ProtocolTableContent table;
    bool jointRowAdded = false;
    for (int family = 0; family < kFamilyCount; ++family) {
        const ProtocolStat& stat = state.ProtocolStats[static_cast<size_t>(family)];
        if (stat.Frames <= 0) continue;
        if (family == kFamilyMAC || family == kFamilyOther) {
            if (jointRowAdded) continue;
            jointRowAdded = true;
            table.Rows.push_back(MakeRow(kFamilyOther, FamilyName(kFamilyOther), JointOtherTotals(state), state));
        } else {
            table.Rows.push_back(MakeRow(family, FamilyName(family), TotalsOf(stat), state));
        }
    }
    return table;
}

double NumericSortKey(const std::string& text)
{
    std::string plain;
    plain.reserve(text.size());
    bool percentRemoved = false;
    for (char c : text) {
        if (c == ',') continue;
        if (c == '%' && !percentRemoved) {
            percentRemoved = true;
            continue;
        }
        plain += c;
    }
    double value = 0;
    const char* first = plain.data();
    const char* last = first + plain.size();
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last || !std::isfinite(value)) return 0;
    return value;
}

void SortProtocolTable(ProtocolTableContent& table, int column, bool ascending)
{
    if (column < 0 || column >= kProtocolTableColumns) return;
    const bool asNumber = ProtocolTableColumns()[static_cast<size_t>(column)].SortsAsNumber;
    std::stable_sort(table.Rows.begin(), table.Rows.end(), [&](const ProtocolTableRow& a, const ProtocolTableRow& b) {
        return ascending ? KeyLess(a, b, column, asNumber) : KeyLess(b, a, column, asNumber);
    });
}

}  // namespace quenlix
