// Every project file reader against what a hand-edited, damaged or misplaced file can be.

#include "core/common/Error.h"
#include "core/project/FrameFile.h"
#include "core/project/MapFile.h"
#include "core/project/PargenFile.h"
#include "core/project/ProjectXml.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>

using namespace cravent;
using cravent::test::TempDir;
using cravent::test::writeText;
namespace fs = std::filesystem;

namespace {

struct Reader {
    const char* file;
    std::function<void(const fs::path&)> read;
};

const Reader Readers[] = {
    {"pargen.xml", [](const fs::path& f) { project::readPargen(f); }},
    {"RCobDef.xml", [](const fs::path& f) { project::readFrames(f); }},
    {"TInfoCob.xml", [](const fs::path& f) { project::readMap(f); }},
};

} // namespace

TEST(ProjectFileBadInput, EveryReaderRefusesWhatIsNoXmlDocumentNamingTheFileAndTheReason)
{
    const struct {
        const char* what;
        std::function<void(const fs::path&)> make;
        const char* reason;
    } inputs[] = {
        {"missing", [](const fs::path&) {}, "No such file or directory"},
        {"empty", [](const fs::path& f) { writeText(f, ""); }, "No document element found"},
        {"blanks only", [](const fs::path& f) { writeText(f, " \r\n\t"); }, "No document element found"},
        {"truncated", [](const fs::path& f) { writeText(f, "<COBID><row CobID=\"0x18"); }, "line 1"},
        {"unclosed element",
         [](const fs::path& f) { writeText(f, "<GeneralParameter>\n<Port>502</GeneralParameter>"); },
         "line 2"},
        {"binary garbage", [](const fs::path& f) { writeText(f, std::string("\0\x01\xFF\xFE<", 5)); },
         "Cannot read file"},
        {"two roots", [](const fs::path& f) { writeText(f, "<COBID/>\n<COBID/>"); },
         "A second root element \"COBID\" at line 2, column 1"},
        // Root reads any file: what it cannot read is a folder or a FIFO where the file should be.
        {"folder", [](const fs::path& f) { fs::create_directories(f); }, "Is a directory"},
        {"FIFO", [](const fs::path& f) { ::mkfifo(f.c_str(), 0644); }, "It is not a regular file"},
        // Refused by its size, never parsed: the document would need several times as much.
        {"beyond the bound",
         [](const fs::path& f) {
             writeText(f, "<COBID/>");
             fs::resize_file(f, project::xml::ProjectFileLimit + 1);
         },
         "It holds 16777217 bytes; a file of its kind holds at most 16 MiB (16777216 bytes)"},
    };
    for (const Reader& reader : Readers) {
        for (const auto& input : inputs) {
            SCOPED_TRACE(std::string(reader.file) + ", " + input.what);
            TempDir dir;
            const fs::path file = dir / reader.file;
            input.make(file);
            try {
                reader.read(file);
                ADD_FAILURE() << "read";
            } catch (const Error& error) {
                const std::string message = error.what();
                EXPECT_NE(message.find("\"" + file.string() + "\""), std::string::npos) << message;
                EXPECT_NE(message.find(input.reason), std::string::npos) << message;
            }
        }
    }
}

TEST(ProjectFileBadInput, WhatIsWellFormedIsReadAsStoredForTheCallersToJudge)
{
    TempDir dir;
    // A wrong root, rows of another file, missing attributes and texts that are no numbers are
    // the callers' business: the editors and the builder refuse them with their own messages.
    writeText(dir / "RCobDef.xml",
              "<TInfoCob><row Index=\"1\"/><row CobID=\"12a\" Dimensin=\"99999999999\"/></TInfoCob>");
    const project::StoredFrameFile stored = project::readFrames(dir / "RCobDef.xml");
    EXPECT_EQ(stored.rootName, "TInfoCob");
    ASSERT_EQ(stored.rows.size(), 2u);
    EXPECT_FALSE(stored.rows[0].cobId);
    EXPECT_EQ(stored.rows[1].cobId, "12a");
    EXPECT_EQ(stored.rows[1].dimension, "99999999999");

    writeText(dir / "pargen.xml", "<Settings><Port>http</Port><ADD_IP IPB1=\"1\"/></Settings>");
    const project::StoredPargen settings = project::readPargen(dir / "pargen.xml");
    EXPECT_EQ(settings.rootName, "Settings");
    EXPECT_EQ(settings.port, "http");
    EXPECT_EQ(settings.ip[0], "1");
    EXPECT_FALSE(settings.ip[1]);
    EXPECT_FALSE(settings.canType);
}

TEST(ProjectFileBadInput, TenThousandRowsAreReadInOrder)
{
    TempDir dir;
    std::vector<project::MapRow> rows;
    for (int i = 0; i < 10000; ++i)
        rows.push_back({std::to_string(i), std::to_string(i % 250 + 1), "0x12"});
    project::writeMap(dir / "RInfoCob.xml", project::ReceiveMapRootName, rows);
    const project::StoredMapFile stored = project::readMap(dir / "RInfoCob.xml");
    ASSERT_EQ(stored.rows.size(), 10000u);
    EXPECT_EQ(stored.rows[9999].index, "9999");
}
