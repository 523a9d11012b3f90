#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

struct zip;

namespace cravent::workbook {

// A read-only zip archive (the container of .xlsx and .ods workbooks).
class ZipArchive {
public:
    // Throws Error with libzip's reason when the file is not a readable zip archive.
    explicit ZipArchive(const std::filesystem::path& file);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    bool contains(std::string_view name) const;
    // The whole entry, or nothing when the archive has no such entry. Throws Error when the
    // entry cannot be inflated or is larger than any worksheet part we would read.
    std::optional<std::string> read(std::string_view name) const;

private:
    zip* archive_ = nullptr;
};

} // namespace cravent::workbook
