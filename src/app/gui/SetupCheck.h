#pragma once
// `quenlix --check-setup`: tells where the program finds its data, without
// opening a window, so that an installation can be checked from a shell.

#include <iosfwd>
#include <string>

namespace quenlix {

// Prints the data folder, the number of vendors OUI.TXT gives and the help index
// found there. Returns 0 when both are found, 1 otherwise.
int CheckSetup(const std::string& dataFolder, std::ostream& out);

}  // namespace quenlix
