#pragma once

#include "core/image/DeviceConfiguration.h"

#include <nlohmann/json_fwd.hpp>

#include <optional>
#include <string>
#include <vector>

namespace cravent::image {

// A settings field whose value differs, both values in words.
struct FieldChange {
    std::string field; // "bitRate", "canType", "ip", "mask", "port", "settings"
    std::string before;
    std::string after;
};

// An entry of a table, by its 1-based number: added (no before), removed (no after) or changed.
template <typename Entry>
struct EntryChange {
    std::size_t number = 0;
    std::optional<Entry> before;
    std::optional<Entry> after;
};

// How the configuration of B differs from that of A, with every value as the device stores it;
// the build stamp is left out.
struct ConfigurationDiff {
    std::vector<FieldChange> settings;
    std::vector<EntryChange<DeviceFrame>> rxFrames;
    std::vector<EntryChange<DeviceFrame>> txFrames;
    std::vector<EntryChange<DeviceRegister>> rxRegisters;
    std::vector<EntryChange<DeviceRegister>> txRegisters;

    bool empty() const
    {
        return settings.empty() && rxFrames.empty() && txFrames.empty() && rxRegisters.empty() &&
               txRegisters.empty();
    }
};

ConfigurationDiff compareConfigurations(const DeviceConfiguration& a, const DeviceConfiguration& b);

// One line per difference, each ended by "\n"; nothing when there is none.
std::string describe(const ConfigurationDiff& diff);

// {"equal": .., "settings": [..], "receivedFrames": [..], ...}
nlohmann::ordered_json toJson(const ConfigurationDiff& diff);

} // namespace cravent::image
