#include "core/image/BankFiles.h"

#include "core/common/Error.h"
#include "core/common/FileIo.h"
#include "core/image/BuildMark.h"
#include "core/workspace/ProjectFolder.h"

#include <string_view>

namespace cravent::image {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t BytesPerLine = 16;
constexpr std::string_view Crlf = "\r\n";
constexpr std::string_view ContinuationIndent = "                 "; // 17 blanks
constexpr int ListedBanks = 2;

void appendBank(std::string& out, int n, std::span<const std::uint8_t, BankSize> bank)
{
    static constexpr char Hex[] = "0123456789ABCDEF";
    for (std::size_t line = 0; line < BankSize / BytesPerLine; ++line) {
        if (line == 0)
            out += "const char Bank" + std::to_string(n) + " [] = {";
        else
            out += ContinuationIndent;
        for (std::size_t k = 0; k < BytesPerLine; ++k) {
            const std::size_t at = line * BytesPerLine + k;
            const char item[6] = {' ', '0', 'x', Hex[bank[at] >> 4], Hex[bank[at] & 0x0F], ','};
            out.append(item, sizeof item);
        }
        if (line + 1 == BankSize / BytesPerLine) {
            out.back() = '}';
            out += ';';
        }
        out += Crlf;
    }
    out += Crlf;
}

} // namespace

std::vector<std::string> WriteBankFiles(const ConfigImage& image, const fs::path& projectDir)
{
    const ProjectFolder project(projectDir);
    std::vector<std::string> failures;
    const auto write = [&failures](const fs::path& file, std::string_view bytes) {
        try {
            writeFileAtomically(file, bytes);
        } catch (const Error& error) {
            failures.emplace_back(error.what());
        }
    };
    write(project.buildMark(), buildMarkText(image));
    for (int n = 1; n <= BankCount; ++n) {
        const auto bank = image.bank(n);
        write(project.bankFile(n),
              std::string_view(reinterpret_cast<const char*>(bank.data()), bank.size()));
    }
    return failures;
}

std::string bankListing(const ConfigImage& image)
{
    std::string out;
    out.reserve(ListingSize);
    out += "#pragma CONST_SEG SEGMENT0";
    out += Crlf;
    for (int n = 1; n <= ListedBanks; ++n)
        appendBank(out, n, image.bank(n));
    out += "#pragma CONST_SEG DEFAULT";
    out += Crlf;
    return out;
}

void WriteBankListing(const ConfigImage& image, const fs::path& projectDir)
{
    writeFileAtomically(ProjectFolder(projectDir).listing(), bankListing(image));
}

} // namespace cravent::image
