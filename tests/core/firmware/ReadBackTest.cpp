#include "core/common/Error.h"
#include "core/firmware/Composition.h"
#include "core/firmware/ConfigurationSource.h"
#include "core/firmware/SRecord.h"
#include "core/firmware/WindowReader.h"
#include "core/image/BankFiles.h"
#include "core/image/ImageBuilder.h"
#include "core/image/ProjectRecovery.h"
#include "core/project/FrameFile.h"
#include "core/project/MapFile.h"
#include "core/project/PargenFile.h"
#include "support/SyntheticMaster.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace cravent;
using namespace cravent::firmware;
namespace fs = std::filesystem;

namespace {

constexpr BankSelection BanksOneAndTwo = {true, true, false, false, false};

std::string patternedBank(int bank)
{
    std::string bytes(BankSize, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>((i * 13 + static_cast<std::size_t>(bank) * 17 + (i >> 9)) & 0xFF);
    return bytes;
}

TEST(WindowReaderTest, BanksComeBackFromS2AndS3RecordsOfAnySize)
{
    const std::string bank1 = patternedBank(1);
    const std::string bank2 = patternedBank(2);
    // Bank 1 as the composition writes it; bank 2 from a record that starts before the window
    // and runs into it, then S3 records of 250 bytes, the last one shorter.
    const std::string before(16, 'x');
    std::string text = test::sRecord('0', 0, "HDR") + bankRecords(BankWindows[0], bank1) +
                       test::sRecord('2', 0x397FF0, before + bank2.substr(0, 16));
    for (std::size_t at = 16; at < bank2.size(); at += 250)
        text += test::sRecord('3', BankWindows[1].first + static_cast<std::uint32_t>(at),
                              bank2.substr(at, std::min<std::size_t>(250, bank2.size() - at)));
    text += test::sRecord('9', 0, "");
    const BankBytes banks = readWindows(text, "fw.sx", BanksOneAndTwo);
    EXPECT_TRUE(banks[0] == bank1);
    EXPECT_TRUE(banks[1] == bank2);
    EXPECT_TRUE(banks[2].empty());
}

TEST(WindowReaderTest, AFaultNamesTheLineOrTheFirstMissingAddress)
{
    const std::string bank1 = patternedBank(1);
    const std::string bank2 = patternedBank(2);
    const std::string full = bankRecords(BankWindows[0], bank1) + bankRecords(BankWindows[1], bank2);
    std::string badChecksum = full;
    badChecksum[74] = badChecksum[74] == '0' ? '1' : '0'; // checksum of line 1
    std::string badHex = full;
    badHex[20] = 'G';
    // Record 3 of bank 2 (address 0x398040) left out.
    std::string hole = full;
    hole.erase(78 * (512 + 2), 78);
    struct Case {
        const char* name;
        std::string text;
        std::string message;
    };
    const Case cases[] = {
        {"wrong checksum", badChecksum, "Line 1 of \"fw.sx\" has a wrong checksum."},
        {"not hexadecimal", badHex, "Line 1 of \"fw.sx\" is not a valid S-record."},
        {"a hole", hole, "\"fw.sx\" lacks address 0x398040 of the bank 2 window 0x398000-0x39BFFF."},
        {"no bank 2", bankRecords(BankWindows[0], bank1),
         "\"fw.sx\" lacks address 0x398000 of the bank 2 window 0x398000-0x39BFFF."},
        {"an address twice", full + test::sRecord('2', 0x38BFFF, "z"),
         "Line 1025 of \"fw.sx\" gives address 0x38BFFF of the bank 1 window a second time."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            readWindows(c.text, "fw.sx", BanksOneAndTwo);
            ADD_FAILURE() << "read";
        } catch (const Error& error) {
            EXPECT_EQ(std::string(error.what()), c.message);
        }
    }
}

// A small project composed into a synthetic master.
struct ReadBackTest : ::testing::Test {
    test::TempDir dir;
    fs::path master = dir / "MASTER" / "QF40231.sx";
    fs::path project = dir / "P1";

    void SetUp() override
    {
        test::writeText(master, test::syntheticMaster(18));
        fs::create_directories(project / "bin");
        project::PargenValues values;
        values.ip = {192, 168, 1, 20};
        project::writePargen(project / "pargen.xml", values);
        project::writeFrames(project / "RCobDef.xml", {{"0x181", "8", "Speed"}, {"0x7FF", "2", ""}});
        project::writeFrames(project / "TCobDef.xml", {{"0x201", "4", "Out"}});
        project::writeMap(project / "RInfoCob.xml", project::ReceiveMapRootName, {{"300", "1", "18"}});
        image::WriteBankFiles(image::BuildConfigImage(project, {2026, 12, 10, 10, 42, 18}), project);
    }

    CompositionInputs inputs() const
    {
        CompositionInputs in;
        in.sourceFirmware = master;
        in.bankDir = project / "bin";
        in.newFirmwareName = "New_QF40231.sx";
        in.outputDir = project;
        in.banks = banksOfGatewayModel(3);
        return in;
    }
};

TEST_F(ReadBackTest, TheFirmwareAndTheBankFilesGiveTheSameConfiguration)
{
    const fs::path firmware = composeFirmware(inputs());
    const image::DeviceConfiguration fromFirmware = readConfigurationOf(firmware, false);
    const image::DeviceConfiguration fromBin = readConfigurationOf(project / "bin", false);
    const image::DeviceConfiguration fromProjectBin = readConfigurationOf(project, false);
    for (const image::DeviceConfiguration* other : {&fromBin, &fromProjectBin}) {
        EXPECT_EQ(fromFirmware.settings, other->settings);
        EXPECT_EQ(fromFirmware.counts, other->counts);
        EXPECT_EQ(fromFirmware.dateWord, other->dateWord);
        EXPECT_EQ(fromFirmware.rxFrames, other->rxFrames);
        EXPECT_EQ(fromFirmware.txFrames, other->txFrames);
        EXPECT_EQ(fromFirmware.rxRegisters, other->rxRegisters);
        EXPECT_EQ(fromFirmware.txRegisters, other->txRegisters);
    }
    EXPECT_EQ(fromFirmware.rxFrames.size(), 2u);
    EXPECT_EQ(fromFirmware.settings.ip, (std::array<std::uint8_t, 4>{192, 168, 1, 20}));
    // A project folder, where allowed, is its project files.
    EXPECT_EQ(kindOf(project, true), SourceKind::Project);
    EXPECT_EQ(readConfigurationOf(project, true).rxFrames, fromFirmware.rxFrames);
}

// Spoils one data byte of a window record on disk and mends the record's checksum, so that
// only a comparison with the banks can notice.
void spoilWindowByte(const fs::path& firmware, std::uint32_t address)
{
    std::string text = test::readText(firmware);
    std::string prefix = "S224";
    appendHex(prefix, address & ~0x1Fu, 6);
    const std::size_t line = text.find(prefix);
    ASSERT_NE(line, std::string::npos);
    const std::size_t at = line + 10 + 2 * (address & 0x1Fu);
    text[at] = text[at] == 'A' ? 'B' : 'A';
    std::string record = text.substr(line, 76);
    record.replace(74, 2, RecordChecksum(record));
    text.replace(line, 76, record);
    test::writeText(firmware, text);
}

TEST_F(ReadBackTest, AFirmwareSpoiledBeforeItsReadBackFailsAndIsRemoved)
{
    CompositionExtras extras;
    extras.beforeVerify = [](const fs::path& firmware) { spoilWindowByte(firmware, 0x38BE82); };
    try {
        composeFirmware(inputs(), {}, extras);
        FAIL() << "a spoiled firmware passed";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()),
                  "The new firmware does not hold the project's configuration: bank 1 byte 16002 "
                  "(address 0x38BE82) reads 0xA0 instead of 0xC0.")
            << error.what();
    }
    EXPECT_FALSE(fs::exists(project / "New_QF40231.sx"));
}

