#pragma once
// The "Error Information" window's two lines for a failure that escaped an event
// handler, and the texts of the About and technical support windows.

#include <cstdint>
#include <string>

namespace quenlix {

inline constexpr const char* kErrorHeadline = "Quenlix has encountered an error!";
inline constexpr const char* kErrorFootline = "with the above error information.";

struct ErrorReportTexts {
    std::string ErrorInfo1;
    std::string ErrorInfo2;
};

// ErrorInfo1: "Exception <class> in Module <program> at <address>." where the
// program is the file name after the last separator, at most 63 characters, and
// the address is eight hexadecimal digits. ErrorInfo2: the message with a final
// "." added when it is not empty and lacks one; empty for a failure that is not
// a standard exception (hasMessage false).
ErrorReportTexts BuildErrorReport(const std::string& className, const std::string& programPath, uintptr_t address,
                                  bool hasMessage, const std::string& message);

struct AboutTexts {
    std::string Caption = "About Quenlix";
    std::string ProgramName = "Quenlix Fathom (tm)";
    std::string Version;      // "Version 0.1"
    std::string Toolkit;      // "Qt 6.4.2"
    std::string Description = "Expert analysis of LAN analyzer trace files";
    std::string Copyright = "Copyright (c) Kolm Group";
};
AboutTexts BuildAboutTexts(const std::string& programVersion, const std::string& toolkitVersion);

struct TechnicalSupportTexts {
    std::string Caption = "Technical Support";
    std::string Heading = "Kolm Group Technical Support";
    std::string Contact =
        "For help with Quenlix, send a description of the problem, the version shown in the About box and, "
        "where you can, the trace file to Kolm Group's technical support.";
    std::string WebLabel = "Web:";
    std::string Email = "support@kolmgroup.com";
    std::string EmailLabel = "E-mail:";
};
TechnicalSupportTexts BuildTechnicalSupportTexts();

}  // namespace quenlix
