#include "core/common/Executable.h"

#include <system_error>

namespace cravent {

std::filesystem::path executableFolder()
{
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : self.parent_path();
}

} // namespace cravent
