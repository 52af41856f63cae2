#pragma once
// Reading the INI file named like the program (the grids' column orders).

#include <string>
#include <string_view>

namespace quenlix {

// The value of a key in a section of an INI text ("" when absent). Sections and
// keys compare without regard to case; blanks around names and values go.
std::string IniValue(std::string_view iniText, std::string_view section, std::string_view key);

// The INI file named like the program: its text, or "" when it cannot be read.
std::string ReadIniFile(const std::string& fileName);

}  // namespace quenlix
