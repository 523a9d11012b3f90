#include "core/image/ImageBuilder.h"

#include "core/common/Error.h"
#include "core/workspace/ProjectFolder.h"
#include "ImageTestSupport.h"

#include <gtest/gtest.h>

using namespace cravent;
using namespace cravent::image;
using cravent::test::bytes;
using cravent::test::ImageProject;
using Bytes = std::vector<std::uint8_t>;

namespace {

const BuildMoment Moment{2025, 12, 9, 14, 37, 52};

ConfigImage build(const ImageProject& project)
{
    return BuildConfigImage(project.path(), Moment);
}

std::string buildError(const ImageProject& project)
{
    try {
        (void)build(project);
    } catch (const Error& error) {
        return error.what();
    }
    return "(no error)";
}

// The image of a project without any file, bar nothing: what every build starts from.
void expectUntouchedExceptStamp(const ConfigImage& image)
{
    const auto bank1 = image.bank(1);
    for (std::size_t i = 0; i < BankSize; ++i) {
        const std::uint8_t expected = i < 4096 ? 0xFF : 0x00;
        if (i >= 16020 && i < 16024)
            continue;
        ASSERT_EQ(bank1[i], expected) << "bank 1 offset " << i;
    }
    EXPECT_EQ(bytes(image, 1, 16020, 4), (Bytes{0x19, 0x4E, 0xAE, 0xD4}));
    for (int n = 2; n <= BankCount; ++n)
        for (std::size_t i = 0; i < BankSize; ++i)
            ASSERT_EQ(image.bank(n)[i], 0) << "bank " << n << " offset " << i;
}

} // namespace

TEST(ImageBuilder, ProjectWithoutFilesHoldsOnlyTheIndexFillAndTheStamp)
{
    ImageProject project;
    expectUntouchedExceptStamp(build(project));
}

