#pragma once
// An Ethernet trace with collision fragments: six CRC fragments, each followed
// by a frame of station A (60 frames in all, 6 of them suspects: 10 %) and one of
// station B (12 frames, 6 suspects: 50 %). Stations are MacOf(0xA) and MacOf(0xB),
// the fragments come from MacOf(0xC).

#include <string>
#include <vector>

#include "SnifferWriter.h"

namespace quenlix::testing {

std::vector<SnifferFrame> CollisionFragmentFrames();

// Writes them as an Ethernet Sniffer trace.
void WriteCollisionFragmentTrace(const std::string& path);

}  // namespace quenlix::testing
