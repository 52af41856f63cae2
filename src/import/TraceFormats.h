#pragma once
// The trace formats the program reads, one entry each: its code, the analyser
// name, the open dialog's filters, the detection test, the topology rule and the
// reader. The entries are the rows of TraceFormatTable.def. Detection tries the
// entries in the table's order, the first match wins; the reader factory, the
// analyser names, the readable formats, the open dialog's filters and the fuzz
// targets of the readers are all taken from here (see TraceReader.h for adding a
// format).

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "import/TraceInput.h"
#include "import/TraceReader.h"
#include "model/AnalysisState.h"

namespace quenlix {

// A fixed-size window on the start of a file; bytes past the end of the file read as zeros.
template <std::size_t N>
struct HeaderBytes {
    std::array<uint8_t, N> Bytes{};

    // Reads n bytes (at most N) from the input's position; the bytes not read are
    // zeros. False when the input has had a read error.
    [[nodiscard]] bool Load(TraceInput& input, std::size_t n = N)
    {
        const std::size_t got = input.Read(Bytes.data(), std::min(n, N));
        std::fill(Bytes.begin() + static_cast<std::ptrdiff_t>(got), Bytes.end(), uint8_t{0});
        return !input.Failed();
    }
    uint8_t At(std::size_t offset) const { return offset < N ? Bytes[offset] : 0; }
    uint16_t U16(std::size_t offset) const { return static_cast<uint16_t>(At(offset) | At(offset + 1) << 8); }
    int32_t I32(std::size_t offset) const
    {
        return static_cast<int32_t>(static_cast<uint32_t>(U16(offset)) | static_cast<uint32_t>(U16(offset + 2)) << 16);
    }
    std::string_view Text() const { return {reinterpret_cast<const char*>(Bytes.data()), N}; }
    bool StartsWith(std::string_view magic) const { return Text().substr(0, magic.size()) == magic; }
    bool Contains(std::string_view text) const { return Text().find(text) != std::string_view::npos; }
};

constexpr std::size_t kFormatHeaderBytes = 200;
constexpr std::size_t kTopologyHeaderBytes = 140;
using FormatHeader = HeaderBytes<kFormatHeaderBytes>;
using TopologyHeader = HeaderBytes<kTopologyHeaderBytes>;

// What a detection test sees: the first 200 bytes, the upper-cased path and the
// file size. A test may note findings in the state (SnifferCompressed,
// AddressTableName) when it matches.
struct FormatProbe {
    const FormatHeader& Header;
    const std::string& UpperPath;
    int64_t FileSize;
    AnalysisState& State;

    bool PathHas(std::string_view part) const { return UpperPath.find(part) != std::string::npos; }
};

// What a topology rule sees: the first 140 bytes, the open file (to read more)
// and the upper-cased path. ProbeRead runs a count-only pass of the format's
// reader and returns the ProbedTopology it leaves.
struct TopologyProbe {
    const TopologyHeader& Header;
    TraceInput& Input;
    const std::string& UpperPath;
    std::function<TopologyCode()> ProbeRead;
};

// One filter of the open dialog: its name and its patterns ("*.enc", "*.trc").
struct OpenFilter {
    std::string Name;
    std::vector<std::string> Patterns;
};

struct TraceFormat {
    TraceFormatCode Code;
    const char* AnalyzerName;
    // The open dialog's filters of this format, and where they stand in the
    // dialog (after "All Trace Files", lowest first).
    int DialogPosition;
    std::vector<OpenFilter> DialogFilters;
    bool (*Matches)(const FormatProbe& probe);
    TopologyCode (*Topology)(const TopologyProbe& probe);
    std::unique_ptr<TraceReader> (*MakeReader)();
};

// Every format, in detection order.
const std::vector<TraceFormat>& TraceFormats();

// The entry of a format code; null for a code no entry has.
[[nodiscard]] const TraceFormat* FindTraceFormat(TraceFormatCode code);

// True when the format code is one the program reads.
[[nodiscard]] bool IsReadableFormat(TraceFormatCode code);

// The open dialog's filters: "All Trace Files" with every pattern once, then each
// format's own filters in dialog order.
std::vector<OpenFilter> OpenDialogFilters();

}  // namespace quenlix
