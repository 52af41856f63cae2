#pragma once
// Opening a file of the user's for reading only, safely: a trace, an address
// table, anything named by the user or by a trace.
//
// A path is only a name; what it names may change between a check and the open
// (a symlink swapped from a trace to a named pipe). So the file is opened without
// blocking and the opened file itself is checked: a named pipe without a writer
// opens at once instead of blocking for ever, and is then refused like a folder or
// a device.

#include <cstdio>
#include <string>

namespace quenlix {

// The error of a path that exists but is not a regular file (no errno has this value).
constexpr int kNotARegularFile = -1;

struct ReadOnlyFile {
    std::FILE* File = nullptr;  // the open regular file; null when the open failed
    int Error = 0;              // the errno value of a failed open, or kNotARegularFile
};

// Opens path for reading only when it is a regular file. The caller closes File.
ReadOnlyFile OpenRegularFileForReading(const std::string& path);

// The operating system's reason for an errno value ("Permission denied").
std::string SystemErrorText(int error);

}  // namespace quenlix
