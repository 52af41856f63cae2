#pragma once
// A small streaming JSON writer for the printable report and the state dump.
// It keeps track of commas and indentation itself, so callers only say what comes
// next. Text that is not valid UTF-8 (names learned from frames are raw bytes) is
// written byte by byte as \u00XX escapes, so the output is always valid JSON;
// doubles that are not finite are written as null.

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quenlix {

class JsonWriter {
public:
    void BeginObject() { Open('{', false); }
    void EndObject() { Close('}'); }
    // An inline array keeps its elements on one line: meant for short number lists.
    void BeginArray(bool inlineElements = false) { Open('[', inlineElements); }
    void EndArray() { Close(']'); }

    void Key(std::string_view key)
    {
        Separate();
        AppendString(key);
        text_ += ": ";
        afterKey_ = true;
    }

    void String(std::string_view value)
    {
        Separate();
        AppendString(value);
    }
    void Int(int64_t value)
    {
        Separate();
        text_ += std::to_string(value);
    }
    void Bool(bool value)
    {
        Separate();
        text_ += value ? "true" : "false";
    }
    void Null()
    {
        Separate();
        text_ += "null";
    }
    void Double(double value)
    {
        Separate();
        if (!std::isfinite(value)) {
            text_ += "null";
            return;
        }
        char buffer[64];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
        text_.append(buffer, result.ptr);
    }

    // Key and value in one call.
    void Field(std::string_view key, std::string_view value) { Key(key); String(value); }
    void Field(std::string_view key, const char* value) { Key(key); String(value); }
    void Field(std::string_view key, int64_t value) { Key(key); Int(value); }
    void Field(std::string_view key, int32_t value) { Key(key); Int(value); }
    void Field(std::string_view key, uint32_t value) { Key(key); Int(value); }
    void Field(std::string_view key, int16_t value) { Key(key); Int(value); }
    void Field(std::string_view key, uint16_t value) { Key(key); Int(value); }
    void Field(std::string_view key, uint8_t value) { Key(key); Int(value); }
    void Field(std::string_view key, bool value) { Key(key); Bool(value); }
    void Field(std::string_view key, double value) { Key(key); Double(value); }

    // A named inline array of integers.
    template <class Container>
    void IntArray(std::string_view key, const Container& values)
    {
        Key(key);
        BeginArray(true);
        for (const auto& v : values) Int(static_cast<int64_t>(v));
        EndArray();
    }

    // The finished text, with a final line break once every container is closed.
    std::string Text() const { return stack_.empty() ? text_ + "\n" : text_; }

private:
    struct Level {
        bool Inline = false;
        bool Empty = true;
    };

    void Open(char bracket, bool inlineElements)
    {
        Separate();
        text_ += bracket;
        // A container nested in an inline array stays on that line too.
        const bool parentInline = !stack_.empty() && stack_.back().Inline;
        stack_.push_back({inlineElements || parentInline, true});
    }

    void Close(char bracket)
    {
        if (stack_.empty()) return;
        const Level level = stack_.back();
        stack_.pop_back();
        if (!level.Empty && !level.Inline) NewLine();
        text_ += bracket;
    }

    // Writes what must stand before the next value or key: a comma after an earlier
    // element and the line break and indentation of the current level.
    void Separate()
    {
        if (afterKey_) {
            afterKey_ = false;
            return;
        }
        if (stack_.empty()) return;
        Level& level = stack_.back();
        if (!level.Empty) text_ += level.Inline ? ", " : ",";
        if (!level.Inline) NewLine();
        level.Empty = false;
    }

    void NewLine()
    {
        text_ += '\n';
        text_.append(stack_.size() * 2, ' ');
    }

    void AppendString(std::string_view value)
    {
        text_ += '"';
        size_t i = 0;
        while (i < value.size()) {
            const auto c = static_cast<unsigned char>(value[i]);
            if (c >= 0x80) {
                const size_t length = Utf8SequenceLength(value, i);
                if (length > 0) {
                    text_.append(value.substr(i, length));
                    i += length;
                } else {
                    AppendEscape(c);
                    ++i;
                }
                continue;
            }
            switch (c) {
            case '"': text_ += "\\\""; break;
            case '\\': text_ += "\\\\"; break;
            case '\n': text_ += "\\n"; break;
            case '\r': text_ += "\\r"; break;
            case '\t': text_ += "\\t"; break;
            default:
                if (c < 0x20 || c == 0x7F) AppendEscape(c);
                else text_ += static_cast<char>(c);
            }
            ++i;
        }
        text_ += '"';
    }

    void AppendEscape(unsigned char c)
    {
        static const char digits[] = "0123456789ABCDEF";
        text_ += "\\u00";
        text_ += digits[c >> 4];
        text_ += digits[c & 0x0F];
    }

    // Length of the well-formed UTF-8 sequence starting at i, or 0 when the bytes
    // there do not form one (overlong forms, surrogates and cut sequences included).
    static size_t Utf8SequenceLength(std::string_view s, size_t i)
    {
        const auto b0 = static_cast<unsigned char>(s[i]);
        size_t length = 0;
        uint32_t codePoint = 0;
        if (b0 >= 0xC2 && b0 <= 0xDF) {
            length = 2;
            codePoint = b0 & 0x1F;
        } else if (b0 >= 0xE0 && b0 <= 0xEF) {
            length = 3;
            codePoint = b0 & 0x0F;
        } else if (b0 >= 0xF0 && b0 <= 0xF4) {
            length = 4;
            codePoint = b0 & 0x07;
        } else {
            return 0;
        }
        if (i + length > s.size()) return 0;
        for (size_t k = 1; k < length; ++k) {
            const auto b = static_cast<unsigned char>(s[i + k]);
            if ((b & 0xC0) != 0x80) return 0;
            codePoint = (codePoint << 6) | (b & 0x3F);
        }
        if (length == 3 && (codePoint < 0x800 || (codePoint >= 0xD800 && codePoint <= 0xDFFF))) return 0;
        if (length == 4 && (codePoint < 0x10000 || codePoint > 0x10FFFF)) return 0;
        return length;
    }

    std::string text_;
    std::vector<Level> stack_;
    bool afterKey_ = false;
};

}  // namespace quenlix