TEST_F(ReadBackTest, ATruncatedFirmwareFailsNamingTheFirstMissingAddress)
{
    CompositionExtras extras;
    extras.beforeVerify = [](const fs::path& firmware) {
        std::string text = test::readText(firmware);
        const std::size_t at = text.find("S224398100");
        test::writeText(firmware, text.substr(0, at));
    };
    try {
        composeFirmware(inputs(), {}, extras);
        FAIL() << "a truncated firmware passed";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("The new firmware does not hold the project's "
                                                 "configuration: "), std::string::npos);
        EXPECT_NE(std::string(error.what()).find("lacks address 0x398100"), std::string::npos)
            << error.what();
    }
}

TEST_F(ReadBackTest, BanksGivenInMemoryComposeAsBankFilesDo)
{
    const fs::path firmware = composeFirmware(inputs());
    const std::string fromFiles = test::readText(firmware);
    CompositionInputs in = inputs();
    in.bankDir.clear();
    CompositionExtras extras;
    extras.bankBytes = readBankFiles(project / "bin", in.banks);
    composeFirmware(in, {}, extras);
    EXPECT_TRUE(test::readText(firmware) == fromFiles);
}

TEST_F(ReadBackTest, ProjectsOfBothLayoutsAtTheirLimitsComeBackFromTheFirmware)
{
    struct Case {
        const char* name;
        int canType;
        std::size_t rxFrames, txFrames;
    };
    const Case cases[] = {{"CAN 2.0A", 0, 250, 250}, {"CAN 2.0B", 1, 725, 300}};
    const image::BuildMoment moment{2026, 12, 10, 10, 42, 18};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir work;
        const fs::path original = work / "P";
        fs::create_directories(original / "bin");
        project::PargenValues values;
        values.canType = c.canType;
        values.ip = {10, 1, 2, 3};
        project::writePargen(original / "pargen.xml", values);
        const auto frameList = [&](std::size_t count, std::uint32_t salt) {
            std::vector<project::Frame> list;
            for (std::size_t i = 0; i < count; ++i) {
                const std::uint32_t id = c.canType == 0 ? (i * 7 + salt) % 2048
                                                        : (static_cast<std::uint32_t>(i) * 2654435761u + salt) & 0x1FFFFFFF;
                std::string cobId = "0x";
                appendHex(cobId, id, 8);
                list.push_back({cobId, std::to_string(i % 9), ""});
            }
            return list;
        };
        project::writeFrames(original / "RCobDef.xml", frameList(c.rxFrames, 1));
        project::writeFrames(original / "TCobDef.xml", frameList(c.txFrames, 5));
        const auto rows = [](std::size_t count) {
            std::vector<project::MapRow> list;
            for (std::size_t i = 0; i < count; ++i)
                list.push_back({std::to_string(i * 3), std::to_string(i % 250 + 1), std::to_string(i % 256)});
            return list;
        };
        project::writeMap(original / "RInfoCob.xml", project::ReceiveMapRootName, rows(2912));
        project::writeMap(original / "TInfoCob.xml", project::TransmitMapRootName, rows(3721));
        const image::ConfigImage built = image::BuildConfigImage(original, moment);
        image::WriteBankFiles(built, original);

        CompositionInputs in = inputs();
        in.bankDir = original / "bin";
        in.outputDir = original;
        const image::DeviceConfiguration config = readConfigurationOf(composeFirmware(in), false);
        EXPECT_EQ(config.inconsistencies, std::vector<std::string>{});
        EXPECT_EQ(config.rxFrames.size(), c.rxFrames);
        EXPECT_EQ(config.txRegisters.size(), 3721u);
        const image::DeviceConfiguration fromBin = readConfigurationOf(original / "bin", false);
        EXPECT_EQ(config.rxFrames, fromBin.rxFrames);
        EXPECT_EQ(config.txRegisters, fromBin.txRegisters);

        image::writeRecoveredProject(config, work / "D");
        const image::ConfigImage rebuilt = image::BuildConfigImage(work / "D", moment);
        for (int bank = 1; bank <= image::BankCount; ++bank) {
            const auto a = built.bank(bank);
            const auto b = rebuilt.bank(bank);
            EXPECT_TRUE(std::equal(a.begin(), a.end(), b.begin())) << "bank " << bank;
        }
    }
}

} // namespace
