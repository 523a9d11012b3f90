#pragma once

#include "core/firmware/BankWindow.h"

#include <array>
#include <filesystem>
#include <string>
#include <string_view>

namespace cravent::firmware {

// The bytes of banks 1 to 5 by step index; a bank that was not asked for stays empty.
using BankBytes = std::array<std::string, BankCount>;

// Reads the selected banks' windows back from an S-record text: every S-record line must be
// sound (hexadecimal, its byte count matching, its checksum right), and the data of the S2 and
// S3 records that fall into a window make up its bank. A record that runs out of a window gives
// only its bytes inside. Throws Error naming `name` and the line of a bad record, an address
// that two records give, or the first address of a window that no record gives. `firstLine` is
// the number of the text's first line in the file it comes from.
BankBytes readWindows(std::string_view text, const std::string& name, const BankSelection& banks,
                      std::size_t firstLine = 1);

// readWindows() of a firmware file. Throws Error naming the file when it cannot be read.
BankBytes readFirmwareWindows(const std::filesystem::path& firmware, const BankSelection& banks);

// The selected banks from their bank files ("bank1.bin" ...) in `binDir`, each exactly 16384
// bytes. Throws Error naming a missing, unreadable or short file, and a set of bank files that
// the build mark beside them shows to come from different builds (BankSetCheck).
BankBytes readBankFiles(const std::filesystem::path& binDir, const BankSelection& banks);

} // namespace cravent::firmware
