#pragma once

#include "core/image/BuildStamp.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cravent::firmware {

// One gateway of a production run: its file name and the address it is given.
struct Unit {
    std::string name; // the new firmware is <name>.sx
    std::array<std::uint8_t, 4> ip{};
    std::optional<std::array<std::uint8_t, 4>> mask; // nothing: the project's
    std::optional<std::uint16_t> port;               // nothing: the project's
    std::size_t line = 0;                            // 1-based, for messages
};

// Reads a units file: a header line, then one unit a line, "name,ip[,mask][,port]"; blank
// lines are skipped and an empty mask or port keeps the project's. Throws Error naming the
// file and the line of the first bad one: a missing or extra field, a name that is not a safe
// file name, a name or address that an earlier line already has, an address that is not four
// decimal octets or has an octet above 255, a port outside 1 to 65535.
std::vector<Unit> readUnits(std::string_view text, const std::string& fileName);

// What the batch wrote for one unit.
struct BatchOutput {
    std::string name;
    std::filesystem::path file;
    std::array<std::uint8_t, 4> ip{};
    std::string sha256;
};

// For each unit, the project's image built once with `moment` and given the unit's address,
// composed into `master` as outDir/<name>.sx and verified; then outDir/manifest.csv with the
// name, address and SHA-256 of each file. An earlier manifest in outDir is removed before the
// first unit's file is written, so that none vouches for files it does not describe. The
// project's files are not touched. Throws Error before any file is written when the project has
// no settings file, when the check finds an error (the error lines of check::buildGate(), as
// build and update stop on), when a unit's file or the manifest would land on an input (the
// master, a project file, `unitsFile`; judged on resolved paths, names without regard to case
// as project files are looked up), and with the composition's message when a unit's firmware
// cannot be made.
std::vector<BatchOutput> runBatch(const std::filesystem::path& projectDir,
                                  const std::vector<Unit>& units,
                                  const std::filesystem::path& master,
                                  const std::filesystem::path& outDir,
                                  const image::BuildMoment& moment,
                                  const std::filesystem::path& unitsFile = {});

inline constexpr const char* ManifestName = "manifest.csv";

} // namespace cravent::firmware
