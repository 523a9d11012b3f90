#include "core/common/Error.h"
#include "support/SyntheticMaster.h"
#include "core/firmware/BankWindow.h"
#include "core/firmware/Composition.h"
#include "core/firmware/SRecord.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <functional>
#include <vector>

using namespace cravent;
using namespace cravent::firmware;
namespace fs = std::filesystem;

namespace {

std::string patternedBank(int bank)
{
    std::string bytes(BankSize, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>((i * 7 + static_cast<std::size_t>(bank) * 31 + (i >> 8)) & 0xFF);
    return bytes;
}

std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find("\r\n", at);
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

// Without its CR LF.
std::string rec(char type, std::uint32_t address, std::size_t length, char fill = 'A')
{
    const std::string line = test::sRecord(type, address, std::string(length, fill));
    return line.substr(0, line.size() - 2);
}

const std::string Header = rec('0', 0, 4, 'H');
const std::string End = rec('9', 0, 0);

std::string lfFile(const std::vector<std::string>& lines)
{
    std::string text;
    for (const auto& line : lines)
        text += line + "\n";
    return text;
}

struct CompositionTest : ::testing::Test {
    test::TempDir dir;
    fs::path master = dir / "MASTER" / "QF40231.sx";
    fs::path project = dir / "PROJECTS" / "P1";
    std::string bank1 = patternedBank(1);
    std::string bank2 = patternedBank(2);
    CompositionInputs inputs;

    void SetUp() override
    {
        test::writeText(project / "bin" / "bank1.bin", bank1);
        test::writeText(project / "bin" / "bank2.bin", bank2);
        inputs = {master, project / "bin", "New_QF40231.sx", project, banksOfGatewayModel(3)};
    }

    std::string records(int bank) const
    {
        return bankRecords(BankWindows[static_cast<std::size_t>(bank - 1)], bank == 1 ? bank1 : bank2);
    }

    std::string compose(const std::string& masterText)
    {
        test::writeText(master, masterText);
        EXPECT_EQ(composeFirmware(inputs), project / "New_QF40231.sx");
        return test::readText(project / "New_QF40231.sx");
    }

    // The message of a composition that must fail, after checking that it left the new
    // firmware of an earlier run as it was and no other file behind.
    std::string failure()
    {
        test::writeText(project / "New_QF40231.sx", "earlier run");
        std::string message;
        try {
            composeFirmware(inputs);
            ADD_FAILURE() << "composition succeeded";
        } catch (const Error& error) {
            message = error.what();
        }
        EXPECT_EQ(test::readText(project / "New_QF40231.sx"), "earlier run");
        std::vector<std::string> left;
        for (const auto& entry : fs::directory_iterator(project))
            if (entry.path().filename() != "bin")
                left.push_back(entry.path().filename().string());
        EXPECT_EQ(left, std::vector<std::string>{"New_QF40231.sx"});
        return message;
    }
};

} // namespace

TEST(RecordChecksumTest, IsTheInvertedLowByteOfTheSumOfThePairs)
{
    const std::pair<std::string, std::string> cases[] = {
        {"S224388000" + std::string(64, '0') + "00", "23"},
        {"S1130000000102030405060708090A0B0C0D0E0F00", "74"},
        {"S9030000XX", "FC"},
        {"S5030005FF", "F7"},
    };
    for (const auto& [line, checksum] : cases)
        EXPECT_EQ(RecordChecksum(line), checksum) << line;
}

TEST(BankRecordsTest, AZeroBankOneStartsAtItsWindow)
{
    const std::string records = bankRecords(BankWindows[0], std::string(BankSize, '\0'));
    EXPECT_EQ(records.substr(0, 78), "S224388000" + std::string(64, '0') + "23\r\n");
}

TEST(BankRecordsTest, BankTwoIs512RecordsOf32BytesCoveringItsWindow)
{
    const std::string bank = patternedBank(2);
    const auto lines = splitLines(bankRecords(BankWindows[1], bank));
    ASSERT_EQ(lines.size(), 512u);
    EXPECT_EQ(lines.front().substr(0, 10), "S224398000");
    EXPECT_EQ(lines.back().substr(0, 10), "S22439BFE0");
    std::string data;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        ASSERT_EQ(lines[i].size(), 76u) << i;
        RecordLine line;
        ASSERT_EQ(readRecordLine(lines[i], line), RecordFault::None) << lines[i];
        EXPECT_EQ(line.address, 0x398000 + 32 * i);
        for (std::size_t at = 10; at < 74; at += 2)
            data += static_cast<char>(std::stoi(lines[i].substr(at, 2), nullptr, 16));
    }
    EXPECT_EQ(data, bank);
}

