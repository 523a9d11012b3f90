// Workbooks read in the helper process: what reaches the caller when the helper reads, when it
// crashes on a crafted .xls, hangs, floods or answers garbage.

#include "core/sheets/SheetReaderClient.h"

#include "support/TempDir.h"

#include <chrono>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace cravent::sheets {
namespace {

using namespace std::chrono_literals;
using test::TempDir;
using test::writeText;
using Outcome = WorksheetRead::Outcome;

const std::filesystem::path Fixtures = std::filesystem::path(CRAVENT_FIXTURES) / "sheets";

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

std::filesystem::path script(const TempDir& dir, const std::string& name, const std::string& body)
{
    return test::writeScript(dir / name, body);
}

TEST(SheetReader, TheHelperBesideTheProgramReadsTheWorksheet)
{
    EXPECT_EQ(defaultSheetReaderPath().filename(), SheetReaderName);
    const WorksheetRead read = readWorksheet(Fixtures / "frames.ods", "RInfoCob");
    ASSERT_EQ(read.outcome, Outcome::Read) << read.problem;
    ASSERT_EQ(read.records.size(), 5u);
    EXPECT_EQ(read.records[3], (Record{"5", "130", "0"}));
}

TEST(SheetReader, AMissingWorksheetIsNamedWithTheOnesTheWorkbookHas)
{
    const auto workbook = Fixtures / "nosheet.xlsx";
    const WorksheetRead read = readWorksheet(workbook, "rpdodef");
    EXPECT_EQ(read.outcome, Outcome::SheetMissing);
    EXPECT_TRUE(read.records.empty());
    EXPECT_EQ(read.problem, "Workbook \"" + workbook.string() +
                                "\" has no worksheet \"rpdodef\" (its worksheets: \"Sheet1\")");
}

TEST(SheetReader, DamagedAndForeignFilesReadNothingWithTheReason)
{
    for (const char* name : {"notes.xls", "truncated.xls", "truncated.xlsx"}) {
        const WorksheetRead read = readWorksheet(Fixtures / name, "rpdodef");
        EXPECT_EQ(read.outcome, Outcome::Unreadable) << name;
        EXPECT_TRUE(read.records.empty());
        EXPECT_TRUE(
            contains(read.problem, "Cannot read workbook \"" + (Fixtures / name).string() + "\": "))
            << read.problem;
    }
}

// crash.xls made FreeXL read out of bounds and die; our reader refuses it with the reason. A
// reader that does die still costs only the helper, and the next workbook reads.
TEST(SheetReader, AWorkbookThatCrashesTheParserCostsOnlyTheHelper)
{
    const WorksheetRead refused = readWorksheet(Fixtures / "crash.xls", "rpdodef");
    EXPECT_EQ(refused.outcome, Outcome::Unreadable);
    EXPECT_TRUE(refused.records.empty());
    EXPECT_TRUE(contains(refused.problem, "the .xls file is cut short or damaged"))
        << refused.problem;

    TempDir dir;
    SheetReaderOptions dies;
    dies.helper = script(dir, "segfaults", "kill -SEGV $$");
    const WorksheetRead crashed = readWorksheet(Fixtures / "frames.xls", "rpdodef", dies);
    EXPECT_EQ(crashed.outcome, Outcome::Unreadable);
    EXPECT_TRUE(crashed.records.empty());
    EXPECT_TRUE(
        contains(crashed.problem, "the workbook reader crashed (signal 11, Segmentation fault)"))
        << crashed.problem;

    const WorksheetRead next = readWorksheet(Fixtures / "frames.xls", "rpdodef");
    EXPECT_EQ(next.outcome, Outcome::Read) << next.problem;
}

TEST(SheetReader, HelpersThatMisbehaveReadNothing)
{
    TempDir dir;
    // Only the hanging ones wait for the timeout; the others have time enough on a busy machine.
    const struct {
        const char* name;
        std::string body;
        std::chrono::milliseconds timeout;
        const char* problem;
    } cases[] = {
        {"hangs", "exec sleep 30", 300ms, "did not finish within 300 ms and was stopped"},
        {"lingers", "exec >&-\nexec sleep 30", 300ms, "did not finish within 300 ms"},
        {"garbage", "echo Segmentation fault", 20s, "answer of the workbook reader is damaged"},
        {"floods", "exec cat /dev/zero", 20s, "answered with more than 65536 bytes"},
        {"fails", "exit 3", 20s, "failed (exit status 3)"},
        {"aborts", "kill -ABRT $$", 20s, "crashed (signal 6"},
    };
    for (const auto& c : cases) {
        SheetReaderOptions options;
        options.helper = script(dir, c.name, c.body);
        options.limits.timeout = c.timeout;
        options.limits.outputBytes = 65536;
        const auto start = std::chrono::steady_clock::now();
        const WorksheetRead read = readWorksheet(Fixtures / "frames.xls", "rpdodef", options);
        EXPECT_LT(std::chrono::steady_clock::now() - start, c.timeout + 5s) << c.name;
        EXPECT_EQ(read.outcome, Outcome::Unreadable) << c.name;
        EXPECT_TRUE(contains(read.problem, c.problem)) << c.name << ": " << read.problem;
    }

    SheetReaderOptions missing;
    missing.helper = dir / "no-such-reader";
    const WorksheetRead read = readWorksheet(Fixtures / "frames.xls", "rpdodef", missing);
    EXPECT_EQ(read.outcome, Outcome::Unreadable);
    EXPECT_TRUE(contains(read.problem, "cannot be started (No such file or directory)"))
        << read.problem;
}

} // namespace
} // namespace cravent::sheets

