#include "FuzzCheck.h"
#include "core/common/Error.h"
#include "core/common/JsonText.h"
#include "core/firmware/ConfigurationSource.h"
#include "core/firmware/WindowReader.h"
#include "core/image/ConfigurationText.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>
#include <string_view>

using namespace cravent;

// Any text given as a firmware to inspect: either refused with a message, or banks 1 and 2
// whole, decoded without a throw into tables no longer than their regions.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    firmware::BankBytes banks;
    try {
        banks = firmware::readWindows(text, "fuzz.sx", {true, true, false, false, false});
    } catch (const Error& error) {
        FUZZ_CHECK(std::string_view(error.what()).find("fuzz.sx") != std::string_view::npos);
        return 0;
    }
    FUZZ_CHECK(banks[0].size() == firmware::BankSize);
    FUZZ_CHECK(banks[1].size() == firmware::BankSize);
    FUZZ_CHECK(banks[2].empty());
    const image::DeviceConfiguration config = firmware::readConfiguration(banks);
    FUZZ_CHECK(config.rxFrames.size() <= 725 && config.txFrames.size() <= 300);
    FUZZ_CHECK(config.rxRegisters.size() <= 2912 && config.txRegisters.size() <= 3721);
    FUZZ_CHECK(config.hasSettings || config.rxFrames.empty());
    const std::string json = jsonText(image::toJson(config));
    FUZZ_CHECK(json.front() == '{' && json.back() == '}');
    FUZZ_CHECK(!image::describe(config).empty());
    return 0;
}