TEST_F(CompositionTest, WindowRecordsGiveWayToTheBankWhereTheFirstOfThemStood)
{
    const std::string lowerCase = "s2140388000000000000000000000000000000000000";
    const std::vector<std::string> source = {
        Header,
        rec('2', 0x380000, 16),
        rec('2', 0x388000, 16), // first of bank 1's window
        rec('1', 0x3880, 16),   // reads "388000.." at the S2 address place, but is an S1
        rec('2', 0x390000, 16),
        lowerCase,
        rec('2', 0x388010, 16), // dropped
        rec('3', 0x00398000, 16), // first of bank 2's window, as an S3 record
        rec('2', 0x398010, 16), // dropped
        rec('2', 0x3A8000, 16), // bank 3 is not selected
        End,
    };
    const std::string expected = Header + "\r\n" + rec('2', 0x380000, 16) + "\r\n" + records(1) +
                                 rec('1', 0x3880, 16) + "\r\n" + rec('2', 0x390000, 16) + "\r\n" +
                                 lowerCase + "\r\n" + records(2) + rec('2', 0x3A8000, 16) +
                                 "\r\n" + End + "\r\n";
    EXPECT_EQ(compose(lfFile(source)), expected);
}

TEST_F(CompositionTest, AnS7OrS8RecordEndsTheFileAsS9DoesAndBlankLinesMayTrailIt)
{
    for (const std::string& end : {rec('7', 0x4000, 0), rec('8', 0xC000, 0), End}) {
        const std::string source = Header + "\r\n" + rec('2', 0x388000, 32) + "\r\n" +
                                   rec('2', 0x398000, 32) + "\r\n" + end + "\r\n\r\n";
        EXPECT_EQ(compose(source),
                  Header + "\r\n" + records(1) + records(2) + end + "\r\n\r\n") << end;
    }
}

TEST_F(CompositionTest, ChecksStopTheChainInTheirOrderAndWriteNothing)
{
    const std::string sound = lfFile({Header, rec('2', 0x388000, 32), rec('2', 0x398000, 32), End});
    struct Case {
        const char* what;
        std::function<void()> spoil;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"no master", [&] { fs::remove(master); }, text::SourceNotFound},
        {"no master and no name",
         [&] {
             fs::remove(master);
             inputs.newFirmwareName.clear();
         },
         text::SourceNotFound},
        {"no name", [&] { inputs.newFirmwareName.clear(); }, text::NewNameMissing},
        {"no name and no bin", [&] {
             inputs.newFirmwareName.clear();
             fs::remove_all(project / "bin");
         }, text::NewNameMissing},
        {"no bin folder", [&] { fs::remove_all(project / "bin"); }, text::BinFolderNotFound},
        {"empty bank folder", [&] { inputs.bankDir.clear(); }, text::BinFolderNotFound},
        {"no bank 1", [&] { fs::remove(project / "bin" / "bank1.bin"); },
         "File bank1.bin Not Found,Abort Procedure"},
        {"no bank 2", [&] { fs::remove(project / "bin" / "bank2.bin"); },
         "File bank2.bin Not Found,Abort Procedure"},
        {"bank 3 selected but missing", [&] { inputs.banks[2] = true; },
         "File bank3.bin Not Found,Abort Procedure"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        test::writeText(master, sound);
        c.spoil();
        EXPECT_EQ(failure(), c.message);
    }
}

