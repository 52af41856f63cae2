#pragma once
// Colours of the windows' drawings, toolkit-free: the content builders name
// colours by these values and the widgets turn them into the toolkit's colours.

#include <cstdint>

namespace quenlix {

struct RGBColour {
    uint8_t R = 0;
    uint8_t G = 0;
    uint8_t B = 0;
    friend bool operator==(const RGBColour&, const RGBColour&) = default;
};

// The named colours of the maps, keys and charts. The two system colours are
// those of the standard scheme (button text black, button shadow grey), so that
// a drawing matches the colour keys beside it on every desktop.
namespace colours {
inline constexpr RGBColour kButtonText{0, 0, 0};
inline constexpr RGBColour kButtonShadow{128, 128, 128};
inline constexpr RGBColour kHighlight{0, 0, 128};
inline constexpr RGBColour kFuchsia{255, 0, 255};
inline constexpr RGBColour kLime{0, 255, 0};
inline constexpr RGBColour kAqua{0, 255, 255};
inline constexpr RGBColour kBlue{0, 0, 255};
inline constexpr RGBColour kYellow{255, 255, 0};
inline constexpr RGBColour kTeal{0, 128, 128};
inline constexpr RGBColour kNavy{0, 0, 128};
inline constexpr RGBColour kPurple{128, 0, 128};
inline constexpr RGBColour kMaroon{128, 0, 0};
inline constexpr RGBColour kOlive{128, 128, 0};
inline constexpr RGBColour kGreen{0, 128, 0};
inline constexpr RGBColour kRed{255, 0, 0};
inline constexpr RGBColour kWhite{255, 255, 255};
inline constexpr RGBColour kGrey{128, 128, 128};
inline constexpr RGBColour kWine{128, 0, 64};
inline constexpr RGBColour kOrange{255, 128, 0};
}  // namespace colours

// The DLC error page and the peer maps name the same colours.
namespace dlccolours = colours;
namespace peercolours = colours;

// True for colours too light to read as text on white (by their luma).
constexpr bool IsLightColour(const RGBColour& colour)
{
    return 0.299 * colour.R + 0.587 * colour.G + 0.114 * colour.B > 160.0;
}

// The text colour that reads on a box of the given colour: white on dark
// boxes, button text on light ones.
constexpr RGBColour TextOn(const RGBColour& colour)
{
    const int light = colour.R * 3 + colour.G * 6 + colour.B;
    return light < 1000 ? colours::kWhite : colours::kButtonText;
}

}  // namespace quenlix