TEST(ImageBuilder, ReceivedFrame20AFillsIndexPresenceAndFrameTable)
{
    ImageProject project;
    project.settings();
    project.receive({{"0x181", "8"}});
    const ConfigImage image = build(project);
    EXPECT_EQ(bytes(image, 1, 770, 2), (Bytes{0x00, 0x00}));
    EXPECT_EQ(image.bank(1)[4144], 0x02);
    EXPECT_EQ(bytes(image, 2, 0, 3), (Bytes{0x81, 0x01, 0x08}));
    EXPECT_EQ(bytes(image, 2, 3, 3), (Bytes{0, 0, 0}));
    EXPECT_EQ(bytes(image, 1, 768, 2), (Bytes{0xFF, 0xFF}));
    EXPECT_EQ(bytes(image, 1, 772, 2), (Bytes{0xFF, 0xFF}));
    EXPECT_EQ(bytes(image, 1, 16012, 8), (Bytes{1, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(ImageBuilder, LowestAndHighest20AIdentifiers)
{
    ImageProject project;
    project.receive({{"5", "1"}, {"0", "2"}, {"2047", "3"}});
    const ConfigImage image = build(project);
    EXPECT_EQ(bytes(image, 1, 0, 4), (Bytes{0x01, 0x00, 0xFF, 0xFF}));
    EXPECT_EQ(bytes(image, 1, 4094, 2), (Bytes{0x02, 0x00}));
    EXPECT_EQ(image.bank(1)[4096], 0x21); // COB-IDs 0 and 5
    EXPECT_EQ(image.bank(1)[4351], 0x80);
    EXPECT_EQ(bytes(image, 2, 0, 9), (Bytes{5, 0, 1, 0, 0, 2, 0xFF, 0x07, 3}));
}

TEST(ImageBuilder, TransmittedFrames20AFollowTheReceiveTable)
{
    ImageProject project;
    project.transmit({{"0x201", "4"}, {"1000", "8"}});
    const ConfigImage image = build(project);
    EXPECT_EQ(bytes(image, 2, 750, 6), (Bytes{0x01, 0x02, 0x04, 0xE8, 0x03, 0x08}));
    EXPECT_EQ(bytes(image, 1, 0, 4), (Bytes{0xFF, 0xFF, 0xFF, 0xFF})); // no index for transmit
}

TEST(ImageBuilder, Frames20BTakeTheirOwnLayout)
{
    ImageProject project;
    project.settingsCanType(1);
    project.receive({{"0x100", "8"}, {"0x1FFFFFFF", "1"}, {"0x1ABCD", "4"}});
    project.transmit({{"7", "2"}, {"0x18FF0102", "6"}});
    const ConfigImage image = build(project);
    EXPECT_EQ(bytes(image, 1, 0, 6), (Bytes{0x00, 0x01, 0x00, 0x00, 0x08, 0x00}));
    EXPECT_EQ(bytes(image, 1, 6, 6), (Bytes{0xFF, 0xFF, 0xFF, 0x1F, 0x01, 0x01}));
    EXPECT_EQ(bytes(image, 1, 12, 6), (Bytes{0xCD, 0xAB, 0x01, 0x00, 0x04, 0x02}));
    // After the last entry the index fill shows through; the presence map stays clear.
    for (std::size_t i = 18; i < 4096; ++i)
        ASSERT_EQ(image.bank(1)[i], 0xFF) << i;
    for (std::size_t i = 4096; i < 4352; ++i)
        ASSERT_EQ(image.bank(1)[i], 0x00) << i;
    EXPECT_EQ(bytes(image, 2, 0, 10), (Bytes{7, 0, 0, 0, 2, 0x02, 0x01, 0xFF, 0x18, 6}));
    for (std::size_t i = 10; i < 1500; ++i)
        ASSERT_EQ(image.bank(2)[i], 0x00) << i;
    EXPECT_EQ(image.bank(1)[16001], 1);
}

TEST(ImageBuilder, RegisterMapsInBothBanks)
{
    ImageProject project;
    project.map(names::ReceiveMap, project::ReceiveMapRootName,
                {{"300", "3", "18"}, {"0xFFFF", "1", "0x80"}});
    project.map(names::TransmitMap, project::TransmitMapRootName,
                {{"1", "2", "0"}, {"300", "3", "18"}});
    const ConfigImage image = build(project);
    EXPECT_EQ(bytes(image, 1, 4352, 8), (Bytes{0x2C, 0x01, 0x03, 0x12, 0xFF, 0xFF, 0x01, 0x80}));
    EXPECT_EQ(bytes(image, 2, 1500, 8), (Bytes{0x01, 0x00, 0x02, 0x00, 0x2C, 0x01, 0x03, 0x12}));
}

TEST(ImageBuilder, CommunicationBlock)
{
    const struct {
        const char* what;
        int canType;
        int baudRate;
        const char* port;
        Bytes block; // offsets 16000 to 16011
    } cases[] = {
        {"500 kbit/s, port 502",
         0,
         6,
         "502",
         {7, 0, 192, 168, 0, 30, 255, 255, 255, 0, 0xF6, 0x01}},
        {"no bit rate", 1, -1, "502", {0, 1, 192, 168, 0, 30, 255, 255, 255, 0, 0xF6, 0x01}},
        {"port keeps 16 bits",
         0,
         8,
         "70000",
         {9, 0, 192, 168, 0, 30, 255, 255, 255, 0, 0x70, 0x11}},
        {"CAN type keeps 8 bits",
         256,
         0,
         "0x1F6",
         {1, 0, 192, 168, 0, 30, 255, 255, 255, 0, 0xF6, 0x01}},
    };
    for (const auto& c : cases) {
        ImageProject project;
        project::PargenValues values;
        values.canType = c.canType;
        values.baudRateIndex = c.baudRate;
        values.ip = {192, 168, 0, 30};
        values.port = c.port;
        project.settings(values);
        project.receive({{"0x181", "8"}, {"0x182", "8"}});
        project.transmit({{"0x201", "8"}});
        project.map(names::ReceiveMap, project::ReceiveMapRootName, {{"0", "1", "33"}});
        const ConfigImage image = build(project);
        EXPECT_EQ(bytes(image, 1, 16000, 12), c.block) << c.what;
        EXPECT_EQ(bytes(image, 1, 16012, 12),
                  (Bytes{2, 0, 1, 0, 1, 0, 0, 0, 0x19, 0x4E, 0xAE, 0xD4}))
            << c.what;
        if (c.canType == 256) { // 2.0A placement
            EXPECT_EQ(bytes(image, 2, 0, 3), (Bytes{0x81, 0x01, 0x08}));
        }
    }
}

TEST(ImageBuilder, IntegerTextFormsGiveTheSameImage)
{
    ImageProject hex, dec;
    hex.receive({{"0x181", "0x8"}});
    dec.receive({{"385", "8"}});
    hex.map(names::ReceiveMap, project::ReceiveMapRootName, {{"$12C", "x3", "0X12"}});
    dec.map(names::ReceiveMap, project::ReceiveMapRootName, {{" 300", "+3", "18"}});
    const ConfigImage a = build(hex), b = build(dec);
    for (int n = 1; n <= BankCount; ++n)
        EXPECT_TRUE(std::ranges::equal(a.bank(n), b.bank(n))) << "bank " << n;
}

TEST(ImageBuilder, DuplicateIdentifierIndexesTheLaterFrame)
{
    ImageProject project;
    project.receive({{"1", "8"},
                     {"2", "8"},
                     {"3", "8"},
                     {"0x181", "1"},
                     {"4", "8"},
                     {"5", "8"},
                     {"6", "8"},
                     {"385", "2"}});
    const ConfigImage image = build(project);
    EXPECT_EQ(bytes(image, 1, 770, 2), (Bytes{0x07, 0x00}));
    EXPECT_EQ(image.bank(1)[4144], 0x02);
    EXPECT_EQ(bytes(image, 2, 9, 3), (Bytes{0x81, 0x01, 0x01}));
    EXPECT_EQ(bytes(image, 2, 21, 3), (Bytes{0x81, 0x01, 0x02}));
}

TEST(ImageBuilder, FramesWithoutSettingsTake20AAndLeaveTheBlockOut)
{
    ImageProject project;
    project.receive({{"0x181", "8"}});
    project.transmit({{"0x201", "8"}});
    const ConfigImage image = build(project);
    EXPECT_EQ(bytes(image, 2, 0, 3), (Bytes{0x81, 0x01, 0x08}));
    EXPECT_EQ(bytes(image, 1, 770, 2), (Bytes{0x00, 0x00}));
    EXPECT_EQ(bytes(image, 1, 16000, 20), Bytes(20, 0));
    EXPECT_EQ(bytes(image, 1, 16020, 4), (Bytes{0x19, 0x4E, 0xAE, 0xD4}));
}

TEST(ImageBuilder, FindsProjectFilesWhateverTheCaseOfTheirNames)
{
    ImageProject project;
    project::PargenValues values;
    values.canType = 1;
    project::writePargen(project.dir / "PARGEN.XML", values);
    project.frameList("rcobdef.xml", {{"0x1ABCD", "4"}});
    project.map("TINFOCOB.xml", project::TransmitMapRootName, {{"300", "3", "18"}});
    const ConfigImage image = build(project);
    EXPECT_EQ(bytes(image, 1, 0, 6), (Bytes{0xCD, 0xAB, 0x01, 0x00, 0x04, 0x00}));
    EXPECT_EQ(bytes(image, 2, 1500, 4), (Bytes{0x2C, 0x01, 0x03, 0x12}));
    EXPECT_EQ(bytes(image, 1, 16012, 8), (Bytes{1, 0, 0, 0, 0, 0, 1, 0}));
}

TEST(ImageBuilder, EachBuildStartsFromAnEmptyImage)
{
    ImageProject first;
    project::PargenValues values;
    values.ip = {10, 0, 0, 7};
    first.settings(values);
    first.transmit({{"1", "8"}, {"2", "8"}, {"3", "8"}});
    (void)build(first);

    // The same folder with fewer frames, and another project with nothing.
    first.transmit({{"1", "8"}});
    const ConfigImage shrunk = build(first);
    EXPECT_EQ(bytes(shrunk, 2, 750, 9), (Bytes{1, 0, 8, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(bytes(shrunk, 1, 16014, 2), (Bytes{1, 0}));

    ImageProject empty;
    expectUntouchedExceptStamp(build(empty));
}

TEST(ImageBuilder, FullTablesFitExactlyAndOneRowMoreStopsTheBuild)
{
    struct Case {
        const char* what;
        int canType;
        const char* file;
        const char* root; // nullptr for a frame list
        std::size_t capacity;
    };
    const Case cases[] = {
        {"2.0A receive", 0, names::ReceiveFrames, nullptr, 250},
        {"2.0A transmit", 0, names::TransmitFrames, nullptr, 250},
        {"2.0B receive", 1, names::ReceiveFrames, nullptr, 725},
        {"2.0B transmit", 1, names::TransmitFrames, nullptr, 300},
        {"receive map", 0, names::ReceiveMap, project::ReceiveMapRootName, 2912},
        {"transmit map", 0, names::TransmitMap, project::TransmitMapRootName, 3721},
    };
    for (const Case& c : cases) {
        ImageProject project;
        project.settingsCanType(c.canType);
        const auto fill = [&](std::size_t rows) {
            if (c.root)
                project.manyRegisters(c.file, c.root, rows);
            else
                project.manyFrames(c.file, rows);
        };
        fill(c.capacity);
        const ConfigImage image = build(project);
        EXPECT_EQ(bytes(image, 1, 16000, 2), (Bytes{1, static_cast<std::uint8_t>(c.canType)}))
            << c.what;
        fill(c.capacity + 1);
        EXPECT_EQ(buildError(project),
                  "File \"" + (project.dir / c.file).string() + "\", row " +
                      std::to_string(c.capacity + 1) +
                      ": more rows than the configuration image holds (at most " +
                      std::to_string(c.capacity) + ")")
            << c.what;
    }
}

TEST(ImageBuilder, MaximalProjectEndsExactlyAtItsRegions)
{
    ImageProject project;
    project.settings();
    project.manyFrames(names::ReceiveFrames, 250);
    project.manyFrames(names::TransmitFrames, 250);
    project.map(names::ReceiveMap, project::ReceiveMapRootName,
                std::vector<project::MapRow>(2912, project::MapRow{"0xA1B2", "0xC3", "0xD4"}));
    project.map(names::TransmitMap, project::TransmitMapRootName,
                std::vector<project::MapRow>(3721, project::MapRow{"0xA1B2", "0xC3", "0xD4"}));
    const ConfigImage image = build(project);
    // Last frame 249: COB-ID 249 * 7 % 2048 = 1743 = 0x6CF, length 249 % 8 + 1 = 2.
    EXPECT_EQ(bytes(image, 2, 747, 6), (Bytes{0xCF, 0x06, 2, 0, 0, 1}));
    EXPECT_EQ(bytes(image, 2, 1497, 7), (Bytes{0xCF, 0x06, 2, 0xB2, 0xA1, 0xC3, 0xD4}));
    EXPECT_EQ(bytes(image, 1, 15996, 6), (Bytes{0xB2, 0xA1, 0xC3, 0xD4, 1, 0}));
    EXPECT_EQ(bytes(image, 2, 16380, 4), (Bytes{0xB2, 0xA1, 0xC3, 0xD4}));
    EXPECT_EQ(bytes(image, 1, 16012, 8), (Bytes{250, 0, 250, 0, 0x60, 0x0B, 0x89, 0x0E}));
}

TEST(ImageBuilder, FailuresNameTheFileTheRowAndTheText)
{
    struct Case {
        const char* what;
        const char* file;
        const char* content;
        std::string message; // after File "<project>/<file>"
    };
    const std::string settings20A =
        "<GeneralParameter><BaudRateCAN>6</BaudRateCAN><CANType>0</CANType>"
        "<ADD_IP IPB1=\"1\" IPB2=\"2\" IPB3=\"3\" IPB4=\"4\"/>"
        "<SUBNET SMB1=\"255\" SMB2=\"255\" SMB3=\"255\" "
        "SMB4=\"0\"/><Port>502</Port></GeneralParameter>";
    const auto withPort = [&](const char* port) {
        std::string s = settings20A;
        s.replace(s.find("<Port>502</Port>"), 16, port);
        return s;
    };
    const std::string emptyPort = withPort("<Port></Port>");
    const std::string noPort = withPort("");
    std::string noSubnetAttribute = settings20A;
    noSubnetAttribute.replace(noSubnetAttribute.find(" SMB3=\"255\""), 11, "");
    const Case cases[] = {
        {"row without Dimensin", "RCobDef.xml",
         "<COBID><row CobID=\"1\" Dimensin=\"8\"/><row CobID=\"2\"/></COBID>",
         ", row 2: attribute \"Dimensin\" is missing"},
        {"COB-ID not integer text", "TCobDef.xml",
         "<COBID><row CobID=\"385 \" Dimensin=\"8\"/></COBID>",
         ", row 1, attribute \"CobID\": '385 ' is not a valid integer value"},
        {"2.0A receive COB-ID above 2047", "RCobDef.xml",
         "<COBID><row CobID=\"1\" Dimensin=\"8\"/><row CobID=\"0x800\" Dimensin=\"8\"/></COBID>",
         ", row 2: COB-ID '0x800' is outside 0 to 2047, the CAN 2.0A identifiers"},
        {"2.0A receive COB-ID below 0", "RCobDef.xml",
         "<COBID><row CobID=\"-1\" Dimensin=\"8\"/></COBID>",
         ", row 1: COB-ID '-1' is outside 0 to 2047, the CAN 2.0A identifiers"},
        {"2.0A transmit COB-ID above 2047", "TCobDef.xml",
         "<COBID><row CobID=\"2048\" Dimensin=\"8\"/></COBID>",
         ", row 1: COB-ID '2048' is outside 0 to 2047, the CAN 2.0A identifiers"},
        {"map value", "RInfoCob.xml",
         "<RInfoCob><row Index=\"1\" NrPdo=\"1\" PosComp=\"B1\"/></RInfoCob>",
         ", row 1, attribute \"PosComp\": 'B1' is not a valid integer value"},
        {"map row without NrPdo", "TInfoCob.xml",
         "<TInfoCob><row Index=\"1\" NrPdo=\"1\" PosComp=\"1\"/><row Index=\"2\" "
         "PosComp=\"1\"/></TInfoCob>",
         ", row 2: attribute \"NrPdo\" is missing"},
        {"empty Port", "pargen.xml", emptyPort.c_str(),
         ", element \"Port\": '' is not a valid integer value"},
        {"no Port", "pargen.xml", noPort.c_str(), ": element \"Port\" is missing"},
        {"no SMB3", "pargen.xml", noSubnetAttribute.c_str(),
         ": attribute \"SMB3\" of element \"SUBNET\" is missing"},
        {"no CANType", "pargen.xml", "<GeneralParameter><Port>502</Port></GeneralParameter>",
         ": element \"CANType\" is missing"},
    };
    for (const Case& c : cases) {
        ImageProject project;
        project.settings();
        test::writeText(project.dir / c.file, c.content);
        EXPECT_EQ(buildError(project),
                  "File \"" + (project.dir / c.file).string() + "\"" + c.message)
            << c.what;
    }
}

TEST(ImageBuilder, MalformedFileStopsWithTheParserMessage)
{
    ImageProject project;
    test::writeText(project.dir / "RCobDef.xml", "<COBID><row CobID=\"1\" Dimensin=\"8\"></COBID>");
    const std::string message = buildError(project);
    EXPECT_EQ(
        message.rfind("Cannot read file \"" + (project.dir / "RCobDef.xml").string() + "\". ", 0),
        0u)
        << message;
}

// Only "no such file" leaves a project file out; a file that is there but cannot be looked at
// must never build as if it were absent.
TEST(ImageBuilder, AProjectFileThatCannotBeLookedAtStopsTheBuildNamingItAndTheReason)
{
    const std::string tooLong(300, 'x');
    const struct {
        const char* what;
        std::string target; // of the symbolic link put in the file's place
        const char* reason;
    } kinds[] = {
        {"a link to itself", "", "Too many levels of symbolic links"},
        {"a link to a name too long", tooLong, "File name too long"},
    };
    for (const char* name : {names::Pargen, names::ReceiveFrames, names::TransmitFrames,
                             names::ReceiveMap, names::TransmitMap}) {
        for (const auto& kind : kinds) {
            SCOPED_TRACE(std::string(name) + ", " + kind.what);
            ImageProject project;
            const std::filesystem::path file = project.dir / name;
            std::filesystem::create_symlink(kind.target.empty() ? name : kind.target, file);
            EXPECT_EQ(buildError(project),
                      "Cannot read file \"" + file.string() + "\". " + kind.reason);
        }
    }
    // A link to nothing is a missing file, as before.
    ImageProject dangling;
    std::filesystem::create_symlink("nowhere.xml", dangling.dir / names::ReceiveFrames);
    expectUntouchedExceptStamp(build(dangling));
}
