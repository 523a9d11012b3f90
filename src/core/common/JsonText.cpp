#include "core/common/JsonText.h"

#include <nlohmann/json.hpp>

namespace cravent {

std::string jsonText(const nlohmann::ordered_json& value, int indent)
{
    return value.dump(indent, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

} // namespace cravent
