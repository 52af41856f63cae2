#include "ui/controls/SpinEditContent.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace quenlix {

namespace {

constexpr char32_t kBackspace = 8;

}  // namespace

bool SpinEditValue::SetValue(int64_t value)
{
    if (MinValue != MaxValue) {
        value = std::clamp<int64_t>(value, std::min(MinValue, MaxValue), std::max(MinValue, MaxValue));
    } else {
        // Unbounded, but still a 32-bit value: a step past the end stops there.
        value = std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
    }
    const auto next = static_cast<int32_t>(value);
    if (next == value_) return false;
    value_ = next;
    return true;
}

int64_t SpinEditValue::Parse(const std::string& text) const
{
    if (text.empty()) return value_;
    std::string cleaned(1, text.front());
    for (size_t i = 1; i < text.size(); ++i)
        if (text[i] != '-') cleaned += text[i];
    int64_t value = 0;
    const char* first = cleaned.data();
    const char* last = first + cleaned.size();
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last) return 0;
    return value;
}

bool SpinEditAcceptsCharacter(char32_t character, bool editorEnabled)
{
    const bool control = character < 0x20 || character == 0x7F;
    if (!editorEnabled) return control && character != kBackspace;
    return control || (character >= '0' && character <= '9') || character == '-';
}

}  // namespace quenlix
