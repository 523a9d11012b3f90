#include "core/common/Error.h"
#include "core/common/FileIo.h"
#include "support/TempDir.h"
#include "core/workspace/IniFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>

namespace ini = cravent::ini;

TEST(IniFile, ReadsAsThePrivateProfileFunctionsDo)
{
    const struct {
        const char* content;
        std::optional<std::string> value;
    } cases[] = {
        {"[lastproj]\r\nprojectname=\\P1\\sub\r\n", "\\P1\\sub"},
        {"[lastproj]\nprojectname=\\P1\n", "\\P1"},
        {"[LastProj]\r\nPROJECTNAME = \\P2 \r\n", "\\P2"},
        {"[lastproj]\r\nprojectname=\"\\P 3\"\r\n", "\\P 3"},
        {"[lastproj]\r\nprojectname=\r\n", ""},
        {"[other]\r\nprojectname=\\X\r\n[lastproj]\r\nprojectname=\\Y\r\n", "\\Y"},
        {"[other]\r\nprojectname=\\X\r\n", std::nullopt},
        {"[lastproj]\r\nname=\\X\r\n", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content);
        EXPECT_EQ(ini::value(c.content, "lastproj", "projectname"), c.value);
    }
}

TEST(IniFile, WritesCrLfAndKeepsEverythingElse)
{
    EXPECT_EQ(ini::withValue("", "lastproj", "projectname", ""), "[lastproj]\r\nprojectname=\r\n");
    EXPECT_EQ(ini::withValue("[lastproj]\r\nprojectname=\\Old\r\n", "lastproj", "projectname", "\\P1"),
              "[lastproj]\r\nprojectname=\\P1\r\n");
    EXPECT_EQ(ini::withValue("[a]\r\nk=1\r\n\r\n[lastproj]\r\nother=2\r\n\r\n[b]\r\nz=3\r\n",
                             "lastproj", "projectname", "\\P"),
              "[a]\r\nk=1\r\n\r\n[lastproj]\r\nother=2\r\nprojectname=\\P\r\n\r\n[b]\r\nz=3\r\n");
    EXPECT_EQ(ini::withValue("[a]\nk=1\n", "lastproj", "projectname", "\\P"),
              "[a]\r\nk=1\r\n[lastproj]\r\nprojectname=\\P\r\n");
}

TEST(IniFile, FileRoundTripAndMissingFile)
{
    cravent::test::TempDir dir;
    const auto file = dir / "Cravent_DUZ2OZIRu.ini";
    EXPECT_EQ(ini::readValue(file, "lastproj", "projectname"), std::nullopt);
    ini::writeValue(file, "lastproj", "projectname", "\\P1\\sub");
    EXPECT_EQ(cravent::test::readText(file), "[lastproj]\r\nprojectname=\\P1\\sub\r\n");
    EXPECT_EQ(ini::readValue(file, "lastproj", "projectname"), "\\P1\\sub");
}

TEST(IniFile, ASettingsFileThatCannotBeUsedRestoresNothingAndIsNotOverwrittenBlindly)
{
    const struct {
        const char* what;
        std::function<void(const std::filesystem::path&)> make;
        const char* writeError; // nullptr: the write succeeds and keeps what was there
    } cases[] = {
        {"empty", [](const auto& f) { cravent::test::writeText(f, ""); }, nullptr},
        {"binary garbage",
         [](const auto& f) { cravent::test::writeText(f, std::string("\0\xFF[lastproj\x01=", 13)); },
         nullptr},
        {"no section", [](const auto& f) { cravent::test::writeText(f, "projectname=\\P1\r\n"); },
         nullptr},
        {"folder", [](const auto& f) { std::filesystem::create_directories(f); }, "Is a directory"},
        {"FIFO", [](const auto& f) { ::mkfifo(f.c_str(), 0644); }, "It is not a regular file"},
        // Refused by its size, so not read for its first lines either.
        {"beyond its bound",
         [](const auto& f) {
             cravent::test::writeText(f, "[lastproj]\r\nprojectname=\\P1\r\n");
             std::filesystem::resize_file(f, cravent::DefaultReadLimit + 1);
         },
         "a file of its kind holds at most 64 MiB (67108864 bytes)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        cravent::test::TempDir dir;
        const auto file = dir / "Cravent_DUZ2OZIRu.ini";
        c.make(file);
        EXPECT_EQ(ini::readValue(file, "lastproj", "projectname"), std::nullopt);
        const std::string before =
            std::filesystem::is_regular_file(file) ? cravent::test::readText(file) : "";
        try {
            ini::writeValue(file, "lastproj", "projectname", "\\P2");
            EXPECT_EQ(c.writeError, nullptr) << "written";
            EXPECT_EQ(ini::readValue(file, "lastproj", "projectname"), "\\P2");
            // What else the file held stays, whatever it was.
            EXPECT_NE(cravent::test::readText(file).find(before), std::string::npos);
        } catch (const cravent::Error& error) {
            ASSERT_NE(c.writeError, nullptr) << error.what();
            EXPECT_NE(std::string(error.what()).find("\"" + file.string() + "\""), std::string::npos);
            EXPECT_NE(std::string(error.what()).find(c.writeError), std::string::npos) << error.what();
        }
    }
}
