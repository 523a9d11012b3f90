#include "core/firmware/FirmwareVerify.h"

#include "core/common/Descriptor.h"
#include "core/common/Error.h"
#include "core/firmware/SRecord.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cravent::firmware {

namespace {

[[noreturn]] void cannotRead(const std::filesystem::path& firmware, int errorNumber)
{
    throw Error("Cannot read file \"" + firmware.string() + "\". " + std::strerror(errorNumber));
}

// The bytes of the range as the file holds them now; fewer where the file ends sooner.
std::string readRange(int fd, const std::filesystem::path& firmware, const WindowPlace& place)
{
    std::string bytes(static_cast<std::size_t>(place.length), '\0');
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::pread(fd, bytes.data() + got, bytes.size() - got,
                                  static_cast<off_t>(place.offset + got));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            cannotRead(firmware, errno);
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return bytes;
}

void compare(const BankWindow& window, const std::string& want, const std::string& got)
{
    for (std::size_t offset = 0; offset < want.size(); ++offset) {
        if (want[offset] == got[offset])
            continue;
        std::string address;
        appendHex(address, window.first + static_cast<std::uint32_t>(offset), 6);
        std::string wantByte;
        std::string gotByte;
        appendHexByte(wantByte, static_cast<std::uint8_t>(want[offset]));
        appendHexByte(gotByte, static_cast<std::uint8_t>(got[offset]));
        throw Error(std::string(text::NotHoldingConfiguration) + "bank " +
                    std::to_string(window.bank) + " byte " + std::to_string(offset) +
                    " (address 0x" + address + ") reads 0x" + gotByte + " instead of 0x" +
                    wantByte + ".");
    }
}

} // namespace

void verifyNewFirmware(const std::filesystem::path& firmware, std::uint64_t size,
                       const WindowPlaces& places, const BankBytes& expected,
                       const BankSelection& banks)
{
    const Descriptor fd(::open(firmware.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    const int openError = fd.valid() ? 0 : errno;
    for (const BankWindow& window : BankWindows) {
        const auto index = static_cast<std::size_t>(window.bank - 1);
        if (!banks[index])
            continue;
        BankSelection one{};
        one[index] = true;
        BankBytes found;
        try {
            if (!fd.valid())
                throw Error("Cannot open file \"" + firmware.string() + "\". " +
                            std::strerror(openError));
            found = readWindows(readRange(fd.get(), firmware, places[index]), firmware.string(),
                                one, places[index].firstLine);
        } catch (const Error& error) {
            throw Error(std::string(text::NotHoldingConfiguration) + error.what());
        }
        compare(window, expected[index], found[index]);
    }
    struct stat st {};
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0)
        throw Error(std::string(text::NotHoldingConfiguration) + "cannot look at \"" +
                    firmware.string() + "\". " + std::strerror(fd.valid() ? errno : openError));
    if (static_cast<std::uint64_t>(st.st_size) != size)
        throw Error(std::string(text::NotHoldingConfiguration) + "\"" + firmware.string() +
                    "\" holds " + std::to_string(st.st_size) + " bytes, not the " +
                    std::to_string(size) + " written.");
}

} // namespace cravent::firmware
