#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cravent {

// What a reader takes at most unless it names a bound of its own: far above any file the
// program writes, far below what would exhaust memory.
inline constexpr std::uint64_t DefaultReadLimit = 64ull << 20;

// Reads a whole file as bytes. Throws Error naming the file and the system's reason; a FIFO or
// device in place of the file is refused rather than waited on, and a file larger than
// `maximumBytes` is refused by its size, before any of it is read, naming the bound.
std::string readFile(const std::filesystem::path& file,
                     std::uint64_t maximumBytes = DefaultReadLimit);

// Replaces `target` with `bytes` so that the old file survives any failure: the bytes go to a
// temporary file in the same folder, every write's count is checked, the data is flushed to
// disk and the temporary file is renamed over the target only when all of that succeeded.
// A target without any write permission bit counts as read-only and is refused, as a
// read-only file would be. Throws Error naming the file and the system's reason.
void writeFileAtomically(const std::filesystem::path& target, std::string_view bytes);

// writeFileAtomically() of a file given in pieces, written in order: a file of megabytes made
// of a master's runs and a few new lines is never copied into one buffer first.
void writeFileAtomically(const std::filesystem::path& target,
                         std::span<const std::string_view> pieces);

// writeFileAtomically() without waiting for the disk: the rename still replaces the target
// whole, but the bytes may reach the disk later. For a run of many new files in one folder that
// ends with flushToDisk() of each and then one writeFileAtomically() into the same folder (which
// also puts the folder's entries on the disk) of a file that vouches for them. It does not look
// for a killed writer's leftovers: a scan of the folder per file would make a run into a folder
// of many files quadratic, so the run calls removeAtomicWriteLeftovers() once at its start.
void writeFileAtomicallyUnflushed(const std::filesystem::path& target, std::string_view bytes);
void writeFileAtomicallyUnflushed(const std::filesystem::path& target,
                                  std::span<const std::string_view> pieces);

// Removes the temporary files that killed writers left in `folder` (never those of a writer
// still at work), in one pass over the folder.
void removeAtomicWriteLeftovers(const std::filesystem::path& folder);

// Removes `file` if it is there and puts the removal on the disk. Throws Error naming the file
// and the system's reason when it stays.
void removeFileDurably(const std::filesystem::path& file);

// A file that writeFilesTogether() creates.
struct NewFile {
    std::string name; // a plain name in the folder
    std::string bytes;
};

// Creates `files` and the empty subfolders `folders` in `folder` all together or not at all:
// whatever fails (a full disk, a name that appeared meanwhile, the process killed), `folder`
// ends as it was. A missing folder is made as a hidden sibling and renamed into place whole
// (missing parents are made, and removed again on failure); in an existing one each file is
// written under a temporary name of the atomic writer, flushed, and renamed to its name only
// when every file was written, never over an entry that is there. Throws Error naming the file
// (its final path) and the system's reason.
void writeFilesTogether(const std::filesystem::path& folder, const std::vector<NewFile>& files,
                        const std::vector<std::string>& folders);

// Waits until the file's bytes are on the disk. Throws Error naming the file.
void flushToDisk(const std::filesystem::path& file);

// "Cannot create file "<file>". <reason>": the text of every file error the program shows.
std::string fileErrorMessage(const std::filesystem::path& file, int errorNumber);

// True for the temporary files that writeFileAtomically leaves behind only when the process
// dies mid-write; such files are never project files. Their names start with a dot and never
// match a file name of the program, so lookups pass over them, and the next save of the same
// target removes them (not those of a writer still at work).
bool isAtomicWriteLeftover(const std::filesystem::path& file);

} // namespace cravent
