#pragma once

#include "core/firmware/BankWindow.h"
#include "core/workspace/ProjectFolder.h"
#include "core/firmware/WindowReader.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace cravent::firmware {

namespace text {
inline constexpr const char* SourceNotFound = "File *.Sx Not Found,Abort Procedure";
inline constexpr const char* NewNameMissing = "File New *.Sx Not Found,Abort Procedure";
inline constexpr const char* BinFolderNotFound = "Directory Bin Not Found,Abort Procedure";
// Headline of every failure while the new firmware is put together; a second line says why.
inline constexpr const char* NewNotCreated = "File New Sx Not Create,Abort Procedure";
// "File bank<n>.bin Not Found,Abort Procedure"
std::string bankNotFound(int bank);
} // namespace text

// A master firmware file beyond this is refused before it is read: the whole flash of the
// gateway as S-records is a few MiB.
inline constexpr std::uint64_t MasterFirmwareLimit = 64ull << 20;

// What the composition is given: the master firmware, the folder of the bank files, the name
// and folder of the new firmware, and the banks to merge.
struct CompositionInputs {
    std::filesystem::path sourceFirmware;
    std::filesystem::path bankDir;
    std::string newFirmwareName;
    std::filesystem::path outputDir;
    BankSelection banks{};

    std::filesystem::path newFirmwarePath() const { return outputDir / newFirmwareName; }
};

// The composition of `project`'s banks into `master`: the project's own bin folder, whatever
// its case, or none when it has none (never a folder of another project), and the new firmware
// New_<master name> in the project folder.
CompositionInputs projectComposition(const ProjectFolder& project,
                                     const std::filesystem::path& master, BankSelection banks);

// What a caller may add to the inputs.
struct CompositionExtras {
    // The selected banks' bytes when they are not to be read from bankDir (a batch builds them
    // in memory); each must hold BankSize bytes.
    std::optional<BankBytes> bankBytes;
    // Called between the write of the new firmware and its read-back, with its path: the seam
    // through which a test spoils the file on disk.
    std::function<void(const std::filesystem::path&)> beforeVerify;
    // The new firmware is left for the caller to flushToDisk(): a batch of many files waits for
    // the disk once at its end instead of once per file.
    bool flushLater = false;
    // When given, receives the selected banks' bytes that the written file was read back to
    // hold, so that a caller shows what the firmware holds without reading it a third time.
    BankBytes* heldBanks = nullptr;
};

// Reports how far the merge of one bank has come; it starts again at 0 for each bank.
using Progress = std::function<void(std::size_t position, std::size_t maximum)>;

// Merges the selected banks, in bank order, into a copy of the master firmware as S2 records
// and writes the new firmware file, atomically, only when every step succeeded. Each bank's 512
// records stand where the first record of its window stood; the master's other records of the
// window are dropped, every other line keeps its place, and every line ends in CR LF. Count
// records (S5, S6) are brought up to date.
//
// The master must be sound: each record hexadecimal with a right checksum, one end record
// (S7, S8 or S9) with nothing after it, no record crossing a window's bounds, and a record in
// the window of each selected bank. When the bank folder holds a build mark, each selected
// bank file must hold the bytes the mark names, so that banks of two builds are never merged;
// bank files without a mark (an earlier version's, or written by hand) are taken as they are.
// Throws Error with the message to show; the first failing check stops everything and nothing
// is written. The written file is then read back and its windows compared with the bank bytes;
// a file that does not hold them is removed and the Error begins "The new firmware does not
// hold the project's configuration: ". Returns the new firmware's path.
std::filesystem::path composeFirmware(const CompositionInputs& inputs, const Progress& progress = {},
                                      const CompositionExtras& extras = {});

} // namespace cravent::firmware
