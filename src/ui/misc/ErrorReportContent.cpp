#include "ui/misc/ErrorReportContent.h"

#include <cstdio>

namespace quenlix {

namespace {

constexpr size_t kLongestModuleName = 63;

std::string ModuleName(const std::string& programPath)
{
    const size_t separator = programPath.find_last_of("/\\");
    const std::string name = separator == std::string::npos ? programPath : programPath.substr(separator + 1);
    return name.substr(0, kLongestModuleName);
}

std::string AddressText(uintptr_t address)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%08llX", static_cast<unsigned long long>(address));
    return buffer;
}

}  // namespace

ErrorReportTexts BuildErrorReport(const std::string& className, const std::string& programPath, uintptr_t address,
                                  bool hasMessage, const std::string& message)
{
    ErrorReportTexts texts;
    texts.ErrorInfo1 = "Exception " + className + " in Module " + ModuleName(programPath) + " at " +
                       AddressText(address) + ".";
    if (hasMessage) {
        texts.ErrorInfo2 = message;
        if (!message.empty() && message.back() != '.') texts.ErrorInfo2 += '.';
    }
    return texts;
}

AboutTexts BuildAboutTexts(const std::string& programVersion, const std::string& toolkitVersion)
{
    AboutTexts texts;
    texts.Version = "Version " + programVersion;
    texts.Toolkit = "Qt " + toolkitVersion;
    return texts;
}

TechnicalSupportTexts BuildTechnicalSupportTexts()
{
    return {};
}

}  // namespace quenlix
