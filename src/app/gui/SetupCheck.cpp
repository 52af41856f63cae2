#include "app/gui/SetupCheck.h"

#include <filesystem>
#include <memory>
#include <ostream>

#include "model/AnalysisState.h"
#include "model/NumberFormat.h"
#include "model/ReadHost.h"
#include "model/VendorFile.h"
#include "ui/main/MainWindowContent.h"

namespace quenlix {

int CheckSetup(const std::string& dataFolder, std::ostream& out)
{
    namespace fs = std::filesystem;
    out << "Program data: " << dataFolder << "\n";

    // The state is large: keep it off the stack.
    auto state = std::make_unique<AnalysisState>();
    SilentHost host;
    const bool vendorsFound = LoadVendorTable(*state, dataFolder, host) && state->VendorCount > 0;
    out << kVendorFileName << ": "
        << (vendorsFound ? FormatCount(state->VendorCount) + " vendors" : std::string("not found")) << "\n";

    const fs::path help = fs::path(dataFolder) / "help" / HelpPageFile(0);
    std::error_code error;
    const bool helpFound = fs::is_regular_file(help, error);
    out << "Help: " << (helpFound ? help.string() : std::string("not found")) << "\n";
    return vendorsFound && helpFound ? 0 : 1;
}

}  // namespace quenlix
