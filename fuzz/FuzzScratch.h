#pragma once
// A private folder for the files a fuzz target writes, in memory (/dev/shm) when
// the system has it, so that writing one small file per input costs no disk time.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace quenlix::fuzz {

inline const std::string& ScratchFolder(const char* target)
{
    static const std::string folder = [target] {
        const std::filesystem::path base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
        const std::filesystem::path path = base / ("quenlix-" + std::string(target) + "-" + std::to_string(getpid()));
        std::filesystem::create_directories(path);
        return path.string();
    }();
    return folder;
}

inline void RemoveScratchFolder()
{
    std::error_code ignored;
    // Only the folders of this process: the pid is part of the name.
    for (const char* target : {"read-trace", "detect"}) {
        const std::filesystem::path base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
        std::filesystem::remove_all(base / ("quenlix-" + std::string(target) + "-" + std::to_string(getpid())), ignored);
    }
}

// Stops the fuzzer with the broken rule; libFuzzer keeps the input that did it.
[[noreturn]] inline void Violation(const std::string& text)
{
    std::fprintf(stderr, "invariant violated: %s\n", text.c_str());
    std::abort();
}

}  // namespace quenlix::fuzz
