#include "model/FrameEngine.h"
// (engine body in progress)
namespace quenlix {
bool AnalyzeFrame(AnalysisState& state, int& frameNo) { ++frameNo; ++state.FramesSeen; return state.CountOnly != 0; }
void ResetStatistics(AnalysisState&) {}
void CloseInterval(AnalysisState&) {}
void UpdateElapsed(AnalysisState&, int) {}
int32_t BytesPerSecondForSpeed(int speed) { switch (speed) { case 4: return 500000; case 10: return 1250000; case 16: return 2000000; case 100: return 12500000; default: return 0; } }
}
