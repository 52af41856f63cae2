#pragma once
// The program's name and the texts that more than one part of it shows: the
// titles of its message boxes, the messages of opening a trace, and the maker's
// web address. Every layer may use them, so they live at the bottom.

namespace quenlix {

inline constexpr const char* kProgramTitle = "Quenlix";
inline constexpr const char* kWebSiteAddress = "https://www.kolmgroup.com/";

// Opening a trace.
inline constexpr const char* kOpenTraceTitle = "Quenlix - Open Trace File";
inline constexpr const char* kOpenFailedText = "Unable to open file.  Check the path and file Name.";
inline constexpr const char* kTooShortText = "File too short.";
inline constexpr const char* kReadFailedText = "Unable to read file.  The disk or the network may have failed.";
inline constexpr const char* kNotATraceSuffix = " is not a trace file or supported format.";
inline constexpr const char* kUnsupportedTopologySuffix = " contains an unsupported topology.";

// Reading a trace.
inline constexpr const char* kReadErrorTitle = "File Read Error";

}  // namespace quenlix
