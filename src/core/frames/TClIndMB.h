#pragma once

#include <string>

namespace cravent::frames {

// One Modbus register carried by a frame: its register index and byte selection, as typed. The
// frame number is not kept here; it is that of the TClPdo holding the entry.
class TClIndMB {
public:
    TClIndMB(std::string indexText, std::string posCompText)
        : index(std::move(indexText)), posComp(std::move(posCompText))
    {
    }

    std::string index;
    std::string posComp;

    bool operator==(const TClIndMB&) const = default;
};

} // namespace cravent::frames
