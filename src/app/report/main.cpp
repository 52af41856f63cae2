// quenlix-report: reads one trace file and prints its analysis on standard output.
// Everything but the terminal test and the program folder lives in the core, so
// that the tests can run the same code.

#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "model/VendorFile.h"
#include "report/ReportCommand.h"

int main(int argc, char** argv)
{
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    quenlix::ReportEnvironment environment;
    environment.ProgramFolder = quenlix::ProgramDataFolder(quenlix::ProgramFolder(argc > 0 ? argv[0] : ""));
    environment.ShowProgress = isatty(STDERR_FILENO) == 1;
    return quenlix::RunReport(args, std::cout, std::cerr, environment);
}
