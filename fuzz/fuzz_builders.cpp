// Arbitrary frames through the engine, then the content of every window built
// from the state they made.
#include "BuilderHarness.h"
#include "FuzzScratch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    const std::string violation = quenlix::fuzz::RunContentBuilders(data, size);
    if (!violation.empty()) quenlix::fuzz::Violation(violation);
    return 0;
}
