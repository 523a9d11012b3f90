#pragma once

#include "core/image/BuildMark.h"

#include <filesystem>
#include <optional>
#include <string_view>

namespace cravent::firmware {

// Whether the bank files of one bin folder come from one build. Every reader of a bin folder
// (composition, inspect, decode, diff, the simulator, the device view) asks it, so that a set a
// killed or failed build left mixed is refused alike everywhere. A folder without a build mark
// (an earlier version's, or bank files written by hand) is taken as it is.
class BankSetCheck {
public:
    explicit BankSetCheck(std::filesystem::path binDir);

    // Throws Error naming `file` when `bytes`, read from it as bank `bank`, are not what the
    // folder's build mark names, and naming the mark when it is no build mark.
    void check(int bank, const std::filesystem::path& file, std::string_view bytes);

private:
    const std::optional<image::BankHashes>& mark();

    std::filesystem::path binDir_;
    bool markRead_ = false;
    std::optional<image::BankHashes> mark_;
};

} // namespace cravent::firmware
