#pragma once
// A strict JSON parser for the report tests: it accepts exactly RFC 8259 text
// (no trailing commas, no NaN, no raw control characters in strings, valid
// escapes, one value and nothing after it) and keeps object keys in order, so
// that the tests can check both well-formedness and the content.

#include <charconv>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quenlix::reporttest {

struct JsonField;

// An object's fields are JsonField records rather than pairs: a pair of an
// incomplete JsonValue does not compile with every standard library and compiler
// (clang with libstdc++ 12 refuses it).
struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object };
    Kind Type = Kind::Null;
    bool Boolean = false;
    double Number = 0;
    std::string Text;              // strings, and numbers as written
    std::vector<JsonValue> Items;  // arrays
    std::vector<JsonField> Fields; // objects, in order

    bool IsNull() const { return Type == Kind::Null; }
    bool Has(std::string_view key) const;
    const JsonValue& operator[](std::string_view key) const;
    const JsonValue& operator[](size_t index) const { return Items.at(index); }
    size_t Size() const;
    int64_t Int() const { return static_cast<int64_t>(Number); }
    std::vector<std::string> Keys() const;
};

struct JsonField {
    std::string first;
    JsonValue second;
};

inline bool JsonValue::Has(std::string_view key) const
{
    for (const auto& field : Fields)
        if (field.first == key) return true;
    return false;
}

inline const JsonValue& JsonValue::operator[](std::string_view key) const
{
    for (const auto& field : Fields)
        if (field.first == key) return field.second;
    throw std::out_of_range("no key " + std::string(key));
}

inline size_t JsonValue::Size() const { return Type == Kind::Array ? Items.size() : Fields.size(); }

inline std::vector<std::string> JsonValue::Keys() const
{
    std::vector<std::string> keys;
    for (const auto& field : Fields) keys.push_back(field.first);
    return keys;
}

class JsonParser {
public:
    // Parses the whole text; throws std::runtime_error with the position on any fault.
    static JsonValue Parse(std::string_view text)
    {
        JsonParser parser(text);
        parser.SkipSpace();
        JsonValue value = parser.ParseValue(0);
        parser.SkipSpace();
        if (parser.pos_ != text.size()) parser.Fail("text after the value");
        return value;
    }

private:
    explicit JsonParser(std::string_view text) : text_(text) {}

    [[noreturn]] void Fail(const std::string& what) const
    {
        throw std::runtime_error("JSON: " + what + " at offset " + std::to_string(pos_));
    }

    char Peek() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }
    bool AtEnd() const { return pos_ >= text_.size(); }

    void SkipSpace()
    {
        while (!AtEnd() && (Peek() == ' ' || Peek() == '\n' || Peek() == '\r' || Peek() == '\t')) ++pos_;
    }

    void Expect(char c)
    {
        if (Peek() != c || AtEnd()) Fail(std::string("expected '") + c + "'");
        ++pos_;
    }

    void ExpectWord(std::string_view word)
    {
        if (text_.substr(pos_, word.size()) != word) Fail("bad literal");
        pos_ += word.size();
    }

    JsonValue ParseValue(int depth)
    {
        if (depth > 64) Fail("nesting too deep");
        JsonValue value;
        switch (Peek()) {
        case '{': ParseObject(value, depth); break;
        case '[': ParseArray(value, depth); break;
        case '"':
            value.Type = JsonValue::Kind::String;
            value.Text = ParseString();
            break;
        case 't': ExpectWord("true"); value.Type = JsonValue::Kind::Bool; value.Boolean = true; break;
        case 'f': ExpectWord("false"); value.Type = JsonValue::Kind::Bool; break;
        case 'n': ExpectWord("null"); break;
        default: ParseNumber(value);
        }
        return value;
    }

    void ParseObject(JsonValue& value, int depth)
    {
        value.Type = JsonValue::Kind::Object;
        Expect('{');
        SkipSpace();
        if (Peek() == '}') {
            ++pos_;
            return;
        }
        for (;;) {
            SkipSpace();
            std::string key = ParseString();
            SkipSpace();
            Expect(':');
            SkipSpace();
            value.Fields.push_back(JsonField{std::move(key), ParseValue(depth + 1)});
            SkipSpace();
            if (Peek() == ',') {
                ++pos_;
                continue;
            }
            Expect('}');
            return;
        }
    }

    void ParseArray(JsonValue& value, int depth)
    {
        value.Type = JsonValue::Kind::Array;
        Expect('[');
        SkipSpace();
        if (Peek() == ']') {
            ++pos_;
            return;
        }
        for (;;) {
            SkipSpace();
            value.Items.push_back(ParseValue(depth + 1));
            SkipSpace();
            if (Peek() == ',') {
                ++pos_;
                continue;
            }
            Expect(']');
            return;
        }
    }

    static int HexValue(char c)
    {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    }

    static void AppendUtf8(std::string& out, uint32_t code)
    {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | code >> 6);
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | code >> 12);
            out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | code >> 18);
            out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    uint32_t ParseHex4()
    {
        uint32_t code = 0;
        for (int i = 0; i < 4; ++i) {
            const int digit = HexValue(Peek());
            if (AtEnd() || digit < 0) Fail("bad \\u escape");
            code = code << 4 | static_cast<uint32_t>(digit);
            ++pos_;
        }
        return code;
    }

    std::string ParseString()
    {
        Expect('"');
        std::string out;
        for (;;) {
            if (AtEnd()) Fail("unterminated string");
            const auto c = static_cast<unsigned char>(text_[pos_++]);
            if (c == '"') return out;
            if (c < 0x20) Fail("raw control character in a string");
            if (c != '\\') {
                out += static_cast<char>(c);
                continue;
            }
            if (AtEnd()) Fail("unterminated escape");
            const char e = text_[pos_++];
            switch (e) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case '/': out += '/'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': AppendUtf8(out, ParseHex4()); break;
            default: Fail("bad escape");
            }
        }
    }

    void ParseNumber(JsonValue& value)
    {
        const size_t start = pos_;
        if (Peek() == '-') ++pos_;
        if (Peek() == '0') {
            ++pos_;
        } else if (Peek() >= '1' && Peek() <= '9') {
            while (Peek() >= '0' && Peek() <= '9') ++pos_;
        } else {
            Fail("bad value");
        }
        if (Peek() == '.') {
            ++pos_;
            if (!(Peek() >= '0' && Peek() <= '9')) Fail("bad fraction");
            while (Peek() >= '0' && Peek() <= '9') ++pos_;
        }
        if (Peek() == 'e' || Peek() == 'E') {
            ++pos_;
            if (Peek() == '+' || Peek() == '-') ++pos_;
            if (!(Peek() >= '0' && Peek() <= '9')) Fail("bad exponent");
            while (Peek() >= '0' && Peek() <= '9') ++pos_;
        }
        value.Type = JsonValue::Kind::Number;
        value.Text = std::string(text_.substr(start, pos_ - start));
        std::from_chars(value.Text.data(), value.Text.data() + value.Text.size(), value.Number);
    }

    std::string_view text_;
    size_t pos_ = 0;
};

}  // namespace quenlix::reporttest
