#pragma once
// The manufacturer file "OUI.TXT" in the program's folder: one line per
// manufacturer prefix, columns 1-6 the prefix as six hexadecimal digits and
// columns 8-13 a short name; lines with "/*" in their first six characters are
// comments. Loaded once at start-up into the vendor table of the analysis state.

#include <istream>
#include <string>

#include "model/AnalysisState.h"
#include "model/ReadHost.h"

namespace quenlix {

inline constexpr const char* kVendorFileName = "OUI.TXT";
inline constexpr const char* kVendorFileMissingMessage =
    "Unable to open the OUI File (OUI.TXT) in the Quenlix Program Directory.  "
    "Without this file, vendors/organizations will not be associated with station addresses.";

// Empties the vendor table and loads "OUI.TXT" from programFolder. When the file
// cannot be opened the user is told (a warning titled "Quenlix") and the program
// goes on without vendors. Returns true when the file was read.
[[nodiscard]] bool LoadVendorTable(AnalysisState& state, const std::string& programFolder, ReadHost& host);

// Loads the vendor entries of a manufacturer file's text into the table, after
// the entries already there, up to its capacity of 1900. Lines whose prefix is
// not six hexadecimal digits are skipped. The table is left in ascending prefix
// order, as the vendor search needs, even when the file is not.
void ReadVendorLines(AnalysisState& state, std::istream& lines);

// The folder of the running program file (from /proc/self/exe), else the folder
// of argv0, else ".".
std::string ProgramFolder(const char* argv0);

// The folder of the program's data (OUI.TXT and the help pages): the program's
// own folder when OUI.TXT is there (the build tree), otherwise the shared data
// folder of an installed tree, bin/../share/quenlix, when it holds OUI.TXT; the
// program's folder when neither has it, so the warning names where it looked.
std::string ProgramDataFolder(const std::string& programFolder);

}  // namespace quenlix