namespace cravent::sheets {

TEST(SheetReader, EmptyFilesFoldersAndFifosReadNothingWithTheReason)
{
    TempDir dir;
    for (const char* name : {"empty.xls", "empty.xlsx", "empty.ods", "empty.csv"})
        writeText(dir / name, "");
    std::filesystem::create_directories(dir / "folder.xlsx");
    ASSERT_EQ(::mkfifo((dir / "pipe.csv").c_str(), 0644), 0);
    for (const char* name :
         {"empty.xls", "empty.xlsx", "empty.ods", "empty.csv", "folder.xlsx", "pipe.csv"}) {
        SCOPED_TRACE(name);
        const WorksheetRead read = readWorksheet(dir / name, "rpdodef");
        EXPECT_NE(read.outcome, Outcome::Read);
        EXPECT_TRUE(read.records.empty());
        EXPECT_TRUE(contains(read.problem, (dir / name).string())) << read.problem;
    }
    // At once, not when the helper's time runs out.
    EXPECT_TRUE(contains(readWorksheet(dir / "pipe.csv", "rpdodef").problem,
                         "it is a pipe or device, not a workbook"));
}

// How much the peak memory of this process grows while `work` runs, in KiB. It runs in a
// child process, so that the peak is its own and not that of earlier tests; the helper it
// starts has a peak of its own, not counted here.
long peakGrowthKiB(const std::function<void()>& work)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        rusage before{};
        ::getrusage(RUSAGE_SELF, &before);
        work();
        rusage after{};
        ::getrusage(RUSAGE_SELF, &after);
        const long growth = after.ru_maxrss - before.ru_maxrss;
        [[maybe_unused]] const ssize_t n = ::write(fds[1], &growth, sizeof growth);
        ::_exit(0);
    }
    ::close(fds[1]);
    long growth = -1;
    if (::read(fds[0], &growth, sizeof growth) != static_cast<ssize_t>(sizeof growth))
        growth = -1;
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return growth;
}

// 800 rows, each with a cell in the last column (XFD): 16 KB of .xlsx. Its answer once held
// 13 million empty fields, and decoding them took the program to 460 MB.
TEST(SheetReader, AWorkbookWithCellsInTheLastColumnCostsTheCallerLittleMemory)
{
    const long growth = peakGrowthKiB([] {
        const WorksheetRead read = readWorksheet(Fixtures / "wide.xlsx", "rpdodef");
        if (read.outcome != Outcome::Read || read.records.size() != 800 ||
            read.records.back() != Record{"801", "8"})
            ::_exit(1);
    });
    ASSERT_GE(growth, 0) << "the reading child failed";
    RecordProperty("peakGrowthKiB", static_cast<int>(growth));
    EXPECT_LT(growth, 16 * 1024) << "KiB";
}

// The largest map's worth of records comes through; the rest is counted, not sent.
TEST(SheetReader, TenThousandRowsGiveTheLargestMapAndCountTheRest)
{
    TempDir dir;
    std::string csv = "cobid,id_dev_orig,en_bypass,posind,n_tpdo \r\n";
    for (int i = 0; i < 10000; ++i)
        csv += std::to_string(i) + ",8,0,0,0\r\n";
    writeText(dir / "rpdodef.csv", csv);
    const WorksheetRead read = readWorksheet(dir / "rpdodef.csv", "rpdodef");
    ASSERT_EQ(read.outcome, Outcome::Read) << read.problem;
    ASSERT_EQ(read.records.size(), MaxRecordsRead);
    EXPECT_EQ(field(read.records.back(), 0), std::to_string(MaxRecordsRead - 1));
    EXPECT_EQ(read.beyond.count, 10000u - MaxRecordsRead);
    EXPECT_EQ(read.beyond.firstRow, MaxRecordsRead + 2);
}

} // namespace cravent::sheets

namespace cravent::sheets {

TEST(SheetReader, ACsvFileBeyondItsBoundIsRefusedByItsSize)
{
    TempDir dir;
    const auto csv = dir / "rpdodef.csv";
    writeText(csv, "cobid,id_dev_orig,en_bypass,posind,n_tpdo\r\n385,8,0,0,0\r\n");
    std::filesystem::resize_file(csv, (64u << 20) + 1);
    const WorksheetRead read = readWorksheet(csv, "rpdodef");
    EXPECT_EQ(read.outcome, Outcome::Unreadable);
    EXPECT_TRUE(read.records.empty());
    EXPECT_EQ(read.problem, "Cannot read workbook \"" + csv.string() + "\": Cannot read file \"" +
                                csv.string() +
                                "\". It holds 67108865 bytes; a file of its kind holds at most 64 "
                                "MiB (67108864 bytes)");
}

} // namespace cravent::sheets
