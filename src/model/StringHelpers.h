#pragma once
// Small text helpers every layer uses: case folding, trimming, fixed-width
// hexadecimal.

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace quenlix {

inline std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

inline std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// The text without the given characters at either end (blanks by default).
inline std::string_view Trimmed(std::string_view text, std::string_view blanks = " ")
{
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

// Four upper-case hexadecimal digits: 0x0451 is "0451".
inline std::string FourHex(uint16_t value)
{
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%04X", value);
    return buffer;
}

// The file name of a path without its folder ("/ or \\" separated).
inline std::string FileNameWithoutFolder(const std::string& path)
{
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The folder of a path, without its last separator; empty for a bare file name.
// A root ("/", "C:\\") keeps its separator.
inline std::string FolderOfPath(const std::string& path)
{
    const std::size_t separator = path.find_last_of("/\\");
    if (separator == std::string::npos) return {};
    const bool root = separator == 0 || (separator == 2 && path[1] == ':');
    return path.substr(0, root ? separator + 1 : separator);
}

}  // namespace quenlix
