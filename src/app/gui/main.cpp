// quenlix: the desktop application. Opens the trace file named on the command
// line, if any, once the main window is up.

#include "app/gui/QuenlixApplication.h"
#include "app/gui/QuenlixProgram.h"
#include "model/VendorFile.h"

int main(int argc, char** argv)
{
    quenlix::QuenlixApplication application(argc, argv);
    quenlix::StartupOptions options;
    options.ProgramFolder = quenlix::ProgramFolder(argc > 0 ? argv[0] : "");
    options.Arguments = application.arguments().mid(1);
    quenlix::QuenlixProgram program(options);
    return program.Run();
}
