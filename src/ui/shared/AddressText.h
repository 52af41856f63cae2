#pragma once
// Station addresses as the windows show them, by their digits or by the
// manufacturer the vendor table names for their first three bytes.

#include <cstdint>
#include <string>

#include "model/AnalysisState.h"

namespace quenlix {

// The short name of a vendor index of the state's vendor table; empty for an
// unknown index (0, or outside the table).
const std::string& VendorNameOf(const AnalysisState& state, int vendor);

// A station address as the windows show it: with byVendor and a known vendor index,
// the vendor's short name and the last six hexadecimal digits, else the twelve
// upper-case digits. Vendor indexes outside the table count as unknown.
std::string StationAddressText(const AnalysisState& state, const uint8_t* address, int vendor, bool byVendor);

}  // namespace quenlix
