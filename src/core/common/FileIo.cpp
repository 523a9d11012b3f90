#include "core/common/FileIo.h"

#include "core/common/Descriptor.h"
#include "core/common/Error.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <climits>
#include <unistd.h>

#include <cstdio>
#include <algorithm>
#include <system_error>
#include <vector>

namespace cravent {

namespace {

constexpr std::string_view TemporaryMarker = ".cravent-tmp-";

[[noreturn]] void fail(const std::filesystem::path& file, int errorNumber)
{
    throw Error(fileErrorMessage(file, errorNumber));
}

void writeAll(int fd, std::string_view bytes, const std::filesystem::path& reportedName)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            fail(reportedName, errno);
        }
        if (written == 0)
            fail(reportedName, ENOSPC); // a write that makes no progress is a full device
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

// The pieces written in order, as few system calls as the system allows.
void writeAll(int fd, std::span<const std::string_view> pieces,
              const std::filesystem::path& reportedName)
{
    std::vector<std::string_view> left(pieces.begin(), pieces.end());
    std::size_t first = 0;
    while (first < left.size()) {
        if (left[first].empty()) {
            ++first;
            continue;
        }
        std::vector<iovec> batch;
        for (std::size_t k = first; k < left.size() && batch.size() < IOV_MAX; ++k)
            if (!left[k].empty())
                batch.push_back({const_cast<char*>(left[k].data()), left[k].size()});
        const ssize_t written = ::writev(fd, batch.data(), static_cast<int>(batch.size()));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            fail(reportedName, errno);
        }
        if (written == 0)
            fail(reportedName, ENOSPC);
        auto count = static_cast<std::size_t>(written);
        while (count > 0) {
            const std::size_t taken = std::min(count, left[first].size());
            left[first].remove_prefix(taken);
            count -= taken;
            if (left[first].empty())
                ++first;
        }
    }
}

std::string temporaryPrefix(const std::filesystem::path& target)
{
    // Appended piece by piece: "." + string trips a false -Wrestrict of GCC 12 at -O3.
    std::string prefix = ".";
    prefix += target.filename().string();
    prefix += TemporaryMarker;
    return prefix;
}

// A writer holds a lock on its temporary file until the rename, and the kernel drops the lock
// of a killed writer; a temporary file whose lock can be taken was left by a crash.
template <typename IsLeftover>
void removeLeftoversIn(const std::filesystem::path& folder, const IsLeftover& isLeftover)
{
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder.empty() ? "." : folder, ec), end;
         !ec && it != end; it.increment(ec)) {
        if (!isLeftover(it->path().filename().string()))
            continue;
        Descriptor fd(::open(it->path().c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (fd.get() >= 0 && ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0)
            ::unlink(it->path().c_str());
    }
}

void removeLeftovers(const std::filesystem::path& target)
{
    const std::string prefix = temporaryPrefix(target);
    removeLeftoversIn(target.parent_path(),
                      [&prefix](const std::string& name) { return name.starts_with(prefix); });
}

// Creates the locked temporary file of `target`; the lock is taken again when a clean-up of
// another writer removed the file between its creation and the lock.
int createTemporary(const std::filesystem::path& target, std::filesystem::path& temporary)
{
    for (;;) {
        std::string pattern = (target.parent_path() / temporaryPrefix(target)).string() + "XXXXXX";
        Descriptor fd(::mkstemp(pattern.data()));
        if (fd.get() < 0)
            return -1;
        struct stat st {};
        if (::flock(fd.get(), LOCK_EX) != 0 || ::fstat(fd.get(), &st) != 0) {
            const int reason = errno;
            ::unlink(pattern.c_str());
            errno = reason;
            return -1;
        }
        if (st.st_nlink > 0) {
            temporary = pattern;
            return fd.release();
        }
    }
}

void syncFolder(const std::filesystem::path& folder)
{
    const Descriptor fd(
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.valid())
        ::fsync(fd.get()); // best effort: the rename itself already succeeded
}

// The reason readFile gives for a file beyond its bound, naming the bound.
std::string tooLargeReason(std::uint64_t size, std::uint64_t maximumBytes)
{
    std::string bound = std::to_string(maximumBytes) + " bytes";
    if (maximumBytes >= (1u << 20) && maximumBytes % (1u << 20) == 0)
        bound = std::to_string(maximumBytes >> 20) + " MiB (" + bound + ")";
    return "It holds " + std::to_string(size) + " bytes; a file of its kind holds at most " + bound;
}

} // namespace

