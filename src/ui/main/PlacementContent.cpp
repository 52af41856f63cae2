#include "ui/main/PlacementContent.h"

#include <algorithm>

namespace quenlix {

namespace {

void PutInt32(std::vector<uint8_t>& out, int32_t value)
{
    const auto bits = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(bits >> shift));
}

int32_t GetInt32(const std::vector<uint8_t>& in, size_t offset)
{
    uint32_t bits = 0;
    for (size_t i = 0; i < 4; ++i) bits |= static_cast<uint32_t>(in[offset + i]) << (8 * i);
    return static_cast<int32_t>(bits);
}

// One coordinate and extent fitted into [0, screen]. Done in 64 bits, because a
// hostile record may hold edges near the ends of the 32-bit range; a negative
// extent, which no window can have, becomes 0.
void FitAxis(int32_t& start, int32_t& extent, int32_t screen)
{
    extent = std::clamp(extent, 0, std::max(screen, 0));
    if (start < 0) {
        start = 0;
    } else if (int64_t{start} + extent > screen) {
        start = static_cast<int32_t>(int64_t{screen} - extent);
    }
}

}  // namespace

std::vector<uint8_t> EncodePlacement(const FormPlacement& placement)
{
    std::vector<uint8_t> record;
    record.reserve(kPlacementRecordBytes);
    PutInt32(record, placement.Height);
    PutInt32(record, placement.Left);
    PutInt32(record, placement.Top);
    PutInt32(record, placement.Width);
    record.push_back(static_cast<uint8_t>(placement.State));
    return record;
}

std::optional<FormPlacement> DecodePlacement(const std::vector<uint8_t>& record)
{
    if (record.size() < kPlacementRecordBytes) return std::nullopt;
    FormPlacement placement;
    placement.Height = GetInt32(record, 0);
    placement.Left = GetInt32(record, 4);
    placement.Top = GetInt32(record, 8);
    placement.Width = GetInt32(record, 12);
    const uint8_t state = record[16];
    placement.State = state <= 2 ? static_cast<WindowState>(state) : WindowState::Normal;
    return placement;
}

FormPlacement ClampToScreen(const FormPlacement& placement, int32_t screenWidth, int32_t screenHeight)
{
    FormPlacement fitted = placement;
    if (fitted.State == WindowState::Maximised) return fitted;
    FitAxis(fitted.Left, fitted.Width, screenWidth);
    FitAxis(fitted.Top, fitted.Height, screenHeight);
    return fitted;
}

std::optional<FormPlacement> LoadFormPlacement(const SettingsStore& store, const std::string& formName,
                                               int32_t screenWidth, int32_t screenHeight)
{
    const std::optional<std::vector<uint8_t>> record = store.ReadBinary(kPlacementKey, formName);
    if (!record) return std::nullopt;
    const std::optional<FormPlacement> placement = DecodePlacement(*record);
    if (!placement) return std::nullopt;
    return ClampToScreen(*placement, screenWidth, screenHeight);
}

void SaveFormPlacement(SettingsStore& store, const std::string& formName, const FormPlacement& placement)
{
    store.WriteBinary(kPlacementKey, formName, EncodePlacement(placement));
}

}  // namespace quenlix
