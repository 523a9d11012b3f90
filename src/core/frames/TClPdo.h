#pragma once

#include "core/frames/TClIndMB.h"

#include <string>
#include <vector>

namespace cravent::frames {

// One frame of the frame list as the map editor sees it: its COB-ID text, its 1-based frame
// number and the register entries it carries, in list order.
class TClPdo {
public:
    TClPdo(std::string cobIdText, int frameNumber) : cobId(std::move(cobIdText)), number(frameNumber) {}

    std::string cobId;
    int number;
    std::vector<TClIndMB> entries;
};

} // namespace cravent::frames
