#include "FuzzCheck.h"
#include "core/workspace/IniFile.h"

#include <cstdint>
#include <string>

namespace ini = cravent::ini;

// Whatever the settings file held, setting the last project keeps it readable back exactly, and
// setting it again changes nothing more.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string content(reinterpret_cast<const char*>(data), size);
    (void)ini::value(content, "lastproj", "projectname");

    const std::string name = "\\P1\\sub";
    const std::string written = ini::withValue(content, "lastproj", "projectname", name);
    FUZZ_CHECK(ini::value(written, "lastproj", "projectname") == name);
    FUZZ_CHECK(ini::withValue(written, "lastproj", "projectname", name) == written);
    return 0;
}