TEST_F(CompositionTest, AMasterThatWouldGiveAWrongFirmwareIsRefusedNamingTheLine)
{
    const std::string m = "\"" + master.string() + "\"";
    std::string badChecksum = rec('2', 0x380000, 16);
    badChecksum.back() = badChecksum.back() == '0' ? '1' : '0';
    std::string notHex = rec('2', 0x380000, 16);
    notHex[20] = 'G';
    const std::string w1 = rec('2', 0x388000, 32);
    const std::string w2 = rec('2', 0x398000, 32);
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{Header, notHex, w1, w2, End}, "Line 2 of " + m + " is not a valid S-record."},
        {{Header, w1, badChecksum, w2, End}, "Line 3 of " + m + " has a wrong checksum."},
        {{Header, w1, "", w2, End}, "Line 3 of " + m + " is not a valid S-record."},
        {{Header, w1, "S2140388", w2, End}, "Line 3 of " + m + " is not a valid S-record."},
        {{Header, w1, w2, rec('2', 0x380000, 16)}, m + " has no S7, S8 or S9 end record."},
        {{Header, w1, End, w2}, "Line 4 of " + m + " follows the end record."},
        {{Header, w1, End, End}, "Line 4 of " + m + " follows the end record."},
        {{Header, w1, rec('2', 0x3A8000, 32), End},
         m + " holds no record in the bank 2 window 0x398000-0x39BFFF, so the new firmware would "
             "lack bank 2."},
        {{Header, rec('2', 0x387FF0, 32), w1, w2, End},
         "Line 2 of " + m + " crosses the bounds of the bank 1 window 0x388000-0x38BFFF."},
        {{Header, w1, rec('2', 0x39BFF0, 32), w2, End},
         "Line 3 of " + m + " crosses the bounds of the bank 2 window 0x398000-0x39BFFF."},
        {{Header, w1, w2, rec('5', 3, 0), End},
         "Line 4 of " + m + " counts 3 data records, but 2 precede it."},
    };
    for (const auto& [lines, why] : cases) {
        SCOPED_TRACE(why);
        test::writeText(master, lfFile(lines));
        EXPECT_EQ(failure(), std::string(text::NewNotCreated) + "\n" + why);
    }
}

TEST_F(CompositionTest, AMasterThatIsNoFirmwareFileIsRefused)
{
    const std::string m = "\"" + master.string() + "\"";
    const std::string notCreated = std::string(text::NewNotCreated) + "\n";
    const struct {
        const char* what;
        std::function<void()> make;
        std::string message;
    } cases[] = {
        {"empty", [&] { test::writeText(master, ""); }, notCreated + m + " has no S7, S8 or S9 end record."},
        // Lines that do not start with "S" and a digit are text, carried over unchanged; without
        // an end record such a file is still refused.
        {"binary garbage", [&] { test::writeText(master, std::string("\x7F" "ELF\0\x02\n", 7)); },
         notCreated + m + " has no S7, S8 or S9 end record."},
        {"lower-case end record", [&] { test::writeText(master, lfFile({Header, "s9030000FC"})); },
         notCreated + m + " has no S7, S8 or S9 end record."},
        {"folder", [&] { fs::create_directories(master); }, text::SourceNotFound},
        // Waiting on a FIFO would hang the dialog; it is no master firmware.
        {"FIFO", [&] { ::mkfifo(master.c_str(), 0644); }, text::SourceNotFound},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(master);
        fs::create_directories(master.parent_path());
        c.make();
        EXPECT_EQ(failure(), c.message);
    }
}

TEST_F(CompositionTest, ABankFileOfTheWrongSizeIsRefused)
{
    test::writeText(master, lfFile({Header, rec('2', 0x388000, 32), rec('2', 0x398000, 32), End}));
    const fs::path bank = project / "bin" / "bank2.bin";
    // A gigabyte is refused by its size; read, it would cost that much memory first.
    for (const std::uintmax_t size : {std::uintmax_t{100}, std::uintmax_t{BankSize + 1},
                                      std::uintmax_t{1} << 30}) {
        SCOPED_TRACE(size);
        test::writeText(bank, std::string(100, '\x01'));
        fs::resize_file(bank, size);
        EXPECT_EQ(failure(), std::string(text::NewNotCreated) + "\nFile \"" + bank.string() +
                                 "\" holds " + std::to_string(size) + " bytes, not 16384.");
    }
}

