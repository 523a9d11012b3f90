#include "FuzzCheck.h"
#include "core/common/Error.h"
#include "core/common/IntegerText.h"

#include <cstdint>
#include <string>
#include <string_view>

// A value that parses prints back to decimal text that parses to the same value, and the
// throwing form agrees with the optional form.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto value = cravent::parseIntegerText(text);
    bool threw = false;
    try {
        FUZZ_CHECK(cravent::toInteger(text) == value.value_or(0));
    } catch (const cravent::Error&) {
        threw = true;
    }
    FUZZ_CHECK(threw == !value.has_value());
    if (value) {
        FUZZ_CHECK(cravent::parseIntegerText(std::to_string(*value)) == value);
        FUZZ_CHECK(text.find_first_not_of(" +-$xX0123456789abcdefABCDEF") == std::string_view::npos);
    }
    return 0;
}
