#pragma once
// Window placements: each window's size, position and state, kept between runs as
// a 17-byte record under "3.01b/Display", one binary value named after the window.
// A restored window is pulled back onto the screen.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/SettingsStore.h"

namespace quenlix {

inline constexpr const char* kPlacementKey = "3.01b/Display";
constexpr size_t kPlacementRecordBytes = 17;

enum class WindowState : uint8_t { Normal = 0, Minimised = 1, Maximised = 2 };

struct FormPlacement {
    int32_t Height = 0;
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Width = 0;
    WindowState State = WindowState::Normal;

    bool operator==(const FormPlacement&) const = default;
};

// The 17-byte little-endian record: Height, Left, Top, Width, then the state byte.
std::vector<uint8_t> EncodePlacement(const FormPlacement& placement);

// The record read back; nullopt when it is shorter than 17 bytes. Extra bytes are
// ignored, and a state byte other than 0, 1 or 2 reads as normal.
std::optional<FormPlacement> DecodePlacement(const std::vector<uint8_t>& record);

// Fits a normal or minimised window onto a screen of the given size: no larger
// than the screen, no edge to the left of or above it, and no edge past its right
// or bottom. A maximised placement is returned unchanged.
FormPlacement ClampToScreen(const FormPlacement& placement, int32_t screenWidth, int32_t screenHeight);

// The stored placement of a window, fitted to the screen; nullopt when none is stored.
std::optional<FormPlacement> LoadFormPlacement(const SettingsStore& store, const std::string& formName,
                                               int32_t screenWidth, int32_t screenHeight);

void SaveFormPlacement(SettingsStore& store, const std::string& formName, const FormPlacement& placement);

}  // namespace quenlix
