#pragma once

// Conditions a save must survive: a file system that fills up, and a writer killed mid-write.

#include "core/common/Error.h"
#include "core/common/FileIo.h"
#include "core/common/FileLookup.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <thread>

namespace cravent::test {

// Exit code of a child that could not get its own mount namespace or tmpfs.
inline constexpr int NotAllowed = 77;

// Runs `body` in a child process with its own mount namespace and returns its exit code, or -1
// when the system does not allow the namespace or the mount (the caller skips the test then).
// The body reports a failure as a message on stderr and a non-zero result.
inline int inMountNamespace(const std::function<int()>& body)
{
    const pid_t child = ::fork();
    if (child == 0) {
        if (::unshare(CLONE_NEWNS) != 0 && ::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
            ::_exit(NotAllowed);
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            ::_exit(NotAllowed);
        int result = 0;
        try {
            result = body();
        } catch (const std::exception& error) {
            fprintf(stderr, "unexpected exception: %s\n", error.what());
            result = 101;
        }
        fflush(stderr);
        ::_exit(result);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status))
        return 100;
    return WEXITSTATUS(status) == NotAllowed ? -1 : WEXITSTATUS(status);
}

// Every file below `folder` with its bytes, by path.
inline std::map<std::filesystem::path, std::string> filesBelow(const std::filesystem::path& folder)
{
    std::map<std::filesystem::path, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files[entry.path()] = readFile(entry.path());
    return files;
}

// Mounts a small tmpfs on `folder` (inside a mount namespace), lets `prepare` put the old files
// there, fills what space is left with `filler`, and runs `save`, which must fail. Returns 0 when
// the failure named `reportedFile` with the system's reason, every old file kept its bytes and
// no other file appeared; otherwise a message on stderr and a non-zero result.
inline int saveOnFullDisk(const std::filesystem::path& folder, const std::function<void()>& prepare,
                          const std::function<void()>& save,
                          const std::filesystem::path& reportedFile)
{
    if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=4m") != 0)
        return NotAllowed;
    prepare();
    const std::filesystem::path filler = folder / "filler";
    {
        const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        const std::string block(4096, 'f');
        while (::write(fd, block.data(), block.size()) > 0) {
        }
        ::close(fd);
    }
    const auto before = filesBelow(folder);
    try {
        save();
        fprintf(stderr, "the save into a full file system reported success\n");
        return 1;
    } catch (const Error& error) {
        const std::string message = error.what();
        if (message.find("\"" + reportedFile.string() + "\"") == std::string::npos ||
            message.find("No space left on device") == std::string::npos) {
            fprintf(stderr, "message without the file or the reason: %s\n", message.c_str());
            return 2;
        }
    }
    const auto after = filesBelow(folder);
    for (const auto& [file, bytes] : before) {
        const auto now = after.find(file);
        if (now == after.end() || now->second != bytes) {
            fprintf(stderr, "old file changed or gone: %s\n", file.c_str());
            return 3;
        }
    }
    for (const auto& [file, bytes] : after) {
        if (!before.contains(file)) {
            fprintf(stderr, "file left behind: %s\n", file.c_str());
            return 4;
        }
    }
    return 0;
}

// Starts `write` over and over in a child process and kills the child with SIGKILL after a
// random delay of up to `longest`, `rounds` times. Before each round `reset` puts the old files
// back; after each `check` looks at what the kill left. Leftovers of one round stay for the
// next, as they would after a real crash.
inline void killWhileWriting(int rounds, std::chrono::microseconds longest,
                             const std::function<void()>& reset,
                             const std::function<void()>& write,
                             const std::function<void(int round)>& check)
{
    std::mt19937 random(20261210);
    for (int round = 0; round < rounds; ++round) {
        reset();
        const pid_t child = ::fork();
        if (child == 0) {
            try {
                for (;;)
                    write();
            } catch (...) {
                ::_exit(1); // never back into the test runner
            }
        }
        std::this_thread::sleep_for(
            std::chrono::microseconds(random() % static_cast<unsigned>(longest.count())));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        check(round);
        if (::testing::Test::HasFatalFailure())
            return;
    }
}

// The files of `folder` that a killed writer left, each checked to be taken for no file of
// `names` by the case-insensitive lookup.
inline std::vector<std::filesystem::path>
leftoversIn(const std::filesystem::path& folder, const std::vector<std::string>& names)
{
    std::vector<std::filesystem::path> leftovers;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (isAtomicWriteLeftover(entry.path()))
            leftovers.push_back(entry.path());
    for (const std::string& name : names) {
        const std::filesystem::path found = findFileNoCase(folder, name);
        EXPECT_FALSE(isAtomicWriteLeftover(found)) << found;
    }
    return leftovers;
}

} // namespace cravent::test
