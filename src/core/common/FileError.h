#pragma once

#include "core/common/Error.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

namespace cravent {

// A failure at one place of a project file. what() names the place as well, for callers that
// only show the text; the check reads the place to list the failure beside its own findings.
class FileError : public Error {
public:
    FileError(std::filesystem::path file, std::optional<std::size_t> row, const std::string& message)
        : Error(message), file_(std::move(file)), row_(row)
    {
    }

    const std::filesystem::path& file() const { return file_; }
    std::optional<std::size_t> row() const { return row_; } // 1-based

private:
    std::filesystem::path file_;
    std::optional<std::size_t> row_;
};

} // namespace cravent
