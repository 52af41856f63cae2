// The desktop tests run inside the program's own application object, so that
// failures escaping event handlers reach the error report as they do for users.

#include "app/gui/QuenlixApplication.h"

namespace quenlix::guitest {
int RunMainWindowTests(int argc, char** argv);
int RunAncillaryTests(int argc, char** argv);
int RunChartsTests(int argc, char** argv);
int RunPrintTests(int argc, char** argv);
int RunAllPagesTests(int argc, char** argv);
int RunClientServerPageTests(int argc, char** argv);
int RunDLCErrorTests(int argc, char** argv);
int RunMainWindowUseTests(int argc, char** argv);
int RunPeerMapWindowTests(int argc, char** argv);
int RunToolboxWindowsTests(int argc, char** argv);
}  // namespace quenlix::guitest

int main(int argc, char** argv)
{
    quenlix::QuenlixApplication application(argc, argv);
    application.setQuitOnLastWindowClosed(false);
    int failures = 0;
    failures += quenlix::guitest::RunMainWindowTests(argc, argv);
    failures += quenlix::guitest::RunAncillaryTests(argc, argv);
    failures += quenlix::guitest::RunChartsTests(argc, argv);
    failures += quenlix::guitest::RunPrintTests(argc, argv);
    failures += quenlix::guitest::RunAllPagesTests(argc, argv);
    failures += quenlix::guitest::RunClientServerPageTests(argc, argv);
    failures += quenlix::guitest::RunDLCErrorTests(argc, argv);
    failures += quenlix::guitest::RunMainWindowUseTests(argc, argv);
    failures += quenlix::guitest::RunPeerMapWindowTests(argc, argv);
    failures += quenlix::guitest::RunToolboxWindowsTests(argc, argv);
    return failures == 0 ? 0 : 1;
}
