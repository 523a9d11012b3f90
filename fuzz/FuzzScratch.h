#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace cravent::fuzz {

// A scratch folder of this process, in memory where there is one: the programs sync every file
// they save, which on a disk would make a fuzzer crawl.
inline std::filesystem::path scratchFolder(const std::string& tag)
{
    namespace fs = std::filesystem;
    const fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    const fs::path folder = base / ("cravent-fuzz-" + tag + "-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    // Removed when the fuzzer ends normally; a crash leaves it for the finding's inspection.
    static struct Cleanup {
        std::vector<fs::path> folders;
        ~Cleanup()
        {
            std::error_code ec;
            for (const fs::path& f : folders)
                fs::remove_all(f, ec);
        }
    } cleanup;
    cleanup.folders.push_back(folder);
    return folder;
}

inline void putFile(const std::filesystem::path& file, std::string_view bytes)
{
    std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace cravent::fuzz
