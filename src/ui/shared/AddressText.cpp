#include "ui/shared/AddressText.h"

#include <algorithm>

#include "model/Naming.h"

namespace quenlix {

const std::string& VendorNameOf(const AnalysisState& state, int vendor)
{
    static const std::string none;
    const int known = std::min<int>(state.VendorCount, kVendorCapacity);
    if (vendor < 1 || vendor > known) return none;
    return state.VendorTable[static_cast<size_t>(vendor)].VendorName;
}

std::string StationAddressText(const AnalysisState& state, const uint8_t* address, int vendor, bool byVendor)
{
    const std::string hex = MACToHex(address);
    const std::string& vendorName = VendorNameOf(state, vendor);
    if (!byVendor || vendorName.empty()) return hex;
    return vendorName + hex.substr(6);
}

}  // namespace quenlix