TEST_F(CompositionTest, AMasterBeyondItsBoundIsRefusedBeforeItIsRead)
{
    test::writeText(master, lfFile({Header, rec('2', 0x388000, 32), rec('2', 0x398000, 32), End}));
    fs::resize_file(master, MasterFirmwareLimit + 1);
    EXPECT_EQ(failure(), std::string(text::NewNotCreated) + "\nCannot read file \"" +
                             master.string() +
                             "\". It holds 67108865 bytes; a file of its kind holds at most 64 "
                             "MiB (67108864 bytes)");
}

TEST_F(CompositionTest, AFailedWriteKeepsTheEarlierFirmware)
{
    test::writeText(master, lfFile({Header, rec('2', 0x388000, 32), rec('2', 0x398000, 32), End}));
    inputs.outputDir = project / "gone";
    try {
        composeFirmware(inputs);
        FAIL() << "composition succeeded";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()).rfind(std::string(text::NewNotCreated) + "\nCannot create file \"" +
                                                      (project / "gone" / "New_QF40231.sx").string(),
                                                  0),
                  0u)
            << error.what();
    }
}

TEST_F(CompositionTest, ACountRecordIsBroughtUpToDate)
{
    // Four 16-byte records in bank 1's window become 512 of 32 bytes.
    std::vector<std::string> source = {Header, rec('1', 0x4000, 16)};
    for (std::uint32_t at = 0x388000; at < 0x388040; at += 16)
        source.push_back(rec('2', at, 16));
    source.push_back(rec('2', 0x398000, 32));
    source.push_back(rec('5', 6, 0));
    source.push_back(End);
    const auto lines = splitLines(compose(lfFile(source)));
    ASSERT_EQ(lines.size(), 2u + 512 + 512 + 2);
    EXPECT_EQ(lines[lines.size() - 2], rec('5', 1 + 512 + 512, 0));
}

TEST_F(CompositionTest, ProgressRunsFromZeroToLinesPlus512ForEachBank)
{
    test::writeText(master, test::syntheticMaster(10));
    std::vector<std::pair<std::size_t, std::size_t>> reports;
    composeFirmware(inputs, [&](std::size_t position, std::size_t maximum) {
        reports.emplace_back(position, maximum);
    });
    const std::size_t lines = 1 + 512 + 10 * 512 + 1;
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.front(), std::make_pair(std::size_t{0}, lines + 512));
    EXPECT_EQ(reports.back(), std::make_pair(lines + 512, lines + 512));
    std::size_t steps = 0;
    for (std::size_t i = 0; i < reports.size(); ++i) {
        if (reports[i].first == 0)
            ++steps;
        else
            EXPECT_GE(reports[i].first, reports[i - 1].first);
    }
    EXPECT_EQ(steps, 2u);
}

// srec_cat, a reader that shares no code with ours, decodes both files: the two windows must
// hold the bank files and every other byte must be the master's.
TEST_F(CompositionTest, SrecCatFindsTheBanksInTheirWindowsAndTheRestOfTheMasterUnchanged)
{
    // The install script installs srecord: its absence is a broken machine, not a reason to skip.
    ASSERT_EQ(std::system("srec_cat --version >/dev/null 2>&1"), 0)
        << "srec_cat (Debian package srecord) is not installed; scripts/install-deps.sh installs it";
    test::writeText(master, test::syntheticMaster(12));
    const fs::path result = composeFirmware(inputs);
    auto run = [](const std::string& command) {
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
    };
    const std::string q = "'";
    for (const BankWindow& window : {BankWindows[0], BankWindows[1]}) {
        const fs::path out = dir / ("window" + std::to_string(window.bank) + ".bin");
        run("srec_cat " + q + result.string() + q + " -crop " + std::to_string(window.first) +
            " " + std::to_string(window.last + 1) + " -offset -" + std::to_string(window.first) +
            " -o " + q + out.string() + q + " -binary");
        EXPECT_EQ(test::readText(out), window.bank == 1 ? bank1 : bank2);
    }
    const std::string windows = " -exclude 0x388000 0x38C000 -exclude 0x398000 0x39C000";
    run("srec_cmp " + q + master.string() + q + windows + " " + q + result.string() + q + windows);
    // and the windows did change: the master's own bytes there are not the banks
    EXPECT_NE(std::system(("srec_cmp '" + master.string() + "' '" + result.string() +
                           "' >/dev/null 2>&1").c_str()),
              0);
}
