// Recognising a trace file: its analyser format from the name and the first 200
// bytes, then the medium it was captured on, by the tests and rules of the format
// table.

#include <algorithm>
#include <cctype>
#include <cerrno>

#include "import/TraceFormats.h"
#include "import/TraceImport.h"
#include "import/TraceInput.h"
#include "model/ProgramTexts.h"

namespace quenlix {

namespace {

constexpr int64_t kMinTraceBytes = 40;
constexpr int64_t kMinTopologyBytes = 50;

std::string UpperCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

DetectionResult Refuse(ReadHost& host, const std::string& text, uint8_t code = kFormatUnknown)
{
    host.ShowMessage(MessageIcon::Error, kProgramTitle, text);
    return {code, true};
}

// A count-only pass of the format's reader finds the first frame the way the real
// read will and leaves its medium in ProbedTopology.
uint8_t TopologyByProbeRead(AnalysisState& state, uint8_t format, const std::string& fileName, ReadHost& host)
{
    state.TraceFileName = fileName;
    state.TraceFormat = format;
    state.ProbedTopology = kTopologyOther;
    ReadTraceFile(state, true, host);
    return state.ProbedTopology;
}

}  // namespace

DetectionResult DetectTraceFormat(AnalysisState& state, const std::string& fileName, ReadHost& host)
{
    TraceInput input(kFormatHeaderBytes);
    if (!input.Open(fileName)) return Refuse(host, OpenFailureText(input, fileName));
    const int64_t fileSize = input.Size();
    if (fileSize < kMinTraceBytes) return Refuse(host, kTooShortText);
    FormatHeader header;
    if (!header.Load(input)) return Refuse(host, kReadFailedText);
    input.Close();

    state.SnifferCompressed = 0;
    state.AddressTableName = "LocalAddressTable.adr";
    const std::string upperPath = UpperCase(fileName);
    const FormatProbe probe{header, upperPath, fileSize, state};
    for (const TraceFormat& format : TraceFormats())
        if (format.Matches(probe)) return {format.Code, false};
    return {kFormatUnknown, false};
}

DetectionResult DetectTopology(AnalysisState& state, uint8_t format, const std::string& fileName, ReadHost& host)
{
    TraceInput input(64 * 1024);
    if (!input.Open(fileName)) {
        if (input.OpenError() == EACCES) return {kTopologyOther, false};
        return Refuse(host, OpenFailureText(input, fileName), kTopologyOther);
    }
    // Too short to hold one frame of any format: the same answer as detection gives a shorter file.
    if (input.Size() < kMinTopologyBytes) return Refuse(host, kTooShortText, kTopologyOther);
    const TraceFormat* entry = FindTraceFormat(format);
    if (entry == nullptr) return {kTopologyOther, false};
    TopologyHeader header;
    if (!header.Load(input)) return Refuse(host, kReadFailedText, kTopologyOther);
    const std::string upperPath = UpperCase(fileName);
    const TopologyProbe probe{header, input, upperPath, [&] {
                                  input.Close();
                                  return TopologyByProbeRead(state, format, fileName, host);
                              }};
    return {entry->Topology(probe), false};
}

void GetAnalyzerName(uint8_t format, std::string& name)
{
    if (const TraceFormat* entry = FindTraceFormat(format)) name = entry->AnalyzerName;
}

double TicksToMicroseconds(uint16_t high, uint16_t low, uint16_t count)
{
    return (static_cast<double>(high) * 65536.0 + low) * kTickMicroseconds + count * kTimerCountMicroseconds;
}

}  // namespace quenlix
