#pragma once
// One TCP conversation with a problem of every kind the toolbox marks: a
// checksum error and its retransmission, an IP checksum error, a bad FCS, a
// zero window, a locally routed copy, a short and a long frame. For the tests
// and for pictures of the problem window.

#include <vector>

#include "SnifferWriter.h"

namespace quenlix::testing {

// Client 10.5.0.1 port 1025 to server 10.5.0.2 port 80, frames in time order.
std::vector<SnifferFrame> ProblemConversationFrames();

}  // namespace quenlix::testing
