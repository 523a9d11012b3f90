#pragma once

#include "core/firmware/WindowReader.h"
#include "core/image/DeviceConfiguration.h"

#include <filesystem>

namespace cravent::firmware {

// Where a configuration is read from: a composed firmware file (the windows of banks 1 and 2),
// a folder of bank files, or a project folder (built in memory from its files).
enum class SourceKind { Firmware, BankFolder, Project };

// A file is a firmware; a folder holding "bank1.bin" a bank folder; a folder holding a project
// file a project when `projectAllowed`, else its "bin" folder. Throws Error naming the path
// when it does not exist or is none of these.
SourceKind kindOf(const std::filesystem::path& path, bool projectAllowed);

// Banks 1 and 2 of a firmware file or a bank folder (a project folder gives its "bin" folder).
// Throws Error as readFirmwareWindows() and readBankFiles() do.
BankBytes readConfigurationBanks(const std::filesystem::path& path);

// readConfiguration() of two banks of BankSize bytes.
image::DeviceConfiguration readConfiguration(const BankBytes& banks);

// The configuration that `path` holds. A project is built with a fixed moment, so its stamp
// means nothing; the other sources keep theirs.
image::DeviceConfiguration readConfigurationOf(const std::filesystem::path& path,
                                               bool projectAllowed);

} // namespace cravent::firmware
