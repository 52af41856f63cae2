// Arbitrary frames straight to the engine on either topology, then the
// transaction analysis of every conversation the frames made.
#include "FuzzHarness.h"
#include "FuzzScratch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    const std::string violation = quenlix::fuzz::RunAnalyzeFrames(data, size);
    if (!violation.empty()) quenlix::fuzz::Violation(violation);
    return 0;
}
