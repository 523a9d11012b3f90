#include "core/common/Error.h"
#include "core/common/FileIo.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <span>
#include <string_view>
#include <vector>
#include <sys/stat.h>
#include <sys/types.h>

using namespace cravent;
using cravent::test::TempDir;

namespace {

std::size_t entriesIn(const std::filesystem::path& folder)
{
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
        ++n;
    return n;
}

} // namespace

TEST(AtomicWrite, CreatesAndReplacesWithExactBytesAndNoLeftover)
{
    TempDir dir;
    const auto file = dir / "pargen.xml";
    const std::string binary("a\0b\r\n\xB6", 6);
    writeFileAtomically(file, binary);
    EXPECT_EQ(readFile(file), binary);
    writeFileAtomically(file, "second");
    EXPECT_EQ(readFile(file), "second");
    writeFileAtomically(file, "");
    EXPECT_EQ(readFile(file), "");
    EXPECT_EQ(entriesIn(dir.path()), 1u);
}

TEST(AtomicWrite, KeepsTheModeOfTheFileItReplaces)
{
    TempDir dir;
    const auto file = dir / "run.sh";
    test::writeText(file, "old");
    ::chmod(file.c_str(), 0751);
    writeFileAtomically(file, "new");
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0751u);
}

TEST(AtomicWrite, FailuresNameTheFileAndKeepTheOldContent)
{
    TempDir dir;
    const auto readOnly = dir / "bankg.c";
    test::writeText(readOnly, "old listing");
    ::chmod(readOnly.c_str(), 0444);

    const struct {
        std::filesystem::path target;
        const char* reason;
    } cases[] = {
        {dir / "missing-folder" / "pargen.xml", "No such file or directory"},
        {readOnly, "Permission denied"},
        {dir.path(), "Is a directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        try {
            writeFileAtomically(c.target, "new");
            FAIL() << "no error";
        } catch (const Error& error) {
            const std::string message = error.what();
            EXPECT_NE(message.find("\"" + c.target.string() + "\""), std::string::npos) << message;
            EXPECT_NE(message.find(c.reason), std::string::npos) << message;
        }
    }
    EXPECT_EQ(readFile(readOnly), "old listing");
    EXPECT_EQ(entriesIn(dir.path()), 1u);
}

TEST(AtomicWrite, TheUnflushedWriterReplacesAndRefusesAsTheFlushedOneDoes)
{
    TempDir dir;
    const auto file = dir / "unit-1.sx";
    writeFileAtomicallyUnflushed(file, "first");
    writeFileAtomicallyUnflushed(file, "second");
    EXPECT_EQ(readFile(file), "second");
    EXPECT_NO_THROW(flushToDisk(file));
    EXPECT_EQ(entriesIn(dir.path()), 1u);

    ::chmod(file.c_str(), 0444);
    EXPECT_THROW(writeFileAtomicallyUnflushed(file, "third"), Error);
    EXPECT_EQ(readFile(file), "second");
    try {
        flushToDisk(dir / "gone.sx");
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("gone.sx"), std::string::npos) << error.what();
    }
    EXPECT_EQ(entriesIn(dir.path()), 1u);
}

// More pieces than one system call takes, empty ones among them, come out whole and in order.
TEST(AtomicWrite, AFileGivenInPiecesIsWrittenWholeInOrder)
{
    TempDir dir;
    std::vector<std::string> texts;
    for (int k = 0; k < 3000; ++k)
        texts.push_back(k % 7 == 0 ? std::string() : "S" + std::to_string(k) + "\r\n");
    const std::vector<std::string_view> pieces(texts.begin(), texts.end());
    std::string whole;
    for (const std::string& text : texts)
        whole += text;
    writeFileAtomically(dir / "pieces.sx", pieces);
    EXPECT_EQ(readFile(dir / "pieces.sx"), whole);
    writeFileAtomicallyUnflushed(dir / "pieces.sx", std::span(pieces).first(10));
    EXPECT_EQ(readFile(dir / "pieces.sx"), whole.substr(0, whole.find("S10\r\n")));
}

TEST(ReadFile, MissingFileIsAnErrorNamingIt)
{
    TempDir dir;
    try {
        readFile(dir / "nothing.xml");
        FAIL();
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("nothing.xml"), std::string::npos);
    }
}

TEST(ReadFile, WhatIsNotAFileIsRefusedWithoutWaiting)
{
    TempDir dir;
    const auto fifo = dir / "pargen.xml";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const struct {
        std::filesystem::path file;
        const char* reason;
    } cases[] = {
        {fifo, "It is not a regular file"}, // would block forever on open
        {"/dev/zero", "It is not a regular file"}, // would never end
        {dir.path(), "Is a directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        try {
            readFile(c.file);
            FAIL() << "no error";
        } catch (const Error& error) {
            EXPECT_EQ(std::string(error.what()),
                      "Cannot read file \"" + c.file.string() + "\". " + c.reason);
        }
    }
}

TEST(ReadFile, AFileBeyondItsBoundIsRefusedByItsSizeNamingTheBound)
{
    TempDir dir;
    const auto file = dir / "input";
    const struct {
        std::uintmax_t size;
        std::uint64_t bound;
        const char* reason; // nothing: read whole
    } cases[] = {
        {16384, 16384, nullptr},
        {16385, 16384, "It holds 16385 bytes; a file of its kind holds at most 16384 bytes"},
        {0, 0, nullptr},
        {1, 0, "It holds 1 bytes; a file of its kind holds at most 0 bytes"},
        // Sparse: three gigabytes that would exhaust memory if they were read first.
        {3ull << 30, DefaultReadLimit,
         "It holds 3221225472 bytes; a file of its kind holds at most 64 MiB (67108864 bytes)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        test::writeText(file, "");
        std::filesystem::resize_file(file, c.size);
        if (c.reason == nullptr) {
            EXPECT_EQ(readFile(file, c.bound).size(), c.size);
            continue;
        }
        try {
            readFile(file, c.bound);
            ADD_FAILURE() << "read";
        } catch (const Error& error) {
            EXPECT_EQ(std::string(error.what()),
                      "Cannot read file \"" + file.string() + "\". " + c.reason);
        }
    }
}
