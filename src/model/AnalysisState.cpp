#include "model/AnalysisState.h"
namespace quenlix {
int16_t FindVendor(const AnalysisState&, const uint8_t*) { return 0; }
void AddName(AnalysisState&, const NetString&, const std::string&) {}
std::string LookupName(const AnalysisState&, const NetString&) { return {}; }
bool IsGroupAddress(uint8_t topology, const uint8_t* a) { return topology == 0 ? (a[0] & 1) : (a[0] & 0x80); }
void ResetAnalysis(AnalysisState&) {}
}
