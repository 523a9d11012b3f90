#include "core/common/Error.h"
#include "core/project/FrameFile.h"
#include "core/project/ProjectXml.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace cravent;
using cravent::test::TempDir;
using cravent::test::writeText;

namespace {

std::string loadAndSave(const std::filesystem::path& file)
{
    pugi::xml_document doc;
    project::xml::load(file, doc);
    return project::xml::serialise(doc);
}

} // namespace

TEST(ProjectXml, FilesOfTheWindowsProgramKeepTheirNonAsciiText)
{
    TempDir dir;
    // "Temperatur°" written in Windows-1252: the degree sign is the single byte 0xB0.
    const std::string body = "<COBID><row CobID=\"385\" Dimensin=\"2\" Mnemonic=\"Temperatur\xB0\"/></COBID>";
    const std::string utf8 = "<COBID><row CobID=\"385\" Dimensin=\"2\" Mnemonic=\"Temperatur\xC2\xB0\"/></COBID>";
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"undeclared ANSI", body},
        {"declared windows-1252", "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n" + body},
        {"declared ISO-8859-1", "<?xml version=\"1.0\" encoding='ISO-8859-1'?>" + body},
        {"UTF-8", utf8},
        {"UTF-8 with byte order mark", "\xEF\xBB\xBF" + utf8},
        {"ANSI behind a UTF-8 byte order mark", "\xEF\xBB\xBF" + body},
        {"euro sign in ANSI", "<COBID><row CobID=\"1\" Dimensin=\"1\" Mnemonic=\"\x80\"/></COBID>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeText(dir / "RCobDef.xml", c.bytes);
        const auto stored = project::readFrames(dir / "RCobDef.xml");
        ASSERT_EQ(stored.rows.size(), 1u);
        if (std::string(c.name) == "euro sign in ANSI")
            EXPECT_EQ(stored.rows[0].mnemonic, "\xE2\x82\xAC");
        else
            EXPECT_EQ(stored.rows[0].mnemonic, "Temperatur\xC2\xB0");
    }
    // Written back as UTF-8 without a declaration.
    writeText(dir / "RCobDef.xml", "<?xml version=\"1.0\" encoding=\"windows-1252\"?>" + body);
    EXPECT_EQ(loadAndSave(dir / "RCobDef.xml"), utf8);
}

TEST(ProjectXml, LoadErrorsNameTheFileAndTheReason)
{
    TempDir dir;
    const struct {
        const char* bytes; // nullptr: no file
        const char* expected;
    } cases[] = {
        {nullptr, "No such file or directory"},
        {"<COBID><row CobID=\"1\"></COBID>", "line 1, column"},
        {"<COBID>\n<row CobID=\"1\" Dimensin=\"2\" Mnemonic=\"\"\n", "line 2"},
        {"", "No document element found"},
        {"\x01\x02garbage\xFF", "Cannot read file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        const auto file = dir / "pargen.xml";
        std::filesystem::remove(file);
        if (c.bytes)
            writeText(file, c.bytes);
        pugi::xml_document doc;
        try {
            project::xml::load(file, doc);
            FAIL() << "loaded";
        } catch (const Error& error) {
            const std::string message = error.what();
            EXPECT_NE(message.find(file.string()), std::string::npos) << message;
            EXPECT_NE(message.find(c.expected), std::string::npos) << message;
        }
    }
}

TEST(ProjectXml, SavesRawUtf8WithEscapesAndNoDeclaration)
{
    EXPECT_EQ(project::serialiseFrames({{"0x181", "8", "a<b & \"c\""}}),
              "<COBID><row CobID=\"0x181\" Dimensin=\"8\" Mnemonic=\"a&lt;b &amp; &quot;c&quot;\"/></COBID>");
}

TEST(ProjectXml, NoWriterPutsACharacterThatXmlForbidsIntoAFile)
{
    TempDir dir;
    const auto file = dir / "RCobDef.xml";
    writeText(file, "<COBID/>");
    // pugixml would write the bell as "&#7;", which XML 1.0 readers refuse.
    try {
        project::writeFrames(file, {{"0x181", "8", "ok"}, {"0x182", "8", "bell\a"}});
        ADD_FAILURE() << "written";
    } catch (const Error& error) {
        EXPECT_STREQ(error.what(), "Cannot write a project file. Attribute \"Mnemonic\" of element 3 \"row\" "
                                   "holds U+0007, a character that XML files cannot hold");
    }
    pugi::xml_document doc;
    doc.append_child("pargen").append_child(pugi::node_pcdata).set_value("max\xEF\xBF\xBF");
    try {
        project::xml::save(file, doc);
        ADD_FAILURE() << "saved";
    } catch (const Error& error) {
        EXPECT_STREQ(error.what(), ("Cannot create file \"" + file.string() +
                                    "\". The text of element 1 \"pargen\" holds U+FFFF, a character that XML "
                                    "files cannot hold").c_str());
    }
    EXPECT_EQ(test::readText(file), "<COBID/>");
    // Tab, line feed and carriage return are characters XML keeps.
    EXPECT_NO_THROW(project::serialiseFrames({{"0x181", "8", "a\tb\nc\rd"}}));
}