std::string fileErrorMessage(const std::filesystem::path& file, int errorNumber)
{
    return "Cannot create file \"" + file.string() + "\". " + std::strerror(errorNumber);
}

std::string readFile(const std::filesystem::path& file, std::uint64_t maximumBytes)
{
    const auto cannotRead = [&file](const std::string& reason) {
        return Error("Cannot read file \"" + file.string() + "\". " + reason);
    };
    // Without O_NONBLOCK a FIFO in place of a project file would hang the program on open.
    const Descriptor fd(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid())
        throw Error("Cannot open file \"" + file.string() + "\". " + std::strerror(errno));
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        throw cannotRead(std::strerror(errno));
    // A device or FIFO never ends like a file does (think of /dev/zero given as the master).
    if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
        throw cannotRead("It is not a regular file");
    // Refused by its size: reading a huge file first would end the program for want of memory.
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (S_ISREG(st.st_mode) && size > maximumBytes)
        throw cannotRead(tooLargeReason(size, maximumBytes));
    std::string bytes;
    // Growing by the 64 KB reads would copy a master of megabytes again and again.
    if (S_ISREG(st.st_mode))
        bytes.reserve(static_cast<std::size_t>(size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw cannotRead(std::strerror(errno));
        }
        if (got == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(got));
        // A file that grows while it is read is held to the same bound.
        if (bytes.size() > maximumBytes)
            throw cannotRead(tooLargeReason(bytes.size(), maximumBytes));
    }
    return bytes;
}

namespace {

void replaceFile(const std::filesystem::path& target, std::span<const std::string_view> bytes,
                 bool flush)
{
    mode_t mode = 0644;
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode))
            fail(target, EISDIR);
        // Even root may not replace a read-only file: the user protected it on purpose.
        if ((existing.st_mode & 0222) == 0)
            fail(target, EACCES);
        mode = existing.st_mode & 07777;
    }

    // An unflushed write is one of a run, which removes the leftovers once at its start.
    if (flush)
        removeLeftovers(target);
    std::filesystem::path temporary;
    Descriptor fd(createTemporary(target, temporary));
    if (fd.get() < 0)
        fail(target, errno);
    // Holds the lock past the checked close until the rename has made the file the target.
    Descriptor lock(::dup(fd.get()));

    try {
        if (lock.get() < 0)
            fail(target, errno);
        if (::fchmod(fd.get(), mode) != 0)
            fail(target, errno);
        writeAll(fd.get(), bytes, target);
        if (flush && ::fsync(fd.get()) != 0)
            fail(target, errno);
        if (const int error = fd.close(); error != 0)
            fail(target, error);
        if (::rename(temporary.c_str(), target.c_str()) != 0)
            fail(target, errno);
    } catch (...) {
        ::unlink(temporary.c_str());
        throw;
    }
    if (flush)
        syncFolder(target.parent_path());
}

} // namespace

void writeFileAtomically(const std::filesystem::path& target, std::string_view bytes)
{
    replaceFile(target, std::span(&bytes, 1), true);
}

void writeFileAtomically(const std::filesystem::path& target,
                         std::span<const std::string_view> pieces)
{
    replaceFile(target, pieces, true);
}

void writeFileAtomicallyUnflushed(const std::filesystem::path& target, std::string_view bytes)
{
    replaceFile(target, std::span(&bytes, 1), false);
}

void writeFileAtomicallyUnflushed(const std::filesystem::path& target,
                                  std::span<const std::string_view> pieces)
{
    replaceFile(target, pieces, false);
}

