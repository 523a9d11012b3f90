#include "FuzzCheck.h"
#include "core/workspace/IniFile.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace ini = cravent::ini;

namespace {

// Sets `name` in `content` and checks that it reads back exactly and that setting it again
// changes nothing more.
void roundTrip(const std::string& content, const std::string& name)
{
    const std::string written = ini::withValue(content, "lastproj", "projectname", name);
    FUZZ_CHECK(ini::value(written, "lastproj", "projectname") == name);
    FUZZ_CHECK(ini::withValue(written, "lastproj", "projectname", name) == written);
}

} // namespace

// Whatever the settings file held, setting the last project keeps it readable back exactly: a
// name of the usual form, and the input's first line as a name (blanks and quotes at its ends
// included, as a folder name may have them).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string content(reinterpret_cast<const char*>(data), size);
    (void)ini::value(content, "lastproj", "projectname");

    roundTrip(content, "\\P1\\sub");
    const std::string_view firstLine = std::string_view(content).substr(0, content.find('\n'));
    std::string name(firstLine.substr(0, 64));
    while (!name.empty() && name.back() == '\r')
        name.pop_back();
    if (name.find('\r') == std::string::npos)
        roundTrip(content, name);
    return 0;
}
