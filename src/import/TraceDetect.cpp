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
#include "model/StringHelpers.h"

namespace quenlix {

namespace {

constexpr int64_t kMinTraceBytes = 40;
constexpr int64_t kMinTopologyBytes = 50;


// Shows the refusal and answers "failed" with the unknown code of the kind asked for.
template <class Detection>
Detection Refuse(ReadHost& host, const std::string& text)
{
    host.ShowMessage(MessageIcon::Error, kProgramTitle, text);
    Detection failed;
    failed.Failed = true;
    return failed;
}

// A count-only pass of the format's reader finds the first frame the way the real
// read will and leaves its medium in ProbedTopology.
TopologyCode TopologyByProbeRead(AnalysisState& state, TraceFormatCode format, const std::string& fileName, ReadHost& host)
{
    state.Read.TraceFileName = fileName;
    state.Read.TraceFormat = format;
    state.Read.ProbedTopology = kTopologyOther;
    ReadTraceFile(state, true, host);
    return state.Read.ProbedTopology;
}

}  // namespace

FormatDetection DetectTraceFormat(AnalysisState& state, const std::string& fileName, ReadHost& host)
{
    TraceInput input(kFormatHeaderBytes);
    if (!input.Open(fileName)) return Refuse<FormatDetection>(host, OpenFailureText(input, fileName));
    const int64_t fileSize = input.Size();
    if (fileSize < kMinTraceBytes) return Refuse<FormatDetection>(host, kTooShortText);
    FormatHeader header;
    if (!header.Load(input)) return Refuse<FormatDetection>(host, kReadFailedText);
    input.Close();

    state.Read.SnifferCompressed = 0;
    state.Read.AddressTableName = "LocalAddressTable.adr";
    const std::string upperPath = Upper(fileName);
    const FormatProbe probe{header, upperPath, fileSize, state};
    for (const TraceFormat& format : TraceFormats())
        if (format.Matches(probe)) return {format.Code, false};
    return {kFormatUnknown, false};
}

TopologyDetection DetectTopology(AnalysisState& state, TraceFormatCode format, const std::string& fileName, ReadHost& host)
{
    TraceInput input(64 * 1024);
    if (!input.Open(fileName)) {
        if (input.OpenError() == EACCES) return {kTopologyOther, false};
        return Refuse<TopologyDetection>(host, OpenFailureText(input, fileName));
    }
    // Too short to hold one frame of any format: the same answer as detection gives a shorter file.
    if (input.Size() < kMinTopologyBytes) return Refuse<TopologyDetection>(host, kTooShortText);
    const TraceFormat* entry = FindTraceFormat(format);
    if (entry == nullptr) return {kTopologyOther, false};
    TopologyHeader header;
    if (!header.Load(input)) return Refuse<TopologyDetection>(host, kReadFailedText);
    const std::string upperPath = Upper(fileName);
    const TopologyProbe probe{header, input, upperPath, [&] {
                                  input.Close();
                                  return TopologyByProbeRead(state, format, fileName, host);
                              }};
    return {entry->Topology(probe), false};
}

void GetAnalyzerName(TraceFormatCode format, std::string& name)
{
    if (const TraceFormat* entry = FindTraceFormat(format)) name = entry->AnalyzerName;
}

double TicksToMicroseconds(uint16_t high, uint16_t low, uint16_t count)
{
    return (static_cast<double>(high) * 65536.0 + low) * kTickMicroseconds + count * kTimerCountMicroseconds;
}

}  // namespace quenlix