namespace {

// rename() that never replaces an entry: a file or folder that appeared meanwhile is kept.
int renameNew(const std::filesystem::path& from, const std::filesystem::path& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    return errno;
}

// The new entries made so far, removed again (deepest first) unless the work was committed.
class Undo {
public:
    ~Undo()
    {
        if (committed_)
            return;
        std::error_code ec;
        for (auto it = made_.rbegin(); it != made_.rend(); ++it)
            std::filesystem::remove_all(*it, ec);
    }
    void made(const std::filesystem::path& entry) { made_.push_back(entry); }
    void commit() { committed_ = true; }

private:
    std::vector<std::filesystem::path> made_;
    bool committed_ = false;
};

// Writes `bytes` to a new locked temporary file for `target` and flushes it; returns the
// temporary file's path, its lock held by `lock` until the caller renames it.
std::filesystem::path writeTemporary(const std::filesystem::path& target, std::string_view bytes,
                                     Descriptor& lock)
{
    std::filesystem::path temporary;
    Descriptor fd(createTemporary(target, temporary));
    if (fd.get() < 0)
        fail(target, errno);
    try {
        lock = Descriptor(::dup(fd.get()));
        if (lock.get() < 0 || ::fchmod(fd.get(), 0644) != 0)
            fail(target, errno);
        writeAll(fd.get(), bytes, target);
        if (::fsync(fd.get()) != 0)
            fail(target, errno);
        if (const int error = fd.close(); error != 0)
            fail(target, error);
    } catch (...) {
        ::unlink(temporary.c_str());
        throw;
    }
    return temporary;
}

[[noreturn]] void folderFailed(const std::filesystem::path& folder, int errorNumber)
{
    throw Error("Cannot create folder \"" + folder.string() + "\". " + std::strerror(errorNumber));
}

void makeFolder(const std::filesystem::path& folder, Undo& undo)
{
    if (::mkdir(folder.c_str(), 0777) != 0)
        folderFailed(folder, errno);
    undo.made(folder);
}

} // namespace

void writeFilesTogether(const std::filesystem::path& folder, const std::vector<NewFile>& files,
                        const std::vector<std::string>& folders)
{
    Undo undo;
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(folder, ec))) {
        const std::filesystem::path absolute = std::filesystem::absolute(folder).lexically_normal();
        const std::filesystem::path target =
            absolute.has_filename() ? absolute : absolute.parent_path();
        std::vector<std::filesystem::path> parents;
        for (std::filesystem::path p = target.parent_path();
             !std::filesystem::exists(p, ec) && p != p.parent_path(); p = p.parent_path())
            parents.push_back(p);
        for (auto it = parents.rbegin(); it != parents.rend(); ++it)
            makeFolder(*it, undo);
        std::string pattern =
            (target.parent_path() / temporaryPrefix(target)).string() + "XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr)
            folderFailed(folder, errno);
        const std::filesystem::path temporary = pattern;
        undo.made(temporary);
        for (const NewFile& file : files) {
            Descriptor fd(::open((temporary / file.name).c_str(),
                                 O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
            if (fd.get() < 0)
                fail(folder / file.name, errno);
            writeAll(fd.get(), file.bytes, folder / file.name);
            if (::fsync(fd.get()) != 0)
                fail(folder / file.name, errno);
            if (const int error = fd.close(); error != 0)
                fail(folder / file.name, error);
        }
        for (const std::string& name : folders)
            if (::mkdir((temporary / name).c_str(), 0777) != 0)
                folderFailed(folder / name, errno);
        syncFolder(temporary);
        if (const int error = renameNew(temporary, target); error != 0)
            folderFailed(folder, error);
        undo.commit();
        syncFolder(target.parent_path());
        return;
    }

    std::vector<std::pair<std::filesystem::path, Descriptor>> written; // temporary file, its lock
    Undo temporaries;
    for (const NewFile& file : files) {
        removeLeftovers(folder / file.name); // of an earlier run that was killed
        Descriptor lock;
        const std::filesystem::path temporary = writeTemporary(folder / file.name, file.bytes, lock);
        temporaries.made(temporary);
        written.emplace_back(temporary, std::move(lock));
    }
    for (std::size_t k = 0; k < files.size(); ++k) {
        const std::filesystem::path target = folder / files[k].name;
        if (const int error = renameNew(written[k].first, target); error != 0)
            fail(target, error);
        undo.made(target);
    }
    for (const std::string& name : folders)
        if (!std::filesystem::is_directory(folder / name, ec))
            makeFolder(folder / name, undo);
    syncFolder(folder);
    undo.commit();
    temporaries.commit();
}

void flushToDisk(const std::filesystem::path& file)
{
    Descriptor fd(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0 || ::fsync(fd.get()) != 0)
        fail(file, errno);
}

void removeAtomicWriteLeftovers(const std::filesystem::path& folder)
{
    removeLeftoversIn(folder, [](const std::string& name) {
        return name.starts_with('.') && name.find(TemporaryMarker) != std::string::npos;
    });
}

void removeFileDurably(const std::filesystem::path& file)
{
    if (::unlink(file.c_str()) != 0) {
        if (errno == ENOENT)
            return;
        throw Error("Cannot remove file \"" + file.string() + "\". " + std::strerror(errno));
    }
    syncFolder(file.parent_path());
}

bool isAtomicWriteLeftover(const std::filesystem::path& file)
{
    return file.filename().string().find(TemporaryMarker) != std::string::npos;
}

} // namespace cravent
