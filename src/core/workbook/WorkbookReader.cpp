#include "core/workbook/WorkbookReader.h"

#include "core/common/Error.h"
#include "core/common/FileLookup.h"
#include "core/workbook/WorkbookFormats.h"
#include "core/workbook/ZipArchive.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

namespace cravent::workbook {

namespace {

std::string leadingBytes(const std::filesystem::path& file, std::size_t count)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw Error(std::string("the file cannot be opened (") + std::strerror(errno) + ")");
    std::string bytes(count, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(count));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

} // namespace

sheets::SheetLookup readWorkbook(const std::filesystem::path& workbook, std::string_view wantedSheet)
{
    if (std::filesystem::is_directory(workbook))
        throw Error("it is a folder, not a workbook");
    // Opening a FIFO would wait for a writer until the helper's time runs out.
    std::error_code ec;
    const auto status = std::filesystem::status(workbook, ec);
    if (!ec && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
        throw Error("it is a pipe or device, not a workbook");
    const std::string magic = leadingBytes(workbook, 8);
    if (magic == std::string_view("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8))
        return readXls(workbook, wantedSheet);
    if (magic.starts_with("PK\x03\x04")) {
        const ZipArchive archive(workbook);
        if (archive.contains("xl/workbook.xml"))
            return readXlsx(archive, wantedSheet);
        if (archive.contains("content.xml"))
            return readOds(archive, wantedSheet);
        throw Error("the zip archive is neither an .xlsx nor an .ods workbook");
    }
    if (equalsNoCase(workbook.extension().string(), ".csv"))
        return readCsv(workbook, wantedSheet);
    throw Error("not a workbook (.xls, .xlsx, .ods or .csv)");
}

} // namespace cravent::workbook
