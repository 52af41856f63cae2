#pragma once
// The numeric edit with spin buttons: its bounds, steps, what typing may enter,
// and how its text becomes a value. The widget only forwards keys and clicks.

#include <cstdint>
#include <string>

namespace quenlix {

class SpinEditValue {
public:
    int32_t Value() const { return value_; }
    int32_t MinValue = 0;
    int32_t MaxValue = 0;
    int32_t Increment = 1;
    int32_t FastIncrement = 10;

    // Sets the value, clamped to [MinValue, MaxValue] unless the two are equal.
    // Returns true when the value changed.
    bool SetValue(int64_t value);

    // Parses text: an empty text keeps the value, every "-" after the first
    // character is dropped, and text that is no integer reads as 0.
    int64_t Parse(const std::string& text) const;

    // The value after a step up or down (Up, Down, Page Up, Page Down).
    bool StepUp() { return SetValue(int64_t{value_} + Increment); }
    bool StepDown() { return SetValue(int64_t{value_} - Increment); }
    bool FastUp() { return SetValue(int64_t{value_} + FastIncrement); }
    bool FastDown() { return SetValue(int64_t{value_} - FastIncrement); }

    std::string Text() const { return std::to_string(value_); }

private:
    int32_t value_ = 0;
};

// True when a typed character may enter the edit: digits, "-" and control
// characters, and nothing printable (nor backspace) while the editor is disabled.
bool SpinEditAcceptsCharacter(char32_t character, bool editorEnabled);

// The narrowest the control may be.
constexpr int kSpinEditMinimumWidth = 33;

}  // namespace quenlix
