#include "core/workbook/ZipArchive.h"

#include "core/common/Error.h"

#include <zip.h>

namespace cravent::workbook {

namespace {

// A worksheet part far beyond this is no frame table, and reading it would only eat memory.
constexpr zip_uint64_t MaxEntrySize = 256u * 1024u * 1024u;

} // namespace

ZipArchive::ZipArchive(const std::filesystem::path& file)
{
    int error = 0;
    archive_ = zip_open(file.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (archive_ == nullptr) {
        zip_error_t reason;
        zip_error_init_with_code(&reason, error);
        const std::string text = zip_error_strerror(&reason);
        zip_error_fini(&reason);
        throw Error("not a readable zip archive (" + text + ")");
    }
}

ZipArchive::~ZipArchive()
{
    zip_discard(archive_);
}

bool ZipArchive::contains(std::string_view name) const
{
    return zip_name_locate(archive_, std::string(name).c_str(), 0) >= 0;
}

std::optional<std::string> ZipArchive::read(std::string_view name) const
{
    const std::string entry(name);
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat(archive_, entry.c_str(), 0, &stat) != 0)
        return std::nullopt;
    if ((stat.valid & ZIP_STAT_SIZE) == 0 || stat.size > MaxEntrySize)
        throw Error("the part " + entry + " is too large");

    zip_file_t* file = zip_fopen(archive_, entry.c_str(), 0);
    if (file == nullptr)
        throw Error("the part " + entry + " cannot be opened (" + zip_strerror(archive_) + ")");
    std::string bytes(static_cast<std::size_t>(stat.size), '\0');
    zip_uint64_t done = 0;
    while (done < stat.size) {
        const zip_int64_t got = zip_fread(file, bytes.data() + done, stat.size - done);
        if (got <= 0) {
            const std::string reason = got < 0 ? zip_file_strerror(file) : "it ends early";
            zip_fclose(file);
            throw Error("the part " + entry + " cannot be read (" + reason + ")");
        }
        done += static_cast<zip_uint64_t>(got);
    }
    zip_fclose(file);
    return bytes;
}

} // namespace cravent::workbook
