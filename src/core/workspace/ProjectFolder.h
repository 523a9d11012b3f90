#pragma once

#include "core/common/Direction.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace cravent {

// Every name the program gives to an entry of the program folder or of a project folder.
// Nobody else spells them: ask ProgramFolder or ProjectFolder for the path.
namespace names {
inline constexpr const char* MasterFolder = "MASTER";
inline constexpr const char* ProjectsFolder = "PROJECTS";
inline constexpr const char* SettingsFile = "Cravent_DUZ2OZIRu.ini";
inline constexpr const char* MasterFirmware = "QF40231.sx";
inline constexpr const char* Flasher = "VuvivOdori.exe";
// The program folder of an installed program, below the user's data folder.
inline constexpr const char* UserProgramFolder = "cravent";

inline constexpr const char* BinFolder = "bin";
inline constexpr const char* Pargen = "pargen.xml";
inline constexpr const char* ReceiveFrames = "RCobDef.xml";
inline constexpr const char* TransmitFrames = "TCobDef.xml";
inline constexpr const char* ReceiveMap = "RInfoCob.xml";
inline constexpr const char* TransmitMap = "TInfoCob.xml";
// What the signals of the frames mean; the device never sees it.
inline constexpr const char* Signals = "signals.xml";
inline constexpr const char* Listing = "bankg.c";
// Beside the bank files: which bytes each bank file of the last build holds.
inline constexpr const char* BuildMark = "banks.mark";
inline constexpr const char* NewFirmwarePrefix = "New_";

const char* frameFile(Direction direction);
const char* mapFile(Direction direction);
// "bank1.bin" .. "bank5.bin"
std::string bankFile(int bank);
// "New_" + the master's file name
std::string newFirmware(std::string_view masterFileName);
} // namespace names

// The program folder: the settings file, MASTER with the master firmware, PROJECTS with the
// projects.
class ProgramFolder {
public:
    explicit ProgramFolder(std::filesystem::path appDir);

    const std::filesystem::path& dir() const { return dir_; }
    std::filesystem::path masterDir() const;
    std::filesystem::path projectsRoot() const;
    std::filesystem::path settingsFile() const;
    std::filesystem::path masterFirmware() const; // MASTER/QF40231.sx

    // True when `folder` is ProjectsRoot or lies below it, judged on the path's words (".."
    // and symbolic links are resolved where the folder exists), so that no remembered or
    // picked name leads outside the projects. A path holding a NUL byte never does: the system
    // would see only the part before it.
    bool holdsProject(const std::filesystem::path& folder) const;

private:
    std::filesystem::path dir_;
};

// One project folder and the names of its entries, each found without regard to case, as a
// project written on Windows ("Pargen.xml", "BIN") is read and replaced rather than doubled.
// A folder made from an empty path (no valid project) names no entry: each path is empty, never
// one in the working folder or the file-system root.
class ProjectFolder {
public:
    explicit ProjectFolder(std::filesystem::path dir);

    const std::filesystem::path& dir() const { return dir_; }

    // The file as it exists whatever its case, else dir/<name>: where a save creates it.
    std::filesystem::path pargen() const;
    std::filesystem::path frameFile(Direction direction) const;
    std::filesystem::path mapFile(Direction direction) const;
    std::filesystem::path signalFile() const;

    // The "bin" folder whatever its case, else dir/bin: where the build writes.
    std::filesystem::path bin() const;
    // The existing "bin" folder whatever its case; nothing when the project has none, so that
    // no reader ever falls back on another folder.
    std::optional<std::filesystem::path> binFolder() const;
    // Entries of bin(), each found whatever its case.
    std::filesystem::path bankFile(int bank) const;
    std::filesystem::path listing() const;
    std::filesystem::path buildMark() const;

    // Where the composition writes the firmware merged from `master`: dir/New_<master name>.
    std::filesystem::path newFirmware(const std::filesystem::path& master) const;

private:
    std::filesystem::path entry(std::string_view name) const;
    std::filesystem::path binEntry(std::string_view name) const;

    std::filesystem::path dir_;
};

} // namespace cravent
