// Format and topology detection on arbitrary file names and headers.
#include <cstdlib>

#include "FuzzHarness.h"
#include "FuzzScratch.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    std::atexit(quenlix::fuzz::RemoveScratchFolder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    const std::string violation = quenlix::fuzz::RunDetect(data, size, quenlix::fuzz::ScratchFolder("detect"));
    if (!violation.empty()) quenlix::fuzz::Violation(violation);
    return 0;
}
