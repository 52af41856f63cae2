// One reader family on arbitrary bytes: the option byte, then the trace (see
// RunReaderFamily). Built once per reader with QUENLIX_FUZZ_READER set to the
// reader's target name (kReaderTargets).
#include <cstdlib>

#include "FuzzHarness.h"
#include "FuzzScratch.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    std::atexit(quenlix::fuzz::RemoveScratchFolder);
    return 0;
}

namespace {
constexpr quenlix::TraceFormatCode kFormat = quenlix::fuzz::ReaderTargetFormat(QUENLIX_FUZZ_READER);
static_assert(kFormat != quenlix::kFormatUnknown, "QUENLIX_FUZZ_READER names no reader target");
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    const std::string violation =
        quenlix::fuzz::RunReaderFamily(kFormat, data, size, quenlix::fuzz::ScratchFolder("read-trace"));
    if (!violation.empty()) quenlix::fuzz::Violation(violation);
    return 0;
}
