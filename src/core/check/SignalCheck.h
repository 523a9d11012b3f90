#pragma once

#include "core/check/Finding.h"
#include "core/check/ProjectSnapshot.h"

#include <vector>

namespace cravent::check {

// What the signals of signals.xml will read on the Modbus side, appended to `findings` in the
// file's row order (its Signal elements):
// - signal-frame-missing: its COB-ID is in no frame of its direction's list;
// - signal-beyond-length: it reaches past the frame's data length, where the gateway reads 0;
// - signal-not-carried: not every bit reaches a register under the reading convention, naming
//   the bits that reach none;
// - signal-overlap: two signals of one frame share bits (multiplexed signals of different
//   multiplexor values excepted: they never appear together).
// A project without signals.xml adds nothing, so its findings stay what they were.
void checkSignals(const ProjectSnapshot& project, std::vector<Finding>& findings);

} // namespace cravent::check
