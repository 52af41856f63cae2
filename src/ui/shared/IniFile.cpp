#include "ui/shared/IniFile.h"

#include <algorithm>
#include <cctype>
#include <fstream>

#include "model/StringHelpers.h"

namespace quenlix {

namespace {

// The text without white space at either end.
std::string_view Trim(std::string_view text) { return Trimmed(text, " \t\r\n\v\f"); }

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace

std::string IniValue(std::string_view iniText, std::string_view section, std::string_view key)
{
    bool inSection = false;
    size_t start = 0;
    while (start < iniText.size()) {
        const size_t end = std::min(iniText.find('\n', start), iniText.size());
        const std::string_view line = Trim(iniText.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            const size_t close = line.find(']');
            inSection = close != std::string_view::npos && SameName(Trim(line.substr(1, close - 1)), section);
            continue;
        }
        if (!inSection) continue;
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        if (SameName(Trim(line.substr(0, equals)), key)) return std::string(Trim(line.substr(equals + 1)));
    }
    return {};
}

std::string ReadIniFile(const std::string& fileName)
{
    std::ifstream in(fileName, std::ios::binary);
    if (!in) return {};
    // A column order needs a few lines; anything far larger is not our file.
    constexpr std::streamsize kLimit = 1 << 20;
    std::string text(static_cast<size_t>(kLimit), '\0');
    in.read(text.data(), kLimit);
    text.resize(static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return text;
}

}  // namespace quenlix
