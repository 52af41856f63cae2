// quenlix: the desktop application. Opens the trace file named on the command
// line, if any, once the main window is up. `quenlix --check-setup` only tells
// where the program finds OUI.TXT and its help pages, and exits.

#include <cstring>
#include <iostream>

#include "app/gui/QuenlixApplication.h"
#include "app/gui/QuenlixProgram.h"
#include "app/gui/SetupCheck.h"
#include "model/VendorFile.h"

int main(int argc, char** argv)
{
    const std::string dataFolder = quenlix::ProgramDataFolder(quenlix::ProgramFolder(argc > 0 ? argv[0] : ""));
    if (argc == 2 && std::strcmp(argv[1], "--check-setup") == 0) return quenlix::CheckSetup(dataFolder, std::cout);

    quenlix::QuenlixApplication application(argc, argv);
    quenlix::StartupOptions options;
    options.ProgramFolder = dataFolder;
    options.Arguments = application.arguments().mid(1);
    quenlix::QuenlixProgram program(options);
    return program.Run();
}
