#include "core/firmware/FlasherLookup.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace cravent;
using namespace cravent::firmware;
namespace fs = std::filesystem;

namespace {

struct FlasherLookupTest : ::testing::Test {
    test::TempDir root;
    fs::path app = root / "app";
    fs::path exe = root / "bin";
    fs::path path1 = root / "path1";
    fs::path path2 = root / "path2";

    void SetUp() override
    {
        for (const fs::path& dir : {app, exe, path1, path2})
            fs::create_directories(dir);
    }

    void place(const fs::path& dir, bool executable = true)
    {
        test::writeText(dir / "VuvivOdori.exe", "#!/bin/sh\n");
        fs::permissions(dir / "VuvivOdori.exe",
                        executable ? fs::perms::owner_all : fs::perms::owner_read);
    }

    std::string searchPath() const { return path1.string() + ":" + path2.string(); }
};

TEST_F(FlasherLookupTest, ProgramFolderComesFirstThenTheExecutablesFolderThenPath)
{
    place(path2);
    EXPECT_EQ(findFlasher(app, exe, searchPath()), path2 / "VuvivOdori.exe");
    place(path1);
    EXPECT_EQ(findFlasher(app, exe, searchPath()), path1 / "VuvivOdori.exe");
    place(exe);
    EXPECT_EQ(findFlasher(app, exe, searchPath()), exe / "VuvivOdori.exe");
    place(app);
    EXPECT_EQ(findFlasher(app, exe, searchPath()), app / "VuvivOdori.exe");
}

TEST_F(FlasherLookupTest, NothingFoundWhenNoFolderHoldsIt)
{
    EXPECT_EQ(findFlasher(app, exe, searchPath()), std::nullopt);
    EXPECT_EQ(findFlasher(app, exe, ""), std::nullopt);
    fs::create_directories(app / "VuvivOdori.exe"); // a folder of that name is no program
    EXPECT_EQ(findFlasher(app, exe, searchPath()), std::nullopt);
}

TEST_F(FlasherLookupTest, PathSkipsFilesThatCannotRunAndEntriesThatNameNoAbsoluteFolder)
{
    // Even the superuser may run only a file with an execute bit.
    place(path1, false);
    place(path2);
    EXPECT_EQ(findFlasher(app, exe, searchPath()), path2 / "VuvivOdori.exe");
    // An empty or relative entry means the current folder, which must not supply the program.
    const fs::path before = fs::current_path();
    fs::current_path(root.path());
    place(root / "rel");
    place(root.path());
    const auto found = findFlasher(app, exe, ":rel:.");
    fs::current_path(before);
    EXPECT_EQ(found, std::nullopt);
}

} // namespace
