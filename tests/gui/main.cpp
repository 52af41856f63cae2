// Every desktop test is a program of its own (one CTest entry each, so that a
// failure names its test). They run inside the program's own application
// object, so that failures escaping event handlers reach the error report as
// they do for users.

#include "app/gui/QuenlixApplication.h"

namespace quenlix::guitest {
// The test file's suite: the QTest result of its test object.
int RunTests(int argc, char** argv);
}  // namespace quenlix::guitest

int main(int argc, char** argv)
{
    quenlix::QuenlixApplication application(argc, argv);
    application.setQuitOnLastWindowClosed(false);
    return quenlix::guitest::RunTests(argc, argv) == 0 ? 0 : 1;
}
