#pragma once

#include <nlohmann/json_fwd.hpp>

#include <string>

namespace cravent {

// A JSON value as text for the machine-readable output: on one line, or indented by `indent`
// spaces. Text that is not UTF-8 comes out with U+FFFD in place of the bad bytes rather than
// stopping the output half-way.
std::string jsonText(const nlohmann::ordered_json& value, int indent = -1);

} // namespace cravent
